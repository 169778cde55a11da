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
    EXPECT_EQ(FindSatellite(5, a.sats), 0);
    EXPECT_EQ(FindSatellite(6, a.sats), -1);
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
