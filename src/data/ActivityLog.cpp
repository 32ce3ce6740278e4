#include "ActivityLog.h"

#include "core/Cp1252.h"
#include "core/ProgramFolder.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qal {
namespace {

int openForAppend(const QString &path, bool create)
{
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (create ? O_CREAT : 0);
    return ::open(QFile::encodeName(path).constData(), flags, 0644);
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        done += w;
    }
    return true;
}

} // namespace

QString activityLogPath()
{
    return ProgramFolder::resolve(QStringLiteral("QalRegLog.log"));
}

bool RegistrarActividad(const QString &line)
{
    const QString path = activityLogPath();
    int fd = -1;
    if (QFile::exists(path)) {
        for (int attempt = 0; fd < 0 && attempt < kActivityLogRetries && QFile::exists(path); ++attempt) {
            fd = openForAppend(path, false);
            if (fd < 0)
                QThread::msleep(kActivityLogRetryMs);
        }
    }
    if (fd < 0 && !QFile::exists(path))
        fd = openForAppend(path, true);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, toCp1252(line) + QByteArrayLiteral("\r\n"));
    ::close(fd);
    return ok;
}

} // namespace qal
