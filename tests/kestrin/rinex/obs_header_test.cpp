#include "rinex/obs_header.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "core/raw_converter.h"
#include "support/epochs.h"
#include "support/scoped_tmpdir.h"
#include "support/temp_dir.h"
#include "support/text_lines.h"

namespace {

using namespace kestrin;
using testsupport::Lines;

// The header lines that carry `label` (columns 61..80).
std::vector<std::string> Labelled(const std::string& text, const std::string& label) {
    std::vector<std::string> out;
    for (const std::string& l : Lines(text)) {
        if (l.size() >= 60 && l.compare(60, std::string::npos, label) == 0) out.push_back(l);
    }
    return out;
}

std::string Pad(std::string s, const char* label) {
    s.resize(60, ' ');
    std::string l = label;
    l.resize(20, ' ');
    return s + l;
}

class ObsHeader : public ::testing::Test {
  protected:
    void SetUp() override {
        w.info.systemsPresent = 1;
        w.info.dataType = 1;
        w.codesInUse[0] = {"C1C", "C2W"};
    }
    std::string Header() { return ObsHeaderText(w, "20240102 030405 LCL"); }
    RawConverter w;
};

TEST(ObsProgramName, FollowsTheReceiverType) {
    EXPECT_EQ(ObsProgramName("XY-QUENDAL 9"), "Quendal");
    EXPECT_EQ(ObsProgramName("tarvin t3"), "Tarvin");
    EXPECT_EQ(ObsProgramName("Other"), "Zephyrane 1.0");
    EXPECT_EQ(ObsProgramName(""), "Zephyrane 1.0");
}

TEST_F(ObsHeader, EveryLineIsEightyCharacters) {
    w.info.receiverType = std::string(30, 'R');  // longer than its field
    w.info.markerName = std::string(70, 'M');
    w.outputInterval = 210.0;  // wider than the interval field's six characters
    for (int rinex3 : {0, 1}) {
        w.options.rinex3 = rinex3;
        for (const std::string& l : Lines(Header())) EXPECT_EQ(l.size(), 80u) << l;
    }
    EXPECT_EQ(Labelled(Header(), "INTERVAL            ")[0], Pad("     210.000", "INTERVAL"));
}

TEST_F(ObsHeader, FixedLinesOfRinex302) {
    w.info.receiverType = "XY-QUENDAL 9";
    w.outputInterval = 30.0;
    w.firstEpoch = testsupport::MakeTime(2021, 6, 1, 12, 0, 0);
    w.lastEpoch = testsupport::MakeTime(2021, 6, 1, 13, 59, 30);
    w.leapSeconds = 18;
    const auto lines = Lines(Header());
    EXPECT_EQ(lines[0],
              "     3.02           OBSERVATION DATA    GPS                 RINEX VERSION / TYPE");
    EXPECT_EQ(lines[1],
              "Quendal                                 20240102 030405 LCL PGM / RUN BY / DATE ");
    const std::string text = Header();
    EXPECT_EQ(Labelled(text, "SYS / # / OBS TYPES "),
              (std::vector<std::string>{
                  Pad("G    8 C1C L1C D1C S1C C2W L2W D2W S2W", "SYS / # / OBS TYPES")}));
    EXPECT_EQ(Labelled(text, "INTERVAL            ")[0], Pad("     30.000", "INTERVAL"));
    EXPECT_EQ(Labelled(text, "TIME OF FIRST OBS   ")[0],
              "  2021    06    01    12    00    0.0000000     GPS         TIME OF FIRST OBS   ");
    EXPECT_EQ(Labelled(text, "TIME OF LAST OBS    ")[0],
              "  2021    06    01    13    59   30.0000000     GPS         TIME OF LAST OBS    ");
    EXPECT_EQ(Labelled(text, "SYS / PHASE SHIFT   "),
              (std::vector<std::string>{Pad("G L1C  0.00000", "SYS / PHASE SHIFT"),
                                        Pad("G L2W  0.00000", "SYS / PHASE SHIFT")}));
    EXPECT_EQ(Labelled(text, "LEAP SECONDS        ")[0], Pad("    18", "LEAP SECONDS"));
    EXPECT_EQ(Labelled(text, "COMMENT             ").back(),
              Pad("                    BASE STATION", "COMMENT"));
    EXPECT_EQ(lines.back(), Pad("", "END OF HEADER"));
}

TEST_F(ObsHeader, ObservationTypesByLayout) {
    w.info.systemsPresent = 0x21;
    w.codesInUse[5] = {"C1C", "C5Q"};
    struct Case {
        int brevak, leica, dataType;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {1,
         0,
         1,
         {Pad("G    6 L1C C1C D1C L2W C2W D2W", "SYS / # / OBS TYPES"),
          Pad("E    6 L1C C1C D1C L5Q C5Q D5Q", "SYS / # / OBS TYPES")}},
        {0,
         0,
         9,
         {Pad("G    7 C1C C2W D1C L1C L2W S1C S2W", "SYS / # / OBS TYPES"),
          Pad("E    7 C1C C5Q D1C L1C L5Q S1C S5Q", "SYS / # / OBS TYPES")}},
        {0,
         1,
         9,
         {Pad("G    8 C1C L1C D1C S1C C2W L2W D2W S2W", "SYS / # / OBS TYPES"),
          Pad("E    8 C1C L1C D1C S1C C5Q L5Q D5Q S5Q", "SYS / # / OBS TYPES")}},
    };
    for (const Case& c : cases) {
        w.options.brevak = c.brevak;
        w.options.leica = c.leica;
        w.info.dataType = c.dataType;
        EXPECT_EQ(Labelled(Header(), "SYS / # / OBS TYPES "), c.expected) << c.dataType;
    }
    // Galileo C1C carries a half-cycle shift, C5Q a quarter.
    const auto shifts = Labelled(Header(), "SYS / PHASE SHIFT   ");
    EXPECT_EQ(shifts[2], Pad("E L1C  0.50000", "SYS / PHASE SHIFT"));
    EXPECT_EQ(shifts[3], Pad("E L5Q -0.25000", "SYS / PHASE SHIFT"));
    // Systems outside the selection are not listed.
    w.options.systemMask = 1;
    EXPECT_EQ(Labelled(Header(), "SYS / # / OBS TYPES ").size(), 1u);
}

TEST(ObsTypesLines, ContinueAfterThirteenTypes) {
    std::vector<std::string> types;
    for (int i = 0; i < 32; ++i) types.push_back("C" + std::to_string(10 + i));
    const auto lines = Lines(ObsTypesLines('G', types));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 10), "G   32 C10");
    EXPECT_EQ(lines[0].substr(54), " C22  SYS / # / OBS TYPES ");
    EXPECT_EQ(lines[1].substr(0, 10), "       C23");
    EXPECT_EQ(lines[2], Pad("       C36 C37 C38 C39 C40 C41", "SYS / # / OBS TYPES"));
}

TEST(GlonassSlotLines, EightPerLine) {
    HeaderInfo info;
    for (int slot = 1; slot <= 10; ++slot)
        info.glonassChannels[slot] = static_cast<int16_t>(slot - 8);
    info.glonassChannels[11] = 14;  // outside -7..13: not counted
    const auto lines = Lines(GlonassSlotLines(info));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              " 10 R01 -7 R02 -6 R03 -5 R04 -4 R05 -3 R06 -2 R07 -1 R08  0 GLONASS SLOT / FRQ #");
    EXPECT_EQ(lines[1], "    R09  1 R10  2 " + std::string(42, ' ') + "GLONASS SLOT / FRQ #");
    EXPECT_EQ(GlonassSlotLines(HeaderInfo{}), "");
}

TEST_F(ObsHeader, Rinex210TypesAndComments) {
    w.options.rinex3 = 0;
    struct Case {
        int brevak, dataType;
        uint8_t mask;
        const char* types;
    };
    const Case cases[] = {
        {1, 1, 63,
         "     8    L1    L2    C1    P2    D1    D2    P1    C2      # / TYPES OF OBSERV "},
        {0, 1, 63,
         "     8    C1    L1    D1    S1    P2    L2    D2    S2      # / TYPES OF OBSERV "},
        {0, 9, 1,
         "     7    C1    D1    L1    L2    P2    S1    S2            # / TYPES OF OBSERV "},
        {0, 9, 63,
         "     9    C1    C2    D1    L1    L2    P1    P2    S1    S2# / TYPES OF OBSERV "},
    };
    for (const Case& c : cases) {
        w.options.brevak = c.brevak;
        w.info.dataType = c.dataType;
        w.options.systemMask = c.mask;
        EXPECT_EQ(Labelled(Header(), "# / TYPES OF OBSERV ")[0], c.types);
    }
    w.info.dataType = 6;
    w.options.phaseCenter = 0;
    w.info.stationKind = 1;
    const std::string text = Header();
    EXPECT_NE(text.find("Signal Strength values S1,S2 are in dBHz                    COMMENT"),
              std::string::npos);
    EXPECT_NE(text.find("*** Above antenna height is from mark to ANTENNA BOTTOM.    COMMENT"),
              std::string::npos);
    const auto lines = Lines(text);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 4], Pad("", "END OF HEADER"));
    EXPECT_EQ(lines[lines.size() - 3], std::string(26, ' ') + "  2" + std::string(51, ' '));
    EXPECT_EQ(lines[lines.size() - 2], std::string(26, ' ') + "  4  1" + std::string(48, ' '));
    EXPECT_EQ(lines.back(), Pad("  *** START MOVING ANTENNA  ! ***", "COMMENT"));
    EXPECT_EQ(Labelled(text, "WAVELENGTH FACT L1/2")[0],
              Pad("     1     1", "WAVELENGTH FACT L1/2"));
}

TEST_F(ObsHeader, DataType9ObservationCounts) {
    w.info.dataType = 9;
    w.info.systemsPresent = 0x05;
    w.codesInUse[2] = {"C1I", "C7I"};
    const int g03 = SatelliteIndex(kSysGps, 3), c06 = SatelliteIndex(kSysBds, 6);
    w.info.satSeen[g03] = 1;
    w.info.satSeen[c06] = 1;
    w.info.satSeen[SatelliteIndex(kSysGlonass, 8)] = 1;  // not in the data, not selected
    w.options.systemMask = 0x05;
    w.info.obsCounts[g03][0] = {10, 11, 12, 13};   // C1C
    w.info.obsCounts[g03][11] = {20, 21, 22, 23};  // C2W
    w.info.obsCounts[c06][0] = {30, 31, 32, 33};   // C1I
    w.info.obsCounts[c06][3] = {40, 41, 42, 43};   // C7I
    auto counts = [this]() { return Labelled(Header(), "PRN / # OF OBS      "); };

    const std::string satellites = Labelled(Header(), "# OF SATELLITES     ")[0];
    EXPECT_EQ(satellites, Pad("     2", "# OF SATELLITES"));
    // 3.02: ranges, the first Doppler, phases, strengths.
    EXPECT_EQ(counts()[0],
              Pad("   G03    10    20    12    11    21    13    23", "PRN / # OF OBS"));
    EXPECT_EQ(counts()[1],
              Pad("   C06    30    40    32    31    41    33    43", "PRN / # OF OBS"));
    w.options.brevak = 1;  // phase, range, Doppler per code
    EXPECT_EQ(counts()[0], Pad("   G03    11    10    12    21    20    22", "PRN / # OF OBS"));
    w.options.brevak = 0;
    w.options.leica = 1;  // range, phase, Doppler, strength per code
    EXPECT_EQ(counts()[0],
              Pad("   G03    10    11    12    13    20    21    22    23", "PRN / # OF OBS"));

    // 2.10: counts summed into the 2.10 types.
    w.options.rinex3 = 0;
    w.options.leica = 0;
    EXPECT_EQ(counts()[0],  // C1 C2 D1 L1 L2 P1 P2 S1 S2
              "   G03    10     0    12    11    21     0    20    13    23PRN / # OF OBS      ");
    EXPECT_EQ(counts()[1],
              "   C06    30    40    32    31    41     0     0    33    43PRN / # OF OBS      ");
    w.options.brevak = 1;  // L1 L2 C1 P2 D1 D2 P1 C2
    EXPECT_EQ(counts()[0],
              "   G03    11    21    10    20    12    22     0     0      PRN / # OF OBS      ");
    w.options.brevak = 0;
    w.options.systemMask = 1;  // C1+P1 D1 L1 L2 C2+P2 S1 S2
    EXPECT_EQ(counts(), (std::vector<std::string>{"   G03    10    12    11    21    20    13    "
                                                  "23            PRN / # OF OBS      "}));
}

TEST(WriteObsFile, NeedsRecords) {
    testsupport::TempDir tmp;
    testsupport::ScopedTmpdir scoped(tmp.path());
    testsupport::TempDir out;
    RawConverter w;
    ASSERT_TRUE(w.OpenTempFiles());
    EXPECT_FALSE(w.WriteObsFile(out.File("a.21o")));
    EXPECT_TRUE(out.Entries().empty());
    ASSERT_TRUE(w.AppendTempText(kTempObs, "record\n"));
    EXPECT_TRUE(w.WriteObsFile(out.File("a.21o")));
    const std::string text = testsupport::ReadFile(out.File("a.21o"));
    EXPECT_EQ(text.substr(text.size() - 88), Pad("", "END OF HEADER") + "\nrecord\n");
    // A path that cannot be created fails.
    EXPECT_FALSE(w.WriteObsFile(out.File("missing/a.21o")));
}

TEST(WriteModelObsFile, WritesAPlain210File) {
    testsupport::TempDir out;
    HeaderInfo info;
    info.systemsPresent = 1;
    info.markerName = "ABCD";
    EXPECT_EQ(WriteModelObsFile(out.File("none.o"), info, {}, nullptr), 1);
    EXPECT_TRUE(out.Entries().empty());

    using namespace testsupport;
    std::vector<OBSERVATIONS> epochs = {
        MakeEpoch(MakeTime(2021, 6, 1, 0, 0, 0),
                  {MakeSat(kSysGps, 3,
                           {MakeBlock(3, 2e7, 1e8, 5, 42), MakeBlock(11, 2e7 + 1, 8e7, 4, 36)}),
                   MakeSat(33, 1, {MakeBlock(0, 2e7, 0, 0, 0)})}),
        MakeEpoch(MakeTime(2021, 6, 1, 0, 0, 30),
                  {MakeSat(kSysGps, 3, {MakeBlock(0, 2e7, 1e8, 5, 42)})}),
    };
    std::vector<int> progress;
    KestrinNotifyTarget target{
        [](void* ctx, unsigned int msg, long wparam, long) {
            if (msg == KESTRIN_MSG_PROGRESS)
                static_cast<std::vector<int>*>(ctx)->push_back(static_cast<int>(wparam));
        },
        &progress};
    EXPECT_EQ(WriteModelObsFile(out.File("m.21o"), info, epochs, &target), 1);
    EXPECT_EQ(progress, (std::vector<int>{0, 50}));
    const auto lines = Lines(ReadFile(out.File("m.21o")));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0],
              "     2.10           OBSERVATION DATA    GPS                 RINEX VERSION / TYPE");
    EXPECT_EQ(lines[1].substr(0, 40), "Zephyrane 1.0                           ");
    EXPECT_EQ(lines[1].substr(54), "      PGM / RUN BY / DATE ");
    const auto end = std::find(lines.begin(), lines.end(), Pad("", "END OF HEADER"));
    ASSERT_NE(end, lines.end());
    EXPECT_EQ(*(end - 1), Pad("    18", "LEAP SECONDS"));
    // First block as band 1 (no phase shift), second as band 2; unknown systems left out.
    EXPECT_EQ(*(end + 1),
              " 21  6  1  0  0  0.0000000  0  1G03" + std::string(33, ' ') + " 0.000000000");
    EXPECT_EQ(*(end + 2),
              "  20000000.000 7 100000000.000 7         5.000 7        42.000    20000001.000 6");
    EXPECT_EQ(*(end + 3), "  80000000.000 6         4.000 6        36.000" + std::string(34, ' '));
}

TEST(WriteModelObsFile, AFailedWriteLeavesTheFileItReplacesAsItWas) {
    // The model is written back over the file it came from, and the disk takes only the
    // first kilobyte (a file-size limit stands in for a full disk).
    testsupport::TempDir out;
    const std::string path = out.Write("m.21o", "the file the model was read from\n");
    HeaderInfo info;
    info.systemsPresent = 1;
    const std::vector<OBSERVATIONS> epochs = {testsupport::MakeEpoch(
        testsupport::MakeTime(2021, 6, 1, 0, 0, 0), {testsupport::SimpleGps(3)})};

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = WriteModelObsFile(path, info, epochs, nullptr);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(out.Entries(), std::vector<std::string>{"m.21o"});
    EXPECT_EQ(testsupport::ReadFile(path), "the file the model was read from\n");
}

}  // namespace
