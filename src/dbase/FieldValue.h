#pragma once

#include "FieldDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QVariant>

namespace qal::dbase {

// Conversion between a field's bytes in a record and the value the program sees.
//
//   C      QString, Windows-1252 on disk, trailing spaces dropped. A field of spaces only reads
//          as a null QVariant (as the BDE reports it), so "null or empty text" is one test.
//          Writing null or "" stores spaces.
//   N, F   qlonglong when the field has no decimals and holds a whole number, double
//          otherwise. Blank reads as null; null writes blanks.
//   D      QDate; blank (or a date that does not exist) reads as null.
//   L      bool: T t Y y are true, F f N n false; blank or '?' is null (written as a space).
//   M B G  not handled here: the record holds a block number of the memo file (MemoFile).
//
// Writing checks the type of the value and that it fits the declared width; a value that
// does not fit throws DatabaseError, nothing is truncated or rounded beyond the decimals.
namespace fieldvalue {

inline bool isMemo(const FieldDescriptor &field)
{
    return field.type == 'M' || field.type == 'B' || field.type == 'G';
}

// True for a value of any of Qt's integer or floating types.
bool isNumber(const QVariant &value);

QVariant decode(const FieldDescriptor &field, QByteArrayView bytes);
// The field's bytes (exactly field.length of them) for value.
QByteArray encode(const FieldDescriptor &field, const QVariant &value);

} // namespace fieldvalue
} // namespace qal::dbase
