#include <gtest/gtest.h>

#include "time/week_time.h"

using baldorn::CDefTime;
using baldorn::WeekTime;

namespace {

WeekTime Calendar(int y, int mo, int d, int h = 0, int mi = 0, double s = 0) {
    WeekTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    return t;
}

WeekTime Week(int week, double sow) {
    WeekTime t;
    t.week = week;
    t.sow = sow;
    return t;
}

}  // namespace

TEST(WeekTime, CalendarConversionsOfTheThreeScales) {
    struct Case {
        WeekTime t;
        int (*convert)(WeekTime&);
        int week;
        double sow;
    } cases[] = {
        {Calendar(1980, 1, 6), CDefTime::FromCalendarGps, 0, 0},
        {Calendar(2017, 1, 1), CDefTime::FromCalendarGps, 1930, 0},
        {Calendar(17, 1, 1), CDefTime::FromCalendarGps, 1930, 0},
        {Calendar(2017, 1, 1, 1, 1, 1.25), CDefTime::FromCalendarGps, 1930, 3661.25},
        {Calendar(2016, 2, 29, 12), CDefTime::FromCalendarGps, 1886, 1 * 86400 + 43200},
        {Calendar(2006, 1, 1), CDefTime::FromCalendarBds, 0, 0},
        {Calendar(2017, 1, 1), CDefTime::FromCalendarBds, 574, 0},
        {Calendar(1999, 8, 22), CDefTime::FromCalendarGal, 0, 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.t.year * 10000 + c.t.month * 100 + c.t.day);
        ASSERT_EQ(c.convert(c.t), 1);
        EXPECT_EQ(c.t.week, c.week);
        EXPECT_DOUBLE_EQ(c.t.sow, c.sow);
    }
}

TEST(WeekTime, TwoDigitYearsAndRefusedYears) {
    WeekTime t85 = Calendar(85, 3, 1);
    ASSERT_EQ(CDefTime::FromCalendarGps(t85), 1);
    EXPECT_EQ(t85.year, 1985);
    WeekTime t2081 = Calendar(2081, 1, 1);
    t2081.week = 7;
    EXPECT_EQ(CDefTime::FromCalendarGps(t2081), 0);
    EXPECT_EQ(t2081.week, 7);  // left as it was
    WeekTime t1979 = Calendar(1979, 12, 31);
    EXPECT_EQ(CDefTime::FromCalendarGps(t1979), 0);
}

TEST(WeekTime, ScaleShiftsToGpsTime) {
    WeekTime bdt = Week(574, 0);
    ASSERT_EQ(CDefTime::BdsToGps(bdt), 1);
    EXPECT_EQ(bdt.week, 1930);
    EXPECT_DOUBLE_EQ(bdt.sow, 14);

    WeekTime gal = Week(1, 5);
    ASSERT_EQ(CDefTime::GalToGps(gal), 1);
    EXPECT_EQ(gal.week, 1025);

    WeekTime utc = Calendar(2017, 9, 8, 0, 15);
    ASSERT_EQ(CDefTime::FromCalendarGps(utc), 1);
    const double sow = utc.sow;
    ASSERT_EQ(CDefTime::UtcToGps(utc), 1);
    EXPECT_DOUBLE_EQ(utc.sow, sow + 18);

    WeekTime zero;
    EXPECT_EQ(CDefTime::BdsToGps(zero), 0);
    EXPECT_EQ(CDefTime::GalToGps(zero), 0);
    EXPECT_EQ(CDefTime::UtcToGps(zero), 0);
}

TEST(WeekTime, LeapSecondsByDate) {
    struct Case {
        WeekTime t;
        int seconds;
    } cases[] = {
        {Calendar(2016, 12, 31, 23, 59, 59), 17},
        {Calendar(2017, 1, 1), 18},
        {Calendar(2021, 1, 1), 18},
        {Calendar(2009, 4, 1), 15},
        {Calendar(1981, 6, 30), 0},
        {Calendar(1981, 7, 1), 1},
    };
    for (Case& c : cases) {
        ASSERT_EQ(CDefTime::FromCalendarGps(c.t), 1);
        EXPECT_EQ(CDefTime::LeapSecondsAt(c.t), c.seconds) << c.t.year << "-" << c.t.month;
    }
}

TEST(WeekTime, SecondArithmeticAndNormalisation) {
    const WeekTime next = CDefTime::AddSeconds(Week(100, 604799.8), 0.5);
    EXPECT_EQ(next.week, 101);
    EXPECT_NEAR(next.sow, 0.3, 1e-9);
    const WeekTime back = CDefTime::SubtractSeconds(Week(100, 0.05), 0.07);
    EXPECT_EQ(back.week, 100);
    EXPECT_NEAR(back.sow, -0.02, 1e-12);
    EXPECT_NEAR(CDefTime::Difference(Week(101, 0.3), back), 604800.32, 1e-9);
}

TEST(WeekTime, ToCalendarAndDayOfYear) {
    WeekTime t = Week(1930, 3661.25);
    ASSERT_EQ(CDefTime::ToCalendar(t), 1);
    EXPECT_EQ(t.year, 2017);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 1);
    EXPECT_EQ(t.minute, 1);
    EXPECT_NEAR(t.second, 1.25, 1e-9);

    WeekTime leapEnd = Calendar(2016, 12, 31, 23, 59, 59);
    ASSERT_EQ(CDefTime::FromCalendarGps(leapEnd), 1);
    WeekTime roundTrip = Week(leapEnd.week, leapEnd.sow);
    ASSERT_EQ(CDefTime::ToCalendar(roundTrip), 1);
    EXPECT_EQ(roundTrip.year * 10000 + roundTrip.month * 100 + roundTrip.day, 20161231);

    EXPECT_EQ(CDefTime::DayOfYear(Calendar(2017, 2, 1, 12)), 32);
    EXPECT_EQ(CDefTime::DayOfYear(Calendar(2016, 12, 31, 12)), 366);
    EXPECT_EQ(CDefTime::DayOfYear(Week(1930, 0)), 1);
    WeekTime none;
    EXPECT_EQ(CDefTime::ToCalendar(none), 0);
    EXPECT_EQ(CDefTime::DayOfYear(none), 0);
}

// Seconds far outside a week only come from corrupt calendar fields (a nav record second of
// "9e99"); the conversions refuse them instead of overflowing their integer day counts.
TEST(WeekTime, ConversionsRefuseSecondsFarOutsideAWeek) {
    for (const double sow : {9e99, -9e99, 1e300, 1e12}) {
        WeekTime t = Week(1930, sow);
        EXPECT_EQ(CDefTime::ToCalendar(t), 0) << sow;
        EXPECT_EQ(CDefTime::LeapSecondsAt(Week(1930, sow)), 0) << sow;
        EXPECT_EQ(CDefTime::DayOfYear(Calendar(2017, 9, 8, 0, 15, sow)), 0) << sow;
        WeekTime glonass = Calendar(2017, 9, 8, 0, 15, sow);
        ASSERT_EQ(CDefTime::FromCalendarGps(glonass), 1);
        EXPECT_EQ(CDefTime::UtcToGps(glonass), 1);  // no leap seconds to add, no overflow
    }
}
