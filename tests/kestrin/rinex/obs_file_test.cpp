// End to end: a decoder-like sequence of synthetic epochs, an event and a site occupation
// run through the flush rule and the epoch pipeline into complete 2.10 and 3.02 files.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <regex>

#include "core/raw_converter.h"
#include "rinex/events_sites.h"
#include "rinex/version_comment.h"
#include "support/epochs.h"
#include "support/profiles.h"
#include "support/scoped_tmpdir.h"
#include "support/temp_dir.h"
#include "support/text_lines.h"

namespace {

using namespace kestrin;
using namespace testsupport;

std::vector<uint8_t> SiteRecord(int type, const std::string& name, const std::string& number) {
    std::vector<uint8_t> payload(type == 1 ? 42 : 0, 0);
    if (type == 1) {
        std::memcpy(payload.data(), name.data(), name.size());
        std::memcpy(payload.data() + 20, number.data(), number.size());
        payload[40] = 0xDC;  // 1500 mm
        payload[41] = 0x05;
    }
    std::vector<uint8_t> r = {
        0xB7, 0x59, 0, static_cast<uint8_t>(type), static_cast<uint8_t>(payload.size()), 0};
    for (uint8_t b : payload) r.push_back(b);
    const uint16_t crc = Crc16X25(r.data() + 2, payload.size() + 4);
    r.push_back(static_cast<uint8_t>(crc >> 8));
    r.push_back(static_cast<uint8_t>(crc & 0xFF));
    return r;
}

// Range of satellite `number` at epoch i, and its L1 phase.
double Range(int number, int i) {
    return 20000000.0 + number * 10000.0 + i * 0.5;
}

HeaderInfo SurveyHeader() {
    HeaderInfo info;
    info.receiverType = "XY-QUENDAL 9";
    info.receiverNumber = "A1234";
    info.firmwareVersion = "2.0";
    info.antennaNumber = 3;
    info.antennaType = "ANT-XY";
    info.x = 4000000.1234;
    info.y = 500000.5;
    info.z = 4900000.25;
    info.antennaHeight = 1.2345;
    info.markerName = "ABCD";
    info.sessionNumber = 2;
    info.profile = testsupport::ProfileOfDataType(1);
    info.methodMask = 31;
    info.measureMethod = 1;
    info.measuredHeight = 1.3;
    info.antennaRadius = 0.1;
    info.antennaEdgeHeight = 0.05;
    info.l1PhaseOffset = 0.08;
    info.l2PhaseOffset = 0.09;
    info.systemsPresent = 0x27;  // GPS, GLONASS, BDS, Galileo
    info.glonassChannels[3] = 5;
    return info;
}

// One epoch: G05 and G12 on C1C + C2W, R03 (channel 5) on C1C + C2C, C06 on C1I + C7I,
// E11 on C1C + C5Q.
OBSERVATIONS SurveyEpoch(int i, HeaderInfo& info) {
    const GnssTime t = MakeTime(2021, 6, 1, 0, i / 60, i % 60);
    auto dual = [&](int32_t sys, int32_t prn, int slot1, int slot2) {
        const int n = sys + prn;
        info.SetDefaultObsCode(SystemIndex(sys), slot1);
        info.SetDefaultObsCode(SystemIndex(sys), slot2);
        info.satSeen[SatelliteIndex(sys, prn)] = 1;
        SatelliteData s =
            MakeSat(sys, prn,
                    {MakeBlock(slot1, Range(n, i), Range(n, i) / 0.19, -100.0 - n, 45),
                     MakeBlock(slot2, Range(n, i) + 2, Range(n, i) / 0.25, -80.0 - n, 38,
                               i == 7 ? 1u : 0u)});
        if (sys == kSysGlonass) s.glonassChannel = 5;
        return s;
    };
    return MakeEpoch(t,
                     {dual(kSysGps, 12, 0, 11), dual(kSysGps, 5, 0, 11), dual(kSysGlonass, 3, 1, 3),
                      dual(kSysBds, 6, 0, 3), dual(kSysGalileo, 11, 0, 6)});
}

// Runs 700 epochs at 1 s like a decoder: flush check after each epoch, a site occupation
// from the 100th to the 200th epoch, an event at 00:03:15.5, the final block at the end.
std::string Convert(int rinex3, const TempDir& out) {
    RawConverter w;
    w.options.rinex3 = rinex3;
    w.options.interval = 30;
    w.options.fileTitle = "abcd1520";
    EXPECT_TRUE(w.OpenTempFiles());
    HeaderInfo info = SurveyHeader();
    AfterTreatment current;
    std::vector<OBSERVATIONS> epochs;
    for (int i = 0; i < 700; ++i) {
        if (i == 100 || i == 200) {
            const auto r = i == 100 ? SiteRecord(1, "PT07", "77") : SiteRecord(2, "", "");
            EXPECT_EQ(w.ParseSiteRecord(r.data(), static_cast<int>(r.size()), 0,
                                        static_cast<int>(epochs.size()), current),
                      static_cast<int>(r.size()));
        }
        if (i == 196) {
            EventMark e;
            e.eventTime = e.placeTime = MakeTime(2021, 6, 1, 0, 3, 15.5);
            e.kind = 5;
            e.port = 1;
            e.eventNumber = 17;
            w.events.push_back(e);
        }
        epochs.push_back(SurveyEpoch(i, info));
        w.FlushEpochs(info, current, epochs);
    }
    w.info.Assign(info);
    w.WriteEpochBlock(epochs, true);
    w.leapSeconds = 18;
    const std::string path = out.File(rinex3 ? "abcd1520.21o.rnx" : "abcd1520.21o");
    EXPECT_TRUE(w.WriteObsFile(path));
    w.CloseTempFiles();
    return ReadFile(path);
}

void ExpectHeader(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    ASSERT_GE(lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i].size(), 80u) << lines[i];
        if (i == 1) {
            EXPECT_TRUE(std::regex_match(
                lines[i], std::regex("Quendal {33}[0-9]{8} [0-9]{6} LCL PGM / RUN BY / DATE ")))
                << lines[i];
        } else {
            EXPECT_EQ(lines[i], expected[i]) << "header line " << i;
        }
    }
}

TEST(ObservationFile, Rinex302EndToEnd) {
    TempDir tmp;
    ScopedTmpdir scoped(tmp.path());
    TempDir out;
    const auto lines = Lines(Convert(1, out));
    const std::vector<std::string> header = {
        "     3.02           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE",
        "",
        ConvertedByLine().substr(0, 80),
        "       G = GPS       R = GLONASS       C = COMPASS          COMMENT             ",
        "       S = SBAS      J = QZSS          E = GALILEO          COMMENT             ",
        "ABCD                                                        MARKER NAME         ",
        "2                                                           MARKER NUMBER       ",
        "                                                            OBSERVER / AGENCY   ",
        "A1234               XY-QUENDAL 9        2.0                 REC # / TYPE / VERS ",
        "3                   ANT-XY                                  ANT # / TYPE        ",
        "  4000000.1234   500000.5000  4900000.2500                  APPROX POSITION XYZ ",
        "        1.2345        0.0000        0.0000                  ANTENNA: DELTA H/E/N",
        "G    8 C1C L1C D1C S1C C2W L2W D2W S2W                      SYS / # / OBS TYPES ",
        "R    8 C1C L1C D1C S1C C2C L2C D2C S2C                      SYS / # / OBS TYPES ",
        "C    8 C1I L1I D1I S1I C7I L7I D7I S7I                      SYS / # / OBS TYPES ",
        "E    8 C1C L1C D1C S1C C5Q L5Q D5Q S5Q                      SYS / # / OBS TYPES ",
        "DBHZ                                                        COMMENT             ",
        "     30.000                                                 INTERVAL            ",
        "  2021    06    01    00    00    0.0000000     GPS         TIME OF FIRST OBS   ",
        "  2021    06    01    00    11   30.0000000     GPS         TIME OF LAST OBS    ",
        "     0                                                      RCV CLOCK OFFS APPL ",
        "G L1C  0.00000                                              SYS / PHASE SHIFT   ",
        "G L2W  0.00000                                              SYS / PHASE SHIFT   ",
        "R L1C  0.00000                                              SYS / PHASE SHIFT   ",
        "R L2C  0.00000                                              SYS / PHASE SHIFT   ",
        "C L1I  0.00000                                              SYS / PHASE SHIFT   ",
        "C L7I  0.00000                                              SYS / PHASE SHIFT   ",
        "E L1C  0.50000                                              SYS / PHASE SHIFT   ",
        "E L5Q -0.25000                                              SYS / PHASE SHIFT   ",
        "  1 R03  5                                                  GLONASS SLOT / FRQ #",
        " C1C   71.950 C2P   71.950                                  GLONASS COD/PHS/BIS ",
        "    18                                                      LEAP SECONDS        ",
        "*** Above antenna height is from mark to PHASE CENTER.      COMMENT             ",
        "    31     1        1.3000        ANT MEASURE TYPE/HEIGT    COMMENT             ",
        "    0.1000    0.0500    0.0800    0.0900    0.0000          COMMENT             ",
        "                    BASE STATION                            COMMENT             ",
        "                                                            END OF HEADER       ",
    };
    ExpectHeader(lines, header);

    // Records: 24 epochs (00:00:00 .. 00:11:30 every 30 s), the site occupation around
    // 00:01:40 .. 00:03:19, the event after the buffer epoch that follows it (00:03:16).
    std::map<char, size_t> types = {{'G', 8}, {'R', 8}, {'C', 8}, {'E', 8}};
    std::vector<std::string> tokens;
    for (size_t i = header.size(); i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.rfind("> 20", 0) == 0 && l[31] == '0') {
            tokens.push_back(l.substr(13, 16));
            EXPECT_EQ(l.substr(32, 3), "  5");
            // Satellites in number order, each with one 16-character field per declared type.
            const char* order[] = {"G05", "G12", "R03", "C06", "E11"};
            for (int s = 0; s < 5; ++s) {
                const std::string& sat = lines[i + 1 + s];
                EXPECT_EQ(sat.substr(0, 3), order[s]);
                EXPECT_EQ(sat.size(), 3 + 16 * types[sat[0]]) << sat;
            }
            i += 5;
        } else if (l.rfind(">                              4  1", 0) == 0) {
            tokens.push_back("EVENT");
            EXPECT_EQ(
                lines[i + 1],
                "              *** EXTERNAL EVENT #     17 ***  PORT # 1     COMMENT             ");
            EXPECT_EQ(lines[i + 2], "> 2021 06 01 00 03 15.5000000  5  0");
            i += 2;
        } else if (l == ">                              3  5") {
            tokens.push_back("SITE");
            EXPECT_EQ(lines[i + 1].substr(0, 4), "PT07");
            EXPECT_EQ(lines[i + 2].substr(0, 3), "77 ");
            EXPECT_EQ(
                lines[i + 4],
                "        1.5000        0.0000        0.0000                  ANTENNA: DELTA H/E/N");
            i += 5;
        } else if (l == ">                              2  1") {
            tokens.push_back("END");
            EXPECT_EQ(
                lines[i + 1],
                "        1.2345        0.0000        0.0000                  ANTENNA: DELTA H/E/N");
            i += 1;
        } else {
            ADD_FAILURE() << "unexpected line " << l;
        }
    }
    std::vector<std::string> expected;
    for (int k = 0; k < 24; ++k) {
        const int s = k * 30;
        if (s == 120) expected.push_back("SITE");
        if (s == 210) {
            expected.push_back("EVENT");
            expected.push_back("END");
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "00 %02d %2d.0000000", s / 60, s % 60);
        expected.push_back(buf);
    }
    EXPECT_EQ(tokens, expected);

    // Values land in the declared columns: G05 at 00:00:30 (epoch 30): C1C, then C2W in the
    // fifth field; R03's L1C phase.
    const auto at = std::find(lines.begin(), lines.end(),
                              "> 2021 06 01 00 00 30.0000000  0  5       0.000000000000");
    ASSERT_NE(at, lines.end());
    char field[64];
    std::snprintf(field, sizeof field, "%14.3f", Range(5, 30));
    EXPECT_EQ((at + 1)->substr(3, 14), field);
    std::snprintf(field, sizeof field, "%14.3f", Range(5, 30) + 2);
    EXPECT_EQ((at + 1)->substr(3 + 64, 14), field);
    std::snprintf(field, sizeof field, "%14.3f", Range(35, 30) / 0.19);
    EXPECT_EQ((at + 3)->substr(3 + 16, 14), field);
}

TEST(ObservationFile, Rinex210EndToEnd) {
    TempDir tmp;
    ScopedTmpdir scoped(tmp.path());
    TempDir out;
    const auto lines = Lines(Convert(0, out));
    const std::vector<std::string> header = {
        "     2.10           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE",
        "",
        ConvertedByLine().substr(0, 80),
        "       G = GPS       R = GLONASS       C = COMPASS          COMMENT             ",
        "       S = SBAS      J = QZSS          E = GALILEO          COMMENT             ",
        "Signal Strength values S1,S2 are in dBHz                    COMMENT             ",
        "ABCD                                                        MARKER NAME         ",
        "2                                                           MARKER NUMBER       ",
        "                                                            OBSERVER / AGENCY   ",
        "A1234               XY-QUENDAL 9        2.0                 REC # / TYPE / VERS ",
        "3                   ANT-XY                                  ANT # / TYPE        ",
        "  4000000.1234   500000.5000  4900000.2500                  APPROX POSITION XYZ ",
        "        1.2345        0.0000        0.0000                  ANTENNA: DELTA H/E/N",
        "     8    C1    L1    D1    S1    P2    L2    D2    S2      # / TYPES OF OBSERV ",
        "     1     1                                                WAVELENGTH FACT L1/2",
        "     30.000                                                 INTERVAL            ",
        "  2021    06    01    00    00    0.0000000     GPS         TIME OF FIRST OBS   ",
        "  2021    06    01    00    11   30.0000000     GPS         TIME OF LAST OBS    ",
        "     0                                                      RCV CLOCK OFFS APPL ",
        "    18                                                      LEAP SECONDS        ",
        "*** Above antenna height is from mark to PHASE CENTER.      COMMENT             ",
        "CARRIER PHASE MEASUREMENTS: PHASE SHIFTS REMOVED            COMMENT             ",
        "    31     1        1.3000        ANT MEASURE TYPE/HEIGT    COMMENT             ",
        "    0.1000    0.0500    0.0800    0.0900    0.0000          COMMENT             ",
        "                    BASE STATION                            COMMENT             ",
        "                                                            END OF HEADER       ",
    };
    ExpectHeader(lines, header);

    std::vector<std::string> tokens;
    for (size_t i = header.size(); i < lines.size(); ++i) {
        const std::string& l = lines[i];
        EXPECT_EQ(l.size(), 80u) << l;
        if (l.rfind(" 21  6  1  0 ", 0) == 0 && l.substr(26, 6) == "  0  5") {
            tokens.push_back(l.substr(10, 16));
            EXPECT_EQ(l.substr(32, 15), "G05G12R03C06E11");
            // Eight types: two lines of 80 characters per satellite.
            for (int s = 0; s < 5; ++s) {
                EXPECT_EQ(lines[i + 1 + 2 * s].size(), 80u);
                EXPECT_EQ(lines[i + 2 + 2 * s].size(), 80u);
                EXPECT_EQ(lines[i + 2 + 2 * s].substr(48), std::string(32, ' '));
            }
            i += 10;
        } else if (l.rfind(std::string(28, ' ') + "4  1", 0) == 0) {
            tokens.push_back("EVENT");
            EXPECT_EQ(lines[i + 2].substr(0, 32), " 21  6  1  0  3 15.5000000  5  0");
            i += 2;
        } else if (l.rfind(std::string(28, ' ') + "3  7", 0) == 0) {
            tokens.push_back("SITE");
            EXPECT_EQ(lines[i + 7].substr(0, 40), "  *** NEW SITE OCCUPATION FOLLOWS !***  ");
            i += 7;
        } else if (l == std::string(28, ' ') + "2" + std::string(51, ' ')) {
            tokens.push_back("END");
            EXPECT_EQ(lines[i + 4].substr(0, 34), "  *** START MOVING ANTENNA  ! *** ");
            i += 4;
        } else {
            ADD_FAILURE() << "unexpected line " << l;
        }
    }
    ASSERT_EQ(tokens.size(), 27u);
    EXPECT_EQ(tokens[0], " 0  0  0.0000000");
    EXPECT_EQ(tokens[4], "SITE");
    EXPECT_EQ(tokens[8], "EVENT");
    EXPECT_EQ(tokens[9], "END");

    // The GLONASS C1C phase of R03 with the shift of slot 1 (none) in the L1 column, and the
    // Galileo C1C phase with its half cycle added.
    const auto at = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind(" 21  6  1  0  0 30.0000000  0  5", 0) == 0;
    });
    ASSERT_NE(at, lines.end());
    char field[64];
    std::snprintf(field, sizeof field, "%14.3f", Range(35, 30) / 0.19);
    EXPECT_EQ((at + 5)->substr(16, 14), field);
    std::snprintf(field, sizeof field, "%14.3f", Range(131, 30) / 0.19 + 0.5);
    EXPECT_EQ((at + 9)->substr(16, 14), field);
}

}  // namespace
