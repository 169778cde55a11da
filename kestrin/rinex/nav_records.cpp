#include "rinex/nav_records.h"

#include <cmath>
#include <cstdio>

#include "rinex/dexp.h"

namespace kestrin {
namespace {

std::string D19(double v) {
    return FormatDExponent(v, 19, 12);
}

// Seconds of an epoch as written; a value far outside a minute (corrupt input) is written as
// 0 so that the line keeps its shape.
double PrintableSeconds(double s) {
    return s > -1.0e9 && s < 1.0e9 ? s : 0.0;
}
// Seconds truncated toward zero.
int TruncatedSeconds(double s) {
    return static_cast<int>(PrintableSeconds(s));
}

// One orbit line: four numbers with the version's margins (3.02: four blanks; 2.10: three
// blanks and one trailing blank, so both are 80 characters).
std::string OrbitLine(bool rinex3, double a, double b, double c, double d) {
    std::string line = rinex3 ? "    " : "   ";
    line += D19(a) + D19(b) + D19(c) + D19(d);
    if (!rinex3) line += ' ';
    line += '\n';
    return line;
}

// The first line of an ephemeris record: satellite, epoch and three clock numbers.
std::string FirstLine(bool rinex3, char letter, int prn, const GnssTime& t, double a, double b,
                      double c) {
    char text[160];
    if (rinex3) {
        std::snprintf(text, sizeof text, "%c%02d %4d %02d %02d %02d %02d %02d%s%s%s\n", letter, prn,
                      t.year, t.month, t.day, t.hour, t.minute, TruncatedSeconds(t.second),
                      D19(a).c_str(), D19(b).c_str(), D19(c).c_str());
    } else {
        std::snprintf(text, sizeof text, "%2d %2d %2d %2d %2d %2d%5.1f%s%s%s \n", prn, t.year % 100,
                      t.month, t.day, t.hour, t.minute, PrintableSeconds(t.second), D19(a).c_str(),
                      D19(b).c_str(), D19(c).c_str());
    }
    return text;
}

char SystemLetter(int32_t sysCode) {
    const int index = SystemIndex(sysCode);
    return index < 0 ? ' ' : kSystemLetters[index];
}

}  // namespace

int PrintedNavPrn(int32_t sysCode, int32_t prn) {
    if (sysCode == kSysQzss && prn >= 192) return prn - 192;
    if (sysCode == kSysSbas) return prn + 19;
    return prn;
}

int NavSlot(int32_t sysCode, int32_t prn) {
    return SatelliteIndex(sysCode, prn);
}

bool RepeatsNavEpoch(const GnssTime& last, const GnssTime& toc) {
    return last.year == toc.year && last.month == toc.month && last.day == toc.day &&
           last.hour == toc.hour && last.minute == toc.minute &&
           std::fabs(last.second - toc.second) <= 1.0;
}

bool SystemSelected(int32_t sysCode, uint8_t systemMask) {
    const int index = SystemIndex(sysCode);
    return index >= 0 && (systemMask >> index & 1) != 0;
}

std::string FormatKeplerRecord(const KeplerEphemeris& eph, bool rinex3) {
    const bool galileo = eph.sysCode == kSysGalileo;
    const bool bds = eph.sysCode == kSysBds;
    const bool gpsLike = eph.sysCode == kSysGps || eph.sysCode == kSysQzss;
    std::string text =
        FirstLine(rinex3, SystemLetter(eph.sysCode), PrintedNavPrn(eph.sysCode, eph.prn), eph.toc,
                  eph.af0, eph.af1, eph.af2);
    text += OrbitLine(rinex3, eph.iode, eph.crs, eph.deltaN, eph.m0);
    text += OrbitLine(rinex3, eph.cuc, eph.e, eph.cus, eph.sqrtA);
    text += OrbitLine(rinex3, eph.toe, eph.cic, eph.omega0, eph.cis);
    text += OrbitLine(rinex3, eph.i0, eph.crc, eph.omega, eph.omegaDot);
    if (galileo) {
        text += OrbitLine(rinex3, eph.idot, eph.dataSources, eph.week, 0.0);
    } else {
        text += OrbitLine(rinex3, eph.idot, eph.codesOnL2, eph.week, eph.l2PFlag);
    }
    text += OrbitLine(rinex3, eph.accuracy, eph.health, eph.tgd, gpsLike ? eph.iodc : eph.tgd2);
    if (bds) {
        text += OrbitLine(rinex3, eph.transmissionTime, eph.iodc, 0.0, 0.0);
    } else if (galileo) {
        text += OrbitLine(rinex3, eph.transmissionTime, 0.0, 0.0, 0.0);
    } else {
        text += OrbitLine(rinex3, eph.transmissionTime, eph.fitInterval, 0.0, 0.0);
    }
    return text;
}

std::string FormatGlonassRecord(const gEphemeris& eph, bool rinex3) {
    const bool sbas = eph.sysCode == kSysSbas;
    const double tk = std::fmod(eph.tk, 86400.0);
    std::string text;
    if (sbas) {
        text = FirstLine(rinex3, SystemLetter(eph.sysCode), PrintedNavPrn(eph.sysCode, eph.prn),
                         eph.epoch, eph.aGf0, eph.aGf1, eph.sbasTransmissionTime);
    } else {
        text = FirstLine(rinex3, SystemLetter(eph.sysCode), PrintedNavPrn(eph.sysCode, eph.prn),
                         eph.epoch, -eph.tauN, eph.gammaN, tk);
    }
    text += OrbitLine(rinex3, eph.x, eph.vx, eph.ax, eph.health);
    text += OrbitLine(rinex3, eph.y, eph.vy, eph.ay,
                      eph.sysCode == kSysGlonass ? eph.frequencyNumber : eph.ura);
    text += OrbitLine(rinex3, eph.z, eph.vz, eph.az, eph.ageOrIodn);
    return text;
}

std::string FormatAlmanacRecord(const AlmanacRecord& alm, bool rinex3, uint8_t systemMask) {
    if (!SystemSelected(alm.sysCode, systemMask)) return {};
    const char letter = SystemLetter(alm.sysCode);
    const int prn = alm.sysCode == kSysQzss && alm.prn >= 192 ? alm.prn - 192 : alm.prn;
    const GnssTime& t = alm.epoch;
    char first[160];
    if (rinex3) {
        std::snprintf(first, sizeof first, "%c%02d %4d %02d %02d %02d %02d %02d%s%s%s\n", letter,
                      prn, t.year, t.month, t.day, t.hour, t.minute, TruncatedSeconds(t.second),
                      D19(alm.af0).c_str(), D19(alm.af1).c_str(), D19(0.0).c_str());
    } else {
        std::snprintf(first, sizeof first, "%c%2d %2d %2d %2d %2d %2d%5.1f%s%s%s\n", letter, prn,
                      t.year % 100, t.month, t.day, t.hour, t.minute, PrintableSeconds(t.second),
                      D19(alm.af0).c_str(), D19(alm.af1).c_str(), D19(0.0).c_str());
    }
    // The almanac lines keep the four-blank margin in both versions.
    std::string text = first;
    text += OrbitLine(true, alm.iod, 0.0, 0.0, alm.m0);
    text += OrbitLine(true, 0.0, alm.e, 0.0, alm.sqrtA);
    text += OrbitLine(true, alm.toa, 0.0, alm.omega0, 0.0);
    text += OrbitLine(true, alm.inclination, 0.0, alm.omega, alm.omegaDot);
    text += OrbitLine(true, 0.0, 0.0, alm.week, 0.0);
    text += OrbitLine(true, 0.0, alm.health, 0.0, 0.0);
    text += OrbitLine(true, 0.0, 0.0, 0.0, 0.0);
    return text;
}

}  // namespace kestrin
