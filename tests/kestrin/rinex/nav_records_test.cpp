#include "rinex/nav_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/epochs.h"
#include "support/text_lines.h"

using namespace kestrin;
using testsupport::CalendarTime;
using testsupport::Lines;

namespace {

// The D19.12 text of a whole number 0..99, spelled out independently of the formatter.
std::string N(int n) {
    if (n == 0) return " 0.000000000000D+00";
    if (n < 10) return " 0." + std::to_string(n) + "00000000000D+01";
    return " 0." + std::to_string(n) + "0000000000D+02";
}

// Every double of the ephemeris set to its position 1..31, so the table of lines shows which
// field lands where.
KeplerEphemeris NumberedKepler(int sysCode, int prn) {
    KeplerEphemeris e;
    e.toc = CalendarTime(2013, 1, 1, 2, 0, 0.0);
    e.sysCode = sysCode;
    e.prn = prn;
    double* fields[] = {&e.af0,        &e.af1,         &e.af2,   &e.iode,     &e.crs,
                        &e.deltaN,     &e.m0,          &e.cuc,   &e.e,        &e.cus,
                        &e.sqrtA,      &e.toe,         &e.cic,   &e.omega0,   &e.cis,
                        &e.i0,         &e.crc,         &e.omega, &e.omegaDot, &e.idot,
                        &e.codesOnL2,  &e.dataSources, &e.week,  &e.l2PFlag,  &e.accuracy,
                        &e.health,     &e.tgd,         &e.tgd2,  &e.iodc,     &e.transmissionTime,
                        &e.fitInterval};
    int n = 1;
    for (double* f : fields) *f = n++;
    return e;
}

std::string Orbit302(int a, int b, int c, int d) {
    return "    " + N(a) + N(b) + N(c) + N(d);
}
std::string Orbit210(int a, int b, int c, int d) {
    return "   " + N(a) + N(b) + N(c) + N(d) + " ";
}

struct KeplerCase {
    const char* name;
    int sysCode;
    int prn;
    const char* firstLineStart;
    int orbit[7][4];
};

TEST(KeplerRecord, PlacesEveryFieldPerSystemIn302) {
    const KeplerCase cases[] = {
        {"GPS",
         kSysGps,
         5,
         "G05 2013 01 01 02 00 00",
         {{4, 5, 6, 7},
          {8, 9, 10, 11},
          {12, 13, 14, 15},
          {16, 17, 18, 19},
          {20, 21, 23, 24},
          {25, 26, 27, 29},
          {30, 31, 0, 0}}},
        {"QZSS from 192",
         kSysQzss,
         193,
         "J01 2013 01 01 02 00 00",
         {{4, 5, 6, 7},
          {8, 9, 10, 11},
          {12, 13, 14, 15},
          {16, 17, 18, 19},
          {20, 21, 23, 24},
          {25, 26, 27, 29},
          {30, 31, 0, 0}}},
        {"BDS",
         kSysBds,
         11,
         "C11 2013 01 01 02 00 00",
         {{4, 5, 6, 7},
          {8, 9, 10, 11},
          {12, 13, 14, 15},
          {16, 17, 18, 19},
          {20, 21, 23, 24},
          {25, 26, 27, 28},
          {30, 29, 0, 0}}},
        {"Galileo",
         kSysGalileo,
         26,
         "E26 2013 01 01 02 00 00",
         {{4, 5, 6, 7},
          {8, 9, 10, 11},
          {12, 13, 14, 15},
          {16, 17, 18, 19},
          {20, 22, 23, 0},
          {25, 26, 27, 28},
          {30, 0, 0, 0}}},
    };
    for (const KeplerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = FormatKeplerRecord(NumberedKepler(c.sysCode, c.prn), true);
        const std::vector<std::string> lines = Lines(text);
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[0], std::string(c.firstLineStart) + N(1) + N(2) + N(3));
        for (int i = 0; i < 7; ++i) {
            const int* o = c.orbit[i];
            EXPECT_EQ(lines[i + 1], Orbit302(o[0], o[1], o[2], o[3])) << "orbit line " << i + 1;
        }
        EXPECT_EQ(text.back(), '\n');
    }
}

TEST(KeplerRecord, Rinex210LinesAreEightyCharactersWithoutSystemLetter) {
    KeplerEphemeris e = NumberedKepler(kSysQzss, 193);
    e.toc.second = 29.96;
    const std::vector<std::string> lines = Lines(FormatKeplerRecord(e, false));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], " 1 13  1  1  2  0 30.0" + N(1) + N(2) + N(3) + " ");
    EXPECT_EQ(lines[1], Orbit210(4, 5, 6, 7));
    EXPECT_EQ(lines[7], Orbit210(30, 31, 0, 0));
    for (const std::string& line : lines) EXPECT_EQ(line.size(), 80u);
}

TEST(KeplerRecord, Rinex302TruncatesTheSeconds) {
    KeplerEphemeris e = NumberedKepler(kSysGps, 12);
    e.toc = CalendarTime(2016, 3, 5, 23, 59, 59.9);
    EXPECT_EQ(Lines(FormatKeplerRecord(e, true))[0].substr(0, 23), "G12 2016 03 05 23 59 59");
}

TEST(KeplerRecord, CorruptValuesStillGiveEightLines) {
    KeplerEphemeris e = NumberedKepler(kSysGps, 5);
    e.toc.year = 2147483647;
    e.toc.second = 1.0e300;
    e.af0 = std::numeric_limits<double>::infinity();
    e.af1 = std::nan("");
    e.m0 = 2.5e-310;  // subnormal
    for (bool rinex3 : {true, false}) {
        const std::vector<std::string> lines = Lines(FormatKeplerRecord(e, rinex3));
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[1].substr(rinex3 ? 61 : 60),
                  std::string(" 0.250000000000D-309") + (rinex3 ? "" : " "));
    }
}

gEphemeris NumberedGlonass(int sysCode, int prn) {
    gEphemeris g;
    g.epoch = CalendarTime(2013, 1, 1, 0, 15, 0.0);
    g.sysCode = sysCode;
    g.prn = prn;
    g.tauN = 2.5e-5;
    g.gammaN = 2;
    g.tk = 90000;
    g.aGf0 = 4;
    g.aGf1 = 5;
    g.sbasTransmissionTime = 6;
    g.x = 7;
    g.vx = 8;
    g.ax = 9;
    g.health = 10;
    g.y = 11;
    g.vy = 12;
    g.ay = 13;
    g.frequencyNumber = 14;
    g.ura = 15;
    g.z = 16;
    g.vz = 17;
    g.az = 18;
    g.ageOrIodn = 19;
    return g;
}

TEST(GlonassRecord, NegatesTauAndWrapsTkIntoTheDay) {
    const std::vector<std::string> lines =
        Lines(FormatGlonassRecord(NumberedGlonass(kSysGlonass, 7), true));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0],
              "R07 2013 01 01 00 15 00-0.250000000000D-04" + N(2) + " 0.360000000000D+04");
    EXPECT_EQ(lines[1], Orbit302(7, 8, 9, 10));
    EXPECT_EQ(lines[2], Orbit302(11, 12, 13, 14));
    EXPECT_EQ(lines[3], Orbit302(16, 17, 18, 19));
}

TEST(GlonassRecord, NegativeTkKeepsItsSign) {
    gEphemeris g = NumberedGlonass(kSysGlonass, 7);
    g.tk = -90000;
    EXPECT_EQ(Lines(FormatGlonassRecord(g, true))[0].substr(61), "-0.360000000000D+04");
}

TEST(GlonassRecord, SbasUsesItsClockTermsAndAccuracy) {
    const std::vector<std::string> lines =
        Lines(FormatGlonassRecord(NumberedGlonass(kSysSbas, 1), false));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "20 13  1  1  0 15  0.0" + N(4) + N(5) + N(6) + " ");
    EXPECT_EQ(lines[1], Orbit210(7, 8, 9, 10));
    EXPECT_EQ(lines[2], Orbit210(11, 12, 13, 15));
    EXPECT_EQ(lines[3], Orbit210(16, 17, 18, 19));
    for (const std::string& line : lines) EXPECT_EQ(line.size(), 80u);
    EXPECT_EQ(Lines(FormatGlonassRecord(NumberedGlonass(kSysSbas, 1), true))[0].substr(0, 3),
              "S20");
}

AlmanacRecord NumberedAlmanac(int sysCode, int prn) {
    AlmanacRecord a;
    a.sysCode = sysCode;
    a.prn = prn;
    a.epoch = CalendarTime(2013, 1, 6, 0, 0, 0.0);
    a.toa = 1;
    a.af0 = 2;
    a.af1 = 3;
    a.sqrtA = 4;
    a.e = 5;
    a.omega = 6;
    a.m0 = 7;
    a.omega0 = 8;
    a.omegaDot = 9;
    a.inclination = 10;
    a.health = 11;
    a.week = 12;
    a.iod = 13;
    return a;
}

TEST(AlmanacRecord, SameOrbitLinesInBothVersions) {
    for (bool rinex3 : {true, false}) {
        SCOPED_TRACE(rinex3 ? "3.02" : "2.10");
        const std::vector<std::string> lines =
            Lines(FormatAlmanacRecord(NumberedAlmanac(kSysQzss, 195), rinex3, 63));
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[0], std::string(rinex3 ? "J03 2013 01 06 00 00 00"
                                               : "J 3 13  1  6  0  0"
                                                 "  0.0") +
                                N(2) + N(3) + N(0));
        EXPECT_EQ(lines[1], Orbit302(13, 0, 0, 7));
        EXPECT_EQ(lines[2], Orbit302(0, 5, 0, 4));
        EXPECT_EQ(lines[3], Orbit302(1, 0, 8, 0));
        EXPECT_EQ(lines[4], Orbit302(10, 0, 6, 9));
        EXPECT_EQ(lines[5], Orbit302(0, 0, 12, 0));
        EXPECT_EQ(lines[6], Orbit302(0, 11, 0, 0));
        EXPECT_EQ(lines[7], Orbit302(0, 0, 0, 0));
    }
}

TEST(AlmanacRecord, SystemMaskDropsTheRecord) {
    EXPECT_EQ(FormatAlmanacRecord(NumberedAlmanac(kSysGps, 3), true, 62), "");
    EXPECT_NE(FormatAlmanacRecord(NumberedAlmanac(kSysGps, 3), true, 1), "");
    EXPECT_EQ(FormatAlmanacRecord(NumberedAlmanac(33, 3), true, 63), "");
}

TEST(NavRecordRules, DuplicateTestAllowsOneSecond) {
    const GnssTime first = CalendarTime(2013, 1, 1, 2, 0, 0.0);
    EXPECT_TRUE(RepeatsNavEpoch(first, CalendarTime(2013, 1, 1, 2, 0, 0.9)));
    EXPECT_TRUE(RepeatsNavEpoch(first, CalendarTime(2013, 1, 1, 2, 0, 1.0)));
    EXPECT_FALSE(RepeatsNavEpoch(first, CalendarTime(2013, 1, 1, 2, 0, 1.5)));
    EXPECT_FALSE(RepeatsNavEpoch(first, CalendarTime(2013, 1, 1, 2, 1, 0.0)));
    EXPECT_FALSE(RepeatsNavEpoch(first, CalendarTime(2013, 1, 2, 2, 0, 0.0)));
    EXPECT_FALSE(RepeatsNavEpoch(GnssTime{}, first));
}

TEST(NavRecordRules, SlotsStayInsideTheSatelliteTable) {
    struct SlotCase {
        int sysCode, prn, slot;
    };
    // The slot is the satellite index; QZSS 193..202 share the slots of J01..J10.
    const SlotCase cases[] = {
        {kSysGps, 32, 32},     {kSysGps, 33, -1},     {kSysGps, 0, -1},    {kSysGps, -3, -1},
        {kSysGlonass, 27, 59}, {kSysGlonass, 28, -1}, {kSysBds, 63, 122},  {kSysBds, 64, -1},
        {kSysSbas, 39, 161},   {kSysSbas, 40, -1},    {kSysQzss, 10, 171}, {kSysQzss, 193, 162},
        {kSysQzss, 202, 171},  {kSysQzss, 192, -1},   {kSysQzss, 203, -1}, {kSysGalileo, 36, 207},
        {kSysGalileo, 37, -1}, {33, 1, -1},
    };
    for (const SlotCase& c : cases) {
        EXPECT_EQ(NavSlot(c.sysCode, c.prn), c.slot) << c.sysCode << "/" << c.prn;
        if (c.slot > 0) {
            EXPECT_EQ(NavSlot(c.sysCode, c.prn), SatelliteIndex(c.sysCode, c.prn));
        }
    }
    EXPECT_EQ(PrintedNavPrn(kSysQzss, 193), 1);
    EXPECT_EQ(PrintedNavPrn(kSysQzss, 5), 5);
    EXPECT_EQ(PrintedNavPrn(kSysSbas, 1), 20);
}

}  // namespace
