#include "biometrics/wsq/FingerBmp.h"
#include "biometrics/wsq/WsqPack.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// wsq2bmp SOURCE TARGET: decodes a WSQ file into an 8-bit grey BMP in the finger-image
// layout. The target appears only when it is complete; exits 1 on any failure.
int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: wsq2bmp SOURCE TARGET\n");
        return 2;
    }
    std::vector<std::uint8_t> bytes;
    if (!qal::fingerbmp::readFile(argv[1], bytes)) {
        std::fprintf(stderr, "ERROR: No existe archivo origen\n");
        return 1;
    }
    unsigned char *pixels = nullptr;
    int width = 0, height = 0, depth = 0, ppi = 0, lossy = 0;
    WSQPACK_Uncompress(&pixels, &width, &height, &depth, &ppi, &lossy, bytes.data(), int(bytes.size()));
    bool ok = pixels != nullptr;
    if (ok) {
        qal::fingerbmp::Image image;
        image.width = width;
        image.height = height;
        image.ppi = ppi > 0 ? ppi : 500;
        image.pixels.assign(pixels, pixels + std::size_t(width) * std::size_t(height));
        std::string error;
        ok = qal::fingerbmp::write(argv[2], image, error);
    }
    WSQPACK_Free(&pixels);
    if (!ok) {
        std::fprintf(stderr, "No se pudo convertir el archivo: %s\n", argv[1]);
        return 1;
    }
    return 0;
}
