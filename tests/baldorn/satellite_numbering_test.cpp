// The positioning library's per-satellite numbering and the satellites of today's
// constellations in a real mixed recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "readers/rinex_reader.h"
#include "solver/point_solver.h"
#include "test_files.h"

using namespace baldorn;
using baldorn_test::DataPath;

namespace {

TEST(SatelliteNumbering, SatIndexCoversEachSystemRangeOnce) {
    struct Case {
        int systemCode;
        int prn;
        int satIndex;  // 0: no index
    };
    const Case cases[] = {
        {kGps, 1, 1},      {kGps, 32, 32},     {kGps, 33, 0},       {kGps, 0, 0},
        {kGlonass, 1, 33}, {kGlonass, 27, 59}, {kGlonass, 28, 0},   {kGlonass, 0, 0},
        {kBds, 1, 60},     {kBds, 63, 122},    {kBds, 64, 0},       {kSbas, 1, 123},
        {kSbas, 39, 161},  {kSbas, 40, 0},     {kQzss, 1, 162},     {kQzss, 10, 171},
        {kQzss, 11, 0},    {kGalileo, 1, 172}, {kGalileo, 36, 207}, {kGalileo, 37, 0},
        {kGalileo, -1, 0}, {33, 1, 0},         {-5, 1, 0},          {kGps, 1 << 30, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SatIndexOf(c.systemCode, c.prn), c.satIndex) << c.systemCode << "/" << c.prn;
    }
    EXPECT_EQ(kMaxSatIndex, 207);
    for (int i = 1; i <= kMaxSatIndex; ++i) {
        const int code = SystemCodeOfSatIndex(i);
        const int first = SatIndexOf(code, 1);
        ASSERT_GT(first, 0) << i;
        EXPECT_EQ(SatIndexOf(code, i - first + 1), i);
    }
    EXPECT_EQ(SystemCodeOfSatIndex(0), -1);
    EXPECT_EQ(SystemCodeOfSatIndex(kMaxSatIndex + 1), -1);
    // Every satellite has a carrier on its first slot, the GLONASS spare slots included.
    PointSolver solver;
    for (int i = 1; i <= kMaxSatIndex; ++i) EXPECT_GT(solver.Wavelength(i, 0), 0.18) << i;
}

bool AboveOldLimits(const SatelliteData& sat) {
    return (sat.systemCode == kBds && sat.prn > 20) || (sat.systemCode == kGalileo && sat.prn > 30);
}

// OEM729 recording of 2023-08-19 converted to mixed RINEX 3.02 (first three epochs) with its
// mixed navigation file: BeiDou C21..C60 and E34/E36 are read and take part in the solution.
TEST(SatelliteNumbering, MixedRecordingUsesBeidouAboveC20AndGalileoAboveE30) {
    ObsFile obs;
    NavFile nav;
    ASSERT_EQ(
        RinexReader::ReadObservationFile(DataPath("rinex3/qlnav2310.23o").c_str(), obs, 0, nullptr),
        1);
    ASSERT_EQ(
        RinexReader::ReadNavigationFile(DataPath("rinex3/qlnav2310.23n").c_str(), nav, nullptr), 1);
    ASSERT_EQ(obs.epochs.size(), 3u);
    const OBSERVATIONS& epoch = obs.epochs[0];
    // 54 satellites in the epoch line; the 14 above the old limits are read.
    EXPECT_EQ(epoch.sats.size(), 54u);
    EXPECT_EQ(std::count_if(epoch.sats.begin(), epoch.sats.end(), AboveOldLimits), 14);
    const size_t bdsEph = std::count_if(nav.kepler.begin(), nav.kepler.end(), [](auto& e) {
        return (e.systemCode == kBds && e.prn > 20) || (e.systemCode == kGalileo && e.prn > 30);
    });
    EXPECT_EQ(bdsEph, 14u);

    PointSolver full;
    SolResult withAll;
    ASSERT_EQ(full.SolveEpoch(epoch, nav, withAll), 1);

    OBSERVATIONS reduced = epoch;
    std::erase_if(reduced.sats, AboveOldLimits);
    PointSolver older;
    SolResult without;
    ASSERT_EQ(older.SolveEpoch(reduced, nav, without), 1);

    std::printf("[ satellites ] %d used with C21+/E31+, %d without\n", withAll.obsCount,
                without.obsCount);
    EXPECT_GE(withAll.obsCount, without.obsCount + 6);  // most of the 14 are above the mask
    // Both solutions describe the same antenna.
    const double d = std::hypot(withAll.pos.x - without.pos.x, withAll.pos.y - without.pos.y,
                                withAll.pos.z - without.pos.z);
    EXPECT_LT(d, 20.0);
}

}  // namespace
