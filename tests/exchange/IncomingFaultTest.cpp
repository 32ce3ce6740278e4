// Reception when the server misbehaves: a connection cut in the middle of a message, a
// mailbox that changes between reading and deleting, a deletion the server refuses.
#include "exchange/IncomingFixture.h"

#include "exchange/Pop3Session.h"

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

using IncomingFaults = IncomingFixture;
using M = MensajesCentral;

// A POP3 server holding one message. RETR sends only part of it and drops the connection
// (cutRetr), or DELE is answered but never committed (QUIT leaves the message: keepOnQuit).
class FakePop3
{
public:
    explicit FakePop3(QByteArray message)
        : m_message(std::move(message))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(m_listen, 8);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len);
        port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakePop3()
    {
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_thread.join();
    }
    int port = 0;
    std::atomic<bool> cutRetr {true};
    std::atomic<bool> keepOnQuit {false};
    std::atomic<int> deles {0};
    std::atomic<int> retrs {0};

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
        bool deleted = false;
        const QByteArray size = QByteArray::number(m_message.size());
        const QByteArray head = m_message.left(m_message.indexOf("\r\n\r\n") + 4);
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
                const bool present = !m_gone;
                if (line.startsWith("CAPA"))
                    say(c, "+OK\r\nUSER\r\nUIDL\r\nTOP\r\n.\r\n");
                else if (line == "STAT")
                    say(c, present ? "+OK 1 " + size + "\r\n" : QByteArray("+OK 0 0\r\n"));
                else if (line == "UIDL")
                    say(c, present ? QByteArray("+OK\r\n1 uid-1\r\n.\r\n") : QByteArray("+OK\r\n.\r\n"));
                else if (line.startsWith("UIDL "))
                    say(c, "+OK 1 uid-1\r\n");
                else if (line.startsWith("LIST "))
                    say(c, "+OK 1 " + size + "\r\n");
                else if (line.startsWith("TOP "))
                    say(c, "+OK\r\n" + head + ".\r\n");
                else if (line.startsWith("RETR")) {
                    ++retrs;
                    if (cutRetr) {
                        say(c, "+OK\r\n" + m_message.left(m_message.size() / 2));
                        return; // the connection drops in the middle of the message
                    }
                    say(c, "+OK\r\n" + m_message + ".\r\n");
                } else if (line.startsWith("DELE")) {
                    ++deles;
                    deleted = true;
                    say(c, "+OK\r\n");
                } else if (line.startsWith("QUIT")) {
                    if (deleted && !keepOnQuit)
                        m_gone = true;
                    say(c, "+OK bye\r\n");
                    return;
                } else
                    say(c, "+OK\r\n");
            }
        }
    }
    QByteArray m_message;
    std::atomic<bool> m_gone {false};
    int m_listen = -1;
    std::thread m_thread;
};

TEST_F(IncomingFaults, AConnectionCutDuringTheMessageAppliesAndDeletesNothing)
{
    const qlonglong n = request();
    FakePop3 server(M::contestacion(QStringLiteral("CONTESTACION OFICIAL"), n, kReg, 5, QByteArray(20000, 'x')));
    setting("pop3Port", QString::number(server.port));
    setting("mailCAFile", QString());
    newTransport();
    EXPECT_FALSE(run());
    EXPECT_EQ(counters().noProcesados, 1);
    EXPECT_GE(server.retrs.load(), 1);
    EXPECT_EQ(server.deles.load(), 0);
    EXPECT_EQ(state(false, n), "E");
    EXPECT_FALSE(exists(QStringLiteral("c%1.%2").arg(n).arg(kReg)));
    EXPECT_FALSE(exists("resp.dat"));
    EXPECT_FALSE(exists("resp.tif"));
    ASSERT_EQ(counters().fallos.size(), 1);
    EXPECT_TRUE(counters().fallos[0].contains(QStringLiteral("No se pudo guardar adjuntos en disco:")))
        << counters().fallos[0].toStdString();
}

TEST_F(IncomingFaults, ADeletionTheServerDoesNotCommitIsRetriedAFewTimesAndNeverReapplied)
{
    const qlonglong n = request();
    FakePop3 server(M::confirmacion(n, kReg, 5));
    server.cutRetr = false;
    server.keepOnQuit = true;
    setting("pop3Port", QString::number(server.port));
    setting("mailCAFile", QString());
    newTransport();
    EXPECT_FALSE(run());
    EXPECT_EQ(state(false, n), "T");
    EXPECT_EQ(counters().procesados, 0);
    EXPECT_EQ(counters().noProcesados, 1);
    ASSERT_EQ(counters().fallos.size(), 1);
    EXPECT_TRUE(counters().fallos[0].contains(QStringLiteral("el servidor no confirmó la eliminación")))
        << counters().fallos[0].toStdString();
    EXPECT_EQ(server.retrs.load(), 1);
    EXPECT_EQ(avisos.lineas.size(), 2); // the confirmation and the error

    // Later runs only try the deletion again, a few times, then leave the message alone.
    for (int tick = 0; tick < 5; ++tick)
        EXPECT_FALSE(run());
    EXPECT_EQ(server.retrs.load(), 1);
    EXPECT_EQ(server.deles.load(), 1 + TSMimeReg::kMaxBorradosFallidos - 1);
    EXPECT_EQ(avisos.lineas.filter(QStringLiteral("Recibido y en Trámite")).size(), 1);

    // A new start: the message is read again, recognised as applied, and nothing repeats.
    server.keepOnQuit = false;
    newTransport();
    EXPECT_TRUE(run());
    EXPECT_EQ(counters().procesados, 1);
    EXPECT_EQ(avisos.lineas.filter(QStringLiteral("Recibido y en Trámite")).size(), 1);
}

TEST_F(IncomingFaults, AMessageNumberThatNamesAnotherMessageIsNotDeleted)
{
    rig.inject(M::desconocido(QStringLiteral("primero")));
    rig.inject(M::desconocido(QStringLiteral("segundo")));
    QString uidl, error;
    THeaderMsg header;
    TdmMail &m = smime->dmMail();
    int total = 0;
    ASSERT_TRUE(m.GetTotMsgInbox(&total, &error));
    ASSERT_TRUE(m.GetHeadMail(1, &header, &error));
    ASSERT_TRUE(m.GetUIDL(1, &uidl, &error)) << error.toStdString();
    EXPECT_EQ(header.Subject, "primero");
    m.Disconnect(); // the session is lost; meanwhile someone else takes message 1 away
    {
        Pop3Session other(m.pop3Server());
        ASSERT_TRUE(other.dele(1, &error));
    }
    EXPECT_FALSE(m.DeleteMail(1, uidl, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error DeleteMail: el mensaje 1 del servidor ya no es el que se procesó")))
        << error.toStdString();
    EXPECT_EQ(rig.messageCount(), 1) << "the second message is still there";
}

} // namespace
