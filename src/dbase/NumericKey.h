#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace qal::dbase {

// The 12-byte decimal key of numeric index tags:
//   byte 0      0x34 + the decimal exponent (value = 0.d1d2d3... x 10^exponent, d1 != 0;
//               0x34 for zero, 0x37 for 100..999, 0x33 for 0.01..0.099)
//   byte 1      bit 7 the sign, bits 2-6 a digit count, bits 0-1 = 01
//   bytes 2-11  up to 20 packed BCD digits, most significant first, zero filled
// Readers use only the sign bit of byte 1: writers disagree on the digit count.
namespace numeric_key {

constexpr int kLength = 12;
constexpr int kOrderLength = 13;

// From decimal text as numeric fields hold it ("  -12.50"); blank or unreadable text is zero.
QByteArray fromText(QByteArrayView text);
// The same into kLength bytes at key, allocating nothing: index builds make one per record.
void writeFromText(QByteArrayView text, char *key);
QByteArray fromDouble(double value);
double toDouble(QByteArrayView key);
// Orders two keys by value: negative, zero or positive.
int compare(QByteArrayView a, QByteArrayView b);
// The key as kOrderLength bytes that order like its value under memcmp; for sorting many
// keys, where compare() would convert each key again at every comparison.
QByteArray orderBytes(QByteArrayView key);
void writeOrderBytes(QByteArrayView key, uchar *out);

} // namespace numeric_key

// The 8-byte key of date tags: a little-endian IEEE double holding the Julian day number
// (0 for a blank date).
namespace date_key {

constexpr int kLength = 8;
constexpr int kOrderLength = 8;

QByteArray fromJulianDay(double day);
double toJulianDay(QByteArrayView key);
int compare(QByteArrayView a, QByteArrayView b);
// kOrderLength bytes that order like the day under memcmp, equal exactly when compare() says so.
void writeOrderBytes(QByteArrayView key, uchar *out);

} // namespace date_key

} // namespace qal::dbase
