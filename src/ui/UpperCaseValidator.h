#pragma once

#include "FieldTextFilter.h"

#include <QValidator>

namespace qal::ui {

// What is typed into a plain edit turns to upper case, as names are stored, and to text a
// field can hold (one line of the tables' code page: cleanFieldText).
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        input = upperCaseFieldText(cleanFieldText(input).text);
        return Acceptable;
    }
};

} // namespace qal::ui
