#pragma once

#include <QStringList>

#include <vector>

namespace qal::dbase {

// The files a maintenance rewrite replaces, held open while new ones are renamed over them.
// The kernel frees a replaced file (its cached pages and its disk blocks) when the last
// descriptor of it goes, which for a table of a hundred megabytes takes tens of
// milliseconds; holding one moves that moment here, and the destructor lets go of them on
// a thread of its own, so the caller goes on with the new files meanwhile.
class RetiredFiles
{
public:
    // Files that do not exist are skipped.
    explicit RetiredFiles(const QStringList &paths);
    ~RetiredFiles();
    RetiredFiles(const RetiredFiles &) = delete;
    RetiredFiles &operator=(const RetiredFiles &) = delete;

private:
    std::vector<int> m_descriptors;
};

} // namespace qal::dbase
