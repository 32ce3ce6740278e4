#include "FingerQuality.h"

namespace qal {

QString FingerName(int number)
{
    static const char *const names[] = {
        "Pulgar Derecho",   "Indice Derecho",   "Medio Derecho",   "Anular Derecho",   "Meñique Derecho",
        "Pulgar Izquierdo", "Indice Izquierdo", "Medio Izquierdo", "Anular Izquierdo", "Meñique Izquierdo",
    };
    if (number < 1 || number > 10)
        return QStringLiteral("Desconocido");
    return QString::fromUtf8(names[number - 1]);
}

QString NfiqText(int nfiq)
{
    switch (nfiq) {
    case 0: return QStringLiteral("Error: falta huella!");
    case 1: return QStringLiteral("Excelente");
    case 2: return QStringLiteral("Muy buena");
    case 3: return QStringLiteral("Buena");
    case 4: return QStringLiteral("Regular");
    case 5: return QStringLiteral("Mala");
    case NoPrintsAverage: return QStringLiteral("Error: No hay impresiones");
    default: return {};
    }
}

QString QualityCodeText(int code)
{
    switch (code) {
    case QualityEmptyImage: return QString::fromUtf8("Imagen vacía");
    case QualityFewMinutiae: return QStringLiteral("Faltan minucias");
    case QualityNoLibrary: return QStringLiteral("ERROR: Falta GBNFIQ.DLL");
    case QualityNoImage: return QStringLiteral("Falta cargar la imagen");
    case QualityNoMemory: return QStringLiteral("Falta memoria para procesar la imagen");
    default: return {};
    }
}

QString FingerQualityText(int code, int nfiq)
{
    QString text = QString::number(nfiq) + QStringLiteral(" (") + NfiqText(nfiq);
    const QString codeText = QualityCodeText(code);
    if (!codeText.isEmpty())
        text += QStringLiteral(", ") + codeText;
    return text + QLatin1Char(')');
}

int AverageNfiq(const TenQualityRecords &records)
{
    int sum = 0;
    int count = 0;
    for (const QualityRecord &r : records) {
        if (r.code == QualityScored) {
            sum += r.nfiq;
            ++count;
        }
    }
    return count == 0 ? NoPrintsAverage : sum / count;
}

QString AverageNfiqText(int average)
{
    return QString::number(average) + QStringLiteral(" (") + NfiqText(average) + QLatin1Char(')');
}

} // namespace qal
