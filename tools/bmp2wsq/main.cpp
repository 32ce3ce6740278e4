#include "biometrics/wsq/FingerBmp.h"
#include "biometrics/wsq/WsqPack.h"

#include <cstdio>
#include <string>

#include <sys/stat.h>

// bmp2wsq SOURCE TARGET: compresses a finger BMP to WSQ at bit rate 0.75 and 500 ppi.
// The target appears only when it is complete; exits 1 on any failure. Plain C++: the ten
// conversions of a save each start this program, so it loads nothing it does not use.
int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bmp2wsq SOURCE TARGET\n");
        return 2;
    }
    struct stat st;
    if (::stat(argv[1], &st) != 0) {
        std::fprintf(stderr, "ERROR: No existe archivo origen\n");
        return 1;
    }
    qal::fingerbmp::Image image;
    std::string error;
    bool ok = qal::fingerbmp::read(argv[1], image, error);
    unsigned char *data = nullptr;
    int length = 0;
    if (ok) {
        WSQPACK_Compress(&data, &length, 0.75f, image.pixels.data(), image.width, image.height, 8, 500, nullptr);
        ok = data != nullptr && qal::fingerbmp::writeFileAtomically(argv[2], data, std::size_t(length));
    }
    WSQPACK_Free(&data);
    if (!ok) {
        std::fprintf(stderr, "ERROR: No se pudo generar %s%s%s\n", argv[2], error.empty() ? "" : ": ", error.c_str());
        return 1;
    }
    return 0;
}
