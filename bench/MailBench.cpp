// Mail transport against the curl command line, on a mail rig of its own (tests/mailrig):
//   - 200 messages of 50 KB sent through SendMail, one connection each (STARTTLS, CA checked),
//     against 200 curl runs that send the same file the same way;
//   - 200 messages read and deleted through GetMail + DeleteMail (one connection each:
//     LIST, RETR, DELE, QUIT), against one curl run doing LIST, RETR and DELE per connection;
//   - peak memory while sending, and while reading and saving, a 20 MB message, each in a
//     process of its own (bench_mail --memory send|read FOLDER).
#include "BenchRig.h"

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
using namespace benchrig;

namespace {

// a quick run sends and reads three messages and measures the memory on a 1 MB one
const int kMessages = bench::quickRun() ? 3 : 200;
constexpr int kMessageBytes = 50 * 1024;
const qsizetype kBigBytes = (bench::quickRun() ? 1 : 20) * 1024 * 1024;

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
    const double curlRead = readDeleteCurl(rig, kMessages);
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
