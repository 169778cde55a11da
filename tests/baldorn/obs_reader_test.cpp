#include <gtest/gtest.h>

#include <string>

#include "readers/obs_code_table.h"
#include "readers/rinex_reader.h"
#include "test_files.h"

using baldorn::ObsFile;
using baldorn::RinexReader;
using baldorn_test::DataPath;
using baldorn_test::HeaderLine;
using baldorn_test::ReadAll;
using baldorn_test::TempDir;

namespace {

// One 16-column observation field.
std::string Field(double value, int lli = 0, int ssi = 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%14.3f", value);
    std::string f = buf;
    f += lli ? static_cast<char>('0' + lli) : ' ';
    f += ssi ? static_cast<char>('0' + ssi) : ' ';
    return f;
}

std::string Rinex3Header(const std::string& codeLines) {
    return HeaderLine("     3.02           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
           HeaderLine("TEST", "MARKER NAME") +
           HeaderLine("  4551596.0624 -2186893.3724  3883410.6118", "APPROX POSITION XYZ") +
           codeLines + HeaderLine("", "END OF HEADER");
}

int ReadFile(const TempDir& dir, const std::string& name, const std::string& content, ObsFile& obs,
             int maxEpochs = 0) {
    const std::string path = dir.Write(name, content);
    return RinexReader::ReadObservationFile(path.c_str(), obs, maxEpochs, nullptr);
}

}  // namespace

TEST(ObsCodeTable, SlotsAndPriorities) {
    struct Case {
        int system;
        const char* code;
        int slot;
        int priority;
    } cases[] = {
        {0, "C1C", 0, 0}, {0, "L1C", 0, 0},  {0, "S1C", 0, 0},  {0, "C1W", 0, 3},
        {0, "C2P", 1, 9}, {0, "C2W", 1, 11}, {0, "C5X", 2, 21}, {1, "C1C", 0, 1},
        {1, "L2P", 1, 2}, {2, "C7I", 1, 3},  {4, "C6X", 3, 13}, {5, "C6Z", 4, 18},
        {0, "C1", -1, 0}, {0, "C9Z", -1, 0}, {3, "   ", -1, 0},
    };
    for (const Case& c : cases) {
        const baldorn::CodeSlot s = baldorn::LookupObsCode(c.system, c.code);
        EXPECT_EQ(s.slot, c.slot) << c.system << " " << c.code;
        if (c.slot >= 0) {
            EXPECT_EQ(s.priority, c.priority) << c.system << " " << c.code;
        }
    }
}

TEST(ObsReader, Rinex3SlotsPrioritiesAndSatelliteIds) {
    TempDir dir;
    const std::string codes =
        HeaderLine("G    7 C1W C1C L1C D1C S1C C2W L2W", "SYS / # / OBS TYPES") +
        HeaderLine("R    2 C1C L1C", "SYS / # / OBS TYPES") +
        HeaderLine("C    1 C2I", "SYS / # / OBS TYPES") +
        HeaderLine("E    1 C1C", "SYS / # / OBS TYPES") +
        HeaderLine("I    2 C5A L5A", "SYS / # / OBS TYPES");  // a system not modelled here
    const std::string g05 = "G05" + Field(20000100.5) + Field(20000000.25) +
                            Field(105000000.125, 1, 7) + Field(-1234.5) + Field(45.0) +
                            Field(20000005.75) + Field(81000000.5, 0, 6);
    const std::string g07 = "G07" + Field(1234.567);
    const std::string i05 = "I05" + Field(21000000.0) + Field(110000000.0);  // left out
    const std::string r03 = "R03" + Field(19000000.0) + Field(101000000.0, 0, 7);
    const std::string e31 = "E37" + Field(23000000.0);  // outside the Galileo block
    const std::string s20 = "S20" + Field(38000000.0);  // SBAS S20 is PRN 1; no SBAS codes
    const std::string content = Rinex3Header(codes) + "> 2021 01 01 00 00  0.0000000  0  7\n" +
                                g05 + "\n" + g07 + "\n" + i05 + "\n" + r03 + "\n" + e31 + "\n" +
                                s20 + "\n\n";
    ObsFile obs;
    ASSERT_EQ(ReadFile(dir, "test0010.21o", content, obs), 1);
    ASSERT_EQ(obs.epochs.size(), 1u);
    const auto& sats = obs.epochs[0].sats;
    ASSERT_EQ(sats.size(), 4u);  // I05 and E37 left out, the empty line has no satellite

    const auto& g = sats[0];
    EXPECT_EQ(g.systemCode, 0);
    EXPECT_EQ(g.prn, 5);
    ASSERT_EQ(g.blocks.size(), 5u);
    EXPECT_DOUBLE_EQ(g.blocks[0].pseudorange, 20000000.25);  // C1C replaced C1W
    EXPECT_EQ(g.blocks[0].priority, 0);
    EXPECT_DOUBLE_EQ(g.blocks[0].phase, 105000000.125);
    EXPECT_EQ(g.blocks[0].lli, 1);
    EXPECT_DOUBLE_EQ(g.blocks[0].doppler, -1234.5);
    EXPECT_DOUBLE_EQ(g.blocks[0].snr, 45.0);
    EXPECT_DOUBLE_EQ(g.blocks[1].pseudorange, 20000005.75);
    EXPECT_EQ(g.blocks[1].priority, 11);
    EXPECT_DOUBLE_EQ(g.blocks[1].snr, 36.0);  // no S2W: signal strength 6 x 6

    EXPECT_EQ(sats[1].systemCode, 0);
    EXPECT_EQ(sats[1].prn, 7);
    EXPECT_DOUBLE_EQ(sats[1].blocks[0].pseudorange, 33555665.567);

    EXPECT_EQ(sats[2].systemCode, 32);
    EXPECT_EQ(sats[2].prn, 3);
    EXPECT_DOUBLE_EQ(sats[2].blocks[0].snr, 42.0);
    EXPECT_EQ(sats[2].glonassChannel, 100);

    EXPECT_EQ(sats[3].systemCode, 76);
    EXPECT_EQ(sats[3].prn, 1);
    EXPECT_EQ(obs.header.codes[0].size(), 7u);
    EXPECT_EQ(obs.header.codes[2].size(), 1u);
    EXPECT_EQ(obs.header.systemsPresent, 0b1011);
    EXPECT_EQ(obs.header.markerName, "TEST");
    EXPECT_DOUBLE_EQ(obs.header.approxY, -2186893.3724);
}

TEST(ObsReader, Rinex3CodeListContinuation) {
    TempDir dir;
    const std::string codes =
        HeaderLine("G   15 C1C L1C D1C S1C C1W L1W C2W L2W D2W S2W C5Q L5Q D5Q",
                   "SYS / # / OBS TYPES") +
        HeaderLine("       S5Q C2L", "SYS / # / OBS TYPES");
    ObsFile obs;
    ASSERT_EQ(ReadFile(dir, "a.21o", Rinex3Header(codes), obs), 1);
    ASSERT_EQ(obs.header.codes[0].size(), 15u);
    EXPECT_EQ(obs.header.codes[0][12], "D5Q");
    EXPECT_EQ(obs.header.codes[0][14], "C2L");
}

TEST(ObsReader, Rinex2TypeTranslation) {
    TempDir dir;
    const std::string head =
        HeaderLine("     2.11           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
        HeaderLine("    10    C1    L1    D1    S1    P2    L2    D2    S2    L5",
                   "# / TYPES OF OBSERV") +
        HeaderLine("          C5", "# / TYPES OF OBSERV") + HeaderLine("", "END OF HEADER");
    std::string line1 =
        Field(21000000.0) + Field(110000000.0) + Field(-500.0) + Field(40.0) + Field(21000003.0);
    std::string line2 =
        Field(85000000.0) + Field(-390.0) + Field(33.0) + Field(99.0) + Field(21000009.0);
    const std::string content = head +
                                " 21  1  1  0  0  0.0000000  0  2G05R07                          "
                                "      0.000123456\n" +
                                line1 + "\n" + line2 + "\n" + line1 + "\n" + line2 + "\n";
    ObsFile obs;
    ASSERT_EQ(ReadFile(dir, "b.21o", content, obs), 1);
    const auto& gps = obs.header.codes[0];
    const std::vector<std::string> gpsCodes = {"C1C", "L1C", "D1C", "S1C", "C2P",
                                               "L2C", "D2C", "S2C", "   ", "   "};
    EXPECT_EQ(gps, gpsCodes);
    const std::vector<std::string> bdsCodes = {"C1I", "L1I", "D1I", "S1I", "C7X",
                                               "L7I", "D7I", "S7I", "   ", "   "};
    EXPECT_EQ(obs.header.codes[2], bdsCodes);
    EXPECT_EQ(obs.header.codes[3][4], "C5X");
    EXPECT_EQ(obs.header.codes[4][5], "L2S");
    ASSERT_EQ(obs.epochs.size(), 1u);
    const auto& e = obs.epochs[0];
    EXPECT_NEAR(e.clockOffset, 0.000123456, 1e-15);
    EXPECT_EQ(e.time.week, 2138);
    EXPECT_DOUBLE_EQ(e.time.sow, 432000.0);
    ASSERT_EQ(e.sats.size(), 2u);
    // The L5 and C5 columns are skipped and do not shift the others.
    EXPECT_DOUBLE_EQ(e.sats[0].blocks[0].pseudorange, 21000000.0);
    EXPECT_DOUBLE_EQ(e.sats[0].blocks[1].pseudorange, 21000003.0);
    EXPECT_DOUBLE_EQ(e.sats[0].blocks[1].phase, 85000000.0);
    EXPECT_DOUBLE_EQ(e.sats[0].blocks[1].snr, 33.0);
    EXPECT_EQ(e.sats[1].systemCode, 32);
    EXPECT_EQ(e.sats[1].prn, 7);
    EXPECT_DOUBLE_EQ(e.sats[1].blocks[0].doppler, -500.0);
}

TEST(ObsReader, Rinex2SatelliteListContinuationAndTruncation) {
    TempDir dir;
    const std::string head =
        HeaderLine("     2.10           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
        HeaderLine("     1    C1", "# / TYPES OF OBSERV") + HeaderLine("", "END OF HEADER");
    std::string epoch = " 05  4  2  0  0 30.0000000  0 14G01G02G03G04G05G06G07G08G09G10G11G12\n";
    epoch += "                                G13G14\n";
    for (int i = 0; i < 14; ++i) epoch += Field(20000000.0 + i) + "\n";
    // A second epoch cut off in its satellite lines: dropped, the first stays.
    std::string cut = " 05  4  2  0  1  0.0000000  0  3G01G02G03\n" + Field(1e7 + 5) + "\n";
    ObsFile obs;
    ASSERT_EQ(ReadFile(dir, "c.05o", head + epoch + cut, obs), 1);
    ASSERT_EQ(obs.epochs.size(), 1u);
    ASSERT_EQ(obs.epochs[0].sats.size(), 14u);
    EXPECT_EQ(obs.epochs[0].sats[13].prn, 14);
    EXPECT_DOUBLE_EQ(obs.epochs[0].sats[13].blocks[0].pseudorange, 20000013.0);
    EXPECT_EQ(obs.epochs[0].time.year, 2005);
    EXPECT_DOUBLE_EQ(obs.epochs[0].time.sow, 6 * 86400 + 30.0);
}

TEST(ObsReader, EventsSitesAndEpochLimit) {
    TempDir dir;
    const std::string codes = HeaderLine("G    1 C1C", "SYS / # / OBS TYPES");
    std::string body;
    body += "> 2021 01 01 00 00  0.0000000  3  2\n";
    body += HeaderLine("SITE1", "MARKER NAME");
    body += HeaderLine("1234                TRM55971.00", "ANT # / TYPE");
    body += "> 2021 01 01 00 00  0.0000000  0  1\nG01" + Field(2e7) + "\n";
    body += "> 2021 01 01 00 00 30.0000000  0  1\nG01" + Field(2e7) + "\n";
    body += ">                              4  2\n";
    body += HeaderLine("a comment", "COMMENT");
    // The conversion library's event comment.
    char event[100];
    std::snprintf(event, sizeof event,
                  "              *** EXTERNAL EVENT #%7d ***  PORT #%2d     %-20s\n", 3, 1,
                  "COMMENT");
    body += event;
    body += "> 2021 01 01 00 00 45.0000000  5  0\n";
    body += "> 2021 01 01 00 01  0.0000000  0  1\nG01" + Field(2e7) + "\n";
    body += "> 2021 01 01 00 01 30.0000000  0  1\nG01" + Field(2e7) + "\n";
    ObsFile obs;
    ASSERT_EQ(ReadFile(dir, "d.21o", Rinex3Header(codes) + body, obs, 3), 1);
    EXPECT_EQ(obs.epochs.size(), 3u);
    ASSERT_EQ(obs.sites.size(), 1u);
    EXPECT_EQ(obs.sites[0].markerName.substr(0, 5), "SITE1");
    EXPECT_EQ(obs.sites[0].antennaNumber, 1234);
    EXPECT_EQ(obs.sites[0].typeText, "TRM55971.00");
    EXPECT_DOUBLE_EQ(obs.sites[0].start.sow, 432000.0);
    EXPECT_DOUBLE_EQ(obs.sites[0].end.sow, 432060.0);
    ASSERT_EQ(obs.events.size(), 1u);
    EXPECT_EQ(obs.events[0].kind, 5);
    EXPECT_EQ(obs.events[0].number, 3);
    EXPECT_EQ(obs.events[0].port, 1);
    EXPECT_DOUBLE_EQ(obs.events[0].time.sow, 432045.0);
    EXPECT_DOUBLE_EQ(obs.events[0].lastEpochTime.sow, 432030.0);
}

TEST(ObsReader, RefusedFiles) {
    TempDir dir;
    const std::string codes = HeaderLine("G    1 C1C", "SYS / # / OBS TYPES");
    const std::string good = Rinex3Header(codes);
    const std::string noEnd = good.substr(0, good.find("END OF HEADER") - 60);
    struct Case {
        const char* name;
        std::string content;
        int result;
    } cases[] = {
        {"good.21o", good, 1},
        {"good.rnx", good, 1},
        {"good.obs", good, 1},
        {"noext", good, 0},
        {"trailingdot.", good, 0},
        {"nav.21n", good, 0},
        {"noend.21o", noEnd, 0},
        {"nolabel.21o", "     3.02           OBSERVATION DATA\n", 0},
        {"old.21o",
         HeaderLine("     1.00", "RINEX VERSION / TYPE") + HeaderLine("", "END OF HEADER"), 0},
        {"new.21o",
         HeaderLine("     4.01", "RINEX VERSION / TYPE") + HeaderLine("", "END OF HEADER"), 0},
        {"empty.21o", "", 0},
    };
    for (const Case& c : cases) {
        ObsFile obs;
        EXPECT_EQ(ReadFile(dir, c.name, c.content, obs), c.result) << c.name;
    }
    ObsFile obs;
    EXPECT_EQ(RinexReader::ReadObservationFile(dir.File("missing.21o").c_str(), obs, 0, nullptr),
              0);
}

TEST(ObsReader, RealRinex3HeaderOfPdel) {
    ObsFile obs;
    ASSERT_EQ(RinexReader::ReadObservationFile(baldorn_test::DataPath("rinex/pdel0010.21o").c_str(),
                                               obs, 0, nullptr),
              1);
    EXPECT_EQ(obs.header.markerName, "PDEL");
    EXPECT_EQ(obs.header.receiverType, "LEICA GRX1200GGPRO");
    EXPECT_EQ(obs.header.antennaType, "LEIAT504GG      NONE");
    EXPECT_EQ(obs.header.codes[0].size(), 8u);
    EXPECT_EQ(obs.header.codes[1].size(), 8u);
    EXPECT_EQ(obs.epochs.size(), 67u);
    EXPECT_EQ(obs.header.systemsPresent, 0b11);
    // First epoch: 11 GPS and 7 GLONASS satellites with code, Doppler and SNR on slot 0.
    ASSERT_FALSE(obs.epochs.empty());
    const auto& first = obs.epochs[0];
    EXPECT_EQ(first.sats.size(), 18u);
    EXPECT_DOUBLE_EQ(first.sats[0].blocks[0].pseudorange, 23304001.080);
    EXPECT_DOUBLE_EQ(first.sats[0].blocks[0].doppler, 3646.410);
}

// A line is kept only up to its first 65536 characters, however long it runs: a label beyond
// them is not seen, and the lines after it are read as usual.
TEST(ObsReader, OverlongLinesAreCut) {
    TempDir dir;
    const std::string codes = HeaderLine("G    1 C1C", "SYS / # / OBS TYPES") +
                              std::string(70000, ' ') + "END OF HEADER\n";
    const std::string content = Rinex3Header(codes) + "> 2021 01 01 00 00  0.0000000  0  1\n" +
                                "G05" + Field(20000000.25) + std::string(200000, ' ') + "\n";
    ObsFile obs;
    ASSERT_EQ(ReadFile(dir, "long0010.21o", content, obs), 1);
    ASSERT_EQ(obs.epochs.size(), 1u);
    ASSERT_EQ(obs.epochs[0].sats.size(), 1u);
    EXPECT_DOUBLE_EQ(obs.epochs[0].sats[0].blocks[0].pseudorange, 20000000.25);
}

// A record that lost a line (or holds an unreadable one) costs that epoch only: reading goes
// on at the next epoch line and counts what it passed over.
TEST(ObsReader, DamagedRinex2RecordsAreSkippedUpToTheNextEpoch) {
    const std::string original = ReadAll(DataPath("rinex/07590920.05o"));
    TempDir dir;
    ObsFile whole;
    ASSERT_EQ(ReadFile(dir, "whol0920.05o", original, whole), 1);
    ASSERT_GT(whole.epochs.size(), 100u);
    EXPECT_EQ(whole.skippedRecords, 0);

    const size_t epoch = original.find(" 05  4  2  0 10  0.0010000");
    ASSERT_NE(epoch, std::string::npos);
    const size_t secondSat = original.find('\n', original.find('\n', epoch) + 1) + 1;
    const size_t secondEnd = original.find('\n', secondSat) + 1;
    const std::string cases[] = {
        original.substr(0, secondSat) + original.substr(secondEnd),
        original.substr(0, epoch) + "#### garbage ####\n" + original.substr(epoch + 1),
    };
    for (const std::string& text : cases) {
        ObsFile damaged;
        ASSERT_EQ(ReadFile(dir, "dmg00920.05o", text, damaged), 1);
        EXPECT_EQ(damaged.epochs.size(), whole.epochs.size() - 1);
        EXPECT_EQ(damaged.skippedRecords, 1);
    }
}
