#pragma once

#include "core/Dialogs.h"

class QWidget;

namespace qal {

// The real dialogs: the only code of the program that builds message boxes, input boxes
// file choosers and print dialogs. Installed by the program's entry.
class QtDialogs final : public Dialogs
{
public:
    DialogButton ask(const DialogMessage &message) override;
    std::optional<QString> input(const DialogInput &request) override;
    QString openFileName(const DialogFile &request) override;
    QString saveFileName(const DialogFile &request) override;
    bool choosePrinter(DialogPrinter &request) override;

private:
    static QWidget *parentWindow();
};

} // namespace qal
