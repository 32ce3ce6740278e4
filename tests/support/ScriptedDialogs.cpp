#include "ScriptedDialogs.h"

namespace qal::test {

ScriptedDialogs::ScriptedDialogs()
    : m_previous(Dialogs::install(this))
{
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::install(m_previous);
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const auto &m : m_shown)
        out << m.text;
    return out;
}

QStringList ScriptedDialogs::titles() const
{
    QStringList out;
    for (const auto &m : m_shown)
        out << m.title;
    return out;
}

QStringList ScriptedDialogs::problems() const
{
    QStringList out = m_problems;
    if (!m_answers.isEmpty())
        out << QStringLiteral("%1 scripted answer(s) unused").arg(m_answers.size());
    if (!m_inputs.isEmpty())
        out << QStringLiteral("%1 scripted input(s) unused").arg(m_inputs.size());
    if (!m_files.isEmpty())
        out << QStringLiteral("%1 scripted file name(s) unused").arg(m_files.size());
    if (!m_printers.isEmpty())
        out << QStringLiteral("%1 scripted print dialog(s) unused").arg(m_printers.size());
    return out;
}

DialogButton ScriptedDialogs::ask(const DialogMessage &message)
{
    m_shown << message;
    if (message.buttons.size() <= 1)
        return message.buttons.isEmpty() ? DialogButton::Ok : message.buttons.front();
    if (m_answers.isEmpty()) {
        m_problems << QStringLiteral("unanswered question: ") + message.text;
        for (DialogButton b : {DialogButton::Cancel, DialogButton::No, DialogButton::Abort}) {
            if (message.buttons.contains(b))
                return b;
        }
        return message.buttons.front();
    }
    const DialogButton b = m_answers.dequeue();
    if (!message.buttons.contains(b))
        m_problems << QStringLiteral("scripted answer not offered by: ") + message.text;
    return b;
}

std::optional<QString> ScriptedDialogs::input(const DialogInput &request)
{
    m_shown << DialogMessage {DialogIcon::Question, request.title, request.label, {}, DialogButton::Ok};
    if (m_inputs.isEmpty()) {
        m_problems << QStringLiteral("unanswered input: ") + request.label;
        return std::nullopt;
    }
    return m_inputs.dequeue();
}

QString ScriptedDialogs::openFileName(const DialogFile &request)
{
    if (m_files.isEmpty()) {
        m_problems << QStringLiteral("unanswered file choice: ") + request.title;
        return {};
    }
    return m_files.dequeue();
}

QString ScriptedDialogs::saveFileName(const DialogFile &request)
{
    return openFileName(request);
}

bool ScriptedDialogs::choosePrinter(DialogPrinter &request)
{
    m_printDialogs << request;
    if (m_printers.isEmpty()) {
        m_problems << QStringLiteral("unanswered print dialog: ") + request.title;
        return false;
    }
    const std::optional<DialogPrinter> choice = m_printers.dequeue();
    if (!choice)
        return false;
    request.printer = choice->printer;
    request.copies = choice->copies;
    request.outputFile = choice->outputFile;
    if (choice->fromPage > 0) {
        request.fromPage = choice->fromPage;
        request.toPage = choice->toPage;
    }
    request.textFile = choice->textFile;
    return true;
}

} // namespace qal::test
