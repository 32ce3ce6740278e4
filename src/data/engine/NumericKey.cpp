#include "NumericKey.h"

#include <QtEndian>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <algorithm>

namespace qal::db {

namespace {

constexpr int kMaxDigits = 20;
constexpr int kExponentBias = 0x34;

// Sign, exponent and significant digits of a decimal number, without leading or trailing zeros.
struct Decimal
{
    bool negative = false;
    int exponent = 0;
    QByteArray digits; // '0'..'9'; empty for zero
};

QByteArray encode(const Decimal &d)
{
    QByteArray key(numeric_key::kLength, '\0');
    if (d.digits.isEmpty()) {
        key[0] = char(kExponentBias);
        key[1] = char(0x01);
        return key;
    }
    const int count = std::min<int>(d.digits.size(), kMaxDigits);
    int exponent = std::clamp(d.exponent, -kExponentBias, 0x7F - kExponentBias);
    key[0] = char(kExponentBias + exponent);
    // dBASE writes a digit count of 10 for ordinary values; more digits say so.
    const int stated = std::min(std::max(count, 10), 31);
    key[1] = char((d.negative ? 0x80 : 0) | (stated << 2) | 0x01);
    for (int i = 0; i < count; ++i) {
        const int nibble = d.digits[i] - '0';
        const int byte = 2 + i / 2;
        key[byte] = char(uchar(key[byte]) | (i % 2 == 0 ? nibble << 4 : nibble));
    }
    return key;
}

Decimal parse(QByteArrayView text)
{
    Decimal d;
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\0'))
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        d.negative = text[i] == '-';
        ++i;
    }
    QByteArray intPart, fracPart;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        intPart += text[i];
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            fracPart += text[i];
    }
    int lead = 0;
    while (lead < intPart.size() && intPart[lead] == '0')
        ++lead;
    intPart = intPart.mid(lead);
    QByteArray all = intPart + fracPart;
    int exponent = int(intPart.size());
    if (intPart.isEmpty()) {
        int zeros = 0;
        while (zeros < fracPart.size() && fracPart[zeros] == '0')
            ++zeros;
        all = fracPart.mid(zeros);
        exponent = -zeros;
    }
    while (!all.isEmpty() && all.endsWith('0'))
        all.chop(1);
    if (all.isEmpty())
        return Decimal{};
    d.exponent = exponent;
    d.digits = all.left(kMaxDigits);
    return d;
}

// A stored key as bytes that order like the value under memcmp: a sign class, then the
// exponent and the 20 digits, both inverted for negative values. Tolerant of any byte values.
std::array<uchar, 23> sortable(QByteArrayView key)
{
    std::array<uchar, 23> out{};
    if (key.size() < numeric_key::kLength) {
        out[0] = 1;
        return out;
    }
    std::array<uchar, kMaxDigits> digits{};
    int first = -1;
    for (int i = 0; i < kMaxDigits; ++i) {
        const int b = uchar(key[2 + i / 2]);
        digits[i] = uchar(std::min(i % 2 == 0 ? b >> 4 : b & 0x0F, 9));
        if (first < 0 && digits[i] != 0)
            first = i;
    }
    if (first < 0) {
        out[0] = 1; // zero, whatever the sign bit says
        return out;
    }
    const bool negative = (uchar(key[1]) & 0x80) != 0;
    // Leading zero digits (other writers) lower the exponent.
    const int exponent = int(uchar(key[0])) - first; // biased, within -20..255
    const int e = negative ? 0xFFFF - (exponent + 20) : exponent + 20;
    out[0] = negative ? 0 : 2;
    out[1] = uchar(e >> 8);
    out[2] = uchar(e & 0xFF);
    for (int i = 0; i < kMaxDigits; ++i) {
        const uchar d = i + first < kMaxDigits ? digits[i + first] : 0;
        out[3 + i] = negative ? uchar(9 - d) : d;
    }
    return out;
}

} // namespace

namespace numeric_key {

QByteArray fromText(QByteArrayView text)
{
    return encode(parse(text));
}

QByteArray fromDouble(double value)
{
    if (!std::isfinite(value) || value == 0)
        return encode(Decimal{});
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed);
    if (result.ec != std::errc())
        return encode(Decimal{});
    return encode(parse(QByteArrayView(buffer.data(), result.ptr - buffer.data())));
}

double toDouble(QByteArrayView key)
{
    if (key.size() < kLength)
        return 0;
    double value = 0;
    for (int i = 0; i < kMaxDigits; ++i) {
        const int b = uchar(key[2 + i / 2]);
        value = value * 10 + std::min(i % 2 == 0 ? b >> 4 : b & 0x0F, 9);
    }
    value *= std::pow(10.0, int(uchar(key[0])) - kExponentBias - kMaxDigits);
    return (uchar(key[1]) & 0x80) ? -value : value;
}

int compare(QByteArrayView a, QByteArrayView b)
{
    const auto x = sortable(a);
    const auto y = sortable(b);
    const int c = std::memcmp(x.data(), y.data(), x.size());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QByteArray orderBytes(QByteArrayView key)
{
    const auto bytes = sortable(key);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace numeric_key

namespace date_key {

QByteArray fromJulianDay(double day)
{
    QByteArray key(kLength, '\0');
    qToLittleEndian(day, key.data());
    return key;
}

double toJulianDay(QByteArrayView key)
{
    if (key.size() < kLength)
        return 0;
    const double day = qFromLittleEndian<double>(key.data());
    return std::isnan(day) ? 0 : day;
}

int compare(QByteArrayView a, QByteArrayView b)
{
    const double x = toJulianDay(a);
    const double y = toJulianDay(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace date_key

} // namespace qal::db
