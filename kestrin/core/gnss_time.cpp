#include "core/gnss_time.h"

#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kestrin {
namespace {

constexpr int64_t kDaysPer400Years = 146097;
constexpr double kMaxSeconds = 1e15;  // about 31 million years
constexpr int kMaxOffset = 1000000;   // TAI-UTC of a leap-second file line, seconds
constexpr int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr const char* kMonthNames[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

int MonthLength(int year, int month) {
    return month == 2 && IsLeapYear(year) ? 29 : kMonthLength[month - 1];
}

// Shared by the GPS and BDS variants: epochYear is the year of the epoch, dayOffset makes
// 1 January of that year day 1.
void WeekToCalendar(GnssTime& t, int epochYear, int dayOffset) {
    // Seconds that are not a number, or so large that their day count leaves the integer
    // range (a corrupt time field), are read as 0 instead of overflowing the conversion.
    const double sow = std::isfinite(t.sow) && std::fabs(t.sow) < kMaxSeconds ? t.sow : 0.0;
    int64_t d = static_cast<int64_t>(std::floor((sow + 1e-6) / 86400.0)) +
                7 * static_cast<int64_t>(t.week) + dayOffset;
    // Whole 400-year cycles first: the Gregorian calendar repeats after kDaysPer400Years, so
    // the year-by-year count below stays short however far from the epoch the time lies.
    int64_t year = epochYear;
    if (d > kDaysPer400Years) {
        const int64_t cycles = (d - 1) / kDaysPer400Years;
        d -= cycles * kDaysPer400Years;
        year += 400 * cycles;
    }
    const int64_t startYear = year;
    year += d / 365;
    for (int64_t y = startYear; y < year; ++y) d -= 365 + (IsLeapYear(static_cast<int>(y)) ? 1 : 0);
    if (d < 1) {
        --year;
        d += 365 + (IsLeapYear(static_cast<int>(year)) ? 1 : 0);
    }
    int month = 12;
    for (int m = 1; m <= 12; ++m) {
        const int length = MonthLength(static_cast<int>(year), m);
        if (d - length < 1) {
            month = m;
            break;
        }
        d -= length;
    }
    t.year = static_cast<int32_t>(year);
    t.month = month;
    t.day = static_cast<int32_t>(d);

    const double h = std::floor((sow + 1e-6) / 3600.0);
    const double r = sow - 3600.0 * h;
    const int64_t hours = static_cast<int64_t>(h);
    t.hour = static_cast<int32_t>(((hours % 24) + 24) % 24);
    t.minute = static_cast<int32_t>(std::floor((r + 1e-6) / 60.0));
    const double second = r - 60.0 * t.minute;
    t.second = second < 0.0 ? 0.0 : second;
}

LeapTable MakeBuiltIn() {
    static constexpr int kRows[18][3] = {
        {2017, 1, -18}, {2015, 7, -17}, {2012, 7, -16}, {2009, 1, -15}, {2006, 1, -14},
        {1999, 1, -13}, {1997, 7, -12}, {1996, 1, -11}, {1994, 7, -10}, {1993, 7, -9},
        {1992, 7, -8},  {1991, 1, -7},  {1990, 1, -6},  {1988, 1, -5},  {1985, 7, -4},
        {1983, 7, -3},  {1982, 7, -2},  {1981, 7, -1}};
    LeapTable table{};
    for (int i = 0; i < 18; ++i) table[i] = {kRows[i][0], kRows[i][1], 1, 0, 0, 0, kRows[i][2]};
    return table;
}

LeapTable& Table() {
    static LeapTable table = MakeBuiltIn();
    return table;
}

// Month number 1..12 of an upper-case three-letter name, 0 when it is none.
int MonthNumber(const char* name) {
    for (int i = 0; i < 12; ++i) {
        if (std::strcmp(name, kMonthNames[i]) == 0) return i + 1;
    }
    return 0;
}

enum class Layout { kA, kB, kC, kD };

// Reads one layout from the start of the file; returns the accepted rows newest first.
std::vector<LeapRow> ReadLayout(std::FILE* file, Layout layout) {
    std::rewind(file);
    std::vector<LeapRow> rows;
    char line[256];
    char month[256];
    while (std::fgets(line, sizeof line, file)) {
        if (layout == Layout::kA) {
            if (char* hash = std::strchr(line, '#')) *hash = '\0';
            LeapRow r;
            if (std::sscanf(line, "%d %d %d %d %d %d %d", &r.year, &r.month, &r.day, &r.hour,
                            &r.minute, &r.second, &r.value) == 7) {
                rows.push_back(r);
                if (rows.size() == kLeapRows) break;
            }
            continue;
        }
        int year = 0, day = 0;
        int monthNumber = 0;
        LeapRow r;
        if (layout == Layout::kB) {
            double jd = 0, taiUtc = 0;
            if (std::sscanf(line, "%d %255s %d =JD %lf TAI-UTC= %lf", &year, month, &day, &jd,
                            &taiUtc) != 5)
                continue;
            monthNumber = MonthNumber(month);
            // A TAI-UTC beyond any offset a table can hold makes the line no row.
            if (year < 1980 || monthNumber == 0 || !(std::fabs(taiUtc) < kMaxOffset)) continue;
            r = {year, monthNumber, day, 0, 0, 0, static_cast<int32_t>(19.0 - taiUtc)};
        } else if (layout == Layout::kD) {
            long long ntp = 0;
            int taiUtc = 0;
            if (std::sscanf(line, "%lld %d # %d %255s %d", &ntp, &taiUtc, &day, month, &year) != 5)
                continue;
            monthNumber = MonthNumber(month);
            if (year < 1980 || monthNumber == 0 || taiUtc <= -kMaxOffset || taiUtc >= kMaxOffset)
                continue;
            r = {year, monthNumber, day, 0, 0, 0, 19 - taiUtc};
        } else {
            double increment = 0;
            if (std::sscanf(line, "%lf ! %d %255s %d LEAP SEC INCREMENT", &increment, &day, month,
                            &year) != 4)
                continue;
            if (year < 1980) continue;
            // Each listed increment adds one second: the i-th change since 1980 makes
            // GPS - UTC = i + 1 (the first, 1981-06-30, gives 1 s).
            const int32_t value = -static_cast<int32_t>(rows.size() + 1);
            if (std::strcmp(month, "JUN") == 0) {
                r = {year, 7, 1, 0, 0, 0, value};
            } else if (std::strcmp(month, "DEC") == 0) {
                r = {year + 1, 1, 1, 0, 0, 0, value};
            } else {
                continue;
            }
        }
        rows.push_back(r);
    }
    if (layout != Layout::kA) {
        // Oldest first in the file: keep the newest rows when there are too many.
        if (rows.size() > kLeapRows) rows.erase(rows.begin(), rows.end() - kLeapRows);
        std::vector<LeapRow> reversed(rows.rbegin(), rows.rend());
        rows = std::move(reversed);
    }
    return rows;
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

void GpsToCalendar(GnssTime& t) {
    WeekToCalendar(t, 1980, 6);
}

void BdsToCalendar(GnssTime& t) {
    WeekToCalendar(t, 2006, 1);
}

void CalendarToGps(GnssTime& t) {
    int64_t year = t.year;
    if (year < 1980) year += year < 80 ? 2000 : 1900;
    int64_t d = 365 * year + (year - 1980) / 4 - 722704;
    if (year % 4 == 0 && t.month <= 2) --d;
    if (t.month >= 1 && t.month <= 12) d += kDaysBeforeMonth[t.month - 1];
    d += t.day - 1;
    const int64_t week = d / 7;
    const int64_t w = d - 7 * week;
    t.week = static_cast<int32_t>(week);
    t.sow = ((static_cast<double>(w) * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
}

double TimeDiff(const GnssTime& t1, const GnssTime& t2) {
    return (static_cast<double>(t1.week) - t2.week) * kSecondsPerWeek + (t1.sow - t2.sow);
}

GnssTime ShiftTime(const GnssTime& t, double seconds) {
    GnssTime r = t;
    r.sow = t.sow + seconds;
    if (r.sow >= kSecondsPerWeek) {
        r.sow -= kSecondsPerWeek;
        ++r.week;
    } else if (r.sow < 0.0) {
        r.sow += kSecondsPerWeek;
        --r.week;
    }
    return r;
}

int DayOfYear(int year, int month, int day) {
    int n = day;
    for (int m = 1; m < month && m <= 12; ++m) n += kMonthLength[m - 1];
    if (IsLeapYear(year) && month > 2) ++n;
    return n;
}

int RoundToInt(double x) {
    // Values outside the int range saturate instead of overflowing; NaN gives 0.
    if (!(x == x)) return 0;
    const double r = x >= 0.0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
    if (r >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (r <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(r);
}

double RoundToMultiple(double x, double step) {
    if (step == 0.0) return x;
    const double q = x / step;
    return step * (q >= 0.0 ? std::trunc(q + 0.5) : std::trunc(q - 0.5));
}

double SignedRemainder(double x, double step) {
    return x - RoundToMultiple(x, step);
}

bool LoadLeapTable(const std::string& path) {
    if (path.empty()) return false;
    // Only a regular file: opening a pipe of that name would wait for a writer for ever.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return false;
    std::vector<LeapRow> rows;
    for (Layout layout : {Layout::kA, Layout::kB, Layout::kD, Layout::kC}) {
        rows = ReadLayout(file, layout);
        if (!rows.empty()) break;
    }
    std::fclose(file);
    if (rows.empty()) return false;
    LeapTable& table = Table();
    for (size_t i = 0; i < rows.size(); ++i) table[i] = rows[i];
    if (rows.size() < kLeapRows) table[rows.size()] = LeapRow{};
    return true;
}

int LeapSecondsAt(const GnssTime& t) {
    for (const LeapRow& row : Table()) {
        if (row.year == 0) break;
        GnssTime u = ShiftTime(t, row.value);
        GpsToCalendar(u);
        if (row.year < u.year || (row.year == u.year && u.month >= row.month)) {
            // Negated in 64 bits: a table row read from a file may hold any int value.
            return static_cast<int>(-static_cast<int64_t>(row.value));
        }
    }
    return 0;
}

const LeapTable& CurrentLeapTable() {
    return Table();
}

const LeapTable& BuiltInLeapTable() {
    static const LeapTable builtIn = MakeBuiltIn();
    return builtIn;
}

void ResetLeapTable() {
    Table() = BuiltInLeapTable();
}

}  // namespace kestrin
