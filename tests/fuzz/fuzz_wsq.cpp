// WSQ decoder on arbitrary bytes; whatever decodes is encoded again and must decode.
#include "biometrics/wsq/WsqCodec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    qal::wsq::DecodeLimits limits;
    limits.maxPixels = 1 << 16;  // keeps each run quick; larger frames only add time
    try {
        const auto img = qal::wsq::decode({data, size}, limits);
        if (img.pixels.size() != std::size_t(img.width) * std::size_t(img.height))
            std::abort();
        const auto again = qal::wsq::encode(img.pixels.data(), img.width, img.height);
        const auto back = qal::wsq::decode(again, limits);
        if (back.width != img.width || back.height != img.height)
            std::abort();
    } catch (const qal::wsq::WsqError &) {
    }
    return 0;
}
