#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>

// What the mains of our loopback servers (qal-central-sim, qal-http-proxy) have in common:
// the options --port N (0: any free port) and --watch-stdin (end when standard input closes,
// so that a server started by a test or a script never outlives its parent), and the line
// "listening on http://127.0.0.1:PORT" that tells the parent the port.
namespace loopback {

void addOptions(QCommandLineParser &parser);
// The port asked for with --port; 0 for any free one.
quint16 port(const QCommandLineParser &parser);
// The program's name and the message when it could not listen on the port asked for; 1.
int cannotListen(const char *program, const QCommandLineParser &parser);
// Prints the listening line, watches standard input when asked and runs the event loop.
int run(QCoreApplication &app, const QCommandLineParser &parser, quint16 listening);

} // namespace loopback
