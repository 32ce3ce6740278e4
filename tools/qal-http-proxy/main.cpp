// qal-http-proxy: an HTTP proxy on 127.0.0.1 that asks for credentials.
//
//   qal-http-proxy --user U --password P --upstream PORT [--port N] [--log FILE] [--watch-stdin]
//
// Prints "listening on http://127.0.0.1:PORT" once it accepts connections.
#include "LoopbackMain.h"
#include "ProxyServer.h"

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("An HTTP proxy on loopback that asks for credentials."));
    parser.addHelpOption();
    const QCommandLineOption user("user", "The user name the proxy accepts.", "USER");
    const QCommandLineOption password("password", "The password the proxy accepts.", "PASSWORD");
    const QCommandLineOption upstream("upstream", "Port on 127.0.0.1 every request goes to.", "PORT");
    const QCommandLineOption log("log", "File of one line per request.", "FILE");
    parser.addOptions({user, password, upstream, log});
    loopback::addOptions(parser);
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
    const quint16 listening = proxy.listen(loopback::port(parser));
    if (!listening)
        return loopback::cannotListen("qal-http-proxy", parser);
    return loopback::run(app, parser, listening);
}
