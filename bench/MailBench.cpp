// Mail transport against the curl command line, on a mail rig of its own (tests/mailrig):
//   - 200 messages of 50 KB sent through SendMail, one connection each (STARTTLS, CA checked),
//     against 200 curl runs that send the same file the same way;
//   - 200 messages read and deleted through GetMail + DeleteMail (one connection each:
//     LIST, RETR, DELE, QUIT), against one curl run doing LIST, RETR and DELE per connection;
//   - peak memory while sending, and while reading and saving, a 20 MB message, each in a
//     process of its own (bench_mail --memory send|read FOLDER).
#include "exchange/TdmMail.h"

#include "core/ProgramFolder.h"
#include "data/PasswordProtection.h"
#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"

#include "QuickRun.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>

using namespace qal;
using namespace qal::exchange;

namespace {

// a quick run sends and reads three messages and measures the memory on a 1 MB one
const int kMessages = bench::quickRun() ? 3 : 200;
constexpr int kMessageBytes = 50 * 1024;
const qsizetype kBigBytes = (bench::quickRun() ? 1 : 20) * 1024 * 1024;

struct Rig
{
    QString dir, host, ca, user, password, maildir;
    int smtp = 0, pop3 = 0;
};

QString rigScript()
{
    return QStringLiteral(QAL_SOURCE_DIR "/tests/mailrig/fixture.sh");
}

bool startRig(Rig &rig)
{
    rig.dir = QStringLiteral("/tmp/qalrig-bench-%1").arg(QCoreApplication::applicationPid());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MAILRIG_DIR"), rig.dir);
    p.setProcessEnvironment(env);
    p.start(rigScript(), {QStringLiteral("start")});
    p.waitForFinished(60000);
    if (p.exitCode() != 0) {
        std::fprintf(stderr, "mail rig did not start: %s\n", p.readAllStandardError().constData());
        return false;
    }
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> kv = line.mid(7).split('=');
        if (kv.size() != 2)
            continue;
        const QString v = QString::fromUtf8(kv[1]);
        if (kv[0] == "MAILRIG_HOST") rig.host = v;
        else if (kv[0] == "MAILRIG_SMTP_PORT") rig.smtp = v.toInt();
        else if (kv[0] == "MAILRIG_POP3_PORT") rig.pop3 = v.toInt();
        else if (kv[0] == "MAILRIG_CA") rig.ca = v;
        else if (kv[0] == "MAILRIG_USER") rig.user = v;
        else if (kv[0] == "MAILRIG_PASS") rig.password = v;
        else if (kv[0] == "MAILRIG_MAILDIR") rig.maildir = v;
    }
    return rig.pop3 > 0;
}

void stopRig(const Rig &rig)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MAILRIG_DIR"), rig.dir);
    p.setProcessEnvironment(env);
    p.start(rigScript(), {QStringLiteral("stop")});
    p.waitForFinished(60000);
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->generate(reinterpret_cast<quint32 *>(bytes.data()),
                                         reinterpret_cast<quint32 *>(bytes.data()) + size / 4);
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

void clearMailbox(const Rig &rig)
{
    for (const char *sub : {"/new", "/cur"}) {
        QDir d(rig.maildir + QLatin1String(sub));
        for (const QString &n : d.entryList(QDir::Files))
            d.remove(n);
    }
}

// A program folder whose account is the rig's.
void configure(Tdm &dm, const Rig &rig)
{
    const QList<QPair<QString, QString>> settings {
        {QStringLiteral("pop3Name"), rig.host}, {QStringLiteral("pop3Port"), QString::number(rig.pop3)},
        {QStringLiteral("pop3User"), rig.user}, {QStringLiteral("pop3PwdE"), ComplementarClave(rig.password)},
        {QStringLiteral("smtpName"), rig.host}, {QStringLiteral("smtpPort"), QString::number(rig.smtp)},
        {QStringLiteral("userEmail"), QStringLiteral("regional@qal.test")}, {QStringLiteral("mailCAFile"), rig.ca},
    };
    for (const auto &[k, v] : settings)
        dm.GrabarParametro(k, v);
}

bool openFolder(const QString &folder, Tdm &dm)
{
    ProgramFolder::setPath(folder);
    dm.amb.open();
    if (dm.amb.hasProductionIndex())
        dm.amb.setIndexField(QStringLiteral("C_AMB"));
    return true;
}

double seconds(const QElapsedTimer &t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

int runCurl(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral("curl"), args);
    p.waitForFinished(-1);
    return p.exitCode();
}

int mailboxCount(const Rig &rig)
{
    return QDir(rig.maildir + QStringLiteral("/new")).entryList(QDir::Files).size()
        + QDir(rig.maildir + QStringLiteral("/cur")).entryList(QDir::Files).size();
}

void waitForMailbox(const Rig &rig, int n)
{
    for (int i = 0; i < 200 && mailboxCount(rig) < n; ++i)
        usleep(10000);
}

double sendOurs(TdmMail &mail, const QString &file)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kMessages; ++i) {
        THeaderMsg h;
        h.To = QStringLiteral("central@qal.test");
        h.Subject = QStringLiteral("PEDIDO OFICIAL %1").arg(i);
        QStringList body {QStringLiteral("Pedido.")};
        QString error;
        if (!mail.SendMail(h, body, &error, {file})) {
            std::fprintf(stderr, "SendMail: %s\n", qPrintable(error));
            return -1;
        }
    }
    return seconds(t);
}

double sendCurl(const Rig &rig, const QString &eml)
{
    const QString url = QStringLiteral("smtp://%1:%2/bench.example").arg(rig.host).arg(rig.smtp);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kMessages; ++i) {
        if (runCurl({QStringLiteral("-s"), QStringLiteral("--ssl"), QStringLiteral("--cacert"), rig.ca,
                     QStringLiteral("--url"), url, QStringLiteral("--mail-from"), QStringLiteral("regional@qal.test"),
                     QStringLiteral("--mail-rcpt"), QStringLiteral("central@qal.test"), QStringLiteral("-T"), eml})
            != 0)
            return -1;
    }
    return seconds(t);
}

double readDeleteOurs(TdmMail &mail)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kMessages; ++i) {
        QStringList body;
        QList<AttachmentRow> attachments;
        QString error;
        if (!mail.GetMail(1, &body, &attachments, &error) || attachments.size() != 1 || !mail.DeleteMail(1, &error)) {
            std::fprintf(stderr, "GetMail/DeleteMail: %s\n", qPrintable(error));
            return -1;
        }
    }
    return seconds(t);
}

double readDeleteCurl(const Rig &rig)
{
    const QString base = QStringLiteral("pop3://%1:%2/").arg(rig.host).arg(rig.pop3);
    const QString login = rig.user + QLatin1Char(':') + rig.password;
    const QStringList common {QStringLiteral("-s"), QStringLiteral("--ssl"), QStringLiteral("--cacert"), rig.ca,
                              QStringLiteral("-u"), login};
    // one curl run per message: LIST 1, RETR 1 and DELE 1 over one connection, QUIT at exit
    QStringList args;
    args << common << QStringLiteral("-X") << QStringLiteral("LIST 1") << QStringLiteral("-I") << base
         << QStringLiteral("--next") << common << QStringLiteral("-o") << QStringLiteral("/dev/null")
         << base + QStringLiteral("1") << QStringLiteral("--next") << common << QStringLiteral("-X")
         << QStringLiteral("DELE 1") << QStringLiteral("-I") << base;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kMessages; ++i) {
        if (runCurl(args) != 0)
            return -1;
    }
    return seconds(t);
}

long maxRssKb()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// One 20 MB operation in this process; prints the peak memory it added, in bytes.
int memoryMode(const QString &what, const QString &folder)
{
    Tdm dm;
    openFolder(folder, dm);
    TdmMail mail(dm);
    const QString big = QDir(folder).filePath(QStringLiteral("grande.tif"));
    const long before = maxRssKb();
    QString error;
    bool ok = false;
    if (what == QLatin1String("send")) {
        THeaderMsg h;
        h.To = QStringLiteral("central@qal.test");
        QStringList body {QStringLiteral("x")};
        ok = mail.SendMail(h, body, &error, {big});
    } else {
        QTemporaryDir out;
        ok = mail.SaveAllAttachToPath(1, out.path(), &error);
    }
    if (!ok) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%ld\n", (maxRssKb() - before) * 1024);
    return 0;
}

qint64 memoryOf(const QString &what, const QString &folder)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), what, folder});
    p.waitForFinished(-1);
    return p.exitCode() == 0 ? p.readAllStandardOutput().trimmed().toLongLong() : -1;
}

void report(const char *what, double ours, double curl)
{
    std::printf("%-52s ours %6.2f s   curl %6.2f s   ratio %.2f %s\n", what, ours, curl, ours / curl,
                ours <= 1.5 * curl ? "(<= 1.5: ok)" : "(> 1.5: TOO SLOW)");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--memory"))
        return memoryMode(args[2], args[3]);

    Rig rig;
    if (!startRig(rig))
        return 1;
    QTemporaryDir folder;
    createProgramFolder(folder.path());
    Tdm dm;
    openFolder(folder.path(), dm);
    configure(dm, rig);
    TdmMail mail(dm);

    // the same 50 KB file for both sides; curl sends the message our module wrote for it
    const QString file = folder.filePath(QStringLiteral("huella.zip"));
    writeFile(file, randomBytes(kMessageBytes));

    clearMailbox(rig);
    const double oursSend = sendOurs(mail, file);
    waitForMailbox(rig, kMessages);
    const double oursRead = readDeleteOurs(mail);

    clearMailbox(rig);
    {
        THeaderMsg h;
        h.To = QStringLiteral("central@qal.test");
        QStringList body {QStringLiteral("x")};
        QString error;
        mail.SendMail(h, body, &error, {file});
    }
    waitForMailbox(rig, 1);
    QDir cur(rig.maildir + QStringLiteral("/new"));
    const QString eml = folder.filePath(QStringLiteral("m.eml"));
    {
        QFile f(cur.filePath(cur.entryList(QDir::Files).value(0)));
        f.open(QIODevice::ReadOnly);
        QByteArray bytes = f.readAll();
        bytes.replace("\r\n", "\n").replace("\n", "\r\n");
        writeFile(eml, bytes);
    }
    clearMailbox(rig);
    const double curlSend = sendCurl(rig, eml);
    waitForMailbox(rig, kMessages);
    const double curlRead = readDeleteCurl(rig);
    const int left = mailboxCount(rig);

    std::printf("mail rig: Dovecot + aiosmtpd on 127.0.0.1, STARTTLS with the rig's CA checked\n");
    const QByteArray send = QStringLiteral("send %1 x 50 KB, one connection each").arg(kMessages).toUtf8();
    const QByteArray read = QStringLiteral("read + delete %1 x 50 KB, one connection each").arg(kMessages).toUtf8();
    report(send.constData(), oursSend, curlSend);
    report(read.constData(), oursRead, curlRead);
    if (left != 0)
        std::printf("warning: %d messages left after curl's deletions\n", left);

    // the big message (20 MB): one in the mailbox, each operation in a fresh process
    clearMailbox(rig);
    writeFile(folder.filePath(QStringLiteral("grande.tif")), randomBytes(kBigBytes));
    const qint64 sendPeak = memoryOf(QStringLiteral("send"), folder.path());
    waitForMailbox(rig, 1);
    const qint64 readPeak = memoryOf(QStringLiteral("read"), folder.path());
    std::printf("%d MB message: peak memory added  send %.1f MB (%.2fx)   read+save %.1f MB (%.2fx)\n",
                int(kBigBytes / 1048576), sendPeak / 1048576.0, double(sendPeak) / kBigBytes, readPeak / 1048576.0, double(readPeak) / kBigBytes);
    stopRig(rig);
    return 0;
}
