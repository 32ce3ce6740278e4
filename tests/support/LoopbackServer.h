#pragma once

#include <QProcess>
#include <QStringList>

namespace qal::test {

// One of our loopback servers (tools/qal-central-sim, tools/qal-http-proxy) run for a test:
// started from the build's bin folder with --port 0 and --watch-stdin, so that it picks a free
// port and ends when the test does; the port it printed ("listening on http://127.0.0.1:PORT").
// Killed (our own child, by its pid) when this ends.
class LoopbackServer
{
public:
    LoopbackServer(const QString &program, const QStringList &arguments);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    // 0 when it did not start listening.
    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace qal::test
