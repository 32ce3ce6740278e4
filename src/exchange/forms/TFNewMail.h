#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFNewMail;
}

namespace qal::exchange {

class TdmMail;

// "Nuevo mensaje": a free-form message with attachments, sent by SMTP from the office's
// own address.
class TFNewMail : public QDialog
{
    Q_OBJECT

public:
    explicit TFNewMail(TdmMail &mail, QWidget *parent = nullptr);
    ~TFNewMail() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void btAdjuntarClick();
    void btEnviarClick();

    std::unique_ptr<Ui::TFNewMail> m_ui;
    TdmMail &m_mail;
};

} // namespace qal::exchange
