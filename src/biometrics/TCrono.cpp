#include "biometrics/TCrono.h"

#include <QElapsedTimer>

namespace qal {

namespace {

TCrono::Counter &counter()
{
    static TCrono::Counter c;
    return c;
}

qint64 monotonic()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

} // namespace

void TCrono::setCounter(Counter c)
{
    counter() = std::move(c);
}

qint64 TCrono::now()
{
    return counter() ? counter()() : monotonic();
}

void TCrono::start()
{
    m_start = now();
    m_running = true;
}

void TCrono::stop()
{
    m_stop = now();
    m_running = false;
}

qint64 TCrono::elapsed() const
{
    const qint64 end = m_running ? now() : m_stop;
    return end > m_start ? end - m_start : 0;
}

} // namespace qal
