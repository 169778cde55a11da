// Satellite positions, velocities and clocks at signal transmission from broadcast
// ephemerides: Keplerian orbits (GPS, BDS, QZSS, Galileo), integrated GLONASS state vectors
// and SBAS state vectors.
#pragma once

#include <cstdint>
#include <vector>

#include "coords/coordinate.h"
#include "readers/records.h"

namespace baldorn {

inline constexpr double kSpeedOfLight = 299792458.0;

struct SatParam {
    Vector3 pos;
    Vector3 vel;
    int32_t valid = 0;
    int32_t used = 0;
    double azimuth = 0.0;
    double elevation = 0.0;
    double clock = 0.0;       // seconds
    double clockDrift = 0.0;  // s/s
    // Broadcast group delay of the first-frequency code (GPS/QZSS TGD, BDS TGD1, Galileo
    // BGD E5b/E1), seconds; a single-frequency user subtracts it from the satellite clock.
    double groupDelay = 0.0;
};

struct SystemConstants {
    double ageLimit;
    double earthRate;
    double gm;
};
const SystemConstants& ConstantsOf(int systemCode);

int SelectKepler(const WeekTime& txTime, const SatelliteData& satellite,
                 const std::vector<Ephemeris>& kepler);
int SelectGlonass(const WeekTime& txTime, const SatelliteData& satellite,
                  const std::vector<gEphemeris>& glonass);
double ClockAtTransmission(const WeekTime& txTime, const Ephemeris& record);
double ClockAtTransmission(const WeekTime& txTime, const gEphemeris& record);

Vector3 OrbitKepler(const WeekTime& t, const Ephemeris& eph, double* clockOut);
// GLONASS (integrated, then transformed to WGS-84) and SBAS (second-order series).
Vector3 OrbitGlonass(const WeekTime& t, const gEphemeris& geph, double* clockOut);

// Fills one SatParam per satellite of the epoch; 1 when at least one satellite is valid.
int ComputeSatellites(const OBSERVATIONS& epoch, const std::vector<Ephemeris>& kepler,
                      const std::vector<gEphemeris>& glonass, std::vector<SatParam>& satParams);

}  // namespace baldorn
