#include "TFNewMail.h"

#include "ui_TFNewMail.h"

#include "exchange/TdmMail.h"

#include "core/Dialogs.h"

namespace qal::exchange {

TFNewMail::TFNewMail(TdmMail &mail, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TFNewMail>())
    , m_mail(mail)
{
    m_ui->setupUi(this);
    connect(m_ui->btAdjuntar, &QPushButton::clicked, this, &TFNewMail::btAdjuntarClick);
    connect(m_ui->btEnviar, &QPushButton::clicked, this, &TFNewMail::btEnviarClick);
    connect(m_ui->btCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

TFNewMail::~TFNewMail() = default;

void TFNewMail::showEvent(QShowEvent *event)
{
    m_ui->edA->clear();
    m_ui->edAsunto->clear();
    m_ui->edCC->clear();
    m_ui->edBCC->clear();
    m_ui->MemoMsg->clear();
    m_ui->MAdjuntos->clear();
    QDialog::showEvent(event);
}

void TFNewMail::btAdjuntarClick()
{
    const QString path = Dialogs::instance().openFileName({QStringLiteral("Adjuntar Archivo"), QString(), QString()});
    if (!path.isEmpty())
        m_ui->MAdjuntos->addItem(path);
}

void TFNewMail::btEnviarClick()
{
    THeaderMsg header;
    header.From = m_mail.UserEmail;
    header.To = m_ui->edA->text();
    header.Subject = m_ui->edAsunto->text();
    header.CC = m_ui->edCC->text();
    header.BCC = m_ui->edBCC->text();
    header.Priority = 1;
    QStringList body = m_ui->MemoMsg->toPlainText().split(QLatin1Char('\n'));
    QStringList attachments;
    for (int i = 0; i < m_ui->MAdjuntos->count(); ++i)
        attachments << m_ui->MAdjuntos->item(i)->text();
    QString error;
    if (m_mail.SendMail(header, body, &error, attachments))
        Dialogs::information(QStringLiteral("Mensaje enviado"));
    else
        Dialogs::error(QStringLiteral("Error al enviar mensaje: ") + error);
}

} // namespace qal::exchange
