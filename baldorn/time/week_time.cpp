#include "time/week_time.h"

#include <cmath>

namespace baldorn {
namespace {

struct LeapRow {
    int year;
    int month;
    int seconds;
};

// GPS - UTC, newest first; each row is effective from 00:00 UTC on the first of its month.
constexpr LeapRow kLeapTable[] = {
    {2017, 1, 18}, {2015, 7, 17}, {2012, 7, 16}, {2009, 1, 15}, {2006, 1, 14},
    {1999, 1, 13}, {1997, 7, 12}, {1996, 1, 11}, {1994, 7, 10}, {1993, 7, 9},
    {1992, 7, 8},  {1991, 1, 7},  {1990, 1, 6},  {1988, 1, 5},  {1985, 7, 4},
    {1983, 7, 3},  {1982, 7, 2},  {1981, 7, 1},  {0, 0, 0},
};

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// Bounds that keep corrupt calendar fields from overflowing the integer day counts.
constexpr double kMaxSecondsOfWeek = 1000.0 * kSecondsPerWeek;
constexpr double kMaxDayOfYear = 1e6;

int IsLeap(int y) {
    return ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0) ? 1 : 0;
}

// Shared body of the three calendar conversions: day count relative to the scale's week 0.
int FromCalendar(WeekTime& t, int offset, int firstLeapYear) {
    int year = t.year;
    if (year < 100 && year >= 0) year += (year < 80) ? 2000 : 1900;
    if (year < 1980 || year > 2080) return 0;
    if (t.month < 1 || t.month > 12) return 0;
    int leaps = 0;
    for (int y = firstLeapYear; y <= year; ++y) leaps += IsLeap(y);
    long days = static_cast<long>(year) * 365 - offset + leaps -
                ((IsLeap(year) && t.month < 3) ? 1 : 0) + kDaysBeforeMonth[t.month - 1] + t.day - 1;
    t.year = year;
    t.week = static_cast<int32_t>(days / 7);
    t.sow = static_cast<double>(days % 7) * kSecondsPerDay + t.hour * 3600.0 + t.minute * 60.0 +
            t.second;
    return 1;
}

}  // namespace

bool IsSet(const WeekTime& t) {
    if (t.year > 1980 && t.year < 2080) return true;
    return t.week > 0;
}

WeekTime CDefTime::Normalize(WeekTime t) {
    if (t.sow > kSecondsPerWeek) {
        t.sow -= kSecondsPerWeek;
        t.week += 1;
    } else if (t.sow < -kSecondsPerWeek) {
        t.sow += kSecondsPerWeek;
        t.week -= 1;
    }
    return t;
}

WeekTime CDefTime::AddSeconds(WeekTime t, double x) {
    t.sow += x;
    return Normalize(t);
}

WeekTime CDefTime::SubtractSeconds(WeekTime t, double x) {
    t.sow -= x;
    return Normalize(t);
}

double CDefTime::Difference(const WeekTime& t1, const WeekTime& t2) {
    return static_cast<double>(t1.week - t2.week) * kSecondsPerWeek + (t1.sow - t2.sow);
}

int CDefTime::ToCalendar(WeekTime& t) {
    // A seconds-of-week far outside any week comes only from a corrupt calendar field; it would
    // overflow the day count below.
    if (t.week <= 0 || !(std::fabs(t.sow) <= kMaxSecondsOfWeek)) return 0;
    long days = static_cast<long>(t.week) * 7 + static_cast<long>(t.sow / kSecondsPerDay) + 6;
    int year = static_cast<int>(days / 365) + 1980;
    int lastSubtracted = 1980;
    for (int y = 1980; y <= year - 1; ++y) {
        days -= 365 + IsLeap(y);
        lastSubtracted = y;
    }
    if (days <= 0) {
        year -= 1;
        days += 365 + IsLeap(lastSubtracted);
    }
    const int* lengths = kMonthDays[IsLeap(year)];
    int month = 0;
    while (month < 12 && days > lengths[month]) {
        days -= lengths[month];
        ++month;
    }
    if (month >= 12) month = 11;
    t.year = year;
    t.month = month + 1;
    t.day = static_cast<int32_t>(days);
    const double h = std::trunc((t.sow + 1e-6) / 3600.0);
    t.hour = static_cast<int32_t>(std::fmod(h, 24.0));
    const double f = t.sow - h * 3600.0;
    t.minute = static_cast<int32_t>(std::trunc((f + 1e-6) / 60.0));
    t.second = f - t.minute * 60.0;
    if (t.second < 0) t.second = 0;
    return 1;
}

int CDefTime::FromCalendarGps(WeekTime& t) {
    return FromCalendar(t, 722705, 1980);
}
int CDefTime::FromCalendarBds(WeekTime& t) {
    return FromCalendar(t, 732190, 2006);
}
int CDefTime::FromCalendarGal(WeekTime& t) {
    return FromCalendar(t, 729868, 1999);
}

int CDefTime::LeapSecondsAt(const WeekTime& t) {
    WeekTime c = t;
    if (!ToCalendar(c)) return 0;
    for (const LeapRow& row : kLeapTable) {
        if (row.year <= 0) break;
        if (row.year < c.year || (row.year == c.year && c.month >= row.month)) return row.seconds;
    }
    return 0;
}

int CDefTime::UtcToGps(WeekTime& t) {
    if (t.week <= 0) return 0;
    t.sow += LeapSecondsAt(t);
    t = Normalize(t);
    return 1;
}

int CDefTime::BdsToGps(WeekTime& t) {
    if (t.week <= 0) return 0;
    t.week += 1356;
    t.sow += 14.0;
    t = Normalize(t);
    return 1;
}

int CDefTime::GalToGps(WeekTime& t) {
    if (t.week <= 0) return 0;
    t.week += 1024;
    t = Normalize(t);
    return 1;
}

int CDefTime::DayOfYear(WeekTime t) {
    if (t.year == 0 && !ToCalendar(t)) return 0;
    if (t.week == 0 && !FromCalendarGps(t)) return 0;
    WeekTime jan1;
    jan1.year = t.year;
    jan1.month = 1;
    jan1.day = 1;
    if (!FromCalendarGps(jan1)) return 0;
    const double days = std::trunc(Difference(t, jan1) / kSecondsPerDay);
    if (!(std::fabs(days) <= kMaxDayOfYear)) return 0;
    return static_cast<int>(days) + 1;
}

}  // namespace baldorn
