#include <gtest/gtest.h>

#include <string>

#include "readers/rinex_reader.h"
#include "test_files.h"

using baldorn::NavFile;
using baldorn::RinexReader;
using baldorn_test::DataPath;
using baldorn_test::HeaderLine;
using baldorn_test::TempDir;

namespace {

int Read(const std::string& path, NavFile& nav) {
    return RinexReader::ReadNavigationFile(path.c_str(), nav, nullptr);
}

// A RINEX 3 record line: an indent and values in 19-column fields.
std::string Values(std::initializer_list<double> values, const std::string& indent = "    ") {
    std::string line = indent;
    char buf[32];
    for (double v : values) {
        std::snprintf(buf, sizeof buf, "%19.12E", v);
        line += buf;
    }
    return line + "\n";
}

// Broadcast orbit line i (0..6) of a Keplerian record with values a real orbit can have
// (IODE 1, sqrt(A) 5153.6, IDOT 1e-10, codes on L2 2, week 3, transmission time 1, fit 2).
std::string OrbitLine(int i, const std::string& indent) {
    switch (i) {
        case 0:
            return Values({1, 2, 3e-9, 0.4}, indent);
        case 1:
            return Values({1e-6, 0.01, 3e-6, 5153.6}, indent);
        case 2:
            return Values({1, 2e-8, 0.3, 4e-8}, indent);
        case 3:
            return Values({0.96, 200, 0.3, -8e-9}, indent);
        case 4:
            return Values({1e-10, 2, 3, 4}, indent);
        case 5:
            return Values({2, 0, 5e-9, 6e-9}, indent);
        default:
            return Values({1, 2}, indent);
    }
}

// A RINEX 2 GPS record: first line with PRN/epoch and three values, seven continuation lines.
std::string Rinex2GpsRecord(const std::string& epoch, int prn, double health = 0.0) {
    char first[100];
    std::snprintf(first, sizeof first,
                  "%2d %s 1.000000000000D-04 2.000000000000D-12 0.000000000000D+00\n", prn,
                  epoch.c_str());
    std::string rec = first;
    for (int i = 0; i < 7; ++i) {
        if (i == 5) {
            char buf[100];
            std::snprintf(buf, sizeof buf,
                          "    2.000000000000D+00%19.12E-5.122274160390D-09 5.200000000000D+01\n",
                          health);
            rec += buf;
        } else {
            rec += OrbitLine(i, "   ");
        }
    }
    return rec;
}

}  // namespace

TEST(NavReader, Rinex2HeaderIonosphereAndUtc) {
    TempDir dir;
    const std::string version =
        HeaderLine("     2.10           N: GPS NAV DATA", "RINEX VERSION / TYPE");
    const std::string alpha =
        HeaderLine("    0.1118D-07 -0.7451D-08 -0.5961D-07  0.1192D-06", "ION ALPHA");
    const std::string beta =
        HeaderLine("    0.1167D+06 -0.2294D+06 -0.1311D+06  0.1049D+07", "ION BETA");
    const std::string utc = HeaderLine(
        "   -0.279396772385D-08-0.266453525910D-14   503808     1316", "DELTA-UTC: A0,A1,T,W");
    const std::string end = HeaderLine("", "END OF HEADER");
    NavFile with, without;
    ASSERT_EQ(Read(dir.Write("a.05n", version + alpha + beta + utc + end), with), 1);
    const auto& p = with.ionoUtc[0];
    EXPECT_EQ(p.valid, 1);
    EXPECT_DOUBLE_EQ(p.alpha0, 1.118e-8);
    EXPECT_DOUBLE_EQ(p.alpha3, 1.192e-7);
    EXPECT_DOUBLE_EQ(p.beta1, -229400);
    EXPECT_DOUBLE_EQ(p.a0, -0.279396772385e-8);
    EXPECT_DOUBLE_EQ(p.a1, -0.266453525910e-14);
    EXPECT_EQ(p.utcTime, 503808);
    EXPECT_EQ(p.utcWeek, 1316);
    ASSERT_EQ(Read(dir.Write("b.05n", version + alpha + beta + end), without), 1);
    EXPECT_EQ(without.ionoUtc[0].valid, 0);
    EXPECT_DOUBLE_EQ(without.ionoUtc[0].beta3, 1049000);
}

TEST(NavReader, Rinex2RecordsYearsTruncationAndHealth) {
    TempDir dir;
    const std::string head =
        HeaderLine("     2.10           N: GPS NAV DATA", "RINEX VERSION / TYPE") +
        HeaderLine("", "END OF HEADER");
    const std::string r1 = Rinex2GpsRecord("05  4  2  0  0  0.0", 3);
    const std::string r80 = Rinex2GpsRecord("80  1  6  0  0  0.0", 4);
    const std::string r81 = Rinex2GpsRecord("81  1  6  0  0  0.0", 5, 1.0);
    const std::string r40 = Rinex2GpsRecord("05  4  2  0  0  0.0", 40);  // outside the block
    std::string cut = Rinex2GpsRecord("05  4  2  2  0  0.0", 6);
    cut = cut.substr(0, cut.rfind('\n', cut.size() - 2) + 1);  // last line missing
    NavFile nav;
    ASSERT_EQ(Read(dir.Write("c.05n", head + r1 + r80 + r81 + r40 + cut), nav), 1);
    ASSERT_EQ(nav.kepler.size(), 3u);
    const auto& e = nav.kepler[0];
    EXPECT_EQ(e.prn, 3);
    EXPECT_EQ(e.systemCode, 0);
    EXPECT_EQ(e.toc.year, 2005);
    EXPECT_EQ(e.toc.week, 1316);
    EXPECT_DOUBLE_EQ(e.toc.sow, 6 * 86400.0);
    EXPECT_DOUBLE_EQ(e.af0, 1e-4);
    EXPECT_DOUBLE_EQ(e.af1, 2e-12);
    EXPECT_DOUBLE_EQ(e.iode, 1.0);
    EXPECT_DOUBLE_EQ(e.idot, 1e-10);
    EXPECT_DOUBLE_EQ(e.codesOnL2, 2.0);
    EXPECT_DOUBLE_EQ(e.week, 3.0);
    EXPECT_DOUBLE_EQ(e.tgd, -5.122274160390e-09);
    EXPECT_DOUBLE_EQ(e.iodc, 52.0);
    EXPECT_DOUBLE_EQ(e.transmissionTime, 1.0);
    EXPECT_DOUBLE_EQ(e.fitInterval, 2.0);
    EXPECT_EQ(nav.kepler[1].toc.year, 2080);
    EXPECT_EQ(nav.kepler[2].toc.year, 1981);
    EXPECT_DOUBLE_EQ(nav.kepler[2].health, 1.0);
}

TEST(NavReader, Rinex3MixedRecordsTakeTheirOwnSystem) {
    TempDir dir;
    const std::string head =
        HeaderLine("     3.04           N: GNSS NAV DATA    M: MIXED", "RINEX VERSION / TYPE") +
        HeaderLine("GPSA   1.1176E-08  1.4901E-08 -5.9605E-08 -5.9605E-08", "IONOSPHERIC CORR") +
        HeaderLine("GAL    7.5000E+01  0.0000E+00  0.0000E+00  0.0000E+00", "IONOSPHERIC CORR") +
        HeaderLine("BDSA   2.2352E-08  1.1921E-07 -1.1325E-06  2.1458E-06", "IONOSPHERIC CORR") +
        HeaderLine("GPUT -9.3132257462E-10-8.881784197E-16 405504 2172", "TIME SYSTEM CORR") +
        HeaderLine("    18    18  2185     7", "LEAP SECONDS") + HeaderLine("", "END OF HEADER");
    std::string bds = "C03 2017 01 01 00 00 00" + Values({-1e-4, 2e-11, 0}, "");
    for (int i = 0; i < 6; ++i) bds += OrbitLine(i, "    ");
    bds += Values({9, 10});
    std::string gal = "E11 2017 01 01 00 00 00" + Values({1e-4, 0, 0}, "");
    for (int i = 0; i < 6; ++i) gal += OrbitLine(i, "    ");
    gal += Values({9});
    // An IRNSS record has the Keplerian layout but no place here: it is not a GPS record.
    std::string irnss = "I05 2017 01 01 00 00 00" + Values({1e-4, 0, 0}, "");
    for (int i = 0; i < 7; ++i) irnss += OrbitLine(i, "    ");
    const std::string state =
        Values({1e4, 1, 1e-6, 0}) + Values({2e4, 2, 2e-6, -4}) + Values({3e4, 3, 3e-6, 5});
    const std::string glo = "R07 2017 09 08 00 15 00" + Values({1e-5, 0, 20}, "") + state;
    const std::string sbas = "S25 2017 09 08 00 15 00" + Values({1e-5, 0, 20}, "") + state;
    NavFile nav;
    ASSERT_EQ(
        Read(dir.Write("BRDC00WRD_R_20170010000_01D_MN.rnx", head + bds + gal + irnss + glo + sbas),
             nav),
        1);
    // Header of a mixed file: one parameter set, later lines overwrite earlier ones.
    EXPECT_DOUBLE_EQ(nav.ionoUtc[0].alpha0, 2.2352e-8);
    EXPECT_EQ(nav.ionoUtc[0].valid, 1);
    EXPECT_EQ(nav.ionoUtc[0].utcWeek, 2172);
    ASSERT_EQ(nav.kepler.size(), 2u);
    const auto& c = nav.kepler[0];
    EXPECT_EQ(c.systemCode, 56);
    EXPECT_EQ(c.prn, 3);
    EXPECT_EQ(c.toc.week, 1930);
    EXPECT_DOUBLE_EQ(c.toc.sow, 14.0);
    EXPECT_DOUBLE_EQ(c.tgd, 5e-9);
    EXPECT_DOUBLE_EQ(c.tgd2, 6e-9);
    EXPECT_DOUBLE_EQ(c.iodc, 10.0);
    EXPECT_DOUBLE_EQ(c.fitInterval, 4.0);
    const auto& e = nav.kepler[1];
    EXPECT_EQ(e.systemCode, 116);
    EXPECT_EQ(e.toc.week, 1930);
    EXPECT_DOUBLE_EQ(e.toc.sow, 0.0);
    EXPECT_DOUBLE_EQ(e.dataSources, 2.0);
    EXPECT_DOUBLE_EQ(e.tgd2, 6e-9);
    EXPECT_DOUBLE_EQ(e.fitInterval, 4.0);
    ASSERT_EQ(nav.glonass.size(), 2u);
    const auto& g = nav.glonass[0];
    EXPECT_EQ(g.systemCode, 32);
    EXPECT_EQ(g.prn, 7);
    baldorn::WeekTime utc;
    utc.year = 2017;
    utc.month = 9;
    utc.day = 8;
    utc.minute = 15;
    baldorn::CDefTime::FromCalendarGps(utc);
    EXPECT_DOUBLE_EQ(g.time.sow, utc.sow + 18);  // UTC to GPS time
    EXPECT_DOUBLE_EQ(g.x, 1e7);
    EXPECT_DOUBLE_EQ(g.vy, 2000.0);
    EXPECT_DOUBLE_EQ(g.az, 3e-3);
    EXPECT_DOUBLE_EQ(g.freqNumber, -4.0);
    EXPECT_DOUBLE_EQ(g.age, 5.0);
    const auto& s = nav.glonass[1];
    EXPECT_EQ(s.systemCode, 76);
    EXPECT_EQ(s.prn, 6);
    EXPECT_DOUBLE_EQ(s.time.sow, utc.sow);  // SBAS epochs are GPS time
    EXPECT_DOUBLE_EQ(s.ura, -4.0);
}

TEST(NavReader, RealFilesAndRefusals) {
    NavFile gps;
    ASSERT_EQ(Read(DataPath("rinex/07590920.05n"), gps), 1);
    EXPECT_EQ(gps.kepler.size(), 162u);
    EXPECT_EQ(gps.ionoUtc[0].valid, 1);
    EXPECT_DOUBLE_EQ(gps.ionoUtc[0].alpha0, 1.118e-08);
    NavFile glo;
    ASSERT_EQ(Read(DataPath("rinex/brdc0910.09g"), glo), 1);
    EXPECT_EQ(glo.glonass.size(), 95u);
    EXPECT_TRUE(glo.kepler.empty());
    // Records accumulate across files.
    ASSERT_EQ(Read(DataPath("rinex/brdc0910.09g"), gps), 1);
    EXPECT_EQ(gps.glonass.size(), glo.glonass.size());

    TempDir dir;
    const std::string good =
        HeaderLine("     2.10           N: GPS NAV DATA", "RINEX VERSION / TYPE") +
        HeaderLine("", "END OF HEADER");
    struct Case {
        const char* name;
        std::string content;
        int result;
    } cases[] = {
        {"ok.05n", good, 1},
        {"ok.05h", good, 1},
        {"noext", good, 0},
        {"nosystem.05x", good, 0},
        {"noend.05n", good.substr(0, 80), 0},
        {"leap.05n", good.substr(0, 81) + HeaderLine("    13 END OF HEADER", "LEAP SECONDS"), 0},
        {"version.05n",
         HeaderLine("     4.50", "RINEX VERSION / TYPE") + HeaderLine("", "END OF HEADER"), 0},
        {"nolabel.05n", "     2.10\n", 0},
    };
    for (const Case& c : cases) {
        NavFile nav;
        EXPECT_EQ(Read(dir.Write(c.name, c.content), nav), c.result) << c.name;
    }
    NavFile nav;
    EXPECT_EQ(Read(dir.File("missing.05n"), nav), 0);
}

// A GLONASS record of version 3.05 has a fifth line; the records after it keep their places.
TEST(NavReader, Rinex305GlonassRecordsHaveFiveLines) {
    TempDir dir;
    const std::string state =
        Values({1e4, 1, 1e-6, 0}) + Values({2e4, 2, 2e-6, -4}) + Values({3e4, 3, 3e-6, 5});
    const std::string status = Values({1, 2e-9, 3, 4});
    std::string gps = "G05 2017 09 08 00 00 00" + Values({1e-4, 0, 0}, "");
    for (int i = 0; i < 7; ++i) gps += OrbitLine(i, "    ");
    const std::string end = HeaderLine("", "END OF HEADER");
    const std::string head =
        HeaderLine("     3.05           N: GNSS NAV DATA    M: MIXED", "RINEX VERSION / TYPE") +
        end;
    const std::string body = "R07 2017 09 08 00 15 00" + Values({1e-5, 0, 20}, "") + state +
                             status + gps + "R08 2017 09 08 00 15 00" + Values({2e-5, 0, 20}, "") +
                             state + status;
    NavFile nav;
    ASSERT_EQ(Read(dir.Write("BRDC00WRD_R_20172510000_01D_MN.rnx", head + body), nav), 1);
    ASSERT_EQ(nav.glonass.size(), 2u);
    EXPECT_EQ(nav.glonass[0].prn, 7);
    EXPECT_EQ(nav.glonass[1].prn, 8);
    EXPECT_DOUBLE_EQ(nav.glonass[1].clockBias, 2e-5);
    ASSERT_EQ(nav.kepler.size(), 1u);
    EXPECT_EQ(nav.kepler[0].prn, 5);
    EXPECT_DOUBLE_EQ(nav.kepler[0].af0, 1e-4);
}
