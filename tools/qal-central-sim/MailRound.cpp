#include "MailRound.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cstdio>

MailRound::MailRound(MailAccount account, MailScenario scenario, QString recordDir, int intervalMs, StateStore &store)
    : m_mailbox(std::move(account)), m_scenario(std::move(scenario)), m_recordDir(std::move(recordDir)),
      m_intervalMs(std::max(50, intervalMs)), m_desk(store)
{
}

MailRound::~MailRound()
{
    if (m_thread) {
        m_thread->requestInterruption();
        m_thread->wait();
    }
}

void MailRound::addOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {"mail-pop3", "The central mailbox to answer, pop3://HOST:PORT.", "URL"},
        {"mail-user", "Its POP3 user.", "USER", "central"},
        {"mail-password", "Its POP3 password.", "PASSWORD", "central"},
        {"mail-smtp", "Where the answers are sent, smtp://HOST:PORT.", "URL"},
        {"mail-address", "The central office's address.", "ADDRESS", "qal.central@central.gob.ar"},
        {"mail-interval", "Milliseconds between readings of the mailbox.", "MS", "2000"},
        {"mail", "How requests by mail are answered, KEY=VALUE (repeatable).", "SETTING"},
    });
}

std::unique_ptr<MailRound> MailRound::fromOptions(const QCommandLineParser &parser, const QString &scenarioFile,
                                                  const QString &recordDir, StateStore &store, QString &problem)
{
    if (!parser.isSet(QStringLiteral("mail-pop3")))
        return nullptr;
    MailAccount account {parser.value(QStringLiteral("mail-pop3")), parser.value(QStringLiteral("mail-user")),
                         parser.value(QStringLiteral("mail-password")), parser.value(QStringLiteral("mail-smtp")),
                         parser.value(QStringLiteral("mail-address"))};
    if (!account.configured()) {
        problem = QStringLiteral("--mail-pop3 needs --mail-smtp");
        return nullptr;
    }
    MailScenario scenario;
    scenario.setFile(scenarioFile);
    for (const QString &s : parser.values(QStringLiteral("mail")))
        if (!scenario.addSetting(s, problem))
            return nullptr;
    bool ok = false;
    const int interval = parser.value(QStringLiteral("mail-interval")).toInt(&ok);
    if (!ok) {
        problem = QStringLiteral("--mail-interval must be a number of milliseconds");
        return nullptr;
    }
    return std::make_unique<MailRound>(std::move(account), std::move(scenario), recordDir, interval, store);
}

void MailRound::start()
{
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->start();
}

void MailRound::run()
{
    while (!QThread::currentThread()->isInterruptionRequested()) {
        once();
        for (int waited = 0; waited < m_intervalMs && !QThread::currentThread()->isInterruptionRequested(); waited += 50)
            QThread::msleep(50);
    }
}

void MailRound::once()
{
    QString problem;
    if (!m_mailbox.read([this](const QByteArray &message) { return answer(message); }, problem))
        std::fprintf(stderr, "qal-central-sim: mail: %s\n", qPrintable(problem));
}

bool MailRound::answer(const QByteArray &message)
{
    MailRequest request;
    QString problem;
    if (!readMailRequest(message, request, problem)) {
        record(QStringLiteral("-\t-\t") + problem);
        return true; // not a message: nothing to answer, nothing to keep
    }
    const MailDesk::Outcome outcome = m_desk.handle(request, m_scenario.rules());
    for (const AnswerMessage &a : outcome.answers) {
        const QByteArray bytes = mimeMessage(m_mailbox.account().address, a, QDateTime::currentDateTime(), ++m_serial);
        if (!m_mailbox.send({a.to}, bytes, problem)) {
            record(request.subject + QLatin1Char('\t') + request.from + QStringLiteral("\tno enviado: ") + problem);
            return false;
        }
    }
    record(request.subject + QLatin1Char('\t') + request.from + QLatin1Char('\t') + outcome.note);
    return true;
}

// One line of correo.log: time, subject, sender, what was done.
void MailRound::record(const QString &line) const
{
    if (m_recordDir.isEmpty())
        return;
    QDir().mkpath(m_recordDir);
    QFile log(QDir(m_recordDir).filePath(QStringLiteral("correo.log")));
    if (log.open(QIODevice::Append))
        log.write((QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char('\t') + line + u'\n').toUtf8());
}
