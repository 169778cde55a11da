// GNSS time conversions, rounding helpers and the leap-second table.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "kestrin/records.h"

namespace kestrin {

constexpr double kSecondsPerWeek = 604800.0;

void GpsToCalendar(GnssTime& t);  // calendar fields from week / sow (GPS epoch 1980-01-06)
void BdsToCalendar(GnssTime& t);  // the same with the BDS epoch 2006-01-01
void CalendarToGps(GnssTime& t);  // week / sow from the calendar fields
double TimeDiff(const GnssTime& t1, const GnssTime& t2);  // seconds, from week / sow only
GnssTime ShiftTime(const GnssTime& t, double seconds);    // sow shifted, one week wrap
int DayOfYear(int year, int month, int day);
bool IsLeapYear(int year);  // Gregorian rule
int RoundToInt(double x);   // halves away from zero
double RoundToMultiple(double x, double step);
double SignedRemainder(double x, double step);

// One row of the leap-second table: the first day of the month from which value applies,
// value = -(GPS - UTC) in seconds. A row with year 0 ends the table.
struct LeapRow {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, value = 0;
    bool operator==(const LeapRow&) const = default;
};
constexpr int kLeapRows = 64;
using LeapTable = std::array<LeapRow, kLeapRows>;

// Process-wide leap-second table: built-in rows until a "leap.sec" file replaces them.
// A failed load (missing file, no recognisable line) keeps the table in use.
bool LoadLeapTable(const std::string& path);
int LeapSecondsAt(const GnssTime& t);  // GPS - UTC at a GPS time
const LeapTable& CurrentLeapTable();   // the rows in use, newest first
const LeapTable& BuiltInLeapTable();
void ResetLeapTable();  // back to the built-in rows (tests)

}  // namespace kestrin
