#include "TypedValue.h"

#include <QDate>
#include <QRegularExpression>

namespace qal::ui {
namespace {

TypedValue notADate(const QString &text)
{
    return {{}, QStringLiteral("\"%1\" no es una fecha válida. Escriba la fecha como dd/mm/aaaa.").arg(text)};
}

TypedValue numberOfTypedText(const QString &text)
{
    bool ok = false;
    const qlonglong whole = text.toLongLong(&ok);
    if (ok)
        return {whole, {}};
    // the decimal comma of the regional formats, or a point
    QString decimal = text;
    decimal.replace(u',', u'.');
    const double number = decimal.toDouble(&ok);
    if (ok)
        return {number, {}};
    return {{}, QStringLiteral("\"%1\" no es un número válido.").arg(text)};
}

} // namespace

TypedValue dateOfTypedText(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    static const QRegularExpression digitsOnly(QStringLiteral("^(\\d{2})(\\d{2})(\\d{4})$"));
    static const QRegularExpression separated(QStringLiteral("^(\\d{1,2})\\s*[/.-]\\s*(\\d{1,2})\\s*[/.-]\\s*(\\d{4})$"));
    QRegularExpressionMatch m = digitsOnly.match(text);
    if (!m.hasMatch())
        m = separated.match(text);
    if (!m.hasMatch())
        return notADate(text);
    const QDate date(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (!date.isValid())
        return notADate(text);
    return {date, {}};
}

TypedValue valueOfTypedText(char fieldType, const QString &typed)
{
    if (fieldType == 'D')
        return dateOfTypedText(typed);
    if (fieldType == 'N' || fieldType == 'F') {
        const QString text = typed.trimmed();
        if (text.isEmpty())
            return {};
        return numberOfTypedText(text);
    }
    if (typed.isEmpty())
        return {};
    return {typed, {}};
}

} // namespace qal::ui
