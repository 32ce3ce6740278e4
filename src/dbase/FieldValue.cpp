#include "FieldValue.h"

#include "DatabaseError.h"
#include "core/Cp1252.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace qal::dbase::fieldvalue {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\0';
}

// Length of b without its trailing blanks (spaces and NULs). Wide fields are mostly blank:
// eight bytes of one kind are passed at a time.
qsizetype lengthWithoutTrailingBlanks(QByteArrayView b)
{
    static constexpr std::uint64_t kSpaces = 0x2020202020202020ull;
    qsizetype n = b.size();
    while (n >= 8) {
        std::uint64_t word;
        std::memcpy(&word, b.data() + n - 8, 8);
        if (word != kSpaces && word != 0)
            break;
        n -= 8;
    }
    while (n > 0 && isBlank(b[n - 1]))
        --n;
    return n;
}

// A whole number as the program and dBASE write it (digits, perhaps a minus sign), read
// without the general parser; nothing for anything else, which the general parser reads.
std::optional<qlonglong> plainWholeNumber(QByteArrayView t)
{
    const bool negative = t.startsWith('-');
    const qsizetype from = negative ? 1 : 0;
    if (t.size() == from || t.size() - from > 18)
        return std::nullopt;
    qlonglong v = 0;
    for (qsizetype i = from; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return std::nullopt;
        v = v * 10 + (t[i] - '0');
    }
    return negative ? -v : v;
}

QByteArrayView trimmed(QByteArrayView b)
{
    const qsizetype to = lengthWithoutTrailingBlanks(b);
    qsizetype from = 0;
    while (from < to && isBlank(b[from]))
        ++from;
    return b.sliced(from, to - from);
}

[[noreturn]] void badValue(const FieldDescriptor &field, const QVariant &value)
{
    throw DatabaseError(QStringLiteral("El valor \"%1\" no es válido para el campo %2.")
                            .arg(value.toString(), field.name));
}

[[noreturn]] void tooWide(const FieldDescriptor &field, const QVariant &value)
{
    throw DatabaseError(QStringLiteral("El valor \"%1\" no cabe en el campo %2 (ancho %3).")
                            .arg(value.toString(), field.name)
                            .arg(field.length));
}


QByteArray encodeNumber(const FieldDescriptor &field, const QVariant &value)
{
    QVariant v = value;
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return QByteArray(field.length, ' ');
        bool ok = false;
        const double d = text.toDouble(&ok);
        if (!ok)
            badValue(field, value);
        v = d;
    } else if (!isNumber(v)) {
        badValue(field, value);
    }
    QByteArray text;
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        if (!std::isfinite(d))
            badValue(field, value);
        text = QByteArray::number(d, 'f', field.decimals);
        // no "-0.00" in the file
        bool nonZero = false;
        for (char c : text)
            nonZero = nonZero || (c >= '1' && c <= '9');
        if (!nonZero && text.startsWith('-'))
            text.remove(0, 1);
    } else if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong || v.typeId() == QMetaType::UInt) {
        text = QByteArray::number(v.toULongLong());
        if (field.decimals > 0)
            text += '.' + QByteArray(field.decimals, '0');
    } else {
        text = QByteArray::number(v.toLongLong());
        if (field.decimals > 0)
            text += '.' + QByteArray(field.decimals, '0');
    }
    if (text.size() > field.length)
        tooWide(field, value);
    return text.rightJustified(field.length, ' ');
}

} // namespace

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

QVariant decode(const FieldDescriptor &field, QByteArrayView bytes)
{
    switch (field.type) {
    case 'C': {
        const qsizetype n = lengthWithoutTrailingBlanks(bytes);
        if (n == 0)
            return QVariant();
        return fromCp1252(bytes.first(n));
    }
    case 'N':
    case 'F': {
        const QByteArrayView t = trimmed(bytes);
        if (t.isEmpty())
            return QVariant();
        if (field.decimals == 0) {
            if (const std::optional<qlonglong> whole = plainWholeNumber(t))
                return *whole;
            bool ok = false;
            const qlonglong whole = t.toLongLong(&ok);
            if (ok)
                return whole;
        }
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok)
            return QVariant();
        return d;
    }
    case 'D': {
        const QByteArrayView t = trimmed(bytes);
        if (t.size() != 8)
            return QVariant();
        // CCYYMMDD in digits, as every writer stores it, without the date parser
        if (std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            const auto number = [&t](int from, int n) {
                int v = 0;
                for (int i = from; i < from + n; ++i)
                    v = v * 10 + (t[i] - '0');
                return v;
            };
            const QDate d(number(0, 4), number(4, 2), number(6, 2));
            return d.isValid() ? QVariant(d) : QVariant();
        }
        const QDate d = QDate::fromString(QString::fromLatin1(t), QStringLiteral("yyyyMMdd"));
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case 'L': {
        const char c = bytes.isEmpty() ? ' ' : bytes[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y')
            return true;
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n')
            return false;
        return QVariant();
    }
    default:
        return QVariant();
    }
}

QByteArray encode(const FieldDescriptor &field, const QVariant &value)
{
    if (value.isNull() && value.typeId() != QMetaType::QString)
        return QByteArray(field.length, ' ');
    switch (field.type) {
    case 'C': {
        QString text;
        if (value.typeId() == QMetaType::QString)
            text = value.toString();
        else if (isNumber(value) || value.typeId() == QMetaType::QChar || value.typeId() == QMetaType::QByteArray)
            text = value.toString();
        else
            badValue(field, value);
        QByteArray bytes = toCp1252(text);
        if (bytes.size() > field.length) {
            // trailing spaces are padding anyway
            qsizetype n = bytes.size();
            while (n > field.length && bytes[n - 1] == ' ')
                --n;
            if (n > field.length)
                tooWide(field, value);
            bytes.truncate(n);
        }
        return bytes.leftJustified(field.length, ' ');
    }
    case 'N':
    case 'F':
        return encodeNumber(field, value);
    case 'D': {
        QDate d;
        if (value.typeId() == QMetaType::QDate)
            d = value.toDate();
        else if (value.typeId() == QMetaType::QDateTime)
            d = value.toDateTime().date();
        else if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
            return QByteArray(8, ' ');
        else
            badValue(field, value);
        if (!d.isValid())
            return QByteArray(8, ' ');
        if (d.year() < 1 || d.year() > 9999)
            badValue(field, value);
        return d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    }
    case 'L':
        if (value.typeId() == QMetaType::Bool)
            return QByteArray(1, value.toBool() ? 'T' : 'F');
        badValue(field, value);
    default:
        throw DatabaseError(QStringLiteral("El campo %1 no se escribe como un valor simple.").arg(field.name));
    }
}

} // namespace qal::dbase::fieldvalue
