#include "NumericKey.h"

#include <QtEndian>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <cstdint>

namespace qal::dbase {

namespace {

constexpr int kMaxDigits = 20;
constexpr int kExponentBias = 0x34;

// Sign, exponent and significant digits of a decimal number, without leading or trailing
// zeros; digits past the twentieth are dropped. Fixed storage: keys of whole tables are
// made from it, one record after another.
struct Decimal
{
    bool negative = false;
    int exponent = 0;
    int count = 0; // 0 for zero
    std::array<char, kMaxDigits> digits{}; // 0..9
};

void encode(const Decimal &d, char *key)
{
    std::memset(key, 0, numeric_key::kLength);
    if (d.count == 0) {
        key[0] = char(kExponentBias);
        key[1] = char(0x01);
        return;
    }
    const int exponent = std::clamp(d.exponent, -kExponentBias, 0x7F - kExponentBias);
    key[0] = char(kExponentBias + exponent);
    // dBASE writes a digit count of 10 for ordinary values; more digits say so.
    const int stated = std::min(std::max(d.count, 10), 31);
    key[1] = char((d.negative ? 0x80 : 0) | (stated << 2) | 0x01);
    for (int i = 0; i < d.count; ++i) {
        const int byte = 2 + i / 2;
        key[byte] = char(uchar(key[byte]) | (i % 2 == 0 ? d.digits[size_t(i)] << 4 : d.digits[size_t(i)]));
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
    // The significant digits run from the first non-zero one; only the first twenty are
    // kept, but all of them count for the exponent and the trailing zeros.
    int integerDigits = 0;   // before the point, leading zeros left out
    int leadingZeros = 0;    // after the point, before the first significant digit
    int significant = 0;
    int lastNonZero = -1;
    const auto take = [&](char c) {
        if (significant < kMaxDigits)
            d.digits[size_t(significant)] = char(c - '0');
        if (c != '0')
            lastNonZero = significant;
        ++significant;
    };
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (significant == 0 && text[i] == '0')
            continue;
        take(text[i]);
        ++integerDigits;
    }
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            if (significant == 0 && text[i] == '0')
                ++leadingZeros;
            else
                take(text[i]);
        }
    }
    if (lastNonZero < 0)
        return Decimal{};
    d.exponent = integerDigits > 0 ? integerDigits : -leadingZeros;
    d.count = std::min(lastNonZero + 1, kMaxDigits);
    return d;
}

// The text numeric fields mostly hold: blanks, perhaps a minus sign, whole digits, perhaps
// blanks. Encoded as parse() and encode() would, in one pass; false for any other text.
bool writeWholeNumber(QByteArrayView text, char *key)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == ' ')
        ++from;
    while (to > from && text[to - 1] == ' ')
        --to;
    const bool negative = from < to && text[from] == '-';
    if (negative)
        ++from;
    while (from < to && text[from] == '0')
        ++from;
    const qsizetype digits = to - from;
    if (digits > kMaxDigits || !std::all_of(text.begin() + from, text.begin() + to, isDigit))
        return false;
    qsizetype last = to;
    while (last > from && text[last - 1] == '0')
        --last;
    Decimal d;
    if (last > from) {
        d.negative = negative;
        d.exponent = int(digits);
        d.count = int(last - from);
        for (int i = 0; i < d.count; ++i)
            d.digits[size_t(i)] = char(text[from + i] - '0');
    }
    encode(d, key);
    return true;
}

// The 20 digits of a stored key two to a byte, from its first significant digit (zeros
// after the last), and how many leading zero digits were skipped to get there; 20 for zero.
// Tolerant of any byte values: a nibble above 9 reads as 9.
int significantPairs(const uchar *bcd, uchar *pairs)
{
    // This program and dBASE write the first digit in the first nibble, all of them 0..9:
    // the pairs are the stored bytes.
    const bool plain = (bcd[0] >> 4) != 0
        && std::all_of(bcd, bcd + kMaxDigits / 2, [](uchar b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; });
    if (plain) {
        std::memcpy(pairs, bcd, kMaxDigits / 2);
        return 0;
    }
    std::array<uchar, kMaxDigits> digits{};
    for (int i = 0; i < kMaxDigits / 2; ++i) {
        digits[size_t(2 * i)] = std::min<uchar>(bcd[i] >> 4, 9);
        digits[size_t(2 * i + 1)] = std::min<uchar>(bcd[i] & 0x0F, 9);
    }
    const int first = int(std::find_if(digits.begin(), digits.end(), [](uchar d) { return d != 0; }) - digits.begin());
    std::rotate(digits.begin(), digits.begin() + first, digits.end());
    for (int i = 0; i < kMaxDigits; i += 2)
        pairs[i / 2] = uchar(digits[size_t(i)] << 4 | digits[size_t(i) + 1]);
    return first;
}

// A stored key as numeric_key::kOrderLength bytes at out that order like the value under
// memcmp: a sign class, then the exponent and the 20 digits two to a byte, both inverted for
// negative values. Index builds make one for every key, straight into their sort entries.
void writeSortable(QByteArrayView key, uchar *out)
{
    std::memset(out, 0, numeric_key::kOrderLength);
    out[0] = 1; // zero, whatever the sign bit says
    if (key.size() < numeric_key::kLength)
        return;
    uchar *pairs = out + 3;
    const int first = significantPairs(reinterpret_cast<const uchar *>(key.data()) + 2, pairs);
    if (first == kMaxDigits) // zero: the pairs are all 0 already
        return;
    const bool negative = (uchar(key[1]) & 0x80) != 0;
    // Leading zero digits (other writers) lower the exponent.
    const int exponent = int(uchar(key[0])) - first; // biased, within -20..255
    const int e = negative ? 0xFFFF - (exponent + 20) : exponent + 20;
    out[0] = negative ? 0 : 2;
    out[1] = uchar(e >> 8);
    out[2] = uchar(e & 0xFF);
    if (negative) {
        for (int i = 0; i < kMaxDigits / 2; ++i)
            pairs[i] = uchar(0x99 - pairs[i]);
    }
}

std::array<uchar, numeric_key::kOrderLength> sortable(QByteArrayView key)
{
    std::array<uchar, numeric_key::kOrderLength> out;
    writeSortable(key, out.data());
    return out;
}

} // namespace

namespace numeric_key {

QByteArray fromText(QByteArrayView text)
{
    QByteArray key(kLength, Qt::Uninitialized);
    writeFromText(text, key.data());
    return key;
}

void writeFromText(QByteArrayView text, char *key)
{
    if (!writeWholeNumber(text, key))
        encode(parse(text), key);
}

QByteArray fromDouble(double value)
{
    if (!std::isfinite(value) || value == 0)
        return fromText({});
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed);
    if (result.ec != std::errc())
        return fromText({});
    return fromText(QByteArrayView(buffer.data(), result.ptr - buffer.data()));
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

void writeOrderBytes(QByteArrayView key, uchar *out)
{
    writeSortable(key, out);
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

void writeOrderBytes(QByteArrayView key, uchar *out)
{
    double day = toJulianDay(key);
    if (day == 0)
        day = 0; // -0 sorts with 0
    // IEEE bits in big-endian order: flipping every bit of a negative value and only the
    // sign of a positive one makes them order like the values.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &day, sizeof bits);
    bits = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t(1) << 63);
    qToBigEndian(bits, out);
}

} // namespace date_key

} // namespace qal::dbase
