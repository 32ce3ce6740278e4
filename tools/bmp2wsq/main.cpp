#include "biometrics/WsqServices.h"
#include "biometrics/wsq/WsqPack.h"
#include "imaging/BmpFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

// bmp2wsq SOURCE TARGET: compresses a finger BMP to WSQ at bit rate 0.75 and 500 ppi.
// The target appears only when it is complete; exits 1 on any failure.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bmp2wsq SOURCE TARGET\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]), target = QString::fromLocal8Bit(argv[2]);
    if (!QFile::exists(source)) {
        std::fprintf(stderr, "ERROR: No existe archivo origen\n");
        return 1;
    }
    QString error;
    const qal::GreyImage image = qal::BmpFile::readGrey(source, &error);
    qal::WsqBlock block = qal::BitmapToWsq(image);
    bool ok = block.data != nullptr;
    if (ok) {
        QSaveFile out(target);
        ok = out.open(QIODevice::WriteOnly) &&
             out.write(reinterpret_cast<const char *>(block.data), block.length) == block.length && out.commit();
    }
    WSQPACK_Free(&block.data);
    if (!ok) {
        std::fprintf(stderr, "ERROR: No se pudo generar %s%s%s\n", argv[2], error.isEmpty() ? "" : ": ",
                     qPrintable(error));
        return 1;
    }
    return 0;
}
