#include "biometrics/wsq/WsqPack.h"
#include "imaging/BmpFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <cstring>

// wsq2bmp SOURCE TARGET: decodes a WSQ file into an 8-bit grey BMP in the finger-image
// layout. The target appears only when it is complete; exits 1 on any failure.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: wsq2bmp SOURCE TARGET\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]), target = QString::fromLocal8Bit(argv[2]);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "ERROR: No existe archivo origen\n");
        return 1;
    }
    const QByteArray bytes = in.size() <= (1 << 30) ? in.readAll() : QByteArray();
    unsigned char *pixels = nullptr;
    int width = 0, height = 0, depth = 0, ppi = 0, lossy = 0;
    WSQPACK_Uncompress(&pixels, &width, &height, &depth, &ppi, &lossy,
                       reinterpret_cast<const unsigned char *>(bytes.constData()), int(bytes.size()));
    bool ok = pixels != nullptr;
    if (ok) {
        qal::GreyImage image(width, height, ppi > 0 ? ppi : 500);
        std::memcpy(image.pixels().data(), pixels, size_t(width) * size_t(height));
        QSaveFile out(target);
        const QByteArray bmp = qal::BmpFile::encodeGrey(image);
        ok = out.open(QIODevice::WriteOnly) && out.write(bmp) == bmp.size() && out.commit();
    }
    WSQPACK_Free(&pixels);
    if (!ok) {
        std::fprintf(stderr, "No se pudo convertir el archivo: %s\n", argv[1]);
        return 1;
    }
    return 0;
}
