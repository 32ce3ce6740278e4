#pragma once

#include <QValidator>

namespace qal::ui {

// What is typed into a plain edit turns to upper case, as names are stored.
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace qal::ui
