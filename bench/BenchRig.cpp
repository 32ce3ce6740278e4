#include "BenchRig.h"

#include "data/PasswordProtection.h"
#include "core/ProgramFolder.h"
#include "data/Tdm.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>

#include <unistd.h>

#include <cstdio>

using namespace qal;

namespace benchrig {

namespace {

QString rigScript()
{
    return QStringLiteral(QAL_SOURCE_DIR "/tests/mailrig/fixture.sh");
}

} // namespace

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

double readDeleteCurl(const Rig &rig, int messages)
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
    for (int i = 0; i < messages; ++i) {
        if (runCurl(args) != 0)
            return -1;
    }
    return seconds(t);
}

} // namespace benchrig
