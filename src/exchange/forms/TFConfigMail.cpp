#include "TFConfigMail.h"

#include "ui_TFConfigMail.h"

#include "exchange/TSMime.h"

#include "core/Dialogs.h"
#include "data/SettingsCatalogue.h"
#include "data/Tdm.h"
#include "ui/FieldTextFilter.h"

namespace qal::exchange {

namespace {

int portOr(const QString &text, int fallback)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok ? port : fallback;
}

} // namespace

TFConfigMail::TFConfigMail(TSMime &smime, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TFConfigMail>())
    , m_smime(smime)
{
    m_ui->setupUi(this);
    // The account's values are kept in the settings table: typed as its value field takes text.
    for (QLineEdit *e : {m_ui->POPServer, m_ui->POPPort, m_ui->Account, m_ui->Email, m_ui->SMTPServer, m_ui->SMTPPort,
                         m_ui->SMTPAccount, m_ui->edEmailForward})
        ui::filterAsField(e, SettingDef {}.maxLength);
    for (QLineEdit *e : {m_ui->Password, m_ui->SMTPPassword})
        ui::filterAsField(e, SettingDef {}.maxLength)->setSecret(true);
    // Only simple login exists on the SMTP side, and only these hidden controls set it.
    m_ui->lbAuthenticationType->hide();
    m_ui->cboAuthenticationType->hide();
    m_ui->lbSMTPAccount->hide();
    m_ui->SMTPAccount->hide();
    m_ui->lbSMTPPassword->hide();
    m_ui->SMTPPassword->hide();
    connect(m_ui->btAceptar, &QPushButton::clicked, this, &TFConfigMail::btAceptarClick);
    connect(m_ui->btCancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->chkbOutlook, &QCheckBox::clicked, this, &TFConfigMail::chkbOutlookClick);
}

TFConfigMail::~TFConfigMail() = default;

void TFConfigMail::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFConfigMail::FormShow()
{
    const TdmMail &mail = m_smime.dmMail();
    m_ui->POPServer->setText(mail.POP3Server);
    m_ui->POPPort->setText(QString::number(mail.POP3Port));
    m_ui->Account->setText(mail.POP3User);
    m_ui->Password->setText(mail.POP3Password);
    m_ui->Email->setText(mail.UserEmail);
    m_ui->SMTPServer->setText(mail.SMTPServer);
    m_ui->SMTPPort->setText(QString::number(mail.SMTPPort));
    m_ui->cboAuthenticationType->setCurrentIndex(mail.SMTPAuthentication == 1 ? 1 : 0);
    m_ui->SMTPAccount->setText(mail.SMTPUser);
    m_ui->SMTPPassword->setText(mail.SMTPPassword);
    m_ui->edEmailForward->setText(mail.EmailFwd);
    m_ui->chkbOutlook->setChecked(m_smime.usaOutlook);
    m_ui->cbWebService->setChecked(m_smime.usaWebService);
    m_ui->cbWaitFinish->setChecked(m_smime.esperarFin);
    chkbOutlookClick();
}

void TFConfigMail::chkbOutlookClick()
{
    m_ui->pcSetupMail->setVisible(!m_ui->chkbOutlook->isChecked());
}

void TFConfigMail::btAceptarClick()
{
    Tdm &dm = m_smime.datos();
    m_smime.usaWebService = m_ui->cbWebService->isChecked();
    m_smime.esperarFin = m_ui->cbWaitFinish->isChecked();
    dm.GrabarParametro(QStringLiteral("envWebService"), flagText(m_smime.usaWebService));
    m_smime.usaOutlook = m_ui->chkbOutlook->isChecked();
    dm.GrabarParametro(QStringLiteral("usaOutlook"), flagText(m_smime.usaOutlook));
    if (!m_smime.usaOutlook) {
        TdmMail &mail = m_smime.dmMail();
        mail.POP3Server = m_ui->POPServer->text();
        mail.POP3Port = portOr(m_ui->POPPort->text(), 110);
        mail.POP3User = m_ui->Account->text();
        mail.POP3Password = m_ui->Password->text();
        mail.UserEmail = m_ui->Email->text();
        mail.SMTPServer = m_ui->SMTPServer->text();
        mail.SMTPPort = portOr(m_ui->SMTPPort->text(), 25);
        mail.SMTPAuthentication = m_ui->cboAuthenticationType->currentIndex();
        mail.SMTPUser = m_ui->SMTPAccount->text();
        mail.SMTPPassword = m_ui->SMTPPassword->text();
        mail.EmailFwd = m_ui->edEmailForward->text();
        QString error;
        if (!mail.GrabarConfigCorreo(m_smime.esperarFin, &error))
            Dialogs::error(error);
    }
    accept();
}

} // namespace qal::exchange
