#include "biometrics/Classification.h"

namespace qal::classification {

bool allowedAt(QChar symbol, int position)
{
    static const QString thumb = QStringLiteral("0aeivx_");
    static const QString others = QStringLiteral("01234x_");
    if (position < 1 || position > kLength)
        return false;
    const QChar lower = symbol.unicode() < 128 ? symbol.toLower() : symbol;
    return (position == 1 ? thumb : others).contains(lower);
}

QChar typed(QChar c)
{
    if (c >= u'A' && c <= u'Z')
        return c.toLower();
    if (c == u'-')
        return u'_';
    return c;
}

QString normalized(const QString &value)
{
    QString text = value.left(kLength);
    while (text.size() < kLength)
        text.append(u'_');
    for (int i = 0; i < kLength; ++i)
        if (!allowedAt(text.at(i), i + 1))
            return kEmpty;
    return text.toUpper();
}

} // namespace qal::classification
