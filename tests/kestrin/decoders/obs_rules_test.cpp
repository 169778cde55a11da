#include "decoders/obs_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

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
    EXPECT_DOUBLE_EQ(table.Find(kSysGps, 7)->signals[0].lockTime, 3.0);
}

// One epoch of a lock-time sequence: the tested signal (slot 0 of G07) with its lock time,
// the signal missing while its satellite keeps another signal, or the satellite missing.
struct LockStep {
    char kind;  // 'P' present, 'S' signal missing, 'N' satellite missing
    double time;
    double lock;
};
struct LockCase {
    const char* name;
    LockEvidence evidence;
    double wrap;
    std::vector<LockStep> steps;
    std::vector<uint32_t> flags;  // expected loss-of-lock bits of the present steps
};

std::vector<uint32_t> RunLockSequence(const LockCase& c) {
    LockTimeTable table;
    LockReportingBySystem reporting{};
    reporting.fill({c.evidence, c.wrap});
    std::vector<uint32_t> flags;
    for (const LockStep& step : c.steps) {
        GnssTime t;
        t.year = 2020;
        t.week = 2100;
        t.sow = step.time;
        const BlockData other = WithLock(MakeBlock(11, 2e7, 8e7, 0, 40), 1000.0 + step.time);
        const BlockData tested = WithLock(MakeBlock(0, 2e7, 1e8, 0, 45), step.lock);
        OBSERVATIONS epoch = testsupport::MakeEpoch(t, {MakeSat(kSysGlonass, 3, {other})});
        if (step.kind == 'P') epoch.sats.push_back(MakeSat(kSysGps, 7, {tested, other}));
        if (step.kind == 'S') epoch.sats.push_back(MakeSat(kSysGps, 7, {other}));
        ApplyLockTimeSlips(epoch, table, reporting);
        if (step.kind == 'P') flags.push_back(epoch.sats[1].blocks[0].lli);
    }
    return flags;
}

TEST(ObsRules, LockTimeSequencesGiveTheirSlipFlags) {
    const double nan = std::nan("");
    const auto L = LockEvidence::kLockTime;
    const auto S = LockEvidence::kSignalPresence;
    const auto F = LockEvidence::kFallingLockTime;
    const std::vector<LockCase> cases = {
        {"steady", L, 0, {{'P', 0, 100}, {'P', 1, 101}, {'P', 2, 102}}, {0, 0, 0}},
        {"dropped", L, 0, {{'P', 0, 100}, {'P', 1, 0.5}, {'P', 2, 1.5}}, {0, 1, 0}},
        {"gap then higher", L, 0, {{'P', 0, 100}, {'S', 1, 0}, {'P', 2, 102}}, {0, 1}},
        {"gap then lower", L, 0, {{'P', 0, 100}, {'S', 1, 0}, {'P', 2, 0.8}}, {0, 1}},
        {"satellite gap, lock held", L, 0, {{'P', 0, 100}, {'N', 1, 0}, {'P', 5, 105}}, {0, 0}},
        {"satellite gap, lock shorter than the gap",
         L,
         0,
         {{'P', 0, 2}, {'N', 1, 0}, {'P', 10, 5}},
         {0, 1}},
        {"counter wraps", L, 65536, {{'P', 0, 65535.5}, {'P', 1, 0.5}, {'P', 2, 1.5}}, {0, 0, 0}},
        {"counter falls off its wrap", L, 65536, {{'P', 0, 65535.5}, {'P', 1, 20}}, {0, 1}},
        {"fall without a wrapping field", L, 0, {{'P', 0, 65535.5}, {'P', 1, 0.5}}, {0, 1}},
        {"time runs backwards", L, 0, {{'P', 10, 100}, {'P', 5, 100}}, {0, 1}},
        {"absurd elapsed time", L, 0, {{'P', 0, 100}, {'P', 1e12, 200}}, {0, 1}},
        {"lock time not a number", L, 0, {{'P', 0, 100}, {'P', 1, nan}, {'P', 2, 2}}, {0, 1, 0}},
        {"negative lock time", L, 0, {{'P', 0, 100}, {'P', 1, -4}}, {0, 1}},
        {"first appearance", L, 0, {{'S', 0, 0}, {'P', 1, 0.2}, {'P', 2, 1.2}}, {0, 0}},
        {"presence: steady", S, 0, {{'P', 0, 0}, {'P', 1, 0}, {'P', 2, 0}}, {0, 0, 0}},
        {"presence: gap", S, 0, {{'P', 0, 0}, {'S', 1, 0}, {'P', 2, 0}, {'P', 3, 0}}, {0, 1, 0}},
        {"presence: satellite gap", S, 0, {{'P', 0, 0}, {'N', 1, 0}, {'P', 2, 0}}, {0, 0}},
        {"falling only: gap ignored", F, 0, {{'P', 0, 100}, {'S', 1, 0}, {'P', 2, 102}}, {0, 0}},
        {"falling only: fall", F, 0, {{'P', 0, 100}, {'P', 1, 3}}, {0, 1}},
    };
    for (const LockCase& c : cases) EXPECT_EQ(RunLockSequence(c), c.flags) << c.name;
}

TEST(ObsRules, SignalWithoutPhaseIsNotMarkedButKeepsItsHistory) {
    LockTimeTable table;
    LockReportingBySystem reporting{};
    reporting.fill({LockEvidence::kLockTime, 0.0});
    GnssTime t;
    t.week = 2100;
    // A range without phase and without lock time, then with a phase of fresh lock.
    const double phases[] = {0.0, 0.0, 1e8};
    const double locks[] = {0.0, 0.0, 0.5};
    const uint32_t flags[] = {0, 0, 1};
    for (int i = 0; i < 3; ++i) {
        t.sow = i;
        BlockData b = WithLock(MakeBlock(0, 2e7, phases[i], 0, 45), locks[i]);
        OBSERVATIONS epoch = testsupport::MakeEpoch(t, {MakeSat(kSysGps, 7, {b})});
        ApplyLockTimeSlips(epoch, table, reporting);
        EXPECT_EQ(epoch.sats[0].blocks[0].lli, flags[i]) << i;
    }
}

TEST(ObsRules, LockRuleKeepsOtherFlagBitsAndSkipsSatellitesWithoutAPlace) {
    LockTimeTable table;
    LockReportingBySystem reporting{};
    reporting.fill({LockEvidence::kLockTime, 0.0});
    GnssTime t;
    t.week = 2100;
    BlockData half = WithLock(MakeBlock(0, 2e7, 1e8, 0, 45), 50.0);
    half.lli = 2u;
    OBSERVATIONS epoch = testsupport::MakeEpoch(
        t,
        {MakeSat(kSysGps, 7, {half}), MakeSat(kSysGps, 40, {half}), MakeSat(kSysGps, 0, {half})});
    ApplyLockTimeSlips(epoch, table, reporting);
    t.sow = 1;
    epoch.time = t;
    epoch.sats[0].blocks[0].lockTime = 1.0;  // fell: slip added to the half-cycle bit
    ApplyLockTimeSlips(epoch, table, reporting);
    EXPECT_EQ(epoch.sats[0].blocks[0].lli, 3u);
    EXPECT_EQ(epoch.sats[1].blocks[0].lli, 2u);  // no table place: left as it was
    EXPECT_EQ(epoch.sats[2].blocks[0].lli, 2u);
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
