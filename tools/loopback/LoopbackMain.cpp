#include "LoopbackMain.h"

#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace loopback {

void addOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {"port", "Port on 127.0.0.1 (0: any free port).", "N", "0"},
        {"watch-stdin", "End when standard input closes (the parent is gone)."},
    });
}

quint16 port(const QCommandLineParser &parser)
{
    return static_cast<quint16>(parser.value(QStringLiteral("port")).toUInt());
}

int cannotListen(const char *program, const QCommandLineParser &parser)
{
    std::fprintf(stderr, "%s: cannot listen on port %s\n", program, qPrintable(parser.value(QStringLiteral("port"))));
    return 1;
}

int run(QCoreApplication &app, const QCommandLineParser &parser, quint16 listening)
{
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    input.setEnabled(parser.isSet(QStringLiteral("watch-stdin")));
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    std::printf("listening on http://127.0.0.1:%u\n", listening);
    std::fflush(stdout);
    return app.exec();
}

} // namespace loopback
