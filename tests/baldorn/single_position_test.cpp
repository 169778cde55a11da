#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "baldorn/baldorn.h"
#include "entry/positioning.h"
#include "test_files.h"

using baldorn_test::DataPath;
using baldorn_test::ReadAll;
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

namespace {

// The 0759 navigation file with one field of every record replaced: `line` 0..7 within the
// record, `field` 0..3 within the line (on the first line 1..3 are the clock terms).
std::string CorruptEveryRecord(const std::string& text, int line, int field,
                               const std::string& value) {
    std::string out;
    size_t pos = 0;
    bool body = false;
    int lineInRecord = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string l = text.substr(pos, end - pos);
        if (body) {
            if (lineInRecord == line) {
                l.resize(79, ' ');
                l.replace(3 + 19 * static_cast<size_t>(field), 19, value);
            }
            lineInRecord = (lineInRecord + 1) % 8;
        }
        if (l.find("END OF HEADER") != std::string::npos) body = true;
        out += l + "\n";
        pos = end + 1;
    }
    return out;
}

}  // namespace

// Damaged navigation records (values no broadcast record can carry) take no part in a
// solution: with every record damaged there is no coordinate, never a wrong one reported as
// a success.
TEST(SinglePosition, DamagedNavigationRecordsGiveNoCoordinate) {
    const std::string nav = ReadAll(DataPath("rinex/07590920.05n"));
    struct Case {
        int line, field;
        const char* value;
        const char* what;
    } cases[] = {
        {2, 3, " 1.000000000000D+309", "semi-major axis overflows to infinity"},
        {2, 3, "                 NaN", "semi-major axis not a number"},
        {2, 3, " 5.153636478420D+02", "semi-major axis inside the Earth"},
        {2, 1, " 9.000000000000D-01", "eccentricity no orbit has"},
        {0, 1, " 5.000000000000D+00", "clock bias of five seconds"},
        {0, 2, " 1.000000000000D-03", "clock drift beyond the broadcast field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string obs = dir.Copy(DataPath("rinex/07590920.05o"), "07590920.05o");
        dir.Write("07590920.05n", CorruptEveryRecord(nav, c.line, c.field, c.value));
        double xyz[3] = {1, 2, 3};
        EXPECT_EQ(SinglePosition(obs.c_str(), xyz, nullptr), 0);
    }
    // The same file undamaged still solves.
    TempDir dir;
    const std::string obs = dir.Copy(DataPath("rinex/07590920.05o"), "07590920.05o");
    dir.Write("07590920.05n", CorruptEveryRecord(nav, 9, 0, ""));
    double xyz[3] = {0, 0, 0};
    ASSERT_EQ(SinglePosition(obs.c_str(), xyz, nullptr), 1);
    EXPECT_LT(Distance(xyz, k0759), 1.0);
}
