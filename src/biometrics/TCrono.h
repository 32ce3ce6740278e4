#pragma once

#include <QtGlobal>

#include <functional>

namespace qal {

// A millisecond stopwatch. start records the millisecond counter and marks it running,
// stop records the counter again; elapsed is stop - start when stop is later, else 0.
class TCrono
{
public:
    void start();
    void stop();
    // While running, the time since start.
    qint64 elapsed() const;
    bool running() const { return m_running; }

    // The millisecond counter every stopwatch reads (a monotonic clock); tests replace it.
    using Counter = std::function<qint64()>;
    static void setCounter(Counter counter); // empty: the monotonic clock
    static qint64 now();

private:
    qint64 m_start = 0;
    qint64 m_stop = 0;
    bool m_running = false;
};

} // namespace qal
