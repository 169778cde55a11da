#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "atmosphere/iono_model.h"
#include "atmosphere/trop_model.h"
#include "baldorn/baldorn.h"
#include "orbits/satellites.h"
#include "readers/rinex_reader.h"
#include "solver/point_solver.h"
#include "test_files.h"

using namespace baldorn;
using baldorn_test::DataPath;
using baldorn_test::HeaderLine;
using baldorn_test::TempDir;

// No observation file of the data set shares the day of the GLONASS navigation file
// (2009-04-01), so this run observes that day's GLONASS constellation from a station at
// the coordinate of 0759: pseudoranges are built from the broadcast orbits and clocks, the
// receiver clock and the same atmosphere models the solver removes. What it shows is the
// GLONASS-only chain: the ".09G" candidate, UTC record times, the PZ-90 frame, the channel
// wavelengths and the clock groups without any GPS satellite.
TEST(GlonassOnly, SolvesFromGlonassNavigationAlone) {
    const Vector3 truth{-3976219.5082, 3382372.5671, 3652512.9849};
    const double receiverClock = 3000.0;  // metres
    NavFile nav;
    ASSERT_EQ(RinexReader::ReadNavigationFile(DataPath("rinex/brdc0910.09g").c_str(), nav, nullptr),
              1);
    ASSERT_TRUE(nav.kepler.empty());
    const Geodetic blh = CCoordinate::XyzToBlh(truth);
    CIonoModel iono;
    CSAASTropModel trop;
    trop.SetMeteo(StandardAtmosphere(50));
    PointSolver lambdas;

    std::string body;
    int epochs = 0;
    int satellitesSeen = 0;
    for (int k = 0; k < 10; ++k) {
        WeekTime t;
        t.year = 2009;
        t.month = 4;
        t.day = 1;
        t.hour = 0;
        t.minute = 30 + k / 2;
        t.second = 30.0 * (k % 2);
        ASSERT_EQ(CDefTime::FromCalendarGps(t), 1);
        std::string ids, values;
        int count = 0;
        for (int prn = 1; prn <= 24 && count < 12; ++prn) {
            SatelliteData sat;
            sat.systemCode = kGlonass;
            sat.prn = prn;
            const int rec = SelectGlonass(t, sat, nav.glonass);
            if (rec < 0) continue;
            const gEphemeris& g = nav.glonass[rec];
            double p = 2.2e7;
            Vector3 s;
            for (int it = 0; it < 6; ++it) {
                const WeekTime ttx = CDefTime::SubtractSeconds(t, p / kSpeedOfLight);
                const WeekTime tsat = CDefTime::SubtractSeconds(ttx, ClockAtTransmission(ttx, g));
                double clock = 0;
                s = OrbitGlonass(tsat, g, &clock);
                double az = 0;
                const double el = CCoordinate::ElevationAzimuth(truth, s, &az);
                const double f = kSpeedOfLight / lambdas.Wavelength(kGlonass + prn, 0);
                p = PointSolver::GeometricRange(truth, s, nullptr) + receiverClock -
                    kSpeedOfLight * clock + iono.Delay(t, blh, az, el, f) + trop.Delay(t, truth, s);
            }
            if (CCoordinate::ElevationAzimuth(truth, s, nullptr) < 0.3) continue;
            char id[8], field[20];
            std::snprintf(id, sizeof id, "R%02d", prn);
            std::snprintf(field, sizeof field, "%14.3f", p);
            ids += id;
            values += std::string(field) + "\n";
            ++count;
        }
        ASSERT_GE(count, 5);
        satellitesSeen = std::max(satellitesSeen, count);
        char line[400];
        std::snprintf(line, sizeof line, " 09  4  1  0 %2d %10.7f  0%3d", t.minute, t.second,
                      count);
        body += line + ids + "\n" + values;
        ++epochs;
    }
    const std::string header =
        HeaderLine("     2.11           OBSERVATION DATA    R (GLONASS)", "RINEX VERSION / TYPE") +
        HeaderLine("     1    C1", "# / TYPES OF OBSERV") + HeaderLine("", "END OF HEADER");
    TempDir dir;
    const std::string obs = dir.Write("glon0910.09o", header + body);
    dir.Copy(DataPath("rinex/brdc0910.09g"), "glon0910.09g");
    double xyz[3];
    ASSERT_EQ(SinglePosition(obs.c_str(), xyz, nullptr), 1);
    const double d = std::sqrt((xyz[0] - truth.x) * (xyz[0] - truth.x) +
                               (xyz[1] - truth.y) * (xyz[1] - truth.y) +
                               (xyz[2] - truth.z) * (xyz[2] - truth.z));
    EXPECT_LT(d, 0.05) << "GLONASS only: " << d << " m";
    std::printf("[ glonass ] %d epochs, up to %d satellites: %.4f m from the simulated station\n",
                epochs, satellitesSeen, d);
}
