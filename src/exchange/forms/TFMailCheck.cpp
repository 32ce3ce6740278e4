#include "TFMailCheck.h"

#include "ui_TFMailCheck.h"

#include "exchange/MailCheck.h"

namespace qal::exchange {

TFMailCheck::TFMailCheck(TdmMail &mail, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TFMailCheck>())
    , m_mail(mail)
{
    m_ui->setupUi(this);
    connect(m_ui->btCerrar, &QPushButton::clicked, this, &QDialog::close);
}

TFMailCheck::~TFMailCheck() = default;

void TFMailCheck::Chequear()
{
    show();
    m_ui->MChequeo->clear();
    ChequearCuentaCorreo(m_mail, [this](const QString &line) { m_ui->MChequeo->appendPlainText(line); });
}

} // namespace qal::exchange
