#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFConfigMail;
}

namespace qal::exchange {

class TSMime;

// "Configuración de envío": the transport choice and the POP3/SMTP account.
class TFConfigMail : public QDialog
{
    Q_OBJECT

public:
    explicit TFConfigMail(TSMime &smime, QWidget *parent = nullptr);
    ~TFConfigMail() override;

    // Fills the controls from the mail module and the transport selector.
    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void btAceptarClick();
    void chkbOutlookClick();

    std::unique_ptr<Ui::TFConfigMail> m_ui;
    TSMime &m_smime;
};

} // namespace qal::exchange
