#include "RetiredFiles.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <system_error>
#include <thread>

namespace qal::dbase {

RetiredFiles::RetiredFiles(const QStringList &paths)
{
    for (const QString &path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0)
            m_descriptors.push_back(fd);
    }
}

RetiredFiles::~RetiredFiles()
{
    const auto closeAll = [](const std::vector<int> &descriptors) {
        for (int fd : descriptors)
            ::close(fd);
    };
    try {
        std::thread(closeAll, m_descriptors).detach();
    } catch (const std::system_error &) {
        closeAll(m_descriptors); // no thread to be had: the caller waits instead
    }
}

} // namespace qal::dbase
