#pragma once

#include "core/Dialogs.h"
#include "support/QtPrinters.h"

#include <QList>
#include <QQueue>
#include <QStringList>

namespace qal::test {

// Answers dialogs from a queue, records every box shown, and never blocks. Installed for
// its lifetime. A question with no scripted answer is a problem: it is answered with its
// cancelling choice and recorded, and the test should end with EXPECT_NO_DIALOG_PROBLEMS.
class ScriptedDialogs final : public Dialogs
{
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Queue answers, consumed in order by questions (boxes with more than one button).
    void answer(DialogButton button) { m_answers.enqueue(button); }
    void answerInput(std::optional<QString> text) { m_inputs.enqueue(std::move(text)); }
    void answerFile(const QString &path) { m_files.enqueue(path); }
    // A print dialog: the printer chosen, or nullopt to cancel it.
    void answerPrinter(std::optional<DialogPrinter> choice) { m_printers.enqueue(std::move(choice)); }

    const QList<DialogMessage> &shown() const { return m_shown; }
    QStringList texts() const;
    QStringList titles() const;
    QString lastText() const { return m_shown.isEmpty() ? QString() : m_shown.back().text; }
    void clear() { m_shown.clear(); }

    // Unanswered questions and answers left unused.
    QStringList problems() const;

    DialogButton ask(const DialogMessage &message) override;
    std::optional<QString> input(const DialogInput &request) override;
    QString openFileName(const DialogFile &request) override;
    QString saveFileName(const DialogFile &request) override;
    bool choosePrinter(DialogPrinter &request) override;
    // The print dialogs shown, as they were asked.
    const QList<DialogPrinter> &printDialogs() const { return m_printDialogs; }

private:
    Dialogs *m_previous = nullptr;
    QQueue<DialogButton> m_answers;
    QQueue<std::optional<QString>> m_inputs;
    QQueue<QString> m_files;
    QQueue<std::optional<DialogPrinter>> m_printers;
    QList<DialogPrinter> m_printDialogs;
    QList<DialogMessage> m_shown;
    QStringList m_problems;
};

} // namespace qal::test

#define EXPECT_NO_DIALOG_PROBLEMS(d) EXPECT_TRUE((d).problems().isEmpty()) << (d).problems().join(u'\n').toStdString()
