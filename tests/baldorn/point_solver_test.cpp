#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "solver/point_solver.h"

using namespace baldorn;

namespace {

const Vector3 kTruth{-3976219.5082, 3382372.5671, 3652512.9849};
constexpr double kReceiverClock = 1234.5;  // metres
constexpr double kReceiverDrift = -0.75;   // m/s

struct SatPlan {
    int systemCode;
    int prn;
    double azDeg;
    double elDeg;
    double error = 0.0;  // metres added to the pseudorange
};

// An epoch whose pseudoranges are exactly the geometry, the receiver clock, the GLONASS bias
// and the default broadcast ionosphere seen from kTruth (no troposphere: the solver's model has
// no meteorological data when the estimation is called directly), with Doppler of a static
// receiver.
struct Scene {
    OBSERVATIONS epoch;
    std::vector<SatParam> sats;

    explicit Scene(const std::vector<SatPlan>& plans, double glonassBias = 0.0) {
        epoch.time.week = 1316;
        epoch.time.sow = 6 * 86400 + 3600;
        epoch.time.year = 2005;
        epoch.time.month = 4;
        epoch.time.day = 2;
        epoch.time.hour = 1;
        const Geodetic g = CCoordinate::XyzToBlh(kTruth);
        const CMatrix enu = CCoordinate::EnuRotation(g.latitude, g.longitude);
        CIonoModel iono;
        PointSolver lambdas;
        for (const SatPlan& s : plans) {
            const double az = s.azDeg * kPi / 180, el = s.elDeg * kPi / 180;
            const double u[3] = {std::sin(az) * std::cos(el), std::cos(az) * std::cos(el),
                                 std::sin(el)};
            Vector3 dir;
            dir.x = enu.Get(0, 0) * u[0] + enu.Get(1, 0) * u[1] + enu.Get(2, 0) * u[2];
            dir.y = enu.Get(0, 1) * u[0] + enu.Get(1, 1) * u[1] + enu.Get(2, 1) * u[2];
            dir.z = enu.Get(0, 2) * u[0] + enu.Get(1, 2) * u[1] + enu.Get(2, 2) * u[2];
            SatParam p;
            p.pos = kTruth + dir * 2.2e7;
            p.vel = {-1500.0 + 300 * s.prn, 800.0 - 100 * s.prn, 2500.0};
            p.valid = p.used = 1;
            p.clock = 1e-5 * s.prn;
            p.clockDrift = 1e-10;
            double satAz = 0;
            const double satEl = CCoordinate::ElevationAzimuth(kTruth, p.pos, &satAz);
            const int satIndex = SatIndexOf(s.systemCode, s.prn);
            const double lambda = lambdas.Wavelength(satIndex, 0);
            double range = PointSolver::GeometricRange(kTruth, p.pos, nullptr) + kReceiverClock +
                           iono.Delay(epoch.time, g, satAz, satEl, kSpeedOfLight / lambda) -
                           kSpeedOfLight * p.clock + s.error;
            if (s.systemCode == kGlonass) range += glonassBias;
            // Range rate of a static receiver with the Earth-rotation term.
            const Vector3 los = p.pos - kTruth;
            const Vector3 e = los * (1.0 / Length(los));
            const double rate = Dot(e, p.vel) + 7.2921151467e-5 / kSpeedOfLight *
                                                    (p.vel.y * kTruth.x - p.vel.x * kTruth.y);
            SatelliteData d;
            d.systemCode = s.systemCode;
            d.prn = s.prn;
            d.blocks.assign(kSlotCount, BlockData{});
            d.blocks[0].pseudorange = range;
            d.blocks[0].doppler = -(rate + kReceiverDrift - kSpeedOfLight * p.clockDrift) / lambda;
            epoch.sats.push_back(d);
            sats.push_back(p);
        }
        // As before the first iteration of an epoch: the receiver at the Earth's centre.
        lambdas.UpdateElevations(Vector3{}, sats);
    }
};

const std::vector<SatPlan> kEight = {{0, 1, 10, 70},  {0, 2, 60, 40},  {0, 3, 120, 25},
                                     {0, 4, 180, 55}, {0, 5, 230, 30}, {0, 6, 290, 20},
                                     {0, 7, 330, 45}, {0, 8, 80, 18}};

}  // namespace

TEST(PointSolver, ExactGeometryIsRecovered) {
    Scene scene(kEight);
    PointSolver solver;
    SolResult result;
    ASSERT_EQ(solver.EstimatePosition(scene.epoch, scene.sats, result), 1);
    EXPECT_LT(Length(result.pos - kTruth), 0.01);
    EXPECT_NEAR(result.clockParams[0], kReceiverClock, 0.01);
    EXPECT_EQ(result.obsCount, 8);
    EXPECT_LT(result.posRms, 0.01);
    EXPECT_GT(result.posSigma, 0.0);
    EXPECT_LT(result.posSigma, 5.0);
    EXPECT_EQ(result.valid, 1);

    ASSERT_EQ(solver.EstimateVelocity(scene.epoch, scene.sats, result), 1);
    EXPECT_LT(Length(result.vel), 0.001);
    EXPECT_NEAR(result.clockDrift, kReceiverDrift, 0.001);
    EXPECT_LT(result.velRms, 0.1);
}

TEST(PointSolver, RowCountDecidesBetweenExactFitAndFailure) {
    {
        // Four GPS satellites: four observations and three constraint rows, exactly determined.
        Scene scene({{0, 1, 10, 70}, {0, 2, 100, 40}, {0, 4, 200, 55}, {0, 7, 300, 45}});
        PointSolver solver;
        SolResult result;
        ASSERT_EQ(solver.EstimatePosition(scene.epoch, scene.sats, result), 1);
        EXPECT_LT(Length(result.pos - kTruth), 0.01);
        EXPECT_EQ(result.obsCount, 4);
    }
    {
        // Three GPS and one GLONASS satellite: 3 + 1 + 2 constraint rows = 6 < 7.
        Scene scene({{0, 1, 10, 70}, {0, 2, 60, 40}, {0, 3, 120, 25}, {32, 5, 230, 30}});
        PointSolver solver;
        SolResult result;
        EXPECT_EQ(solver.EstimatePosition(scene.epoch, scene.sats, result), 0);
    }
}

TEST(PointSolver, GlonassBiasIsEstimated) {
    std::vector<SatPlan> plans = kEight;
    for (auto [prn, az, el] : {std::tuple{3, 30.0, 35.0}, {9, 150.0, 50.0}, {17, 260.0, 65.0}})
        plans.push_back({32, prn, az, el});
    Scene scene(plans, 25.0);
    PointSolver solver;
    SolResult result;
    ASSERT_EQ(solver.EstimatePosition(scene.epoch, scene.sats, result), 1);
    EXPECT_LT(Length(result.pos - kTruth), 0.01);
    EXPECT_NEAR(result.clockParams[1], 25.0, 0.01);
    EXPECT_EQ(result.obsCount, 11);
}

TEST(PointSolver, FaultySatelliteIsExcluded) {
    std::vector<SatPlan> plans = kEight;
    plans.push_back({0, 9, 200, 60, 100.0});
    Scene scene(plans);
    PointSolver solver;
    SolResult result;
    ASSERT_EQ(solver.EstimatePosition(scene.epoch, scene.sats, result), 1);
    EXPECT_LT(Length(result.pos - kTruth), 0.01);
    EXPECT_EQ(scene.sats[8].used, 0);
    EXPECT_EQ(result.obsCount, 8);
}

TEST(PointSolver, ElevationMaskDropsLowSatellites) {
    std::vector<SatPlan> plans = kEight;
    plans.push_back({0, 10, 100, 14.9, 500.0});  // below 15 degrees once the position is known
    Scene scene(plans);
    PointSolver solver;
    SolResult result;
    ASSERT_EQ(solver.EstimatePosition(scene.epoch, scene.sats, result), 1);
    EXPECT_LT(Length(result.pos - kTruth), 0.01);
    EXPECT_EQ(result.obsCount, 8);
    EXPECT_NEAR(scene.sats[8].elevation * 180 / kPi, 14.9, 1e-3);
}

TEST(PointSolver, WithoutDopplerTheVelocityStaysZero) {
    Scene scene(kEight);
    for (auto& s : scene.epoch.sats) s.blocks[0].doppler = 0.0;
    PointSolver solver;
    SolResult result;
    ASSERT_EQ(solver.EstimatePosition(scene.epoch, scene.sats, result), 1);
    EXPECT_EQ(solver.EstimateVelocity(scene.epoch, scene.sats, result), 0);
    EXPECT_EQ(Length(result.vel), 0.0);
    EXPECT_EQ(result.velRms, 99.0);
}

TEST(PointSolver, WavelengthsAndWeights) {
    PointSolver solver;
    EXPECT_NEAR(solver.Wavelength(1, 0), 0.19029367, 1e-8);
    EXPECT_NEAR(solver.Wavelength(1, 1), 0.24421021, 1e-8);
    EXPECT_EQ(solver.Wavelength(1, 3), 0.0);
    // GLONASS slot 2 uses channel -4: 1602 MHz - 4 x 562.5 kHz.
    EXPECT_NEAR(solver.Wavelength(34, 0), kSpeedOfLight / (1602e6 - 4 * 562500), 1e-12);
    EXPECT_NEAR(solver.Wavelength(34, 1), kSpeedOfLight / (1246e6 - 4 * 437500), 1e-12);
    EXPECT_NEAR(solver.Wavelength(kMaxSatIndex, 4), kSpeedOfLight / 1278.75e6, 1e-12);  // E36
    EXPECT_EQ(solver.Wavelength(kMaxSatIndex + 1, 0), 0.0);
    EXPECT_EQ(solver.Wavelength(0, 0), 0.0);
    EXPECT_NEAR(PointSolver::ElevationVariance(kPi / 2, kGps), 0.18, 1e-12);
    EXPECT_NEAR(PointSolver::ElevationVariance(kPi / 2, kGlonass), 2.25 * 0.18, 1e-12);
    EXPECT_NEAR(PointSolver::ElevationVariance(kPi / 6, kSbas), 9 * 0.27, 1e-12);
    EXPECT_EQ(PointSolver::GeometricRange(kTruth, {0.5, 0, 0}, nullptr), 0.0);
}
