// Sending through SMTP and reading back through POP3 from real servers on loopback.
#include "exchange/MailFixture.h"

#include <QDir>
#include <QTemporaryDir>

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

using RoundTrip = MailFixture;

TEST_F(RoundTrip, AttachmentsComeBackByteIdenticalWithTheirNamesAndTypes)
{
    const QByteArray zip = writeRandomFile(QStringLiteral("huella.zip"), 300 * 1024);
    const QByteArray tif = writeRandomFile(QStringLiteral("docu.tif"), 70 * 1024);
    const QByteArray dat = QByteArray("[Pedido]\r\nX_APE=MU\xd1OZ\r\n.\r\n..\r\nC_PED=12\r\n");
    writeFile(QStringLiteral("ped.dat"), dat);
    THeaderMsg header;
    header.To = QStringLiteral("central@qal.test");
    header.CC = QStringLiteral("copia@qal.test");
    header.BCC = QStringLiteral("oculto@qal.test");
    header.Subject = QStringLiteral("PEDIDO OFICIAL Nº 12");
    header.Priority = 1;
    QStringList body {QStringLiteral("Uno. Dos."), QStringLiteral("Tres.")};
    QString error;
    ASSERT_TRUE(mail->SendMail(header, body, &error,
                               {dir.file(QStringLiteral("ped.dat")), dir.file(QStringLiteral("huella.zip")),
                                dir.file(QStringLiteral("docu.tif"))}))
        << error.toStdString();
    // Only the first full stop of the whole body becomes a blank, also in the caller's lines.
    EXPECT_EQ(body, (QStringList {QStringLiteral("Uno  Dos."), QStringLiteral("Tres.")}));
    EXPECT_GT(mail->tamanoEnvio, zip.size());

    ASSERT_EQ(count(), 1);
    THeaderMsg read;
    ASSERT_TRUE(mail->GetHeadMail(1, &read, &error)) << error.toStdString();
    EXPECT_EQ(read.Subject, header.Subject);
    EXPECT_EQ(read.From, QStringLiteral("regional@qal.test"));
    EXPECT_EQ(read.Priority, 2); // sent as code 1 (high), read back plus one
    EXPECT_TRUE(read.CC.contains(QStringLiteral("copia@qal.test")));
    EXPECT_TRUE(read.BCC.isEmpty());
    EXPECT_FALSE(read.MsgId.isEmpty());

    QStringList lines;
    QList<AttachmentRow> attachments;
    ASSERT_TRUE(mail->GetMail(1, &lines, &attachments));
    EXPECT_EQ(lines, body);
    ASSERT_EQ(attachments.size(), 3);
    EXPECT_EQ(attachments[0].filename, QStringLiteral("ped.dat"));
    EXPECT_EQ(attachments[0].ContentType, QStringLiteral("application/octet-stream"));
    EXPECT_EQ(attachments[0].index, 1); // part 0 is the text
    EXPECT_EQ(attachments[1].filename, QStringLiteral("huella.zip"));
    EXPECT_EQ(attachments[1].ContentType, QStringLiteral("application/x-zip-compressed"));
    EXPECT_EQ(attachments[2].ContentType, QStringLiteral("image/tiff"));
    EXPECT_GT(mail->tamanoRecepcion, zip.size());

    QTemporaryDir target;
    ASSERT_TRUE(mail->SaveAllAttachToPath(1, target.path(), &error)) << error.toStdString();
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("ped.dat"))), dat);
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("huella.zip"))), zip);
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("docu.tif"))), tif);

    ASSERT_TRUE(mail->SaveAttachToFile(1, attachments[2].index, target.filePath(QStringLiteral("otra.tif")), &error))
        << error.toStdString();
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("otra.tif"))), tif);

    // Blind copies travel in the envelope only.
    const QList<QByteArray> envelopes = rig.sentEnvelopes();
    ASSERT_EQ(envelopes.size(), 1);
    EXPECT_TRUE(envelopes[0].contains("oculto@qal.test"));
    EXPECT_TRUE(envelopes[0].contains("copia@qal.test"));
    EXPECT_FALSE(rig.sentMessages().value(0).contains("oculto@qal.test"));
    EXPECT_TRUE(envelopes[0].contains("\"tls\": true")) << "STARTTLS was offered and must be used";
}

TEST_F(RoundTrip, SavingAgainReplacesAnExistingAttachment)
{
    const QByteArray first = writeRandomFile(QStringLiteral("resp.dat"), 1000);
    send(QStringLiteral("CONTESTACION"), {QStringLiteral("resp.dat")});
    QFile::remove(dir.file(QStringLiteral("resp.dat")));
    writeFile(QStringLiteral("resp.dat"), QByteArray(5000, 'x')); // a longer stale copy
    QString error;
    ASSERT_EQ(count(), 1);
    ASSERT_TRUE(mail->SaveAllAttachToPath(1, dir.path(), &error)) << error.toStdString();
    EXPECT_EQ(readFile(dir.file(QStringLiteral("resp.dat"))), first);
}

TEST_F(RoundTrip, AMessageThatIsOneFileIsSavedUnderItsDispositionName)
{
    rig.inject("From: central@qal.test\r\nSubject: CONTESTACION\r\nMIME-Version: 1.0\r\n"
               "Content-Type: application/octet-stream\r\n"
               "Content-Disposition: attachment; filename=\"resp.dat\"\r\n"
               "Content-Transfer-Encoding: base64\r\n\r\n"
               "W1BlZGlkb10NCkNfUEVEPTEyDQo=\r\n");
    rig.inject("From: central@qal.test\r\nSubject: Aviso\r\nContent-Type: multipart/alternative; boundary=b\r\n\r\n"
               "--b\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=\"no.dat\"\r\n\r\nx\r\n"
               "--b--\r\n");
    QString error;
    ASSERT_EQ(count(), 2);
    ASSERT_TRUE(mail->SaveAllAttachToPath(1, dir.path(), &error)) << error.toStdString();
    ASSERT_TRUE(mail->SaveAllAttachToPath(2, dir.path(), &error)) << error.toStdString();
    EXPECT_EQ(readFile(dir.file(QStringLiteral("resp.dat"))), QByteArray("[Pedido]\r\nC_PED=12\r\n"));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("no.dat")))) << "only multipart/mixed saves its parts";
}

TEST_F(RoundTrip, ForwardKeepsTheMessageAndSenderAndOnlyChangesSubjectAndRecipients)
{
    const QByteArray original = "From: Central <central@qal.test>\r\nTo: regional@qal.test\r\nCc: otro@qal.test\r\n"
                                "Subject: Desconocido\r\nMIME-Version: 1.0\r\n"
                                "Content-Type: multipart/mixed; boundary=\"zz\"\r\n\r\n"
                                "--zz\r\nContent-Type: text/plain\r\n\r\nTexto\r\n"
                                "--zz\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n"
                                "Content-Disposition: attachment; filename=\"a.bin\"\r\n"
                                "Content-Transfer-Encoding: base64\r\n\r\nAAECAwQF/w==\r\n--zz--\r\n";
    rig.inject(original);
    QString error;
    ASSERT_EQ(count(), 1);
    ASSERT_TRUE(mail->ForwardMail(1, QStringLiteral("reenvios@qal.test"), &error)) << error.toStdString();
    const QList<QByteArray> envelopes = rig.sentEnvelopes();
    ASSERT_EQ(envelopes.size(), 1);
    EXPECT_TRUE(envelopes[0].contains("\"mail_from\": \"central@qal.test\""));
    EXPECT_TRUE(envelopes[0].contains("reenvios@qal.test"));
    EXPECT_FALSE(envelopes[0].contains("otro@qal.test"));
    const QByteArray sent = rig.sentMessages().value(0);
    EXPECT_TRUE(sent.contains("Subject: Desconocido (REENVIO QAL REGIONAL)\r\n"));
    EXPECT_FALSE(sent.contains("otro@qal.test"));
    EXPECT_TRUE(sent.contains("AAECAwQF/w==")) << "the parts travel as they were";

    // The forwarded copy came back into the same mailbox: its attachment reads the same.
    ASSERT_EQ(count(), 2);
    QStringList lines;
    QList<AttachmentRow> attachments;
    ASSERT_TRUE(mail->GetMail(2, &lines, &attachments));
    ASSERT_EQ(attachments.size(), 1);
    ASSERT_TRUE(mail->SaveAttachToFile(2, attachments[0].index, dir.file(QStringLiteral("a.bin")), &error));
    EXPECT_EQ(readFile(dir.file(QStringLiteral("a.bin"))), QByteArray::fromHex("0001020304 05ff"));
}

TEST_F(RoundTrip, InboxHeadersListEveryMessage)
{
    send(QStringLiteral("Primero"));
    rig.inject("From: x@qal.test\r\nSubject: Segundo\r\nOrganization: QAL Central\r\nX-Priority: 5\r\n\r\nb\r\n");
    QString error;
    QList<InboxHeaderRow> rows;
    ASSERT_TRUE(mail->GetInboxHeaders(&error, &rows)) << error.toStdString();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].Index, 1);
    EXPECT_EQ(rows[0].Subject, QStringLiteral("Primero"));
    EXPECT_EQ(rows[0].Priority, 3);
    EXPECT_EQ(rows[1].Organization, QStringLiteral("QAL Central"));
    EXPECT_EQ(rows[1].Priority, 5);
    EXPECT_EQ(rows[1].UIDL, QStringLiteral("n/a"));
    EXPECT_GT(rows[1].Bytes, 40);
}

} // namespace
