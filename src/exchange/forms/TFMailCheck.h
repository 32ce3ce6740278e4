#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFMailCheck;
}

namespace qal::exchange {

class TdmMail;

// "Chequeo de correo electrónico": tests the POP3 account, then sends the test message.
class TFMailCheck : public QDialog
{
    Q_OBJECT

public:
    explicit TFMailCheck(TdmMail &mail, QWidget *parent = nullptr);
    ~TFMailCheck() override;


    // Shows the window and runs the test, one line per step.
    void Chequear();

private:
    std::unique_ptr<Ui::TFMailCheck> m_ui;
    TdmMail &m_mail;
};

} // namespace qal::exchange
