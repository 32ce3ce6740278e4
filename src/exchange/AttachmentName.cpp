#include "exchange/AttachmentName.h"

#include <QDir>

namespace qal::exchange {

QString nombreAdjuntoSeguro(const QString &nombre)
{
    QString name = nombre;
    const qsizetype cut = std::max({name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')),
                                    name.lastIndexOf(QLatin1Char(':'))});
    if (cut >= 0)
        name = name.mid(cut + 1);
    QString clean;
    clean.reserve(name.size());
    for (const QChar c : name) {
        if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            clean.append(c);
    }
    clean = clean.trimmed();
    bool onlyDots = true;
    for (const QChar c : clean)
        onlyDots = onlyDots && (c == QLatin1Char('.') || c.isSpace());
    return onlyDots ? QString() : clean;
}

QString rutaAdjunto(const QString &folder, const QString &nombre)
{
    const QString safe = nombreAdjuntoSeguro(nombre);
    if (safe.isEmpty())
        return {};
    return QDir(folder).filePath(safe);
}

} // namespace qal::exchange
