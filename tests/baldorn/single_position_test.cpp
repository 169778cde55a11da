#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "baldorn/baldorn.h"
#include "entry/positioning.h"
#include "test_files.h"

using baldorn_test::DataPath;
using baldorn_test::TempDir;

namespace {

double Distance(const double a[3], const double b[3]) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

// Published coordinate of GEONET station 0759.
constexpr double k0759[3] = {-3976219.5082, 3382372.5671, 3652512.9849};

struct ProgressLog {
    std::vector<long> percents;
    std::vector<unsigned> messages;
    // Files finished: a 100 that the next file's restart (or the end) follows.
    int FilesFinished() const {
        int n = 0;
        for (size_t i = 0; i < percents.size(); ++i)
            if (percents[i] == 100 && (i + 1 == percents.size() || percents[i + 1] < 100)) ++n;
        return n;
    }
    static void Notify(void* context, unsigned message, long wparam, long lparam) {
        auto* log = static_cast<ProgressLog*>(context);
        log->messages.push_back(message);
        log->percents.push_back(lparam == 0 ? wparam : -1);
    }
};

}  // namespace

// A broadcast-ephemeris code solution averaged over 100 epochs of open-sky station data lands
// within decimetres of the published coordinate; more than a metre means a fault in the chain.
TEST(SinglePosition, RealStationDataWithinOneMetre) {
    struct Case {
        const char* observation;
        const char* navigation;
        const char* what;
    } cases[] = {
        {"rinex/07590920.05o", "rinex/07590920.05n", "RINEX 2.10 observations, GPS navigation"},
        {"rinex3/07590920.05o", "rinex/07590920.05n", "RINEX 3.02 observations, GPS navigation"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string obs = dir.Copy(DataPath(c.observation), "07590920.05o");
        dir.Copy(DataPath(c.navigation), "07590920.05n");
        double xyz[3] = {1, 2, 3};
        ASSERT_EQ(SinglePosition(obs.c_str(), xyz, nullptr), 1) << c.what;
        const double d = Distance(xyz, k0759);
        EXPECT_LT(d, 1.0) << c.what << ": 3D distance " << d << " m";
        std::printf("[ distance ] %s: %.3f m from the published coordinate\n", c.what, d);
    }
}

// The RINEX 3 observations of PDEL (2021-01-01 00:00-00:33) come with a GPS navigation file
// that has an ephemeris within two hours for only three of the observed GPS satellites and no
// GLONASS navigation: no epoch can solve, which is the documented 0 result.
TEST(SinglePosition, PdelWithTooFewEphemeridesGivesNoCoordinate) {
    TempDir dir;
    const std::string obs = dir.Copy(DataPath("rinex/pdel0010.21o"), "PDEL0010.21o");
    dir.Copy(DataPath("rinex/pdel0010.21n"), "pdel0010.21n");
    ProgressLog log;
    BaldornNotifyTarget target{&ProgressLog::Notify, &log};
    double xyz[3] = {1, 2, 3};
    EXPECT_EQ(SinglePosition(obs.c_str(), xyz, &target), 0);
    EXPECT_EQ(xyz[0], 0.0);
    EXPECT_EQ(xyz[1], 0.0);
    EXPECT_EQ(xyz[2], 0.0);
    // Both files were read (the navigation file found by its lower-case name): one 100 each.
    EXPECT_EQ(log.FilesFinished(), 2);
}

TEST(SinglePosition, ProgressPerFileRestartsAndEndsAtHundred) {
    TempDir dir;
    const std::string obs = dir.Copy(DataPath("rinex/07590920.05o"), "site0920.05o");
    dir.Copy(DataPath("rinex/07590920.05n"), "SITE0920.05N");
    ProgressLog log;
    BaldornNotifyTarget target{&ProgressLog::Notify, &log};
    double xyz[3];
    ASSERT_EQ(SinglePosition(obs.c_str(), xyz, &target), 1);
    ASSERT_FALSE(log.percents.empty());
    for (unsigned m : log.messages) EXPECT_EQ(m, 1025u);
    long previous = 0;
    for (long p : log.percents) {
        ASSERT_GE(p, 0);
        ASSERT_LE(p, 100);
        if (previous == 100 && p < 100) previous = 0;  // the next file starts again
        EXPECT_GE(p, previous);
        previous = p;
    }
    EXPECT_EQ(log.FilesFinished(), 2);  // observation file and the one navigation file
    EXPECT_EQ(log.percents.back(), 100);
}

TEST(SinglePosition, RefusedPathsAndMissingData) {
    TempDir dir;
    const std::string obsNoNav = dir.Copy(DataPath("rinex/07590920.05o"), "alone0920.05o");
    const std::string rnx =
        dir.Copy(DataPath("rinex3/07590920.05o"), "SITE00XXX_R_20050920000_01H_30S_MO.rnx");
    struct Case {
        std::string path;
        const char* why;
    } cases[] = {
        {"", "empty path"},
        {rnx, "long name ending in rnx"},
        {"/nonexistent/site0920.05o", "missing file"},
        {obsNoNav, "no navigation file beside it"},
        {dir.File("none.05n"), "navigation file given"},
    };
    for (const Case& c : cases) {
        double xyz[3] = {1, 2, 3};
        EXPECT_EQ(SinglePosition(c.path.c_str(), xyz, nullptr), 0) << c.why;
        EXPECT_EQ(xyz[0] + xyz[1] + xyz[2], 0.0) << c.why;
    }
    EXPECT_EQ(SinglePosition(nullptr, nullptr, nullptr), 0);
}

TEST(SinglePosition, CandidateNames) {
    const std::vector<std::string> c = baldorn::CandidatePaths("/d/SITE2510.17o");
    const std::vector<std::string> expected = {"/d/SITE2510.17o", "/d/SITE2510.17N",
                                               "/d/SITE2510.17G", "/d/SITE2510.17C",
                                               "/d/SITE2510.17F", "/d/SITE2510.17L"};
    EXPECT_EQ(c, expected);

    TempDir dir;
    dir.Write("site2510.17n", "x");
    dir.Write("Site2510.17N", "y");
    EXPECT_EQ(baldorn::ResolveCaseInsensitive(dir.File("SITE2510.17N")),
              dir.File("Site2510.17N"));  // first in name order
    EXPECT_EQ(baldorn::ResolveCaseInsensitive(dir.File("site2510.17n")),
              dir.File("site2510.17n"));  // exact name wins
    EXPECT_EQ(baldorn::ResolveCaseInsensitive(dir.File("SITE2510.17G")), "");
}

namespace {

baldorn::SolResult Epoch(double x, double y, double z, double vx = 0.0) {
    baldorn::SolResult r;
    r.pos = {x, y, z};
    r.vel = {vx, 0.0, 0.0};
    return r;
}

}  // namespace

TEST(SinglePosition, ReductionOfEpochSolutions) {
    using baldorn::SolResult;
    baldorn::Vector3 out;
    EXPECT_FALSE(baldorn::ReduceSolutions({}, out));

    std::vector<SolResult> quiet;
    for (int i = 0; i < 10; ++i)
        quiet.push_back(Epoch(1000 + (i % 2 ? 2 : -2), 2000 + i * 0.1, 3000));
    ASSERT_TRUE(baldorn::ReduceSolutions(quiet, out));
    EXPECT_NEAR(out.x, 1000.0, 1e-9);
    EXPECT_NEAR(out.y, 2000.45, 1e-9);

    std::vector<SolResult> outlier = quiet;
    outlier[5].pos.x += 40.0;  // spread of X: 40 * sqrt(0.1 * 0.9) = 12 m > 10 m
    ASSERT_TRUE(baldorn::ReduceSolutions(outlier, out));
    EXPECT_DOUBLE_EQ(out.x, quiet[0].pos.x);
    EXPECT_DOUBLE_EQ(out.y, quiet[0].pos.y);

    // Epochs whose Doppler solution failed keep zero velocity; mixed with moving ones the
    // velocity spread exceeds 0.3 m/s and the first epoch is taken.
    std::vector<SolResult> mixed = quiet;
    for (int i = 0; i < 5; ++i) mixed[i].vel.x = 0.8;
    ASSERT_TRUE(baldorn::ReduceSolutions(mixed, out));
    EXPECT_DOUBLE_EQ(out.x, quiet[0].pos.x);
}
