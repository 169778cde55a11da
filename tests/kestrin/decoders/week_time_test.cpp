#include "decoders/navwords/week_time.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

TEST(WeekTime, TenBitWeekResolvedNearTheReference) {
    struct Case {
        int week10, reference, expected;
    } cases[] = {
        {538, 1562, 1562},                   // 2009: second rollover
        {250, 2298, 2298},                   // 2024: third rollover
        {1023, 2048, 2047},                  // just before the rollover the reference has passed
        {0, 2047, 2048},    {538, 0, 1562},  // no reference: second rollover
        {538, 70000, 1562},                  // reference out of range
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveGpsWeek10(c.week10, c.reference), c.expected)
            << c.week10 << "/" << c.reference;
}

TEST(WeekTime, PlausibilityAndTables) {
    for (int s : {1, 18, 99}) EXPECT_TRUE(PlausibleLeapSeconds(s)) << s;
    for (int s : {0, -1, 100, 1000}) EXPECT_FALSE(PlausibleLeapSeconds(s)) << s;
    EXPECT_TRUE(ValidWeekTime(1562, 604799.0));
    EXPECT_FALSE(ValidWeekTime(-1, 0.0));
    EXPECT_FALSE(ValidWeekTime(20000, 0.0));
    EXPECT_FALSE(ValidWeekTime(1562, 1.0e7));
    EXPECT_DOUBLE_EQ(MoscowToUtcTimeOfDay(10800.0), 0.0);
    EXPECT_DOUBLE_EQ(MoscowToUtcTimeOfDay(3600.0), 86400.0 - 7200.0);
    GnssTime t = GpsWeekTime(1562, 515220.0);
    EXPECT_EQ(t.year, 2009);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 18);
    EXPECT_EQ(BdsWeekTime(0, 0.0).year, 2006);
}

}  // namespace
}  // namespace kestrin
