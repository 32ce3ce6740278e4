#pragma once

#include "CentralMailbox.h"
#include "MailDesk.h"

#include <QCommandLineParser>
#include <QThread>

#include <memory>

// The central office's mail, on its own thread so that the web services keep answering: every
// interval it reads its mailbox, answers each message as the desk says and deletes it. A
// message whose answers could not all be sent stays for the next round.
class MailRound
{
public:
    MailRound(MailAccount account, MailScenario scenario, QString recordDir, int intervalMs, StateStore &store);
    ~MailRound(); // stops the thread

    void start();

    // The command line's mail options: --mail-pop3 URL, --mail-user, --mail-password,
    // --mail-smtp URL, --mail-address, --mail-interval MS, --mail KEY=VALUE (see MailRules.h).
    static void addOptions(QCommandLineParser &parser);
    // The mail round those options ask for; null without --mail-pop3, or with the reason of a
    // malformed option in problem.
    static std::unique_ptr<MailRound> fromOptions(const QCommandLineParser &parser, const QString &scenarioFile,
                                                  const QString &recordDir, StateStore &store, QString &problem);

private:
    void run();
    void once();
    bool answer(const QByteArray &message);
    void record(const QString &line) const;

    CentralMailbox m_mailbox;
    MailScenario m_scenario;
    QString m_recordDir;
    int m_intervalMs;
    MailDesk m_desk;
    int m_serial = 0;
    std::unique_ptr<QThread> m_thread;
};
