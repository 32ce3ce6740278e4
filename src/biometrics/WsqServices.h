#pragma once
// WSQ conversions of finger images between files, bitmaps and memory blocks, on the
// WSQPACK interface (biometrics/wsq/WsqPack.h).

#include "imaging/GreyImage.h"

#include <QString>

namespace qal {

// A WSQ block allocated by WSQPACK_Compress; the caller releases it with WSQPACK_Free(&data).
struct WsqBlock
{
    unsigned char *data = nullptr;
    int length = 0;
};

// Decodes a WSQ file into an 8-bit grey finger BMP (rows top-down from the decoded buffer).
// The WSQ file is opened for exclusive read-write access; false when it cannot be opened, when
// it does not decode (nothing is written then) or when the BMP cannot be saved.
bool WsqFileToBmp(const QString &wsqFile, const QString &bmpFile);

// Encodes a bitmap at bit rate 0.75, depth 8, 500 ppi. An empty block when the bitmap has
// no width or the encoding fails.
WsqBlock BitmapToWsq(const GreyImage &bitmap);

} // namespace qal
