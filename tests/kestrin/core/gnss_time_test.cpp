#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <limits>
#include <string>

#include "core/gnss_time.h"
#include "support/epochs.h"
#include "support/temp_dir.h"

using namespace kestrin;
using testsupport::CalendarTime;

namespace {

GnssTime Week(int week, double sow) {
    GnssTime t;
    t.week = week;
    t.sow = sow;
    return t;
}

void ExpectCalendar(const GnssTime& t, int y, int mo, int d, int h, int mi, double s) {
    EXPECT_EQ(t.year, y);
    EXPECT_EQ(t.month, mo);
    EXPECT_EQ(t.day, d);
    EXPECT_EQ(t.hour, h);
    EXPECT_EQ(t.minute, mi);
    EXPECT_NEAR(t.second, s, 1e-9);
}

class LeapTableTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetLeapTable(); }
    void TearDown() override { ResetLeapTable(); }
    testsupport::TempDir dir;
};

}  // namespace

TEST(GnssTime, EpochsOfGpsAndBds) {
    GnssTime gps = Week(0, 0);
    GpsToCalendar(gps);
    ExpectCalendar(gps, 1980, 1, 6, 0, 0, 0);
    GnssTime bds = Week(0, 0);
    BdsToCalendar(bds);
    ExpectCalendar(bds, 2006, 1, 1, 0, 0, 0);
}

TEST(GnssTime, AlmostMidnightMovesToTheNextDayWithSecondZero) {
    GnssTime t = Week(0, 86399.9999995);
    GpsToCalendar(t);
    ExpectCalendar(t, 1980, 1, 7, 0, 0, 0);
}

TEST(GnssTime, CalendarAndWeekAgreeAcrossLeapDaysAndYearEnds) {
    struct Case {
        int y, mo, d, h, mi;
        double s;
        int week;
        double sow;
    };
    const Case cases[] = {
        {2000, 3, 1, 0, 0, 0, 1051, 259200},  // after the 2000 leap day
        {2000, 2, 29, 12, 0, 0, 1051, 216000},       {1980, 1, 6, 0, 0, 0, 0, 0},
        {2016, 12, 31, 23, 59, 59, 1929, 604799},    {2017, 1, 1, 0, 0, 0, 1930, 0},
        {2023, 9, 19, 11, 44, 18.5, 2280, 215058.5},
    };
    for (const Case& c : cases) {
        GnssTime t = CalendarTime(c.y, c.mo, c.d, c.h, c.mi, c.s);
        CalendarToGps(t);
        EXPECT_EQ(t.week, c.week) << c.y << "-" << c.mo << "-" << c.d;
        EXPECT_DOUBLE_EQ(t.sow, c.sow) << c.y << "-" << c.mo << "-" << c.d;
        GnssTime back = Week(c.week, c.sow);
        GpsToCalendar(back);
        ExpectCalendar(back, c.y, c.mo, c.d, c.h, c.mi, c.s);
    }
}

TEST(GnssTime, FarAndCorruptTimesGiveADateWithoutCountingEveryYear) {
    // A corrupt time field must neither hang nor overflow the conversion: 400 Gregorian
    // years are 146097 days = 20871 weeks, so those weeks land on the epoch date again.
    struct Case {
        int week;
        double sow;
        int y, mo, d, h, mi;
    };
    const Case cases[] = {
        {20871, 0, 2380, 1, 6, 0, 0},
        {20871 * 1000, 3600, 401980, 1, 6, 1, 0},
        {0, 146097.0 * 86400 * 100, 41980, 1, 6, 0, 0},
        {INT_MAX, 0, 41159253, 9, 7, 0, 0},
        {2000, 1e18, 2018, 5, 6, 0, 0},  // seconds out of every range read as 0
        {2000, 1e300, 2018, 5, 6, 0, 0},
        {2000, std::numeric_limits<double>::quiet_NaN(), 2018, 5, 6, 0, 0},
    };
    for (const Case& c : cases) {
        GnssTime t = Week(c.week, c.sow);
        GpsToCalendar(t);
        EXPECT_EQ(t.year, c.y) << c.week << " " << c.sow;
        EXPECT_EQ(t.month, c.mo) << c.week << " " << c.sow;
        EXPECT_EQ(t.day, c.d) << c.week << " " << c.sow;
        EXPECT_EQ(t.hour, c.h) << c.week << " " << c.sow;
        EXPECT_EQ(t.minute, c.mi) << c.week << " " << c.sow;
    }
}

TEST(GnssTime, TwoDigitYearsAreCompleted) {
    GnssTime a = CalendarTime(17, 1, 1, 0, 0, 0);
    CalendarToGps(a);
    EXPECT_EQ(a.week, 1930);
    GnssTime b = CalendarTime(99, 1, 1, 0, 0, 0);
    GnssTime c = CalendarTime(1999, 1, 1, 0, 0, 0);
    CalendarToGps(b);
    CalendarToGps(c);
    EXPECT_EQ(b.week, c.week);
    EXPECT_EQ(b.sow, c.sow);
}

TEST(GnssTime, BdsWeekSecondsToCalendar) {
    // BDS week 1, day 3, 01:02:03.5 is 2006-01-11.
    GnssTime t = Week(1, 3 * 86400 + 3723.5);
    BdsToCalendar(t);
    ExpectCalendar(t, 2006, 1, 11, 1, 2, 3.5);
}

TEST(GnssTime, ShiftWrapsOnceAndDiffUsesWeekSeconds) {
    GnssTime t = Week(100, 604790);
    GnssTime later = ShiftTime(t, 20);
    EXPECT_EQ(later.week, 101);
    EXPECT_DOUBLE_EQ(later.sow, 10);
    GnssTime earlier = ShiftTime(Week(100, 5), -10);
    EXPECT_EQ(earlier.week, 99);
    EXPECT_DOUBLE_EQ(earlier.sow, 604795);
    EXPECT_DOUBLE_EQ(TimeDiff(later, t), 20);
    EXPECT_DOUBLE_EQ(TimeDiff(earlier, Week(100, 5)), -10);
    GnssTime exact = ShiftTime(Week(3, 604799), 1);
    EXPECT_EQ(exact.week, 4);
    EXPECT_DOUBLE_EQ(exact.sow, 0);
}

TEST(GnssTime, DayOfYearAndRounding) {
    EXPECT_EQ(DayOfYear(2023, 1, 1), 1);
    EXPECT_EQ(DayOfYear(2023, 12, 31), 365);
    EXPECT_EQ(DayOfYear(2024, 12, 31), 366);
    EXPECT_EQ(DayOfYear(2000, 3, 1), 61);
    EXPECT_EQ(DayOfYear(1900, 3, 1), 60);
    EXPECT_EQ(RoundToInt(2.5), 3);
    EXPECT_EQ(RoundToInt(-2.5), -3);
    EXPECT_EQ(RoundToInt(2.49), 2);
    EXPECT_EQ(RoundToInt(-0.4), 0);
    EXPECT_EQ(RoundToInt(1e30), INT_MAX);
    EXPECT_EQ(RoundToInt(-1e30), INT_MIN);
    EXPECT_DOUBLE_EQ(RoundToMultiple(14.9, 5), 15);
    EXPECT_DOUBLE_EQ(RoundToMultiple(-7.5, 5), -10);
    EXPECT_NEAR(SignedRemainder(30.02, 1), 0.02, 1e-12);
    EXPECT_NEAR(SignedRemainder(29.98, 1), -0.02, 1e-12);
}

TEST_F(LeapTableTest, ChangeHappensAtUtcMidnight) {
    GnssTime t = CalendarTime(2017, 1, 1, 0, 0, 17);
    CalendarToGps(t);
    EXPECT_EQ(LeapSecondsAt(t), 17);
    t = CalendarTime(2017, 1, 1, 0, 0, 18);
    CalendarToGps(t);
    EXPECT_EQ(LeapSecondsAt(t), 18);
    t = CalendarTime(1981, 1, 1, 0, 0, 0);
    CalendarToGps(t);
    EXPECT_EQ(LeapSecondsAt(t), 0);
    t = CalendarTime(2009, 6, 1, 0, 0, 0);
    CalendarToGps(t);
    EXPECT_EQ(LeapSecondsAt(t), 15);
}

namespace {

// The published TAI-UTC history from 1961 on, in the USNO line format.
std::string TaiUtcLines() {
    std::string text =
        " 1961 JAN  1 =JD 2437300.5  TAI-UTC=   1.4228180 S + (MJD - 37300.) X 0.001296 S\n"
        " 1968 FEB  1 =JD 2439887.5  TAI-UTC=   4.2131700 S + (MJD - 39126.) X 0.002592 S\n";
    const struct {
        int year;
        const char* month;
        int taiUtc;
    } changes[] = {{1972, "JAN", 10}, {1972, "JUL", 11}, {1973, "JAN", 12}, {1974, "JAN", 13},
                   {1975, "JAN", 14}, {1976, "JAN", 15}, {1977, "JAN", 16}, {1978, "JAN", 17},
                   {1979, "JAN", 18}, {1980, "JAN", 19}, {1981, "JUL", 20}, {1982, "JUL", 21},
                   {1983, "JUL", 22}, {1985, "JUL", 23}, {1988, "JAN", 24}, {1990, "JAN", 25},
                   {1991, "JAN", 26}, {1992, "JUL", 27}, {1993, "JUL", 28}, {1994, "JUL", 29},
                   {1996, "JAN", 30}, {1997, "JUL", 31}, {1999, "JAN", 32}, {2006, "JAN", 33},
                   {2009, "JAN", 34}, {2012, "JUL", 35}, {2015, "JUL", 36}, {2017, "JAN", 37}};
    char line[128];
    for (const auto& c : changes) {
        std::snprintf(line, sizeof line,
                      " %d %s  1 =JD 2440000.5  TAI-UTC=  %d.0       S + (MJD - 41317.) X 0.0 "
                      "     S\n",
                      c.year, c.month, c.taiUtc);
        text += line;
    }
    return text;
}

}  // namespace

TEST_F(LeapTableTest, LayoutBReproducesTheBuiltInTable) {
    ASSERT_TRUE(LoadLeapTable(dir.Write("leap.sec", TaiUtcLines())));
    const LeapTable& table = CurrentLeapTable();
    for (int i = 0; i < 18; ++i) EXPECT_EQ(table[i], BuiltInLeapTable()[i]) << "row " << i;
    // The 1980 line (TAI-UTC 19 s, GPS - UTC 0) is kept as a last row of value 0.
    EXPECT_EQ(table[18], (LeapRow{1980, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(table[19].year, 0);
}

TEST_F(LeapTableTest, LayoutAKeepsFileOrderAndIgnoresComments) {
    ASSERT_TRUE(LoadLeapTable(dir.Write("leap.sec",
                                        "# year month day h m s value\n"
                                        "2030 1 1 0 0 0 -19  # invented future change\n"
                                        "not a row\n"
                                        "2017 1 1 0 0 0 -18\n")));
    const LeapTable& table = CurrentLeapTable();
    EXPECT_EQ(table[0], (LeapRow{2030, 1, 1, 0, 0, 0, -19}));
    EXPECT_EQ(table[1], (LeapRow{2017, 1, 1, 0, 0, 0, -18}));
    EXPECT_EQ(table[2].year, 0);
    GnssTime t = CalendarTime(2031, 5, 1, 0, 0, 0);
    CalendarToGps(t);
    EXPECT_EQ(LeapSecondsAt(t), 19);
    t = CalendarTime(2016, 5, 1, 0, 0, 0);
    CalendarToGps(t);
    EXPECT_EQ(LeapSecondsAt(t), 0);  // before the oldest row of the new table
}

TEST_F(LeapTableTest, LayoutDWithUpperCaseMonths) {
    ASSERT_TRUE(LoadLeapTable(dir.Write("leap.sec",
                                        "#  leap-second list\n"
                                        "2272060800\t10\t# 1 JAN 1972\n"
                                        "3692217600\t37\t# 1 JAN 2017\n"
                                        "3550089600\t36\t# 1 JUL 2015\n")));
    const LeapTable& table = CurrentLeapTable();
    // Reversed: the last line of the file comes first.
    EXPECT_EQ(table[0], (LeapRow{2015, 7, 1, 0, 0, 0, -17}));
    EXPECT_EQ(table[1], (LeapRow{2017, 1, 1, 0, 0, 0, -18}));
    EXPECT_EQ(table[2].year, 0);
}

TEST_F(LeapTableTest, LayoutCCountsIncrementsSince1980) {
    ASSERT_TRUE(LoadLeapTable(dir.Write("leap.sec",
                                        " 1.0 ! 31 DEC 1978 LEAP SEC INCREMENT\n"
                                        " 1.0 ! 30 JUN 1981 LEAP SEC INCREMENT\n"
                                        " 1.0 ! 30 JUN 1982 LEAP SEC INCREMENT\n"
                                        " 1.0 ! 31 DEC 1986 LEAP SEC INCREMENT\n")));
    const LeapTable& table = CurrentLeapTable();
    EXPECT_EQ(table[0], (LeapRow{1987, 1, 1, 0, 0, 0, -3}));
    EXPECT_EQ(table[1], (LeapRow{1982, 7, 1, 0, 0, 0, -2}));
    EXPECT_EQ(table[2], (LeapRow{1981, 7, 1, 0, 0, 0, -1}));
    EXPECT_EQ(table[3].year, 0);
}

TEST_F(LeapTableTest, FailedLoadKeepsTheTableInUse) {
    ASSERT_TRUE(LoadLeapTable(dir.Write("good.sec", "2030 1 1 0 0 0 -19\n")));
    const LeapTable before = CurrentLeapTable();
    EXPECT_FALSE(LoadLeapTable(dir.Write("bad.sec", "nothing here\n1961 jan 1\n")));
    EXPECT_FALSE(LoadLeapTable(dir.File("missing.sec")));
    EXPECT_FALSE(LoadLeapTable(dir.Write("empty.sec", "")));
    EXPECT_FALSE(LoadLeapTable(""));
    EXPECT_EQ(CurrentLeapTable(), before);
    EXPECT_EQ(CurrentLeapTable()[0].year, 2030);
}

TEST_F(LeapTableTest, AtMostSixtyFourRowsAreRead) {
    std::string text;
    for (int i = 0; i < 70; ++i)
        text += std::to_string(2100 - i) + " 1 1 0 0 0 -" + std::to_string(100 - i) + "\n";
    ASSERT_TRUE(LoadLeapTable(dir.Write("leap.sec", text)));
    EXPECT_EQ(CurrentLeapTable()[63].year, 2100 - 63);
    GnssTime t = CalendarTime(2000, 5, 1, 0, 0, 0);
    CalendarToGps(t);
    EXPECT_EQ(LeapSecondsAt(t), 0);
}

TEST_F(LeapTableTest, AbsurdOffsetsAndNonFilesLoadNoRows) {
    // Offsets no table can hold are no rows in the layouts that compute them; a row given
    // as it stands (layout A) may hold any int and is still answered without overflow.
    EXPECT_FALSE(LoadLeapTable(
        dir.Write("b.sec",
                  " 2017 JAN  1 =JD 2457754.5  TAI-UTC= 1e300 S + (MJD - 41317.) X 0.0 S\n"
                  " 2018 JAN  1 =JD 2458119.5  TAI-UTC= nan S + (MJD - 41317.) X 0.0 S\n")));
    EXPECT_FALSE(LoadLeapTable(dir.Write("d.sec", "3692217600\t-2147483648\t# 1 JAN 2017\n")));
    ASSERT_TRUE(LoadLeapTable(dir.Write("a.sec", "1900 1 1 0 0 0 -2147483648\n")));
    GnssTime t = CalendarTime(2018, 1, 1, 0, 0, 0);
    CalendarToGps(t);
    EXPECT_EQ(LeapSecondsAt(t), INT_MIN);  // 2^31 does not fit: it wraps, without overflow

    // A pipe named like the file is not opened (opening it would wait for a writer).
    const std::string fifo = dir.File("leap.sec");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadLeapTable(fifo));
    EXPECT_FALSE(LoadLeapTable(dir.path()));
}
