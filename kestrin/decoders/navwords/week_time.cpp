#include "decoders/navwords/week_time.h"

#include <cmath>

#include "core/gnss_time.h"

namespace kestrin {

bool ValidWeekTime(double week, double sow) {
    return week >= 0.0 && week < 20000.0 && std::isfinite(sow) && std::fabs(sow) < 1.0e7;
}

GnssTime GpsWeekTime(int week, double sow) {
    GnssTime t;
    t.week = week;
    t.sow = sow;
    GpsToCalendar(t);
    return t;
}

GnssTime BdsWeekTime(int week, double sow) {
    GnssTime t;
    t.week = week;
    t.sow = sow;
    BdsToCalendar(t);
    return t;
}

int ResolveGpsWeek10(int week10, int referenceWeek) {
    if (referenceWeek > 0 && referenceWeek < 65536)
        return week10 + 1024 * static_cast<int>(std::lround((referenceWeek - week10) / 1024.0));
    return week10 + 1024;
}

bool PlausibleLeapSeconds(int32_t seconds) {
    return seconds > 0 && seconds < 100;
}

double MoscowToUtcTimeOfDay(double moscowSeconds) {
    double t = moscowSeconds - 10800.0;
    return t < 0.0 ? t + 86400.0 : t;
}

}  // namespace kestrin
