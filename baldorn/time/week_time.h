// GNSS time of the positioning library: week number plus seconds of week, with calendar fields.
#pragma once

#include <cstdint>

namespace baldorn {

inline constexpr double kSecondsPerWeek = 604800.0;
inline constexpr double kSecondsPerDay = 86400.0;

struct WeekTime {
    int32_t week = 0;
    double sow = 0.0;
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    double second = 0.0;
};

// A time counts as set when its calendar year is plausible or, failing that, its week is.
bool IsSet(const WeekTime& t);

// Stateless conversions between calendar fields and week/seconds of week in GPS time, BDT and
// Galileo system time, plus the built-in GPS-UTC leap-second table.
class CDefTime {
  public:
    static WeekTime Normalize(WeekTime t);
    static WeekTime AddSeconds(WeekTime t, double x);
    static WeekTime SubtractSeconds(WeekTime t, double x);
    static double Difference(const WeekTime& t1, const WeekTime& t2);

    static int ToCalendar(WeekTime& t);
    static int FromCalendarGps(WeekTime& t);
    static int FromCalendarBds(WeekTime& t);
    static int FromCalendarGal(WeekTime& t);

    static int LeapSecondsAt(const WeekTime& t);
    static int UtcToGps(WeekTime& t);
    static int BdsToGps(WeekTime& t);
    static int GalToGps(WeekTime& t);
    static int DayOfYear(WeekTime t);
};

}  // namespace baldorn
