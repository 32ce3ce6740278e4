#include "Clock.h"

#include <QMutex>

namespace qal {
namespace {
QMutex g_mutex;
QDateTime g_fixed;
} // namespace

QDateTime Clock::now()
{
    QMutexLocker lock(&g_mutex);
    return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime();
}

QDate Clock::today()
{
    return now().date();
}

void Clock::setFixed(const QDateTime &moment)
{
    QMutexLocker lock(&g_mutex);
    g_fixed = moment;
}

void Clock::reset()
{
    QMutexLocker lock(&g_mutex);
    g_fixed = QDateTime();
}

} // namespace qal
