#include "imaging/FileCopy.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace qal {

namespace {

bool copyStamped(const QString &source, const QString &target, const QDateTime &stamp)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // Written beside the target and renamed over it: a failure leaves the target as it was.
    // These are working copies, so they are not forced to disk (which costs more than the
    // copy on a busy machine).
    const QString part = target + QStringLiteral(".part");
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool ok = true;
    while (ok && !in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        ok = !(chunk.isEmpty() && in.error() != QFileDevice::NoError) && out.write(chunk) == chunk.size();
    }
    out.close();
    ok = ok && out.error() == QFileDevice::NoError
         && std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok) {
        QFile::remove(part);
        return false;
    }
    QFile written(target);
    return written.open(QIODevice::ReadWrite)
           && written.setFileTime(stamp, QFileDevice::FileModificationTime);
}

} // namespace

bool copyKeepingTime(const QString &source, const QString &target)
{
    const QFileInfo info(source);
    return info.isFile() && copyStamped(source, target, info.lastModified());
}

bool copyAsNew(const QString &source, const QString &target)
{
    return QFileInfo(source).isFile() && copyStamped(source, target, QDateTime::currentDateTime());
}

} // namespace qal
