// Unpacking of a stored print set: any bytes as the archive.
#include "biometrics/PrintSetZip.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir work(QDir::tempPath() + QStringLiteral("/fuzz_unzip-XXXXXX"));
    const QString archive = work.filePath(QStringLiteral("dedos.zip"));
    const QString out = work.filePath(QStringLiteral("out"));
    {
        QFile f(archive);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    QString message;
    qal::UnzipFile(archive, out, message);
    // nothing may land outside the destination folder
    const QStringList entries = QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    if (entries.size() != 2)
        __builtin_trap();
    return 0;
}
