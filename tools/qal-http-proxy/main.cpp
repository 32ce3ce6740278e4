// qal-http-proxy: an HTTP proxy on 127.0.0.1 that asks for credentials.
//
//   qal-http-proxy --user U --password P --upstream PORT [--port N] [--log FILE] [--watch-stdin]
//
// Prints "listening on http://127.0.0.1:PORT" once it accepts connections.
#include "ProxyServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("An HTTP proxy on loopback that asks for credentials."));
    parser.addHelpOption();
    const QCommandLineOption port("port", "Port on 127.0.0.1 (0: any free port).", "N", "0");
    const QCommandLineOption user("user", "The user name the proxy accepts.", "USER");
    const QCommandLineOption password("password", "The password the proxy accepts.", "PASSWORD");
    const QCommandLineOption upstream("upstream", "Port on 127.0.0.1 every request goes to.", "PORT");
    const QCommandLineOption log("log", "File of one line per request.", "FILE");
    const QCommandLineOption watchStdin("watch-stdin", "End when standard input closes (the parent is gone).");
    parser.addOptions({port, user, password, upstream, log, watchStdin});
    parser.process(app);

    ProxyServer::Options options;
    options.user = parser.value(user);
    options.password = parser.value(password);
    options.upstreamPort = static_cast<quint16>(parser.value(upstream).toUInt());
    options.logFile = parser.value(log);
    if (options.upstreamPort == 0) {
        std::fprintf(stderr, "qal-http-proxy: --upstream PORT is needed\n");
        return 2;
    }
    ProxyServer proxy(options);
    const quint16 listening = proxy.listen(static_cast<quint16>(parser.value(port).toUInt()));
    if (!listening) {
        std::fprintf(stderr, "qal-http-proxy: cannot listen on port %s\n", qPrintable(parser.value(port)));
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
    std::printf("listening on http://127.0.0.1:%u\n", listening);
    std::fflush(stdout);
    return app.exec();
}
