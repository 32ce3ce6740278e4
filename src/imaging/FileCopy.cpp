#include "imaging/FileCopy.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qal {

namespace {

bool copyStamped(const QString &source, const QString &target, const QDateTime &stamp)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            return false;
        if (out.write(chunk) != chunk.size())
            return false;
    }
    if (!out.commit())
        return false;
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
