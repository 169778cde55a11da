// Observation and navigation records of the positioning library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "time/week_time.h"

namespace baldorn {

// System codes: the value of `systemCode` in every record. They name a system only;
// per-satellite tables are indexed by SatIndexOf (below), never by systemCode + PRN.
inline constexpr int kGps = 0;
inline constexpr int kGlonass = 32;
inline constexpr int kBds = 56;
inline constexpr int kSbas = 76;
inline constexpr int kQzss = 96;
inline constexpr int kGalileo = 116;

inline constexpr int kSystemCount = 6;
// PRN ranges of the systems: GPS 1..32, GLONASS slots 1..27, BDS 1..63, SBAS 1..39 (S20..S58),
// QZSS 1..10, Galileo 1..36. satIndex runs 1..kMaxSatIndex through the systems in the order
// GPS, GLONASS, BDS, SBAS, QZSS, Galileo.
inline constexpr int kMaxSatIndex = 32 + 27 + 63 + 39 + 10 + 36;
inline constexpr int kSlotCount = 5;
inline constexpr int kNoPriority = 22;

int SystemCodeFromLetter(char letter);
// True for the letters of the systems this library computes (G, R, C, E, J, S, and the blank
// RINEX 2 writes for GPS). Satellites, code lists and ephemerides of any other system (IRNSS
// "I", for example) are left out on reading rather than taken for GPS satellites.
bool ModelledSystemLetter(char letter);
int SystemIndexFromCode(int systemCode);
int SystemCodeFromIndex(int systemIndex);
// Number of PRNs of a system's block (GPS 32, GLONASS 27, BDS 63, SBAS 39, QZSS 10,
// Galileo 36); 0 for an unknown system code.
int BlockSize(int systemCode);
// 1..kMaxSatIndex when the PRN lies inside its system's block, else 0.
int SatIndexOf(int systemCode, int prn);
// The system code of a satIndex, -1 when it is not one.
int SystemCodeOfSatIndex(int satIndex);

struct BlockData {
    int32_t priority = kNoPriority;
    double pseudorange = 0.0;
    double phase = 0.0;
    double doppler = 0.0;
    double snr = 0.0;
    int32_t lli = 0;
};

struct SatelliteData {
    int32_t systemCode = 0;
    int32_t prn = 0;
    int32_t glonassChannel = 100;
    std::vector<BlockData> blocks;
};

struct OBSERVATIONS {
    WeekTime time;
    double clockOffset = 0.0;
    uint8_t epochFlag = 0;
    std::vector<SatelliteData> sats;
};

struct ObsHeader {
    std::string firstObs;
    std::string lastObs;
    std::string receiverNumber;
    std::string receiverType;
    std::string receiverVersion;
    double approxX = 0.0;
    double approxY = 0.0;
    double approxZ = 0.0;
    int32_t antennaNumber = 0;
    std::string antennaType;
    double deltaH = 0.0;
    double deltaE = 0.0;
    double deltaN = 0.0;
    std::string markerName;
    int32_t markerNumber = 0;
    int32_t measureMethod = 0;
    int32_t measureExtra = 0;
    double measuredHeight = 0.0;
    double antennaParams[5] = {0, 0, 0, 0, 0};
    int32_t rover = 0;
    std::vector<std::string> codes[kSystemCount];
    int32_t systemsPresent = 0;
};

struct MarkPoint {
    WeekTime start;
    WeekTime end;
    std::string markerName;
    std::string typeText;
    int32_t markerNumber = 0;
    int32_t antennaNumber = 0;
    double x = 0.0, y = 0.0, z = 0.0;
    double deltaN = 0.0, deltaE = 0.0, deltaH = 0.0;
    int32_t moving = 0;
};

struct ExtEvent {
    WeekTime time;
    WeekTime lastEpochTime;
    uint8_t kind = 0;
    uint8_t port = 1;
    int16_t number = 0;
};

struct ObsFile {
    ObsHeader header;
    std::vector<ExtEvent> events;
    std::vector<MarkPoint> sites;
    std::vector<OBSERVATIONS> epochs;
    // Damaged records passed over (a missing or unreadable line); reading went on at the next
    // epoch line.
    int skippedRecords = 0;
};

struct IonoUtcParams {
    int32_t valid = 0;
    double alpha0 = 0, alpha1 = 0, alpha2 = 0, alpha3 = 0;
    double beta0 = 0, beta1 = 0, beta2 = 0, beta3 = 0;
    int32_t utcWeek = 0;
    int32_t utcTime = 0;
    double a0 = 0;
    double a1 = 0;
};

struct Ephemeris {
    WeekTime toc;
    int32_t prn = 0;
    int32_t systemCode = 0;
    double af0 = 0, af1 = 0, af2 = 0, iode = 0, crs = 0, deltaN = 0, m0 = 0, cuc = 0, ecc = 0,
           cus = 0, sqrtA = 0, toe = 0, cic = 0, omega0 = 0, cis = 0, i0 = 0, crc = 0, omega = 0,
           omegaDot = 0, idot = 0, codesOnL2 = 0, dataSources = 0, week = 0, l2pFlag = 0,
           accuracy = 0, health = 0, tgd = 0, tgd2 = 0, iodc = 0, transmissionTime = 0,
           fitInterval = 4, spare = 0;
};

struct gEphemeris {
    WeekTime time;
    int32_t systemCode = 0;
    int32_t prn = 0;
    double clockBias = 0, relFreqBias = 0, frameTime = 0, spare = 0;
    double x = 0, vx = 0, ax = 0, health = 0;
    double y = 0, vy = 0, ay = 0, freqNumber = 0;
    double ura = 0;
    double z = 0, vz = 0, az = 0, age = 0;
};

struct NavFile {
    IonoUtcParams ionoUtc[kSystemCount];
    std::vector<Ephemeris> kepler;
    std::vector<gEphemeris> glonass;
};

}  // namespace baldorn
