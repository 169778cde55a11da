// Text of RINEX navigation records (2.10 and 3.02) for broadcast ephemerides and almanacs.
// Pure formatters: they neither filter duplicates nor write files.
#pragma once

#include <cstdint>
#include <string>

#include "kestrin/records.h"

namespace kestrin {

// One decoded almanac, in the units of the navigation record.
struct AlmanacRecord {
    int32_t sysCode = 0;
    int32_t prn = 0;
    GnssTime epoch;  // reference epoch from the almanac week and toa
    double toa = 0, af0 = 0, af1 = 0, sqrtA = 0, e = 0, omega = 0, m0 = 0, omega0 = 0, omegaDot = 0,
           inclination = 0, health = 0, week = 0, iod = 0;

    void Init() { *this = AlmanacRecord{}; }
};

// The PRN a navigation record prints: QZSS numbers from 192 on count from 192, SBAS adds 19.
int PrintedNavPrn(int32_t sysCode, int32_t prn);

// The slot of the last-record table (the satellite index, see SatelliteIndex) that the
// duplicate test of an ephemeris uses, or -1 when the ephemeris has no valid satellite: an
// unknown system, PRN 0 or a PRN beyond its system's range. QZSS PRNs 193..202 use the slot
// of prn - 192, the number they are printed with.
int NavSlot(int32_t sysCode, int32_t prn);

// True when `toc` repeats `last`: same year, month, day, hour and minute, seconds at most 1 s
// apart.
bool RepeatsNavEpoch(const GnssTime& last, const GnssTime& toc);

// True when the system of `sysCode` is selected in the satellite-system mask.
bool SystemSelected(int32_t sysCode, uint8_t systemMask);

// One record of eight lines for GPS, QZSS, BDS or Galileo.
std::string FormatKeplerRecord(const KeplerEphemeris& eph, bool rinex3);
// One record of four lines for GLONASS or SBAS.
std::string FormatGlonassRecord(const gEphemeris& eph, bool rinex3);
// One almanac record of eight lines; empty when the system is not selected by the mask.
std::string FormatAlmanacRecord(const AlmanacRecord& alm, bool rinex3, uint8_t systemMask);

}  // namespace kestrin
