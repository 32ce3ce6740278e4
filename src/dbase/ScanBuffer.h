#pragma once

#include <QByteArray>

#include <utility>
#include <vector>

namespace qal::dbase {

// A buffer for a walk over a whole table (a megabyte or so), taken from the few the thread
// keeps from one walk to the next and given back when the walk ends: memory asked of the
// system anew costs a page fault every 4 KB, and a start-up maintenance walks dozens of
// tables. Walks may nest (a rewrite converts what a walk reads): each takes its own.
class ScanBuffer
{
public:
    ScanBuffer()
    {
        std::vector<QByteArray> &kept = pool();
        if (!kept.empty()) {
            m_bytes = std::move(kept.back());
            kept.pop_back();
        }
    }
    ~ScanBuffer()
    {
        // a buffer still shared with a caller is not ours to fill again
        std::vector<QByteArray> &kept = pool();
        if (kept.size() < kKept && m_bytes.isDetached())
            kept.push_back(std::move(m_bytes));
    }
    ScanBuffer(const ScanBuffer &) = delete;
    ScanBuffer &operator=(const ScanBuffer &) = delete;

    QByteArray &bytes() { return m_bytes; }

private:
    static constexpr std::size_t kKept = 4;
    static std::vector<QByteArray> &pool()
    {
        thread_local std::vector<QByteArray> kept;
        return kept;
    }
    QByteArray m_bytes;
};

} // namespace qal::dbase
