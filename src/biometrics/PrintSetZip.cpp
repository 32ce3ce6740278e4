#include "PrintSetZip.h"

#include "core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <zip.h>

#include <memory>

namespace qal {
namespace {

struct ArchiveCloser
{
    void operator()(zip_t *z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser
{
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};
using Entry = std::unique_ptr<zip_file_t, EntryCloser>;

// Relative path parts of an entry name, or empty when the name is unsafe: absolute
// (leading separator or drive letter), with an empty or ".." part, or a directory.
QStringList safeParts(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\'))
        || (name.size() >= 2 && name[1] == QLatin1Char(':')) || name.endsWith(QLatin1Char('/'))
        || name.endsWith(QLatin1Char('\\')) || name.contains(QChar(0)))
        return {};
    QString normal = name;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = normal.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return {};
    }
    return parts;
}

bool extractEntry(zip_t *z, zip_uint64_t index, const QString &target, qint64 &total)
{
    Entry entry(zip_fopen_index(z, index, 0));
    if (!entry)
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[16384];
    qint64 size = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(entry.get(), buffer, sizeof buffer);
        if (n < 0)
            return false; // damaged data or a checksum mismatch
        if (n == 0)
            break;
        size += n;
        total += n;
        if (size > MaxUnzippedEntryBytes || total > MaxUnzippedTotalBytes)
            return false;
        if (out.write(buffer, n) != n)
            return false;
    }
    return out.commit();
}

} // namespace

bool ZipFiles(QStringList &files, const QString &archive, QString &message)
{
    const QString archivePath = ProgramFolder::resolve(archive);
    if (QFileInfo::exists(archivePath) && !QFile::remove(archivePath)) {
        message = QStringLiteral("ERROR: No se puede generar el archivo zip ") + archive;
        return false;
    }
    QStringList paths;
    for (QString &name : files) {
        name = name.trimmed();
        const QString path = ProgramFolder::resolve(name);
        if (name.isEmpty() || !QFileInfo(path).isFile()) {
            message = QStringLiteral("ERROR: No existe archivo origen ") + name;
            return false;
        }
        paths.append(path);
    }

    const QString failed = QStringLiteral("ERROR: No se pudieron comprimir los archivos");
    int error = 0;
    Archive z(zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error));
    if (!z) {
        message = failed;
        return false;
    }
    for (const QString &path : paths) {
        zip_source_t *source = zip_source_file(z.get(), QFile::encodeName(path).constData(), 0, -1);
        if (!source) {
            message = failed;
            return false;
        }
        const QByteArray entryName = QFileInfo(path).fileName().toUtf8();
        const zip_int64_t index = zip_file_add(z.get(), entryName.constData(), source, ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(source);
            message = failed;
            return false;
        }
        if (zip_set_file_compression(z.get(), zip_uint64_t(index), ZIP_CM_DEFLATE, 6) != 0) {
            message = failed;
            return false;
        }
    }
    // zip_close writes a temporary file beside the archive and renames it into place.
    if (zip_close(z.get()) != 0) {
        message = failed;
        return false;
    }
    z.release();
    return true;
}

bool UnzipFile(const QString &archiveName, const QString &folderName, QString &message)
{
    const QString archive = archiveName.trimmed();
    const QString folder = folderName.trimmed();
    const QString archivePath = ProgramFolder::resolve(archive);
    if (archive.isEmpty() || !QFileInfo(archivePath).isFile()) {
        message = QStringLiteral("ERROR: No existe archivo origen ") + archive;
        return false;
    }
    const QString folderPath = ProgramFolder::resolve(folder);
    if (folder.isEmpty() || !QFileInfo(folderPath).isDir()) {
        message = QStringLiteral("ERROR: No existe directorio destino ") + folder;
        return false;
    }
    message = QStringLiteral("ERROR: No se pudo descomprimir archivo");

    int error = 0;
    Archive z(zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!z)
        return false;
    const zip_int64_t count = zip_get_num_entries(z.get(), 0);
    if (count < 0 || count > MaxUnzippedEntries)
        return false;

    // Every name is checked before anything is written.
    QList<QStringList> names;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(z.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!raw)
            return false;
        const QStringList parts = safeParts(QString::fromUtf8(raw));
        if (parts.isEmpty())
            return false;
        names.append(parts);
    }
    // Paths are built by hand below the absolute destination: Qt takes a name that starts
    // with ':' for a resource path, so an entry name must never reach QDir on its own.
    const QString root = QFileInfo(folderPath).absoluteFilePath() + QLatin1Char('/');
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const QStringList &parts = names[i];
        if (parts.size() > 1 && !QDir().mkpath(root + parts.mid(0, parts.size() - 1).join(QLatin1Char('/'))))
            return false;
        if (!extractEntry(z.get(), zip_uint64_t(i), root + parts.join(QLatin1Char('/')), total))
            return false;
    }
    message.clear();
    return true;
}

} // namespace qal
