#include "ui/QtDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qal;

namespace {

// Runs `act` on the modal window the dialog shows, once it is up; the dialog call itself
// blocks in its own event loop meanwhile.
void whenShown(const std::function<void(QWidget &)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(*modal);
    });
    poll->start();
}

QStringList captions(QWidget &window)
{
    QStringList texts;
    for (const QPushButton *b : window.findChildren<QPushButton *>())
        texts << b->text();
    texts.sort();
    return texts;
}

QPushButton *button(QWidget &window, const QString &text)
{
    for (QPushButton *b : window.findChildren<QPushButton *>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

} // namespace

TEST(RealDialogs, TheInputBoxSpeaksSpanishAndGivesBackWhatWasTypedOrNothing)
{
    QtDialogs dialogs;
    const DialogInput request {QStringLiteral("Reenvío de mensaje"), QStringLiteral("Ingrese email del destinatario:"),
                               QStringLiteral("reenvios@qal.test")};
    QStringList shown;
    QString proposed, title, label;
    whenShown([&](QWidget &box) {
        shown = captions(box);
        title = box.windowTitle();
        label = box.findChild<QLabel *>()->text();
        QLineEdit *edit = box.findChild<QLineEdit *>();
        proposed = edit->text();
        edit->setText(QStringLiteral("otro@qal.test"));
        button(box, QStringLiteral("Aceptar"))->click();
    });
    EXPECT_EQ(dialogs.input(request), std::optional<QString>(QStringLiteral("otro@qal.test")));
    EXPECT_EQ(shown, QStringList({"Aceptar", "Cancelar"}));
    EXPECT_EQ(title, request.title);
    EXPECT_EQ(label, request.label);
    EXPECT_EQ(proposed, request.initial);

    whenShown([&](QWidget &box) { button(box, QStringLiteral("Cancelar"))->click(); });
    EXPECT_EQ(dialogs.input(request), std::nullopt);
}
