#include <gtest/gtest.h>

#include "kestrin/records.h"

TEST(Records, SystemIndexKnowsOnlyTheSixBaseCodes) {
    EXPECT_EQ(SystemIndex(kSysGps), 0);
    EXPECT_EQ(SystemIndex(kSysGlonass), 1);
    EXPECT_EQ(SystemIndex(kSysBds), 2);
    EXPECT_EQ(SystemIndex(kSysSbas), 3);
    EXPECT_EQ(SystemIndex(kSysQzss), 4);
    EXPECT_EQ(SystemIndex(kSysGalileo), 5);
    EXPECT_EQ(SystemIndex(33), -1);
    EXPECT_EQ(SystemIndex(-1), -1);
}

TEST(Records, CopiesAreDeep) {
    OBSERVATIONS a;
    SatelliteData s;
    s.sysCode = kSysGps;
    s.prn = 5;
    BlockData b;
    b.pseudorange = 2.0e7;
    s.blocks.push_back(b);
    a.sats.push_back(s);
    OBSERVATIONS copy = a;
    copy.sats[0].blocks[0].pseudorange = 1.0;
    EXPECT_EQ(a.sats[0].blocks[0].pseudorange, 2.0e7);
    EXPECT_EQ(FindSatellite(kSysGps, 5, a.sats), 0);
    EXPECT_EQ(FindSatellite(kSysGps, 6, a.sats), -1);
    EXPECT_EQ(FindSatellite(kSysGalileo, 5, a.sats), -1);
}

TEST(Records, SatelliteIndexCoversEachSystemRangeOnce) {
    struct Case {
        int32_t sysCode;
        int32_t prn;
        int index;  // -1: no index
    };
    const Case cases[] = {
        {kSysGps, 1, 1},
        {kSysGps, 32, 32},
        {kSysGps, 0, -1},
        {kSysGps, 33, -1},
        {kSysGps, -1, -1},
        {kSysGlonass, 1, 33},
        {kSysGlonass, 24, 56},
        {kSysGlonass, 27, 59},
        {kSysGlonass, 0, -1},
        {kSysGlonass, 28, -1},
        {kSysBds, 1, 60},
        {kSysBds, 21, 80},
        {kSysBds, 63, 122},
        {kSysBds, 64, -1},
        {kSysSbas, 1, 123},
        {kSysSbas, 39, 161},
        {kSysSbas, 40, -1},
        {kSysQzss, 1, 162},
        {kSysQzss, 10, 171},
        {kSysQzss, 11, -1},
        {kSysQzss, 193, 162},
        {kSysQzss, 202, 171},
        {kSysQzss, 192, -1},
        {kSysQzss, 203, -1},
        {kSysGalileo, 1, 172},
        {kSysGalileo, 36, 207},
        {kSysGalileo, 37, -1},
        {kSysGalileo, 0, -1},
        {33, 1, -1},
        {-1, 1, -1},
        {kSysGalileo + 1, 1, -1},
        {kSysGps, 100000, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SatelliteIndex(c.sysCode, c.prn), c.index) << c.sysCode << "/" << c.prn;
    }
    EXPECT_EQ(kSatelliteIndexCount, 208);

    // Every index 1..207 belongs to exactly one (system, PRN), and the way back agrees.
    for (int i = 1; i < kSatelliteIndexCount; ++i) {
        const SatelliteId sat = SatelliteOfIndex(i);
        ASSERT_GE(SystemIndex(sat.sysCode), 0) << i;
        EXPECT_EQ(SatelliteIndex(sat.sysCode, sat.prn), i) << i;
    }
    EXPECT_EQ(SatelliteOfIndex(0).sysCode, -1);
    EXPECT_EQ(SatelliteOfIndex(kSatelliteIndexCount).sysCode, -1);
}

TEST(Records, InitialValues) {
    KeplerEphemeris k;
    k.af0 = 1;
    k.Init();
    EXPECT_EQ(k.fitInterval, 4.0);
    EXPECT_EQ(k.af0, 0.0);
    HeaderInfo h;
    h.sessionNumber = 7;
    h.glonassChannels[3] = 2;
    h.Init();
    EXPECT_EQ(h.sessionNumber, 1);
    for (int16_t c : h.glonassChannels) EXPECT_EQ(c, 100);
    EXPECT_EQ(SatelliteData{}.glonassChannel, 100);
    AfterTreatment t;
    EXPECT_EQ(t.startEpoch, -1);
    EXPECT_EQ(t.endEpoch, -1);
    EXPECT_EQ(FindInt(4, {1, 4, 4}), 1);
    EXPECT_EQ(FindInt(9, {1, 4, 4}), -1);
}
