#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/raw_converter.h"
#include "rinex/nav_records.h"
#include "support/epochs.h"
#include "support/temp_dir.h"

using namespace kestrin;

namespace {

// A time of clock on 2013-01-01.
GnssTime Toc(int hour, int minute, double second) {
    return testsupport::CalendarTime(2013, 1, 1, hour, minute, second);
}

KeplerEphemeris Kepler(int sysCode, int prn, const GnssTime& toc) {
    KeplerEphemeris e;
    e.sysCode = sysCode;
    e.prn = prn;
    e.toc = toc;
    e.sqrtA = 5153.6;
    return e;
}

gEphemeris Glonass(int sysCode, int prn, const GnssTime& epoch) {
    gEphemeris g;
    g.sysCode = sysCode;
    g.prn = prn;
    g.epoch = epoch;
    g.x = 12345.678;
    return g;
}

class NavWriter : public ::testing::Test {
  protected:
    void Open(bool mixed = false, uint8_t mask = 63) {
        writer.options.fileTitle = "nav";
        writer.options.rinex3 = 1;
        writer.options.mixedV302 = mixed ? 1 : 0;
        writer.options.systemMask = mask;
        ASSERT_TRUE(writer.OpenTempFiles());
    }
    std::string Temp(int index) {
        std::fflush(writer.tempFiles[index]);
        return testsupport::ReadFile(writer.tempNames[index]);
    }
    void TearDown() override { writer.CloseTempFiles(); }

    RawConverter writer;
};

TEST_F(NavWriter, DropsRepeatsWithinOneSecondOfTheSameMinute) {
    Open();
    const std::string first = writer.WriteKeplerNavRecord(Kepler(kSysGps, 5, Toc(2, 0, 0.0)));
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysGps, 5, Toc(2, 0, 0.9))), "");
    const std::string next = writer.WriteKeplerNavRecord(Kepler(kSysGps, 5, Toc(2, 1, 0.0)));
    EXPECT_FALSE(next.empty());
    // Another satellite with the same time of clock is no repeat.
    const std::string other = writer.WriteKeplerNavRecord(Kepler(kSysGps, 6, Toc(2, 1, 0.0)));
    EXPECT_FALSE(other.empty());
    EXPECT_EQ(Temp(kTempGpsNav), first + next + other);
}

TEST_F(NavWriter, GlonassAndSbasUseTheirOwnSlots) {
    Open();
    const std::string r = writer.WriteGlonassNavRecord(Glonass(kSysGlonass, 3, Toc(0, 15, 0)));
    const std::string s = writer.WriteGlonassNavRecord(Glonass(kSysSbas, 3, Toc(0, 15, 0)));
    EXPECT_EQ(r.substr(0, 3), "R03");
    EXPECT_EQ(s.substr(0, 3), "S22");
    EXPECT_EQ(writer.WriteGlonassNavRecord(Glonass(kSysGlonass, 3, Toc(0, 15, 1))), "");
    EXPECT_EQ(Temp(kTempGlonassNav), r);
    EXPECT_EQ(Temp(kTempSbasNav), s);
}

TEST_F(NavWriter, MaskedSystemWritesNothingButStillCountsAsSeen) {
    Open(false, 63 & ~(1 << 2));
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysBds, 7, Toc(2, 0, 0))), "");
    EXPECT_EQ(Temp(kTempBdsNav), "");
    writer.options.systemMask = 63;
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysBds, 7, Toc(2, 0, 0))), "");
    EXPECT_NE(writer.WriteKeplerNavRecord(Kepler(kSysBds, 7, Toc(4, 0, 0))), "");
}

TEST_F(NavWriter, EachSystemGoesToItsTemporaryFile) {
    Open();
    struct Route {
        int sysCode, prn, temp;
    };
    const Route routes[] = {{kSysGps, 1, kTempGpsNav},
                            {kSysBds, 2, kTempBdsNav},
                            {kSysQzss, 3, kTempQzssNav},
                            {kSysGalileo, 4, kTempGalileoNav}};
    for (const Route& r : routes) {
        const std::string text =
            writer.WriteKeplerNavRecord(Kepler(r.sysCode, r.prn, Toc(2, 0, 0)));
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(Temp(r.temp), text) << r.sysCode;
    }
    EXPECT_EQ(Temp(kTempObs), "");
    EXPECT_EQ(Temp(kTempGlonassNav), "");
}

TEST_F(NavWriter, MixedFileCollectsEverySystemInCallOrder) {
    Open(true);
    std::string expected;
    expected += writer.WriteKeplerNavRecord(Kepler(kSysGalileo, 11, Toc(2, 0, 0)));
    expected += writer.WriteGlonassNavRecord(Glonass(kSysGlonass, 3, Toc(2, 15, 0)));
    expected += writer.WriteKeplerNavRecord(Kepler(kSysGps, 1, Toc(2, 0, 0)));
    expected += writer.WriteGlonassNavRecord(Glonass(kSysSbas, 1, Toc(2, 15, 0)));
    expected += writer.WriteKeplerNavRecord(Kepler(kSysBds, 1, Toc(2, 0, 0)));
    EXPECT_EQ(expected.size(), 8u * 81 * 3 + 4u * 81 * 2);
    EXPECT_EQ(Temp(kTempGpsNav), expected);
    for (int i = kTempGlonassNav; i < kTempFileCount; ++i) EXPECT_EQ(Temp(i), "") << i;
}

TEST_F(NavWriter, SatelliteNumbersOutsideTheTableAreHandledWithoutOverrun) {
    Open();
    // QZSS PRNs from 192 on are the satellites 1.. of the system: written, deduplicated
    // against their short number.
    const std::string j01 = writer.WriteKeplerNavRecord(Kepler(kSysQzss, 193, Toc(2, 0, 0)));
    EXPECT_EQ(j01.substr(0, 3), "J01");
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysQzss, 1, Toc(2, 0, 0))), "");
    EXPECT_NE(writer.WriteKeplerNavRecord(Kepler(kSysQzss, 202, Toc(2, 0, 0))), "");
    // No satellite number: dropped.
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysGps, 0, Toc(2, 0, 0))), "");
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysGps, -5, Toc(2, 0, 0))), "");
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysGalileo, 40, Toc(2, 0, 0))), "");
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysQzss, 100000, Toc(2, 0, 0))), "");
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(7, 1, Toc(2, 0, 0))), "");
    EXPECT_EQ(writer.WriteGlonassNavRecord(Glonass(kSysGlonass, 30, Toc(2, 0, 0))), "");
    EXPECT_EQ(writer.WriteGlonassNavRecord(Glonass(kSysSbas, 0, Toc(2, 0, 0))), "");
    EXPECT_EQ(Temp(kTempGpsNav), "");
    EXPECT_EQ(Temp(kTempGalileoNav), "");
}

TEST_F(NavWriter, Rinex210RecordsCarryNoLetter) {
    Open();
    writer.options.rinex3 = 0;
    const std::string text = writer.WriteKeplerNavRecord(Kepler(kSysGalileo, 12, Toc(2, 0, 0)));
    EXPECT_EQ(text.substr(0, 22), "12 13  1  1  2  0  0.0");
    EXPECT_EQ(text.find('\n'), 80u);
}

TEST_F(NavWriter, AlmanacRecordsFollowVersionAndMask) {
    Open(false, 1);
    AlmanacRecord alm;
    alm.sysCode = kSysGps;
    alm.prn = 9;
    alm.epoch = Toc(0, 0, 0);
    EXPECT_EQ(writer.FormatAlmanacRecord(alm).substr(0, 3), "G09");
    alm.sysCode = kSysGlonass;
    EXPECT_EQ(writer.FormatAlmanacRecord(alm), "");
    EXPECT_EQ(Temp(kTempGpsNav), "");
}

}  // namespace
