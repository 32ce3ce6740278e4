// qal-central-sim: the central office's web services on 127.0.0.1.
//
//   qal-central-sim [--port N] [--namespace URI] [--message-path PATH] [--scenario FILE]
//                   [--set OPERATION.KEY=VALUE]... [--record DIR] [--attachments DIR]
//                   [--states FILE] [--watch-stdin]
//                   [--mail-pop3 URL --mail-smtp URL [--mail KEY=VALUE]...]
//
// Prints "listening on http://127.0.0.1:PORT" once it accepts connections. See Scenario.h for
// the answers a scenario can give (values, faults, delays, garbage, oversized answers), and
// StatePages.h for the web pages of request states and the monthly report.
#include "CentralOffice.h"
#include "MailRound.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The central office's web services on loopback."));
    parser.addHelpOption();
    const QCommandLineOption port("port", "Port on 127.0.0.1 (0: any free port).", "N", "0");
    const QCommandLineOption ns("namespace", "Namespace of the services.", "URI", "http://tempuri.org/");
    const QCommandLineOption messagePath("message-path", "Path of the message service.", "PATH",
                                         QString::fromUtf16(kDefaultMessagePath));
    const QCommandLineOption scenario("scenario", "JSON scenario file, read for every request.", "FILE");
    const QCommandLineOption set("set", "An answer setting, OPERATION.KEY=VALUE (repeatable).", "SETTING");
    const QCommandLineOption record("record", "Folder for requests.log and each request's body.", "DIR");
    const QCommandLineOption attachments("attachments", "Folder for the attachments of SendMessage.", "DIR");
    const QCommandLineOption states("states", "JSON file of the office's own data, read for every page.", "FILE");
    const QCommandLineOption watchStdin("watch-stdin", "End when standard input closes (the parent is gone).");
    parser.addOptions({port, ns, messagePath, scenario, set, record, attachments, states, watchStdin});
    MailRound::addOptions(parser);
    parser.process(app);

    CentralOffice::Options options;
    options.ns = parser.value(ns);
    options.messagePath = parser.value(messagePath);
    options.recordDir = parser.value(record);
    options.attachmentsDir = parser.value(attachments);
    options.statesFile = parser.value(states);
    Scenario answers;
    answers.setFile(parser.value(scenario));
    for (const QString &s : parser.values(set)) {
        QString problem;
        if (!answers.addSetting(s, problem)) {
            std::fprintf(stderr, "qal-central-sim: %s\n", qPrintable(problem));
            return 2;
        }
    }
    QString mailProblem;
    const std::unique_ptr<MailRound> mail =
        MailRound::fromOptions(parser, parser.value(scenario), parser.value(record), mailProblem);
    if (!mailProblem.isEmpty()) {
        std::fprintf(stderr, "qal-central-sim: %s\n", qPrintable(mailProblem));
        return 2;
    }
    CentralOffice office(options, answers);
    const quint16 listening = office.listen(static_cast<quint16>(parser.value(port).toUInt()));
    if (!listening) {
        std::fprintf(stderr, "qal-central-sim: cannot listen on port %s\n", qPrintable(parser.value(port)));
        return 1;
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    input.setEnabled(parser.isSet(watchStdin));
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    if (mail)
        mail->start();
    std::printf("listening on http://127.0.0.1:%u\n", listening);
    std::fflush(stdout);
    return app.exec();
}
