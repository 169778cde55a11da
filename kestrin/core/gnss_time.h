// GNSS time conversions, rounding helpers and the leap-second table.
#pragma once

#include <string>

#include "kestrin/records.h"

namespace kestrin {

void GpsToCalendar(GnssTime& t);   // calendar fields from week / sow (GPS epoch 1980-01-06)
void BdsToCalendar(GnssTime& t);   // the same with the BDS epoch 2006-01-01
void CalendarToGps(GnssTime& t);   // week / sow from the calendar fields
double TimeDiff(const GnssTime& t1, const GnssTime& t2);  // seconds, from week / sow only
GnssTime ShiftTime(const GnssTime& t, double seconds);     // sow shifted, one week wrap
int DayOfYear(int year, int month, int day);
int RoundToInt(double x);                    // halves away from zero
double RoundToMultiple(double x, double step);
double SignedRemainder(double x, double step);

// Process-wide leap-second table: built-in rows until a "leap.sec" file replaces them.
bool LoadLeapTable(const std::string& path);
int LeapSecondsAt(const GnssTime& t);       // GPS - UTC at a GPS time
void ResetLeapTable();                      // back to the built-in rows (tests)

}  // namespace kestrin
