#include "decoders/obs_rules.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "rinex/obs_codes.h"
#include "support/epochs.h"

namespace kestrin {
namespace {

using testsupport::MakeBlock;
using testsupport::MakeSat;

BlockData WithLock(BlockData b, double lock) {
    b.lockTime = lock;
    return b;
}

TEST(ObsRules, FallingLockTimeMarksASlipOnEverySignal) {
    LockTimeTable table{};
    GnssTime t;
    OBSERVATIONS first = testsupport::MakeEpoch(
        t, {MakeSat(kSysGps, 7,
                    {WithLock(MakeBlock(0, 2e7, 1e8, 0, 45), 120.5),
                     WithLock(MakeBlock(11, 2e7, 8e7, 0, 40), 120.5)}),
            MakeSat(kSysGlonass, 3, {WithLock(MakeBlock(1, 2e7, 1e8, 0, 45), 0.1)})});
    ApplyLockTimeSlips(first, table);
    for (const SatelliteData& sat : first.sats) {
        for (const BlockData& b : sat.blocks) EXPECT_EQ(b.lli, 0u);  // the table starts at 0
    }

    OBSERVATIONS second = testsupport::MakeEpoch(
        t, {MakeSat(kSysGps, 7,
                    {WithLock(MakeBlock(0, 2e7, 1e8, 0, 45), 3.0),
                     WithLock(MakeBlock(11, 2e7, 8e7, 0, 40), 3.0)}),
            MakeSat(kSysGlonass, 3, {WithLock(MakeBlock(1, 2e7, 1e8, 0, 45), 0.1)})});
    ApplyLockTimeSlips(second, table);
    EXPECT_EQ(second.sats[0].blocks[0].lli, 1u);
    EXPECT_EQ(second.sats[0].blocks[1].lli, 1u);
    EXPECT_EQ(second.sats[1].blocks[0].lli, 0u);  // an unchanged lock time is no slip
    EXPECT_FLOAT_EQ(table[7][0], 3.0f);
}

TEST(ObsRules, DuplicateSignalKeepsTheBetterFitAndHonoursTheTieRule) {
    const double w = CarrierWavelength(kSysGps, 0, 100);
    const double range = 2.0e7;
    BlockData close = MakeBlock(0, range, range / w + 1.0, 0, 40);
    BlockData far = MakeBlock(0, range, range / w + 50.0, 0, 41);
    BlockData twin = MakeBlock(0, range, range / w + 1.0, 0, 42);

    SatelliteData sat = MakeSat(kSysGps, 1, {far});
    AddOrReplaceBlock(sat, close, w, false);
    ASSERT_EQ(sat.blocks.size(), 1u);
    EXPECT_DOUBLE_EQ(sat.blocks[0].snr, 40.0);
    AddOrReplaceBlock(sat, far, w, true);  // worse fit never wins
    EXPECT_DOUBLE_EQ(sat.blocks[0].snr, 40.0);
    AddOrReplaceBlock(sat, twin, w, false);  // equal fit: the existing block stays
    EXPECT_DOUBLE_EQ(sat.blocks[0].snr, 40.0);
    AddOrReplaceBlock(sat, twin, w, true);  // equal fit: the later block is kept
    EXPECT_DOUBLE_EQ(sat.blocks[0].snr, 42.0);
    AddOrReplaceBlock(sat, MakeBlock(9, range, 0, 0, 30), w, false);  // another slot: added
    EXPECT_EQ(sat.blocks.size(), 2u);
}

TEST(ObsRules, MarkSlotUsedRecordsSystemSatelliteAndCode) {
    HeaderInfo info;
    MarkSlotUsed(info, kSysBds, 3, 6);
    MarkSlotUsed(info, kSysGalileo, 11, 6);
    EXPECT_EQ(info.systemsPresent, 4 | 0x20);
    MarkSlotUsed(info, kSysGalileo, 36, 6);
    MarkSlotUsed(info, kSysGalileo, 37, 6);  // beyond E36: no index, not seen
    EXPECT_EQ(info.satSeen[SatelliteIndex(kSysBds, 3)], 1);
    EXPECT_EQ(info.satSeen[SatelliteIndex(kSysGalileo, 36)], 1);
    EXPECT_EQ(std::count(info.satSeen.begin(), info.satSeen.end(), 1), 3);
    EXPECT_EQ(info.obsCodes[2][6], "C6I");
    EXPECT_EQ(info.obsCodes[5][6], "C5Q");
    MarkSlotUsed(info, 33, 1, 0);  // not a system
    EXPECT_EQ(info.systemsPresent, 4 | 0x20);
}

}  // namespace
}  // namespace kestrin
