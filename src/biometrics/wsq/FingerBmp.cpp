#include "biometrics/wsq/FingerBmp.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qal::fingerbmp {

namespace {

std::uint32_t u16(const std::uint8_t *p) { return std::uint32_t(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

void put16(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v & 0xff));
    out.push_back(std::uint8_t((v >> 8) & 0xff));
}
void put32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t((v >> (8 * i)) & 0xff));
}

std::uint8_t grey(int r, int g, int b)
{
    return std::uint8_t((r * 11 + g * 16 + b * 5) / 32); // qGray
}

int ppiOf(std::uint32_t dotsPerMeter)
{
    const auto dpm = std::int32_t(dotsPerMeter);
    if (dpm <= 0 || dpm > 1'000'000'000)
        return 0;
    return int(std::lround(dpm * 0.0254));
}

bool fail(std::string &error, const char *text)
{
    error = text;
    return false;
}

} // namespace

bool decode(const std::uint8_t *p, std::size_t size, Image &image, std::string &error)
{
    if (size < 26 || p[0] != 'B' || p[1] != 'M')
        return fail(error, "no es un archivo BMP");
    const std::uint32_t offset = u32(p + 10);
    const std::uint32_t header = u32(p + 14);
    if (header != 12 && (header < 40 || header > 1024) )
        return fail(error, "cabecera BMP no soportada");
    if (size < 14 + std::size_t(header))
        return fail(error, "archivo BMP truncado");
    long long width, height;
    int bits;
    std::uint32_t compression = 0, paletteEntries = 0, dpm = 0;
    if (header == 12) {
        width = u16(p + 18);
        height = std::int16_t(u16(p + 20));
        bits = int(u16(p + 24));
    } else {
        width = std::int32_t(u32(p + 18));
        height = std::int32_t(u32(p + 22));
        bits = int(u16(p + 28));
        compression = u32(p + 30);
        dpm = u32(p + 38);
        paletteEntries = u32(p + 46);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width * height > maxPixels)
        return fail(error, "tamaño de imagen inválido");
    if (compression != 0 && !(compression == 3 && (bits == 32)))
        return fail(error, "BMP comprimido no soportado");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return fail(error, "profundidad de color no soportada");

    std::uint8_t lut[256] = {};
    if (bits <= 8) {
        const std::size_t entrySize = header == 12 ? 3 : 4;
        const std::uint32_t maxEntries = 1u << bits;
        if (paletteEntries == 0 || paletteEntries > maxEntries)
            paletteEntries = maxEntries;
        const std::size_t paletteAt = 14 + std::size_t(header);
        if (paletteAt + paletteEntries * entrySize > size)
            return fail(error, "paleta truncada");
        for (std::uint32_t i = 0; i < paletteEntries; ++i) {
            const std::uint8_t *e = p + paletteAt + i * entrySize;
            lut[i] = grey(e[2], e[1], e[0]);
        }
    }
    const long long stride = ((width * bits + 31) / 32) * 4;
    if (offset > size || (size - offset) / std::size_t(stride) < std::size_t(height))
        return fail(error, "datos de imagen truncados");

    image.width = int(width);
    image.height = int(height);
    image.ppi = ppiOf(dpm);
    image.pixels.assign(std::size_t(width * height), 0);
    for (long long y = 0; y < height; ++y) {
        const std::uint8_t *src = p + offset + stride * (topDown ? y : height - 1 - y);
        std::uint8_t *dst = image.pixels.data() + y * width;
        switch (bits) {
        case 1:
            for (long long x = 0; x < width; ++x)
                dst[x] = lut[(src[x / 8] >> (7 - x % 8)) & 1];
            break;
        case 4:
            for (long long x = 0; x < width; ++x)
                dst[x] = lut[(x & 1) ? (src[x / 2] & 0x0f) : (src[x / 2] >> 4)];
            break;
        case 8:
            for (long long x = 0; x < width; ++x)
                dst[x] = lut[src[x]];
            break;
        default: {
            const int step = bits / 8;
            for (long long x = 0; x < width; ++x)
                dst[x] = grey(src[x * step + 2], src[x * step + 1], src[x * step]);
        }
        }
    }
    return true;
}

bool readFile(const std::string &path, std::vector<std::uint8_t> &bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= (1 << 30);
    if (ok) {
        bytes.resize(std::size_t(st.st_size));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            ok = n > 0;
            if (ok)
                done += std::size_t(n);
        }
    }
    ::close(fd);
    return ok;
}

bool read(const std::string &path, Image &image, std::string &error)
{
    std::vector<std::uint8_t> bytes;
    if (!readFile(path, bytes))
        return fail(error, "no se puede leer el archivo");
    return decode(bytes.data(), bytes.size(), image, error);
}

std::vector<std::uint8_t> encode(const Image &image)
{
    std::vector<std::uint8_t> out;
    if (image.width <= 0 || image.height <= 0)
        return out;
    const std::uint32_t stride = std::uint32_t((image.width + 3) / 4 * 4);
    const std::uint32_t imageSize = stride * std::uint32_t(image.height);
    const std::uint32_t offset = 14 + 40 + 1024;
    const std::uint32_t dpm = image.ppi <= 0 ? 0 : std::uint32_t(std::lround(image.ppi / 0.0254));
    out.reserve(offset + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageSize);
    put16(out, 0);
    put16(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, std::uint32_t(image.width));
    put32(out, std::uint32_t(image.height));
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, imageSize);
    put32(out, dpm);
    put32(out, dpm);
    put32(out, 256);
    put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        out.insert(out.end(), 3, std::uint8_t(i));
        out.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        const std::uint8_t *row = image.pixels.data() + std::size_t(y) * std::size_t(image.width);
        out.insert(out.end(), row, row + image.width);
        out.insert(out.end(), stride - std::uint32_t(image.width), 0);
    }
    return out;
}

bool writeFileAtomically(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        ok = n > 0;
        if (ok)
            done += std::size_t(n);
    }
    // the permissions a new file gets (mkstemp makes it private)
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ::fchmod(fd, 0666 & ~mask) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    std::remove(temp.c_str());
    return false;
}

bool write(const std::string &path, const Image &image, std::string &error)
{
    const std::vector<std::uint8_t> bytes = encode(image);
    if (bytes.empty())
        return fail(error, "imagen vacía");
    if (!writeFileAtomically(path, bytes.data(), bytes.size()))
        return fail(error, "no se puede escribir el archivo");
    return true;
}

} // namespace qal::fingerbmp
