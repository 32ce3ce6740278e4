#include "imaging/BmpFile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// The BMP reader over arbitrary bytes, both as a colour image and as grey.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QImage image = qal::BmpFile::read(bytes);
    if (!image.isNull())
        (void)qal::BmpFile::readGrey(bytes);
    return 0;
}
