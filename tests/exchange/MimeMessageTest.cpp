// Writing messages for SMTP and reading received ones, without a server.
#include "exchange/OutgoingMail.h"
#include "exchange/ReceivedMessage.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qal::exchange;

namespace {

bool everyLineEndsInCrLf(const MailBytes &bytes)
{
    const QByteArray b = bytes.toByteArray();
    for (qsizetype i = 0; i < b.size(); ++i) {
        if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r'))
            return false;
        if (b[i] == '\r' && (i + 1 == b.size() || b[i + 1] != '\n'))
            return false;
    }
    return true;
}

QString headerLines(const QByteArray &message)
{
    return QString::fromLatin1(message.left(message.indexOf("\r\n\r\n")));
}

TEST(MimeMessage, LineBreaksInASubjectNeverStartAHeader)
{
    OutgoingMail mail;
    mail.from = QStringLiteral("regional@qal.test");
    mail.to = QStringLiteral("central@qal.test");
    mail.subject = QStringLiteral("Hola\r\nBcc: intruso@x.test\nX-Otro: 1");
    mail.body = QStringLiteral("x");
    EncodedMail out;
    QString error;
    ASSERT_TRUE(encodeMail(mail, &out, &error)) << error.toStdString();
    const QString headers = headerLines(out.bytes.toByteArray());
    EXPECT_FALSE(headers.contains(QStringLiteral("\r\nBcc:")));
    EXPECT_FALSE(headers.contains(QStringLiteral("\r\nX-Otro:")));
    EXPECT_EQ(out.recipients, QStringList {QStringLiteral("central@qal.test")});
    const auto back = ReceivedMessage::parse(std::move(out.bytes));
    EXPECT_EQ(back->subject(), QStringLiteral("Hola  Bcc: intruso@x.test X-Otro: 1"));
}

TEST(MimeMessage, LongAndAccentedBodiesAreWrittenWithCrLfAndReadBackAlike)
{
    QTemporaryDir dir;
    QFile att(dir.filePath(QStringLiteral("a.txt")));
    ASSERT_TRUE(att.open(QIODevice::WriteOnly));
    att.write(QByteArray("uno\ndos\rtres\r\n").repeated(500));
    att.close();
    OutgoingMail mail;
    mail.from = QStringLiteral("Oficina <regional@qal.test>");
    mail.to = QStringLiteral("a@qal.test, b@qal.test");
    mail.body = QStringLiteral("Año ").repeated(400) + QStringLiteral("\nfin");
    mail.attachmentPaths = {att.fileName()};
    EncodedMail out;
    QString error;
    ASSERT_TRUE(encodeMail(mail, &out, &error)) << error.toStdString();
    EXPECT_TRUE(everyLineEndsInCrLf(out.bytes));
    EXPECT_EQ(out.sender, QStringLiteral("regional@qal.test"));
    EXPECT_EQ(out.recipients.size(), 2);
    const auto back = ReceivedMessage::parse(std::move(out.bytes));
    EXPECT_EQ(back->bodyLines(), mail.body.split(QLatin1Char('\n')));
    ASSERT_EQ(back->attachments().size(), 1);
    EXPECT_EQ(back->partBytes(back->attachments()[0].index), QByteArray("uno\ndos\rtres\r\n").repeated(500));
}

TEST(MimeMessage, AMissingAttachmentOrRecipientFailsTheMessage)
{
    OutgoingMail mail;
    mail.from = QStringLiteral("regional@qal.test");
    mail.to = QStringLiteral("central@qal.test");
    mail.attachmentPaths = {QStringLiteral("/no/existe.zip")};
    EncodedMail out;
    QString error;
    EXPECT_FALSE(encodeMail(mail, &out, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("/no/existe.zip")));
    mail.attachmentPaths.clear();
    mail.to.clear();
    EXPECT_FALSE(encodeMail(mail, &out, &error));
}

TEST(MimeMessage, EightBitHeadersAreReadAsWindows1252)
{
    auto message = ReceivedMessage::parse(MailBytes::fromByteArray(
        "From: \"P\xe9rez\" <p@qal.test>\r\nSubject: Contestaci\xf3n \xd1" "and\xfa\r\n\r\nx\r\n"));
    EXPECT_EQ(message->subject(), QStringLiteral("Contestación Ñandú"));
    EXPECT_TRUE(message->from().contains(QStringLiteral("Pérez")));
    EXPECT_EQ(message->fromAddress(), QStringLiteral("p@qal.test"));
}

TEST(MimeMessage, BrokenMimeStillGivesWhatCanBeRead)
{
    const char *broken[] = {
        "",
        "no header at all",
        "Subject: a\r\nContent-Type: multipart/mixed; boundary=q\r\n\r\n--q\r\nContent-Type: text/plain\r\n\r\nopen",
        "Subject: b\r\nContent-Type: multipart/mixed\r\n\r\n--x\r\n\r\nno boundary parameter\r\n",
        "Subject: c\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n@@@!!!\r\n",
        "Subject: d\r\nContent-Type: text/plain; charset=x-nada\r\nContent-Transfer-Encoding: x-raro\r\n\r\nz\r\n",
    };
    for (const char *text : broken) {
        auto message = ReceivedMessage::parse(MailBytes::fromByteArray(QByteArray(text)));
        (void)message->bodyLines();
        for (const MimePartInfo &p : message->parts())
            (void)message->partBytes(p.index);
        EXPECT_GE(message->priority(), 1) << text;
    }
}

TEST(MimeMessage, ForwardingARawMessageWithStrayLineEndsSendsOnlyCrLf)
{
    QFile reproducer(QStringLiteral(QAL_SOURCE_DIR "/tests/fuzz/crashes/fuzz_mime-bare-line-end.eml"));
    ASSERT_TRUE(reproducer.open(QIODevice::ReadOnly));
    EncodedMail out;
    QString error;
    ASSERT_TRUE(encodeForward(MailBytes::fromByteArray(reproducer.readAll()), QStringLiteral(" (R)"),
                              QStringLiteral("f@qal.test"), QStringLiteral("yo@qal.test"), &out, &error));
    EXPECT_TRUE(everyLineEndsInCrLf(out.bytes));
    EXPECT_EQ(out.sender, QStringLiteral("yo@qal.test")) << "no From: the office's own address";
}

} // namespace
