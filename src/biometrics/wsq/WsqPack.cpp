#include "biometrics/wsq/WsqPack.h"

#include "biometrics/wsq/WsqCodec.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
template <typename T>
void setIf(T *p, T v)
{
    if (p)
        *p = v;
}
} // namespace

extern "C" int WSQPACK_Compress(unsigned char **data, int *length, float bitRate,
                                const unsigned char *pixels, int width, int height, int depth,
                                int ppi, const char *comment)
{
    setIf<unsigned char *>(data, nullptr);
    setIf(length, 0);
    if (!data || !length || !pixels || depth != 8)
        return -1;
    try {
        qal::wsq::EncodeOptions options;
        options.bitRate = bitRate;
        options.ppi = ppi;
        if (comment)
            options.comment = comment;
        const auto bytes = qal::wsq::encode(pixels, width, height, options);
        auto *block = static_cast<unsigned char *>(std::malloc(bytes.size()));
        if (!block)
            return -3;
        std::memcpy(block, bytes.data(), bytes.size());
        *data = block;
        *length = int(bytes.size());
        return 0;
    } catch (const qal::wsq::WsqError &) {
        return -2;
    } catch (const std::bad_alloc &) {
        return -3;
    }
}

extern "C" int WSQPACK_Uncompress(unsigned char **pixels, int *width, int *height, int *depth,
                                  int *ppi, int *lossy, const unsigned char *data, int length)
{
    setIf<unsigned char *>(pixels, nullptr);
    setIf(width, 0);
    setIf(height, 0);
    setIf(depth, 0);
    setIf(ppi, 0);
    setIf(lossy, 0);
    if (!pixels || !data || length <= 0)
        return -1;
    try {
        const auto image = qal::wsq::decode({data, size_t(length)});
        auto *block = static_cast<unsigned char *>(std::malloc(image.pixels.size()));
        if (!block)
            return -3;
        std::memcpy(block, image.pixels.data(), image.pixels.size());
        *pixels = block;
        setIf(width, image.width);
        setIf(height, image.height);
        setIf(depth, 8);
        setIf(ppi, image.ppi);
        setIf(lossy, 1);
        return 0;
    } catch (const qal::wsq::WsqError &) {
        return -2;
    } catch (const std::bad_alloc &) {
        return -3;
    }
}

extern "C" void WSQPACK_Free(unsigned char **block)
{
    if (!block)
        return;
    std::free(*block);
    *block = nullptr;
}
