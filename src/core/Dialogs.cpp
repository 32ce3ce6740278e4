#include "Dialogs.h"

#include <QTextStream>

#include <atomic>
#include <cstdio>

namespace qal {
namespace {

class ConsoleDialogs final : public Dialogs
{
public:
    DialogButton ask(const DialogMessage &m) override
    {
        QTextStream err(stderr);
        err << m.title << ": " << QString(m.text).replace(QLatin1Char('\r'), QLatin1Char('\n'))
            << Qt::endl;
        // The cancelling choice: the last of No/Cancel/Abort offered, else the first button.
        for (DialogButton b : {DialogButton::Cancel, DialogButton::No, DialogButton::Abort}) {
            if (m.buttons.contains(b))
                return b;
        }
        return m.buttons.isEmpty() ? DialogButton::Ok : m.buttons.front();
    }
    std::optional<QString> input(const DialogInput &) override { return std::nullopt; }
    QString openFileName(const DialogFile &) override { return {}; }
    QString saveFileName(const DialogFile &) override { return {}; }
};

ConsoleDialogs g_console;
std::atomic<Dialogs *> g_current {nullptr};

} // namespace

Dialogs &Dialogs::instance()
{
    Dialogs *d = g_current.load();
    return d ? *d : g_console;
}

Dialogs *Dialogs::install(Dialogs *dialogs)
{
    return g_current.exchange(dialogs);
}

QString Dialogs::applicationTitle()
{
    return QStringLiteral("QAL - Regional");
}

void Dialogs::information(const QString &text, const QString &title)
{
    instance().ask({DialogIcon::Information, title.isEmpty() ? applicationTitle() : title, text,
                    {DialogButton::Ok}, DialogButton::Ok});
}

void Dialogs::warning(const QString &text, const QString &title)
{
    instance().ask({DialogIcon::Warning, title, text, {DialogButton::Ok}, DialogButton::Ok});
}

void Dialogs::error(const QString &text, const QString &title)
{
    instance().ask({DialogIcon::Error, title, text, {DialogButton::Ok}, DialogButton::Ok});
}

bool Dialogs::confirm(const QString &text, const QString &title, DialogButton defaultButton)
{
    return instance().ask({DialogIcon::Question, title, text,
                           {DialogButton::Yes, DialogButton::No}, defaultButton})
        == DialogButton::Yes;
}

} // namespace qal
