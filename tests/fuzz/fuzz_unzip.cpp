// Unpacking of a stored print set. The input is either the archive itself (first byte
// even) or a recipe for one (odd): entries with fuzzed names, contents and methods written
// by libzip, then bytes of the result overwritten at fuzzed places, so that hostile names
// and damaged but plausible archives are both reached.
#include "biometrics/PrintSetZip.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <cstddef>
#include <cstdint>

namespace {

struct Reader
{
    const std::uint8_t *p;
    std::size_t n;
    std::uint8_t byte() { return n ? (--n, *p++) : 0; }
    QByteArray bytes(std::size_t count)
    {
        count = std::min(count, n);
        QByteArray out(reinterpret_cast<const char *>(p), qsizetype(count));
        p += count;
        n -= count;
        return out;
    }
};

bool buildArchive(Reader in, const QString &path)
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    QList<QByteArray> keep; // buffers live until zip_close
    const int entries = in.byte() % 5;
    for (int i = 0; i < entries; ++i) {
        keep.append(in.bytes(in.byte() % 24));
        const QByteArray name = keep.back();
        keep.append(in.bytes(in.byte()));
        zip_source_t *src = zip_source_buffer(z, keep.back().constData(), zip_uint64_t(keep.back().size()), 0);
        const zip_int64_t index = zip_file_add(z, name.constData(), src, ZIP_FL_ENC_RAW | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(src);
            continue;
        }
        if (in.byte() & 1)
            zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray data = f.readAll();
    while (in.n >= 3 && !data.isEmpty()) {
        const std::size_t at = (std::size_t(in.byte()) << 8 | in.byte()) % std::size_t(data.size());
        data[qsizetype(at)] = char(in.byte());
    }
    f.seek(0);
    f.write(data);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir work(QDir::tempPath() + QStringLiteral("/fuzz_unzip-XXXXXX"));
    // working in the scratch folder, so that a name taken as relative to the current
    // folder also shows up in the check below
    static const bool inWork = QDir::setCurrent(work.path());
    (void)inWork;
    const QString archive = work.filePath(QStringLiteral("dedos.zip"));
    const QString out = work.filePath(QStringLiteral("out"));
    if (size > 0 && (data[0] & 1)) {
        if (!buildArchive(Reader {data + 1, size - 1}, archive))
            return 0;
    } else {
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
