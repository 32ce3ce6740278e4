// The mail windows, driven as an operator would.
#include "exchange/MailFixture.h"

#include "exchange/TSMimeReg.h"
#include "exchange/forms/TFConfigMail.h"
#include "exchange/forms/TFMailCheck.h"
#include "exchange/forms/TFNewMail.h"
#include "exchange/forms/TFRecEst.h"
#include "support/Controls.h"


#include <QApplication>
#include <QTest>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

using qal::test::child;

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

using MailWindows = MailFixture;

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}

TEST_F(MailWindows, ConfigurationStoresNonNumericPortsAsTheStandardOnes)
{
    setting("envWebService", QStringLiteral("N"));
    TSMimeReg smime(*dm, dir.path());
    TFConfigMail window(smime);
    window.show();
    EXPECT_EQ(child<QLineEdit>(window, "POPPort")->text(), QString::number(rig.pop3Port));
    EXPECT_FALSE(child<QCheckBox>(window, "cbWebService")->isChecked());
    EXPECT_TRUE(child<QComboBox>(window, "cboAuthenticationType")->isHidden());
    typeInto(child<QLineEdit>(window, "POPPort"), QStringLiteral("abc"));
    typeInto(child<QLineEdit>(window, "SMTPPort"), QStringLiteral("x25"));
    typeInto(child<QLineEdit>(window, "edEmailForward"), QStringLiteral("otro@qal.test"));
    child<QCheckBox>(window, "cbWaitFinish")->click();
    child<QCheckBox>(window, "cbWebService")->click();
    QTest::mouseClick(child<QPushButton>(window, "btAceptar"), Qt::LeftButton);
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("pop3Port")), QStringLiteral("110"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("smtpPort")), QStringLiteral("25"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("emailFwd")), QStringLiteral("otro@qal.test"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("envWebService")), QStringLiteral("S"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("waitFin")), QStringLiteral("N"));
    EXPECT_EQ(ComplementarClave(dm->LeerParametro(QStringLiteral("pop3PwdE"))), rig.password);
    EXPECT_TRUE(smime.usaWebService);
    EXPECT_EQ(smime.dmMail().POP3Port, 110);

    // Outlook hides the account and leaves it as it was.
    window.show();
    child<QCheckBox>(window, "chkbOutlook")->click();
    EXPECT_TRUE(child<QTabWidget>(window, "pcSetupMail")->isHidden());
    typeInto(child<QLineEdit>(window, "POPServer"), QStringLiteral("otro.servidor"));
    QTest::mouseClick(child<QPushButton>(window, "btAceptar"), Qt::LeftButton);
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("usaOutlook")), QStringLiteral("S"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("pop3Name")), rig.host);
}

TEST_F(MailWindows, TheAccountTestStopsAtARefusedPop3Server)
{
    TFMailCheck window(*mail);
    mail->POP3Port = 1;
    window.Chequear();
    const QStringList lines = child<QPlainTextEdit>(window, "MChequeo")->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Chequeando POP3.."));
    EXPECT_EQ(lines[1], QStringLiteral("Error al conectarse al POP3. Verifique configuración del POP3 y del correo"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Error ConnectPOP3: ")));
    EXPECT_TRUE(rig.sentMessages().isEmpty());

    mail->POP3Port = rig.pop3Port;
    window.Chequear();
    EXPECT_EQ(child<QPlainTextEdit>(window, "MChequeo")->toPlainText(),
              QStringLiteral("Chequeando POP3..\nVerificación exitosa\nChequeando SMTP..\nVerificación exitosa"));
    const QByteArray sent = rig.sentMessages().value(0);
    EXPECT_TRUE(sent.contains("Subject: Mensaje de Prueba sin uso del Outlook"));
    EXPECT_TRUE(sent.contains("To: regional@qal.test"));
}

TEST_F(MailWindows, ANewMessageGoesWithItsAttachmentsAndHighPriority)
{
    writeFile(QStringLiteral("nota.txt"), "hola");
    TFNewMail window(*mail);
    window.show();
    typeInto(child<QLineEdit>(window, "edA"), QStringLiteral("central@qal.test"));
    typeInto(child<QLineEdit>(window, "edAsunto"), QStringLiteral("Consulta"));
    child<QPlainTextEdit>(window, "MemoMsg")->setPlainText(QStringLiteral("Linea 1\nLinea 2"));
    dialogs.answerFile(dir.file(QStringLiteral("nota.txt")));
    QTest::mouseClick(child<QPushButton>(window, "btAdjuntar"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(window, "btEnviar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Mensaje enviado"));
    THeaderMsg header;
    QString error;
    ASSERT_EQ(count(), 1);
    ASSERT_TRUE(mail->GetHeadMail(1, &header, &error));
    EXPECT_EQ(header.Priority, 2);
    EXPECT_EQ(header.Subject, QStringLiteral("Consulta"));
    EXPECT_TRUE(rig.sentMessages().value(0).contains("filename=nota.txt"));

    window.hide();
    window.show();
    EXPECT_TRUE(child<QLineEdit>(window, "edA")->text().isEmpty()) << "opening clears the fields";
    EXPECT_EQ(child<QListWidget>(window, "MAdjuntos")->count(), 0);
    QTest::mouseClick(child<QPushButton>(window, "btEnviar"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Error al enviar mensaje: Error SendMail: ")));
}

TEST_F(MailWindows, TheProgressWindowFollowsATransferAndHidesAtItsEnd)
{
    writeRandomFile(QStringLiteral("grande.bin"), 3 * 1024 * 1024);
    TFRecEst window(*mail);
    QList<int> seen;
    QStringList titles;
    QObject::connect(mail.get(), &TdmMail::transferencia, &window, [&](bool, int p) {
        seen << p;
        titles << window.windowTitle();
    }, Qt::QueuedConnection);
    send(QStringLiteral("grande"), {QStringLiteral("grande.bin")});
    QApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Enviando Mensaje.."));
    EXPECT_EQ(child<QProgressBar>(window, "Prog")->value(), 100);
    EXPECT_GT(seen.size(), 2) << "progress is reported during the transfer";
    QStringList lines;
    QList<AttachmentRow> attachments;
    ASSERT_EQ(count(), 1);
    ASSERT_TRUE(mail->GetMail(1, &lines, &attachments));
    QApplication::processEvents();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Recibiendo Mensaje..."));
    EXPECT_FALSE(window.isVisible());
}

} // namespace
