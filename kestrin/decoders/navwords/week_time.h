// Week and time helpers shared by the decoders: GPS / BDS week + seconds to a full time, the
// check that keeps corrupt week or second fields out of the calendar conversions, the
// resolution of a 10-bit broadcast week, the plausibility of a GPS - UTC count and the
// Moscow to UTC time of day.
#pragma once

#include <cstdint>

#include "kestrin/records.h"

namespace kestrin {

// Week and seconds a calendar conversion can take (week 0..19999, |seconds| below 10^7).
bool ValidWeekTime(double week, double sow);
// GPS (BDS) week and seconds of week with the calendar fields filled.
GnssTime GpsWeekTime(int week, double sow);
GnssTime BdsWeekTime(int week, double sow);
// The full GPS week of a 10-bit broadcast week: the rollover nearest to referenceWeek, or
// the second rollover (1024..2047) without a usable reference (0 or beyond 65535).
int ResolveGpsWeek10(int week10, int referenceWeek);
// GPS - UTC in whole seconds as a receiver may report it: 1..99. Anything else is not taken.
bool PlausibleLeapSeconds(int32_t seconds);
// Moscow time of day (GLONASS tk) to seconds of the UTC day: three hours back, wrapped into
// the day.
double MoscowToUtcTimeOfDay(double moscowSeconds);

}  // namespace kestrin
