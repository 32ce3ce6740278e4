#include "biometrics/WsqServices.h"

#include "biometrics/wsq/WsqPack.h"
#include "imaging/BmpFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <vector>

namespace qal {

namespace {

// The whole file, read through a descriptor that holds an exclusive lock on it, so that a
// file another program is writing is not taken half-written.
bool readExclusively(const QString &path, std::vector<unsigned char> &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock;
    std::memset(&lock, 0, sizeof lock);
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    bool ok = ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
    struct stat st;
    if (ok && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > (1 << 30)))
        ok = false;
    if (ok) {
        try {
            bytes.resize(size_t(st.st_size));
        } catch (const std::bad_alloc &) {
            ok = false;
        }
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                ok = false;
            else
                done += size_t(n);
        }
    }
    ::close(fd);  // also drops the lock
    return ok;
}

} // namespace

bool WsqFileToBmp(const QString &wsqFile, const QString &bmpFile)
{
    std::vector<unsigned char> file;
    if (!readExclusively(wsqFile, file))
        return false;
    unsigned char *pixels = nullptr;
    int width = 0, height = 0, depth = 0, ppi = 0, lossy = 0;
    WSQPACK_Uncompress(&pixels, &width, &height, &depth, &ppi, &lossy, file.data(), int(file.size()));
    bool ok = false;
    if (pixels) {
        GreyImage image(width, height, ppi > 0 ? ppi : 500);
        std::memcpy(image.pixels().data(), pixels, size_t(width) * size_t(height));
        ok = BmpFile::writeGrey(bmpFile, image);
    }
    WSQPACK_Free(&pixels);
    return ok;
}

WsqBlock BitmapToWsq(const GreyImage &bitmap)
{
    WsqBlock block;
    if (bitmap.width() <= 0 || bitmap.height() <= 0)
        return block;
    std::vector<unsigned char> pixels;
    try {
        pixels.resize(size_t(bitmap.width()) * size_t(bitmap.height()));
    } catch (const std::bad_alloc &) {
        return block;
    }
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(pixels.data() + size_t(y) * size_t(bitmap.width()), bitmap.row(y), size_t(bitmap.width()));
    WSQPACK_Compress(&block.data, &block.length, 0.75f, pixels.data(), bitmap.width(), bitmap.height(), 8,
                     500, nullptr);
    if (!block.data)
        block.length = 0;
    return block;
}

} // namespace qal
