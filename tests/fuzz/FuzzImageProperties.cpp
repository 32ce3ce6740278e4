#include "imaging/ImageProperties.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// The property reader over arbitrary bytes: TIFF and BMP headers, directory chains,
// JPEG tables. Must end with a result or an error, never a crash, hang or huge allocation.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto props = qal::readImageProperties(bytes, 1)) {
        if (props->pageCount > 1)
            (void)qal::readImageProperties(bytes, props->pageCount);
    }
    (void)qal::estimateJpegQuality(bytes);
    return 0;
}
