#pragma once

#include <QString>
#include <QVariant>

namespace qal::ui {

// What an operator typed into a control of a field, read as the field's value: the field's
// type letter ('D' date, 'N'/'F' number, others text) says how. Empty text is a null value.
struct TypedValue
{
    QVariant value;
    QString error; // why the text is no value of the field, as the operator is told; empty when it is

    bool ok() const { return error.isEmpty(); }
};

TypedValue valueOfTypedText(char fieldType, const QString &text);

// A date as typed: dd/MM/yyyy, with "/", "-", "." or no separators at all ("15031985"), days
// and months of one or two digits when separated, the year always of four.
TypedValue dateOfTypedText(const QString &text);

} // namespace qal::ui
