#include "biometrics/ImageRules.h"

#include "core/Dialogs.h"

#include <QFileInfo>

namespace qal {

using namespace codes;

QString cardImageMessage(const ImageProperties &p)
{
    QString message;
    if (p.height < 600)
        message = QStringLiteral("La huella digitalizada debe tener por lo menos 5 cm. de alto");
    if (p.height > 1800)
        message = QStringLiteral("La huella digitalizada debe tener menos de 15 cm. de alto");
    // 1200 pixels are 10.16 cm at 300 dpi; the text has always said 15 cm
    if (p.width < 1200)
        message = QStringLiteral("La huella digitalizada debe tener por lo menos 15 cm. de ancho");
    if (p.width > 3000)
        message = QStringLiteral("La huella digitalizada debe tener menos de 25 cm. de ancho");
    if (p.xResolution != 300 || p.yResolution != 300)
        message = QStringLiteral("La resolución de la huella debe ser de 300 puntos por pulgada (DPI)");
    if (p.compressionInfo != InfoJpegMediumQuality)
        message = QStringLiteral("La huella debe utilizar la compresión JPEG calidad media");
    if (p.compressionType != CompressionJpeg)
        message = QStringLiteral("La huella debe utilizar la compresión JPEG");
    if (p.pageType != PageGray8)
        message = QStringLiteral("La huella debe digitalizarse en 256 tonos de gris");
    if (p.fileType != FileTiff)
        message = QStringLiteral("La huella debe guardarse en formato TIFF");
    return message;
}

QString documentImageMessage(const ImageProperties &p)
{
    // reference page: A4 at 300 dpi, 2480 x 3508, give or take a quarter
    QString message;
    if (p.width < 1860 || p.width > 3100 || p.height < 2631 || p.height > 4385)
        message = QStringLiteral("La imagen debe estar en tamaño A4 a 300 puntos por pulgada");
    if (p.compressionType != CompressionGroup4 && p.compressionType != CompressionJpeg)
        message = QStringLiteral("La documentación debe utilizar la compresión Group4(2D - FAX) o JPEG");
    if (p.pageType != PageBlackWhite && p.pageType != PageGray8)
        message = QStringLiteral("La documentación debe digitalizarse en blanco y negro o escala de grises");
    if (p.fileType != FileTiff)
        message = QStringLiteral("La documentación debe guardarse en formato TIFF");
    return message;
}

namespace {

std::optional<QString> problem(const QString &file, QString (*rules)(const ImageProperties &))
{
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return std::nullopt;
    const auto props = readImageProperties(file, 1);
    if (!props)
        return std::nullopt;
    return rules(*props);
}

bool check(const QString &file, QString (*rules)(const ImageProperties &))
{
    const auto message = problem(file, rules);
    if (!message)
        return false;
    if (message->isEmpty())
        return true;
    DialogMessage box;
    box.icon = DialogIcon::Error;
    box.title = QStringLiteral("Error");
    box.text = *message;
    Dialogs::instance().ask(box);
    return false;
}

} // namespace

std::optional<QString> cardImageProblem(const QString &file) { return problem(file, cardImageMessage); }
std::optional<QString> documentImageProblem(const QString &file) { return problem(file, documentImageMessage); }
bool CheckCardImage(const QString &file) { return check(file, cardImageMessage); }
bool CheckDocumentImage(const QString &file) { return check(file, documentImageMessage); }

} // namespace qal
