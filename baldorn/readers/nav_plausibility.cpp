#include "readers/nav_plausibility.h"

#include <cmath>
#include <initializer_list>

namespace baldorn {
namespace {

constexpr double kPi = 3.14159265358979323846;

bool Within(double value, double limit) {
    return std::isfinite(value) && std::fabs(value) <= limit;
}

bool AllFinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

// Limits lie well outside what the broadcast fields of GPS, BeiDou, Galileo and QZSS can
// carry (the widest of them is named), so that no real record is refused.
bool PlausibleKepler(const Ephemeris& e) {
    if (!AllFinite({e.iode, e.week, e.accuracy, e.health, e.tgd2, e.iodc, e.transmissionTime,
                    e.codesOnL2, e.dataSources, e.l2pFlag, e.fitInterval}))
        return false;
    // Semi-major axis 16,000 to 49,000 km: medium orbits near 26,000-30,000 km, geostationary
    // and inclined geosynchronous ones near 42,164 km.
    if (!(e.sqrtA >= 4000.0 && e.sqrtA <= 7000.0)) return false;
    if (!(e.ecc >= 0.0 && e.ecc < 0.5)) return false;  // the most eccentric near 0.16
    return Within(e.af0, 0.0625)                       // Galileo: 31 bits of 2^-34 s
           && Within(e.af1, 1e-7)                      // Galileo: 21 bits of 2^-46 s/s
           && Within(e.af2, 1e-12)                     // GPS: 8 bits of 2^-55 s/s^2
           && Within(e.tgd, 1e-6)                      // group delays are nanoseconds
           && Within(e.toe, 7 * 86400.0)               // seconds of week
           && Within(e.m0, 2 * kPi + 1e-6) && Within(e.omega0, 2 * kPi + 1e-6) &&
           Within(e.omega, 2 * kPi + 1e-6) && Within(e.i0, kPi + 1e-6) &&
           Within(e.deltaN, 1e-6)                       // GPS: 16 bits of 2^-43 semicircles/s
           && Within(e.omegaDot, 1e-5)                  // GPS: 24 bits of 2^-43 semicircles/s
           && Within(e.idot, 1e-6)                      // GPS: 14 bits of 2^-43 semicircles/s
           && Within(e.crs, 1e4) && Within(e.crc, 1e4)  // metres; GPS: 16 bits of 2^-5 m
           && Within(e.cuc, 1e-2) && Within(e.cus, 1e-2) && Within(e.cic, 1e-2) &&
           Within(e.cis, 1e-2);  // radians; GPS: 16 bits of 2^-29 rad
}

// GLONASS and SBAS state vectors (metres, m/s, m/s^2 as read).
bool PlausibleStateVector(const gEphemeris& g) {
    if (!AllFinite({g.frameTime, g.health, g.freqNumber, g.ura, g.age})) return false;
    const double r = std::sqrt(g.x * g.x + g.y * g.y + g.z * g.z);
    const double v = std::sqrt(g.vx * g.vx + g.vy * g.vy + g.vz * g.vz);
    // GLONASS orbits near 25,500 km, geostationary SBAS satellites near 42,164 km.
    if (!(r >= 1.0e7 && r <= 5.0e7)) return false;
    if (!(v <= 1.0e4)) return false;
    return Within(g.ax, 0.1) && Within(g.ay, 0.1) && Within(g.az, 0.1) &&
           Within(g.clockBias, 0.0625) && Within(g.relFreqBias, 1e-6);
}

}  // namespace baldorn
