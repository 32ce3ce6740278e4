#include "ValueEquality.h"

#include "FieldValue.h"

#include <QDate>
#include <QDateTime>

namespace qal::dbase {

namespace {

// Text equal without trailing spaces, optionally ignoring case.
bool textEquals(const QVariant &a, const QVariant &b, bool caseInsensitive)
{
    auto norm = [](const QVariant &v) {
        QString s = v.toString();
        qsizetype n = s.size();
        while (n > 0 && s[n - 1] == QLatin1Char(' '))
            --n;
        s.truncate(n);
        return s;
    };
    return norm(a).compare(norm(b), caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

} // namespace

bool valuesEqual(const QVariant &stored, const QVariant &wanted, bool caseInsensitive)
{
    const bool storedEmpty = stored.isNull() || (stored.typeId() == QMetaType::QString && stored.toString().isEmpty());
    const bool wantedEmpty = wanted.isNull() || (wanted.typeId() == QMetaType::QString && wanted.toString().trimmed().isEmpty());
    if (storedEmpty || wantedEmpty)
        return storedEmpty && wantedEmpty;
    if (stored.typeId() == QMetaType::QString || wanted.typeId() == QMetaType::QString) {
        if (fieldvalue::isNumber(stored) && wanted.typeId() == QMetaType::QString) {
            bool ok = false;
            const double d = wanted.toString().trimmed().toDouble(&ok);
            return ok && d == stored.toDouble();
        }
        return textEquals(stored, wanted, caseInsensitive);
    }
    if (fieldvalue::isNumber(stored) && fieldvalue::isNumber(wanted))
        return stored.toDouble() == wanted.toDouble();
    if (stored.typeId() == QMetaType::QDate && wanted.typeId() == QMetaType::QDateTime)
        return stored.toDate() == wanted.toDateTime().date();
    return stored == wanted;
}

} // namespace qal::dbase
