// What the mail module does when servers go away, cut a transfer, or send odd messages.
#include "exchange/MailFixture.h"

#include "exchange/Pop3Session.h"

#include "data/ActivityLog.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

using MailFailures = MailFixture;

// A loopback port where nothing listens (taken from the system, then let go).
int deadPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

// A POP3 server for one session that announces a 5000-byte message and closes the
// connection after 1000 bytes of it. It notes whether a DELE ever arrived.
class CuttingPop3Server
{
public:
    CuttingPop3Server()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(m_listen, 4);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len);
        port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~CuttingPop3Server()
    {
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_thread.join();
    }
    int port = 0;
    std::atomic<bool> sawDele {false};

private:
    void serve()
    {
        for (;;) {
            const int c = ::accept(m_listen, nullptr, nullptr);
            if (c < 0)
                return;
            session(c);
            ::close(c);
        }
    }
    void say(int c, const QByteArray &text) { (void)::write(c, text.constData(), size_t(text.size())); }
    void session(int c)
    {
        say(c, "+OK ready\r\n");
        QByteArray pending;
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(c, buf, sizeof buf);
            if (n <= 0)
                return;
            pending.append(buf, n);
            qsizetype eol;
            while ((eol = pending.indexOf("\r\n")) >= 0) {
                const QByteArray line = pending.left(eol).toUpper();
                pending.remove(0, eol + 2);
                if (line.startsWith("CAPA"))
                    say(c, "+OK\r\nUSER\r\n.\r\n");
                else if (line.startsWith("LIST"))
                    say(c, "+OK 1 5000\r\n");
                else if (line.startsWith("STAT"))
                    say(c, "+OK 1 5000\r\n");
                else if (line.startsWith("RETR")) {
                    say(c, "+OK\r\n" + QByteArray("Subject: x\r\n\r\n") + QByteArray(1000, 'a'));
                    return; // the connection drops in the middle of the message
                } else if (line.startsWith("DELE")) {
                    sawDele = true;
                    say(c, "+OK\r\n");
                } else if (line.startsWith("QUIT")) {
                    say(c, "+OK bye\r\n");
                    return;
                } else
                    say(c, "+OK\r\n");
            }
        }
    }
    int m_listen = -1;
    std::thread m_thread;
};

TEST_F(MailFailures, AServerThatIsDownGivesPrefixedErrors)
{
    mail->POP3Port = deadPort();
    mail->SMTPPort = deadPort();
    QString error;
    int n = 0;
    EXPECT_FALSE(mail->ConnectPOP3(&error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error ConnectPOP3: "))) << error.toStdString();
    EXPECT_FALSE(mail->GetTotMsgInbox(&n, &error));
    EXPECT_EQ(n, -1);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error GetTotMsgInbox: "))) << error.toStdString();
    QList<InboxHeaderRow> rows;
    EXPECT_FALSE(mail->GetInboxHeaders(&error, &rows));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error al conectarse al POP3: Error ConnectPOP3: ")));
    THeaderMsg header;
    header.To = QStringLiteral("central@qal.test");
    QStringList body {QStringLiteral("x")};
    EXPECT_FALSE(mail->SendMail(header, body, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error SendMail: "))) << error.toStdString();
}

TEST_F(MailFailures, ARetrieveCutShortFailsAndDeletesNothing)
{
    CuttingPop3Server server;
    mail->POP3Port = server.port;
    mail->CAFile.clear();
    QString error;
    QStringList lines;
    QList<AttachmentRow> attachments;
    EXPECT_FALSE(mail->GetMail(1, &lines, &attachments, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("1000")) || error.contains(QStringLiteral("de 5000"))) << error.toStdString();
    EXPECT_FALSE(mail->SaveAllAttachToPath(1, dir.path(), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("ERROR SaveAllAttachToPath: Error RetrieveMail:1"))) << error.toStdString();
    EXPECT_FALSE(mail->ForwardMail(1, QStringLiteral("f@qal.test"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error ForwardMail: Error ForwardMail:1")));
    EXPECT_FALSE(mail->conectado()) << "a cut session is not used again";
    EXPECT_FALSE(server.sawDele);
}

TEST_F(MailFailures, DeletionIsCommittedOnlyAtQuit)
{
    send(QStringLiteral("uno"));
    send(QStringLiteral("dos"));
    ASSERT_EQ(rig.messageCount(), 2);
    {
        Pop3Session session(mail->pop3Server());
        QString reason;
        ASSERT_TRUE(session.dele(1, &reason)) << reason.toStdString();
        EXPECT_EQ(rig.messageCount(), 2) << "still there while the session is open";
    }
    EXPECT_EQ(rig.messageCount(), 1);
    QString error;
    ASSERT_EQ(count(), 1);
    THeaderMsg header;
    ASSERT_TRUE(mail->GetHeadMail(1, &header, &error));
    EXPECT_EQ(header.Subject, QStringLiteral("dos"));
    ASSERT_TRUE(mail->DeleteMail(1, &error)) << error.toStdString();
    EXPECT_FALSE(mail->conectado());
    EXPECT_EQ(rig.messageCount(), 0);
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(mail->DeleteMail(3, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error DeleteMail: Error Delete MsgIdx:3"))) << error.toStdString();
}

TEST_F(MailFailures, ATwentyMegabyteMessageTravelsWhole)
{
    const QByteArray big = writeRandomFile(QStringLiteral("grande.tif"), 20 * 1024 * 1024);
    QList<int> shown;
    QObject::connect(mail.get(), &TdmMail::transferencia, mail.get(), [&shown](bool, int p) { shown << p; });
    send(QStringLiteral("grande"), {QStringLiteral("grande.tif")});
    QTemporaryDir target;
    QString error;
    ASSERT_EQ(count(), 1);
    ASSERT_TRUE(mail->SaveAllAttachToPath(1, target.path(), &error)) << error.toStdString();
    EXPECT_TRUE(readFile(target.filePath(QStringLiteral("grande.tif"))) == big);
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown.contains(100)) << "the progress window sees the transfers end";
}

TEST_F(MailFailures, HostileAttachmentNamesStayInTheTargetFolder)
{
    rig.inject("From: x@qal.test\r\nSubject: CONTESTACION\r\nMIME-Version: 1.0\r\n"
               "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
               "--b\r\nContent-Type: text/plain\r\n\r\nhola\r\n"
               "--b\r\nContent-Disposition: attachment; filename=\"../../etc/passwd\"\r\n\r\nuno\r\n"
               "--b\r\nContent-Disposition: attachment; filename=\"..\\\\..\\\\x.ini\"\r\n\r\ndos\r\n"
               "--b\r\nContent-Disposition: attachment; filename=C:\\temp\\x.exe\r\n\r\ntres\r\n"
               "--b--\r\n");
    QTemporaryDir outer;
    QDir(outer.path()).mkpath(QStringLiteral("a/b"));
    const QString target = outer.filePath(QStringLiteral("a/b"));
    QString error;
    ASSERT_EQ(count(), 1);
    ASSERT_TRUE(mail->SaveAllAttachToPath(1, target, &error)) << error.toStdString();
    EXPECT_EQ(readFile(target + QStringLiteral("/passwd")), QByteArray("uno"));
    EXPECT_EQ(readFile(target + QStringLiteral("/x.ini")), QByteArray("dos"));
    EXPECT_EQ(readFile(target + QStringLiteral("/x.exe")), QByteArray("tres"));
    EXPECT_EQ(QDir(outer.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList {QStringLiteral("a")});
    EXPECT_EQ(QDir(outer.filePath(QStringLiteral("a"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList {QStringLiteral("b")});

    rig.clear();
    rig.inject("Subject: y\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
               "--b\r\nContent-Disposition: attachment; filename=\"..\"\r\n\r\nx\r\n--b--\r\n");
    ASSERT_EQ(count(), 1);
    EXPECT_FALSE(mail->SaveAllAttachToPath(1, target, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no válido"))) << error.toStdString();
}

TEST_F(MailFailures, InvalidMimeAndEightBitHeadersAreReadWithoutHarm)
{
    rig.inject("From: central@qal.test\r\nSubject: Contestaci\xf3n \xd1" "and\xfa\r\n"
               "Content-Type: multipart/mixed; boundary=\"nunca\"\r\n\r\n"
               "sin partes\r\n--otra\r\nContent-Transfer-Encoding: base64\r\n\r\n@@@\r\n");
    QString error;
    ASSERT_EQ(count(), 1);
    THeaderMsg header;
    ASSERT_TRUE(mail->GetHeadMail(1, &header, &error)) << error.toStdString();
    EXPECT_EQ(header.Subject, QStringLiteral("Contestación Ñandú"));
    QStringList lines;
    QList<AttachmentRow> attachments;
    EXPECT_TRUE(mail->GetMail(1, &lines, &attachments));
    EXPECT_TRUE(attachments.isEmpty());
    EXPECT_TRUE(mail->SaveAllAttachToPath(1, dir.path(), &error)) << error.toStdString();
}

TEST_F(MailFailures, OperationsAreLoggedWhenTheLogIsOn)
{
    mail->LogOpeMail = true;
    QFile::remove(activityLogPath());
    send(QStringLiteral("Registro"), {}, {QStringLiteral("Linea uno."), QStringLiteral("Linea dos.")});
    QStringList lines;
    QList<AttachmentRow> attachments;
    ASSERT_EQ(count(), 1);
    ASSERT_TRUE(mail->GetMail(1, &lines, &attachments));
    const QString log = QString::fromLatin1(readFile(activityLogPath()));
    EXPECT_TRUE(log.contains(QRegularExpression(
        QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d - To: central@qal.test - Tema: Registro - "
                       "SendMail Result: True - Tiempo: \\d+,\\d\\d seg - Texto: Linea uno Linea dos\\.\r$"),
        QRegularExpression::MultilineOption)))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral(" - From: regional@qal.test - Tema: Registro - MailIndex: 1 - GetMail Result: True \r\n")))
        << log.toStdString();
}

} // namespace
