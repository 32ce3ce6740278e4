#pragma once

// A mail rig of the benchmarks' own (tests/mailrig, needs root like the tests) and the
// helpers that time mail work against the curl command line.
#include <QByteArray>
#include <QString>
#include <QStringList>

class QElapsedTimer;

namespace qal {
class Tdm;
}

namespace benchrig {

struct Rig
{
    QString dir, host, ca, user, password, maildir;
    int smtp = 0, pop3 = 0;
};

bool startRig(Rig &rig);
void stopRig(const Rig &rig);
void clearMailbox(const Rig &rig);
int mailboxCount(const Rig &rig);
// Waits (up to two seconds) until the mailbox holds n messages.
void waitForMailbox(const Rig &rig, int n);
// A program folder's account pointed at the rig.
void configure(qal::Tdm &dm, const Rig &rig);
// Opens the parameter table of folder, made the program folder.
bool openFolder(const QString &folder, qal::Tdm &dm);

QByteArray randomBytes(qsizetype size);
void writeFile(const QString &path, const QByteArray &bytes);
double seconds(const QElapsedTimer &t);
// curl with args, its output thrown away; its exit status.
int runCurl(const QStringList &args);
// One curl run per message of the mailbox: LIST 1, RETR 1 and DELE 1 over one connection.
double readDeleteCurl(const Rig &rig, int messages);

} // namespace benchrig
