#pragma once

#include <QDate>
#include <QDateTime>

namespace qal {

// The one source of "now" and "today" for the whole program, so tests can fix the date.
class Clock
{
public:
    static QDateTime now();
    static QDate today();

    // Tests: freeze the clock at a given moment; reset() returns to the system clock.
    static void setFixed(const QDateTime &moment);
    static void reset();
};

} // namespace qal
