#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "orbits/satellites.h"
#include "readers/rinex_reader.h"
#include "test_files.h"

using namespace baldorn;

namespace {

WeekTime At(int week, double sow) {
    WeekTime t;
    t.week = week;
    t.sow = sow;
    return t;
}

SatelliteData Sat(int systemCode, int prn) {
    SatelliteData s;
    s.systemCode = systemCode;
    s.prn = prn;
    return s;
}

Ephemeris Kepler(int systemCode, int prn, double tocSow, double health = 0) {
    Ephemeris e;
    e.systemCode = systemCode;
    e.prn = prn;
    e.toc = At(2000, tocSow);
    e.health = health;
    return e;
}

NavFile ReadNav(const char* relative) {
    NavFile nav;
    EXPECT_EQ(
        RinexReader::ReadNavigationFile(baldorn_test::DataPath(relative).c_str(), nav, nullptr), 1);
    return nav;
}

}  // namespace

TEST(Orbits, EphemerisSelectionByAgeAndHealth) {
    const WeekTime t = At(2000, 100000);
    const std::vector<Ephemeris> kepler = {
        Kepler(0, 5, 100000 - 7200), Kepler(0, 5, 100000 - 3600), Kepler(0, 6, 100000 - 7201),
        Kepler(0, 7, 100000, 1.0),   Kepler(96, 5, 100000),       Kepler(0, 8, 100000 - 600),
        Kepler(0, 8, 100000 + 600),
    };
    EXPECT_EQ(SelectKepler(t, Sat(0, 5), kepler), 1);   // the nearer of 2 h and 1 h
    EXPECT_EQ(SelectKepler(t, Sat(0, 6), kepler), -1);  // 2 h 1 s is too old
    EXPECT_EQ(SelectKepler(t, Sat(0, 7), kepler), -1);  // unhealthy
    EXPECT_EQ(SelectKepler(t, Sat(96, 5), kepler), 4);  // QZSS 5 is not GPS 5
    EXPECT_EQ(SelectKepler(t, Sat(0, 8), kepler), 5);   // equal ages: the earlier record
    EXPECT_EQ(SelectKepler(t, Sat(116, 40), kepler), -1);

    gEphemeris sbas;
    sbas.systemCode = kSbas;
    sbas.prn = 3;
    sbas.time = At(2000, 100000 - 420);
    EXPECT_EQ(SelectGlonass(t, Sat(kSbas, 3), {sbas}), -1);  // 7 min > 360 s
    sbas.time = At(2000, 100000 - 300);
    EXPECT_EQ(SelectGlonass(t, Sat(kSbas, 3), {sbas}), 0);
}

// Consecutive broadcast records of one GPS satellite describe the same orbit: the older one,
// carried forward two hours, meets the newer one within a few metres. A wrong Earth rotation,
// time reference or unit shows up as kilometres.
TEST(Orbits, KeplerOrbitsOfConsecutiveRecordsAgree) {
    const NavFile nav = ReadNav("rinex/07590920.05n");
    int compared = 0;
    for (size_t i = 0; i < nav.kepler.size(); ++i)
        for (size_t j = i + 1; j < nav.kepler.size(); ++j) {
            const Ephemeris& a = nav.kepler[i];
            const Ephemeris& b = nav.kepler[j];
            if (a.prn != b.prn) continue;
            const double dt = CDefTime::Difference(b.toc, a.toc);
            if (dt < 3600 || dt > 7200) continue;
            double clockA = 0, clockB = 0;
            const Vector3 pa = OrbitKepler(b.toc, a, &clockA);
            const Vector3 pb = OrbitKepler(b.toc, b, &clockB);
            EXPECT_NEAR(Length(pb), 26.56e6, 0.6e6);
            EXPECT_LT(Length(pa - pb), 10.0) << "PRN " << a.prn;
            EXPECT_LT(std::fabs(clockA - clockB) * kSpeedOfLight, 5.0) << "PRN " << a.prn;
            ++compared;
        }
    EXPECT_GT(compared, 20);
}

TEST(Orbits, KeplerRefusals) {
    const NavFile nav = ReadNav("rinex/07590920.05n");
    ASSERT_FALSE(nav.kepler.empty());
    Ephemeris e = nav.kepler[0];
    double clock = 1;
    EXPECT_GT(Length(OrbitKepler(e.toc, e, &clock)), 2e7);
    EXPECT_GT(Length(OrbitKepler(CDefTime::AddSeconds(e.toc, 302400), e, nullptr)), 2e7);
    EXPECT_EQ(Length(OrbitKepler(CDefTime::AddSeconds(e.toc, 302401), e, &clock)), 0.0);
    EXPECT_EQ(clock, 0.0);
    e.prn = 0;
    EXPECT_EQ(Length(OrbitKepler(nav.kepler[0].toc, e, nullptr)), 0.0);
    e = nav.kepler[0];
    e.sqrtA = std::nan("");
    EXPECT_EQ(Length(OrbitKepler(e.toc, e, nullptr)), 0.0);  // no convergence: zeros
}

TEST(Orbits, BdsGeostationaryRotation) {
    Ephemeris e = Kepler(kBds, 6, 3600);
    e.sqrtA = 6493.0;
    e.ecc = 0.0005;
    e.i0 = 0.1;
    e.omega0 = 1.0;
    e.omega = 0.3;
    e.m0 = 0.2;
    e.toe = 3600 - 14;  // BDT seconds of the same instant as toc
    const Vector3 ordinary = OrbitKepler(e.toc, e, nullptr);
    e.prn = 3;
    const Vector3 geo = OrbitKepler(e.toc, e, nullptr);
    // At the reference time the geostationary branch is the inertial-like position turned by
    // -5 degrees about X.
    const double cf = std::cos(-5.0 * kPi / 180), sf = std::sin(-5.0 * kPi / 180);
    EXPECT_NEAR(geo.x, ordinary.x, 1e-6);
    EXPECT_NEAR(geo.y, ordinary.y * cf + ordinary.z * sf, 1e-6);
    EXPECT_NEAR(geo.z, -ordinary.y * sf + ordinary.z * cf, 1e-6);
}

// Two GLONASS records of one satellite 30 minutes apart, one integrated 15 minutes forward and
// the other 15 minutes backward, meet half-way within metres.
TEST(Orbits, GlonassIntegrationMeetsTheNextRecord) {
    const NavFile nav = ReadNav("rinex/brdc0910.09g");
    int compared = 0;
    double worst = 0;
    std::vector<double> gaps;
    for (size_t i = 0; i < nav.glonass.size(); ++i)
        for (size_t j = 0; j < nav.glonass.size(); ++j) {
            const gEphemeris& a = nav.glonass[i];
            const gEphemeris& b = nav.glonass[j];
            if (a.prn != b.prn || CDefTime::Difference(b.time, a.time) != 1800.0) continue;
            const WeekTime middle = CDefTime::AddSeconds(a.time, 900);
            const Vector3 forward = OrbitGlonass(middle, a, nullptr);
            const Vector3 backward = OrbitGlonass(middle, b, nullptr);
            worst = std::max(worst, Length(forward - backward));
            gaps.push_back(Length(forward - backward));
            // A new upload can move the broadcast orbit by some metres; tens of metres would
            // mean a fault in the force model, the step control or the time reference.
            EXPECT_LT(gaps.back(), 20.0) << "R" << a.prn;
            ++compared;
        }
    EXPECT_GT(compared, 20);
    std::sort(gaps.begin(), gaps.end());
    const double median = gaps.empty() ? 0 : gaps[gaps.size() / 2];
    EXPECT_LT(median, 3.0);
    std::printf("[ glonass ] %d record pairs meet half-way: median gap %.2f m, largest %.2f m\n",
                compared, median, worst);
}

TEST(Orbits, GlonassShortStepsAndFrame) {
    const NavFile nav = ReadNav("rinex/brdc0910.09g");
    ASSERT_FALSE(nav.glonass.empty());
    const gEphemeris& g = nav.glonass[0];
    // At the record's own time only the PZ-90 to WGS-84 transformation applies.
    const Vector3 p = OrbitGlonass(g.time, g, nullptr);
    EXPECT_NEAR(p.x, -0.47 + 1.000000022 * (g.x - 1.728e-6 * g.y - 1.7e-8 * g.z), 1e-6);
    EXPECT_NEAR(p.z, -1.56 + 1.000000022 * (1.7e-8 * g.x - 7.6e-8 * g.y + g.z), 1e-6);
    // 30 s forward is one step of tk: the satellite moves by its velocity times 30 s, bent by at
    // most the 270 m that gravity (0.6 m/s2) adds in that time.
    double clock = 0;
    const Vector3 q = OrbitGlonass(CDefTime::AddSeconds(g.time, 30), g, &clock);
    EXPECT_NEAR(Length(q - p), 30 * std::sqrt(g.vx * g.vx + g.vy * g.vy + g.vz * g.vz), 300.0);
    EXPECT_DOUBLE_EQ(clock, g.clockBias + g.relFreqBias * 30);
    EXPECT_EQ(Length(OrbitGlonass(CDefTime::AddSeconds(g.time, 302401), g, nullptr)), 0.0);
}

TEST(Orbits, SbasSecondOrderSeries) {
    gEphemeris s;
    s.systemCode = kSbas;
    s.prn = 1;
    s.time = At(2000, 1000);
    s.x = 4e7;
    s.vx = 2.0;
    s.ax = 0.01;
    s.clockBias = 1e-6;
    s.relFreqBias = 1e-12;
    double clock = 0;
    const Vector3 p = OrbitGlonass(At(2000, 1100), s, &clock);
    EXPECT_DOUBLE_EQ(p.x, 4e7 + 200 + 0.01 * 100 * 100 / 2);
    EXPECT_DOUBLE_EQ(clock, 1e-6 + 1e-10);
}

TEST(Orbits, ComputeSatellitesOfARealEpoch) {
    ObsFile obs;
    ASSERT_EQ(RinexReader::ReadObservationFile(baldorn_test::DataPath("rinex/07590920.05o").c_str(),
                                               obs, 1, nullptr),
              1);
    const NavFile nav = ReadNav("rinex/07590920.05n");
    std::vector<SatParam> sats;
    ASSERT_EQ(ComputeSatellites(obs.epochs[0], nav.kepler, nav.glonass, sats), 1);
    ASSERT_EQ(sats.size(), obs.epochs[0].sats.size());
    for (const SatParam& s : sats) {
        ASSERT_EQ(s.valid, 1);
        EXPECT_EQ(s.used, 1);
        EXPECT_NEAR(Length(s.pos), 26.56e6, 0.6e6);
        EXPECT_NEAR(Length(s.vel), 3200, 900);  // Earth-fixed speed of a GPS satellite
        EXPECT_LT(std::fabs(s.clock), 1e-3);
        EXPECT_LT(std::fabs(s.groupDelay), 2e-8);
    }
    // Without ephemerides nothing is valid.
    EXPECT_EQ(ComputeSatellites(obs.epochs[0], {}, {}, sats), 0);
}

// The group delay that goes with the broadcast clock: TGD (TGD1 for BDS) for the Keplerian
// systems, and for Galileo the BGD of the signal pair the clock refers to.
TEST(Orbits, GroupDelayOfTheBroadcastClock) {
    struct Case {
        int systemCode;
        double dataSources;
        double expected;
    } cases[] = {
        {kGps, 0, 5e-9},         {kQzss, 0, 5e-9},
        {kBds, 0, 5e-9},         {kGalileo, 517, 6e-9},  // I/NAV, clock for E5b,E1
        {kGalileo, 258, 5e-9},                           // F/NAV, clock for E5a,E1
        {kGalileo, 0, 6e-9},                             // sources not given
        {kGalileo, 1e300, 6e-9},                         // unreadable field
    };
    for (const Case& c : cases) {
        Ephemeris e = Kepler(c.systemCode, 9, 7200);  // J09: QZSS has PRNs 1..10
        e.dataSources = c.dataSources;
        e.tgd = 5e-9;
        e.tgd2 = 6e-9;
        OBSERVATIONS epoch;
        epoch.time = At(2000, 7200);
        SatelliteData sat = Sat(c.systemCode, 9);
        sat.blocks.assign(kSlotCount, BlockData{});
        sat.blocks[0].pseudorange = 2.3e7;
        epoch.sats.push_back(sat);
        std::vector<SatParam> sats;
        ASSERT_EQ(ComputeSatellites(epoch, {e}, {}, sats), 1) << c.systemCode;
        EXPECT_EQ(sats[0].groupDelay, c.expected) << c.systemCode << " " << c.dataSources;
    }
}
