#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <ostream>

// Failure messages show Qt values as text, not as bytes.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i)
            *os << ", ";
        PrintTo(list[i], os);
    }
    *os << '}';
}
inline void PrintTo(const QVariant &v, std::ostream *os)
{
    *os << "QVariant(" << v.typeName() << ", " << v.toString().toStdString() << ')';
}
inline void PrintTo(const QSize &s, std::ostream *os)
{
    *os << s.width() << 'x' << s.height();
}
