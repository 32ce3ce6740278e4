#include "core/Clock.h"

#include <gtest/gtest.h>

using namespace qal;

TEST(Clock, CanBeFixedAndReleased)
{
    const QDateTime moment(QDate(2024, 2, 29), QTime(23, 59, 0));
    Clock::setFixed(moment);
    EXPECT_EQ(Clock::now(), moment);
    EXPECT_EQ(Clock::today(), QDate(2024, 2, 29));
    Clock::reset();
    EXPECT_LE(qAbs(Clock::now().secsTo(QDateTime::currentDateTime())), 2);
}
