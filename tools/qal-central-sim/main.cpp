// qal-central-sim: the central office's web services on 127.0.0.1.
//
//   qal-central-sim [--port N] [--namespace URI] [--message-path PATH] [--scenario FILE]
//                   [--set OPERATION.KEY=VALUE]... [--record DIR] [--attachments DIR]
//                   [--states FILE] [--watch-stdin]
//                   [--mail-pop3 URL --mail-smtp URL [--mail KEY=VALUE]...]
//
// Prints "listening on http://127.0.0.1:PORT" once it accepts connections. See Scenario.h for
// the answers a scenario can give (values, faults, delays, garbage, oversized answers), and
// StatePages.h for the web pages of request states and the monthly report, and StateStore.h
// for the office's own data they answer from.
#include "CentralOffice.h"
#include "LoopbackMain.h"
#include "MailRound.h"

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The central office's web services on loopback."));
    parser.addHelpOption();
    const QCommandLineOption ns("namespace", "Namespace of the services.", "URI", "http://tempuri.org/");
    const QCommandLineOption messagePath("message-path", "Path of the message service.", "PATH",
                                         QString::fromUtf16(kDefaultMessagePath));
    const QCommandLineOption scenario("scenario", "JSON scenario file, read for every request.", "FILE");
    const QCommandLineOption set("set", "An answer setting, OPERATION.KEY=VALUE (repeatable).", "SETTING");
    const QCommandLineOption record("record", "Folder for requests.log and each request's body.", "DIR");
    const QCommandLineOption attachments("attachments", "Folder for the attachments of SendMessage.", "DIR");
    const QCommandLineOption states("states", "JSON file of the office's own data (StateStore.h): read for every "
                                            "question, rewritten when the mail desk answers.", "FILE");
    parser.addOptions({ns, messagePath, scenario, set, record, attachments, states});
    loopback::addOptions(parser);
    MailRound::addOptions(parser);
    parser.process(app);

    CentralOffice::Options options;
    options.ns = parser.value(ns);
    options.messagePath = parser.value(messagePath);
    options.recordDir = parser.value(record);
    options.attachmentsDir = parser.value(attachments);
    Scenario answers;
    answers.setFile(parser.value(scenario));
    for (const QString &s : parser.values(set)) {
        QString problem;
        if (!answers.addSetting(s, problem)) {
            std::fprintf(stderr, "qal-central-sim: %s\n", qPrintable(problem));
            return 2;
        }
    }
    // one store of the office's own data, for the pages, the slips and the mail desk
    StateStore store(parser.value(states));
    QString mailProblem;
    const std::unique_ptr<MailRound> mail =
        MailRound::fromOptions(parser, parser.value(scenario), parser.value(record), store, mailProblem);
    if (!mailProblem.isEmpty()) {
        std::fprintf(stderr, "qal-central-sim: %s\n", qPrintable(mailProblem));
        return 2;
    }
    CentralOffice office(options, answers, store);
    const quint16 listening = office.listen(loopback::port(parser));
    if (!listening)
        return loopback::cannotListen("qal-central-sim", parser);
    if (mail)
        mail->start();
    return loopback::run(app, parser, listening);
}
