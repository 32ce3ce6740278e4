#pragma once

#include <QList>
#include <QString>

namespace qal::dbase {

// One field of a .DBF as declared in its header.
struct FieldDescriptor
{
    QString name;      // upper case as stored, at most 10 characters
    char type = 'C';   // C N F D L M B G
    int length = 0;    // bytes in the record
    int decimals = 0;
    int offset = 0;    // of the field's first byte within the record (byte 0 is the deleted flag)
};

using FieldList = QList<FieldDescriptor>;

// A dBASE field name holds at most 10 characters. Longer names used by the program
// ("C_PAGO_DOMIC") are stored cut to 10 and still found by their full name.
constexpr int kMaxFieldNameLength = 10;

inline QString storedFieldName(const QString &name)
{
    return name.left(kMaxFieldNameLength).toUpper();
}

// Index of the field named name (ignoring case) or -1.
inline int fieldIndex(const FieldList &fields, const QString &name)
{
    const QString stored = storedFieldName(name);
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(stored, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace qal::dbase
