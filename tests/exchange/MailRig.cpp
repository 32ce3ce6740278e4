#include "exchange/MailRig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>

#include <pwd.h>
#include <unistd.h>

namespace qal::test {

MailRig MailRig::fromEnvironment()
{
    MailRig rig;
    rig.dir = qEnvironmentVariable("MAILRIG_DIR");
    QFile env(rig.dir + QStringLiteral("/env"));
    if (rig.dir.isEmpty() || !env.open(QIODevice::ReadOnly))
        return rig;
    for (const QByteArray &raw : env.readAll().split('\n')) {
        const QByteArray line = raw.trimmed().mid(raw.startsWith("export ") ? 7 : 0);
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1));
        if (key == "MAILRIG_HOST") rig.host = value;
        else if (key == "MAILRIG_SMTP_PORT") rig.smtpPort = value.toInt();
        else if (key == "MAILRIG_SMTPS_PORT") rig.smtpsPort = value.toInt();
        else if (key == "MAILRIG_POP3_PORT") rig.pop3Port = value.toInt();
        else if (key == "MAILRIG_POP3S_PORT") rig.pop3sPort = value.toInt();
        else if (key == "MAILRIG_USER") rig.user = value;
        else if (key == "MAILRIG_PASS") rig.password = value;
        else if (key == "MAILRIG_MAILDIR") rig.maildir = value;
        else if (key == "MAILRIG_SENT") rig.sent = value;
        else if (key == "MAILRIG_CA") rig.ca = value;
        else if (key == "MAILRIG_CENTRAL") rig.central = value;
        else if (key == "MAILRIG_CENTRAL_USER") rig.centralUser = value;
        else if (key == "MAILRIG_CENTRAL_PASS") rig.centralPassword = value;
    }
    return rig;
}

namespace {

void removeFiles(const QString &folder)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files))
        dir.remove(name);
}

QList<QByteArray> filesWithSuffix(const QString &folder, const QString &suffix)
{
    QList<QByteArray> result;
    QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*") + suffix}, QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo &info : files) {
        QFile f(info.filePath());
        if (f.open(QIODevice::ReadOnly))
            result << f.readAll();
    }
    return result;
}

} // namespace

void MailRig::clear() const
{
    removeFiles(maildir + QStringLiteral("/new"));
    removeFiles(maildir + QStringLiteral("/cur"));
    removeFiles(sent);
}

void MailRig::inject(const QByteArray &message) const
{
    // Maildir names start with the delivery time, which orders the mailbox.
    static int counter = 0;
    const qint64 usecs = QDateTime::currentMSecsSinceEpoch() * 1000;
    const QString name = QStringLiteral("%1.M%2P%3Q%4.qaltest")
                             .arg(usecs / 1000000)
                             .arg(usecs % 1000000)
                             .arg(::getpid())
                             .arg(++counter);
    const QString temporary = maildir + QStringLiteral("/tmp/") + name;
    QFile f(temporary);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(message);
    f.close();
    // Dovecot reads the mailbox as the rig's mail user (nobody).
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody || ::chown(QFile::encodeName(temporary).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
        return;
    QFile::rename(temporary, maildir + QStringLiteral("/new/") + name);
}

int MailRig::messageCount() const
{
    return QDir(maildir + QStringLiteral("/new")).entryList(QDir::Files).size()
        + QDir(maildir + QStringLiteral("/cur")).entryList(QDir::Files).size();
}

QList<QByteArray> MailRig::sentMessages() const
{
    return filesWithSuffix(sent, QStringLiteral(".eml"));
}

QList<QByteArray> MailRig::sentEnvelopes() const
{
    return filesWithSuffix(sent, QStringLiteral(".json"));
}

} // namespace qal::test
