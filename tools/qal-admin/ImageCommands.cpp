// image-info, check-card, check-document: what the central office would think of an
// image file, without a window.

#include "Command.h"

#include "biometrics/ImageRules.h"
#include "imaging/ImageProperties.h"

#include <QFileInfo>

namespace {

using namespace qal;

QString describe(const ImageProperties &p)
{
    QString text;
    const auto line = [&text](const QString &name, const QString &value) {
        text += name.leftJustified(26) + value + QLatin1Char('\n');
    };
    line(QStringLiteral("tipo de archivo"), QStringLiteral("%1 (%2)").arg(p.fileType).arg(fileTypeName(p.fileType)));
    line(QStringLiteral("tipo de página"), QStringLiteral("%1 (%2)").arg(p.pageType).arg(pageTypeName(p.pageType)));
    line(QStringLiteral("tipo de compresión"),
         QStringLiteral("%1 (%2)").arg(p.compressionType).arg(compressionTypeName(p.compressionType)));
    QString info = QString::number(p.compressionInfo);
    if (p.jpegQuality > 0)
        info += QStringLiteral(" (calidad JPEG estimada %1)").arg(p.jpegQuality);
    line(QStringLiteral("información de compresión"), info);
    line(QStringLiteral("alto"), QString::number(p.height));
    line(QStringLiteral("ancho"), QString::number(p.width));
    line(QStringLiteral("resolución X"), QString::number(p.xResolution));
    line(QStringLiteral("resolución Y"), QString::number(p.yResolution));
    return text;
}

int imageInfo(const QStringList &args)
{
    if (args.size() != 1) {
        printErr(QStringLiteral("uso: qal-admin image-info ARCHIVO\n"));
        return 2;
    }
    QString error;
    const auto first = readImageProperties(args[0], 1, &error);
    if (!first) {
        printErr(error + QLatin1Char('\n'));
        return 1;
    }
    QString out = QStringLiteral("%1\npáginas                   %2\n").arg(args[0]).arg(first->pageCount);
    for (int page = 1; page <= first->pageCount; ++page) {
        const auto props = page == 1 ? first : readImageProperties(args[0], page, &error);
        out += QStringLiteral("\npágina %1\n").arg(page);
        out += props ? describe(*props) : error + QLatin1Char('\n');
    }
    printOut(out);
    return 0;
}

int check(const QStringList &args, const char *name, std::optional<QString> (*rules)(const QString &))
{
    if (args.size() != 1) {
        printErr(QStringLiteral("uso: qal-admin %1 ARCHIVO\n").arg(QLatin1String(name)));
        return 2;
    }
    const auto message = rules(args[0]);
    if (!message) {
        printErr(QFileInfo::exists(args[0]) ? QStringLiteral("No se puede leer la imagen %1\n").arg(args[0])
                                            : QStringLiteral("No existe el archivo %1\n").arg(args[0]));
        return 1;
    }
    if (message->isEmpty())
        return 0;
    printOut(*message + QLatin1Char('\n'));
    return 1;
}

const RegisterCommand imageInfoCommand({
    QStringLiteral("image-info"),
    QStringLiteral("image-info ARCHIVO"),
    QStringLiteral("propiedades de cada página de un TIFF o BMP (tipo de archivo, de página, compresión, tamaño, resolución)"),
    imageInfo,
});

const RegisterCommand checkCardCommand({
    QStringLiteral("check-card"),
    QStringLiteral("check-card ARCHIVO"),
    QStringLiteral("aplica las reglas de la imagen de la ficha; muestra el mensaje y sale con 1 si se rechaza"),
    [](const QStringList &args) { return check(args, "check-card", cardImageProblem); },
});

const RegisterCommand checkDocumentCommand({
    QStringLiteral("check-document"),
    QStringLiteral("check-document ARCHIVO"),
    QStringLiteral("aplica las reglas de la imagen de la documentación; muestra el mensaje y sale con 1 si se rechaza"),
    [](const QStringList &args) { return check(args, "check-document", documentImageProblem); },
});

} // namespace
