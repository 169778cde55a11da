#include "rinex/nav_headers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rinex/version_comment.h"
#include "support/text_lines.h"
#include "tollmere_version.h"

using namespace kestrin;
using testsupport::Lines;

namespace {

const char* const kStamp = "20260102 030405 LCL";
// The program line and the release comment that follows it in every header.
const std::string kRunBy = "Zephyrane 1.0" + std::string(27, ' ') +
                           "20260102 030405 LCL PGM / RUN BY / DATE \n" + ConvertedByLine();
const std::string kEnd = std::string(60, ' ') + "END OF HEADER       \n";

struct IonoSets {
    IonoUtcParams sets[kIonoSets];
    IonoSets() {
        for (IonoUtcParams& p : sets) {
            p.valid = 1;
            p.alpha0 = 1.1176e-08;
            p.alpha1 = 7.4506e-09;
            p.alpha2 = -5.9604644775390625e-08;  // -2^-24
            p.alpha3 = 0.0;
            p.beta0 = 90112.0;
            p.beta1 = 0.0;
            p.beta2 = -196608.0;
            p.beta3 = 65536.0;
            p.a0 = 2.0e-9;
            p.a1 = -2.5e-15;
            p.utcTime = 61440;
            p.utcWeek = 1721;
        }
    }
};

NavHeaderInput Input(bool rinex3, bool brevak, const IonoSets* iono) {
    NavHeaderInput in;
    in.rinex3 = rinex3;
    in.brevak = brevak;
    in.ionoCorrections = true;
    in.leapSeconds = 16;
    in.ionoSets = iono != nullptr ? iono->sets : nullptr;
    in.stamp = kStamp;
    return in;
}

struct VersionCase {
    NavFileKind kind;
    bool rinex3;
    bool brevak;
    const char* expected;
};

TEST(NavHeader, VersionLinesPerSystemVersionAndFlavour) {
    const VersionCase cases[] = {
        {NavFileKind::Gps, false, false,
         "     2.10           N: GPS NAV DATA                         RINEX VERSION / TYPE\n"},
        {NavFileKind::Gps, true, true,
         "     3.02           N: GNSS NAV DATA    G: GPS NAV DATA     RINEX VERSION / TYPE\n"},
        {NavFileKind::Gps, true, false,
         "     3.02           N: GNSS NAV DATA    G: GPS              RINEX VERSION / TYPE\n"},
        {NavFileKind::Glonass, false, false,
         "     2.10           GLONASS NAV DATA                        RINEX VERSION / TYPE\n"},
        {NavFileKind::Glonass, true, false,
         "     3.02           N: GNSS NAV DATA    R: GLONASS          RINEX VERSION / TYPE\n"},
        {NavFileKind::Bds, false, true,
         "     2.10           COMPASS NAV DATA                        RINEX VERSION / TYPE\n"},
        {NavFileKind::Bds, true, true,
         "     3.02           NAVIGATION DATA     M (Mixed)           RINEX VERSION / TYPE\n"},
        {NavFileKind::Bds, true, false,
         "     3.02           N: GNSS NAV DATA    C: BDS              RINEX VERSION / TYPE\n"},
        {NavFileKind::Galileo, false, false,
         "     2.10           E: GALILEO/GNGS NAV DATA                RINEX VERSION / TYPE\n"},
        {NavFileKind::Galileo, true, true,
         "     3.02           N: GNSS NAV DATA    E: GALILEO NAV DATA RINEX VERSION / TYPE\n"},
        {NavFileKind::Galileo, true, false,
         "     3.02           N: GNSS NAV DATA    E: GALILEO          RINEX VERSION / TYPE\n"},
        {NavFileKind::Sbas, false, false,
         "     2.10           S: SBAS/GNSS NAV DATA                   RINEX VERSION / TYPE\n"},
        {NavFileKind::Sbas, true, true,
         "     3.02           N: GNSS NAV DATA    S: SBAS             RINEX VERSION / TYPE\n"},
        {NavFileKind::Qzss, false, false,
         "     2.10           J: QZSS/GNSS NAV DATA                   RINEX VERSION / TYPE\n"},
        {NavFileKind::Qzss, true, false,
         "     3.02           N: GNSS NAV DATA    J: QZSS             RINEX VERSION / TYPE\n"},
        {NavFileKind::Mixed, true, false,
         "     3.02           N: GNSS NAV DATA    M: Mixed            RINEX VERSION / TYPE\n"},
        {NavFileKind::Almanac, false, false,
         "     2.10           GLONASS NAV DATA                        RINEX VERSION / TYPE\n"},
        {NavFileKind::Almanac, true, true,
         "     3.02           N: GNSS NAV DATA    M: Mixed            RINEX VERSION / TYPE\n"},
    };
    for (const VersionCase& c : cases) {
        EXPECT_EQ(NavVersionLine(c.kind, Input(c.rinex3, c.brevak, nullptr)), c.expected)
            << static_cast<int>(c.kind) << " rinex3=" << c.rinex3 << " brevak=" << c.brevak;
    }
}

TEST(NavHeader, GpsHeader302IsByteExact) {
    const IonoSets iono;
    EXPECT_EQ(
        NavHeaderText(NavFileKind::Gps, Input(true, false, &iono)),
        "     3.02           N: GNSS NAV DATA    G: GPS              RINEX VERSION / TYPE\n" +
            kRunBy +
            "GPSA   0.1118D-07  0.7451D-08 -0.5960D-07  0.0000D+00       IONOSPHERIC CORR    \n"
            "GPSB   0.9011D+05  0.0000D+00 -0.1966D+06  0.6554D+05       IONOSPHERIC CORR    \n"
            "GPUT  0.2000000000D-08-0.250000000D-14  61440 1721          TIME SYSTEM CORR    \n"
            "    16                                                      LEAP SECONDS        \n" +
            kEnd);
}

TEST(NavHeader, GpsHeader210IsByteExact) {
    const IonoSets iono;
    EXPECT_EQ(
        NavHeaderText(NavFileKind::Gps, Input(false, false, &iono)),
        "     2.10           N: GPS NAV DATA                         RINEX VERSION / TYPE\n" +
            kRunBy +
            "    0.1118D-07  0.7451D-08 -0.5960D-07  0.0000D+00          ION ALPHA           \n"
            "    0.9011D+05  0.0000D+00 -0.1966D+06  0.6554D+05          ION BETA            \n"
            "    0.200000000000D-08-0.250000000000D-14    61440     1721 DELTA-UTC: A0,A1,T,W\n"
            "    16                                                      LEAP SECONDS        \n" +
            kEnd);
}

TEST(NavHeader, IonosphereLinesFollowTheirConditions) {
    IonoSets iono;
    struct Case {
        NavFileKind kind;
        bool rinex3, brevak;
        const char* firstLabel;  // nullptr = no ionosphere lines
    };
    const Case cases[] = {
        {NavFileKind::Bds, true, false, "BDSA "},    {NavFileKind::Bds, true, true, nullptr},
        {NavFileKind::Bds, false, false, "  "},      {NavFileKind::Bds, false, true, nullptr},
        {NavFileKind::Qzss, true, false, "QZSA "},   {NavFileKind::Qzss, true, true, nullptr},
        {NavFileKind::Galileo, true, true, "GAL  "}, {NavFileKind::Galileo, false, false, nullptr},
        {NavFileKind::Gps, true, true, "GPSA "},     {NavFileKind::Glonass, true, false, nullptr},
        {NavFileKind::Sbas, true, false, nullptr},   {NavFileKind::Almanac, true, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        const std::vector<std::string> lines =
            Lines(NavHeaderText(c.kind, Input(c.rinex3, c.brevak, &iono)));
        if (c.firstLabel == nullptr) {
            EXPECT_EQ(lines.size(), 5u);
            EXPECT_EQ(lines[3].substr(60), "LEAP SECONDS        ");
        } else {
            ASSERT_GE(lines.size(), 6u);
            EXPECT_EQ(lines[3].substr(0, std::string(c.firstLabel).size()), c.firstLabel);
        }
        for (const std::string& line : lines) EXPECT_EQ(line.size(), 80u) << line;
    }
    // The Galileo line carries the three coefficients and a zero.
    EXPECT_EQ(Lines(NavHeaderText(NavFileKind::Galileo, Input(true, false, &iono)))[3],
              "GAL    0.1118D-07  0.7451D-08 -0.5960D-07  0.0000D+00       IONOSPHERIC CORR    ");
    // The 3.02 time-correction lines name their system.
    EXPECT_EQ(Lines(NavHeaderText(NavFileKind::Qzss, Input(true, false, &iono)))[5].substr(0, 5),
              "QZUT ");

    // Neither an invalid set nor the option switched off writes anything.
    iono.sets[0].valid = 0;
    EXPECT_EQ(Lines(NavHeaderText(NavFileKind::Gps, Input(true, false, &iono))).size(), 5u);
    iono.sets[0].valid = 1;
    NavHeaderInput off = Input(true, false, &iono);
    off.ionoCorrections = false;
    EXPECT_EQ(Lines(NavHeaderText(NavFileKind::Gps, off)).size(), 5u);
}

TEST(NavHeader, MixedHeaderHasFourLines) {
    const IonoSets iono;
    EXPECT_EQ(NavHeaderText(NavFileKind::Mixed, Input(true, false, &iono)),
              "     3.02           N: GNSS NAV DATA    M: Mixed            RINEX VERSION / TYPE\n" +
                  kRunBy + kEnd);
}

TEST(NavHeader, RunStampHasTheLocalTimeLayout) {
    const std::string stamp = LocalRunStamp();
    ASSERT_EQ(stamp.size(), 19u);
    EXPECT_EQ(stamp[8], ' ');
    EXPECT_EQ(stamp.substr(15), " LCL");
    EXPECT_EQ(NavRunByLine(stamp).size(), 81u);
}

// The release comment names this build's version in the COMMENT columns.
TEST(NavHeader, ConvertedByLineNamesTheRelease) {
    const std::string line = ConvertedByLine();
    const std::string text = "converted by Tollmere " TOLLMERE_VERSION;
    ASSERT_EQ(line.size(), 81u);
    EXPECT_EQ(line.substr(0, 60), text + std::string(60 - text.size(), ' '));
    EXPECT_EQ(line.substr(60), "COMMENT             \n");
}

}  // namespace
