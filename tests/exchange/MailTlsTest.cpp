// TLS to the mail servers: STARTTLS when offered, implicit TLS, and certificates checked.
#include "exchange/MailFixture.h"

#include <QTemporaryDir>

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

using MailTls = MailFixture;

// A certificate authority of its own, which did not sign the rig's servers.
QString otherCa(const QTemporaryDir &dir)
{
    const QString ca = dir.filePath(QStringLiteral("otra-ca.pem"));
    const QString command = QStringLiteral("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                                           "-days 1 -subj /CN=otra -keyout %1/k.pem -out %2 2>/dev/null")
                                .arg(dir.path(), ca);
    return std::system(command.toLocal8Bit().constData()) == 0 ? ca : QString();
}

TEST_F(MailTls, Pop3sIsReadWithTheCaFile)
{
    send(QStringLiteral("seguro"));
    mail->POP3Server = QStringLiteral("pop3s://") + rig.host;
    mail->POP3Port = rig.pop3sPort;
    ASSERT_EQ(count(), 1);
    THeaderMsg header;
    QString error;
    ASSERT_TRUE(mail->GetHeadMail(1, &header, &error)) << error.toStdString();
    EXPECT_EQ(header.Subject, QStringLiteral("seguro"));
}

TEST_F(MailTls, SmtpsSendsWithTheCaFile)
{
    mail->SMTPServer = QStringLiteral("smtps://") + rig.host;
    mail->SMTPPort = rig.smtpsPort;
    send(QStringLiteral("por smtps"));
    EXPECT_TRUE(rig.sentEnvelopes().value(0).contains("\"tls\": true"));
}

TEST_F(MailTls, AServerCertificateNoTrustedCaSignedIsRefused)
{
    QTemporaryDir tmp;
    const QString other = otherCa(tmp);
    ASSERT_FALSE(other.isEmpty());
    QString error;
    // Implicit TLS against the system's CAs alone.
    mail->CAFile.clear();
    mail->POP3Server = QStringLiteral("pop3s://") + rig.host;
    mail->POP3Port = rig.pop3sPort;
    EXPECT_FALSE(mail->ConnectPOP3(&error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error ConnectPOP3: "))) << error.toStdString();
    // STARTTLS is used when offered, so a wrong CA file fails the plain ports too.
    mail->CAFile = other;
    mail->POP3Server = rig.host;
    mail->POP3Port = rig.pop3Port;
    EXPECT_FALSE(mail->ConnectPOP3(&error));
    THeaderMsg header;
    header.To = QStringLiteral("central@qal.test");
    QStringList body {QStringLiteral("x")};
    EXPECT_FALSE(mail->SendMail(header, body, &error));
    EXPECT_TRUE(rig.sentMessages().isEmpty());
    mail->CAFile = rig.ca;
    EXPECT_TRUE(mail->ConnectPOP3(&error)) << error.toStdString();
}

} // namespace
