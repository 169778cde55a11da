#include "rinex/obs_records.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/raw_converter.h"
#include "support/epochs.h"

namespace {

using namespace kestrin;
using testsupport::MakeBlock;
using testsupport::MakeEpoch;
using testsupport::MakeSat;
using testsupport::MakeTime;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    if (!text.empty()) {
        EXPECT_EQ(text.back(), '\n');
    }
    return lines;
}

// GPS 5 with C1C (no slip) and C2W (slip flag 1), 45 and 39 dB-Hz.
SatelliteData DualGps(uint32_t lli2 = 1, double p2 = 20000005.5) {
    return MakeSat(kSysGps, 5,
                   {MakeBlock(0, 20000000.123, 105100770.456, -1234.5, 45.0),
                    MakeBlock(11, p2, 81896689.25, -962.25, 39.0, lli2)});
}

OBSERVATIONS EpochOf(std::initializer_list<SatelliteData> sats) {
    return MakeEpoch(MakeTime(2021, 6, 1, 12, 30, 15.0), sats, 0.000123);
}

struct Flavour {
    int rinex3 = 0, brevak = 0, leica = 0, dataType = 1, writeLli = 1;
    uint8_t mask = 63;
};

void Configure(RawConverter& w, const Flavour& f) {
    w.options.rinex3 = f.rinex3;
    w.options.brevak = f.brevak;
    w.options.leica = f.leica;
    w.options.writeLli = f.writeLli;
    w.options.systemMask = f.mask;
    w.info.dataType = f.dataType;
    w.info.SetDefaultObsCode(0, 0);
    w.info.SetDefaultObsCode(0, 11);
    w.BuildCodeLists();
}

struct RecordCase {
    const char* name;
    Flavour flavour;
    OBSERVATIONS epoch;
    std::vector<std::string> expected;
};

TEST(ObservationRecords, LayoutsAreByteExact) {
    const std::string epoch210 =
        " 21  6  1 12 30 15.0000000  0  1G05                                  0.000123000";
    const std::string brevakEpoch210 =
        " 21  6  1 12 30 15.0000000  0  1G 5                                             ";
    const std::string epoch302 = "> 2021 06 01 12 30 15.0000000  0  1       0.000123000000";
    const RecordCase cases[] = {
        {"2.10 standard",
         {},
         EpochOf({DualGps()}),
         {epoch210,
          "  20000000.123 7 105100770.456 7     -1234.500 7        45.000    20000005.500 6",
          "  81896689.25016      -962.250 6        39.000                                  "}},
        {"2.10 standard without LLI digits",
         {.writeLli = 0},
         EpochOf({DualGps()}),
         {epoch210,
          "  20000000.123 7 105100770.456 7     -1234.500 7        45.000    20000005.500 6",
          "  81896689.250 6      -962.250 6        39.000                                  "}},
        {"2.10 standard, P code in the C1 column and its quarter-cycle shift",
         {},
         MakeEpoch(MakeTime(2021, 6, 1, 12, 30, 15.0),
                   {MakeSat(kSysGps, 7, {MakeBlock(3, 21000000.0, 110000000.5, 0.0, 30.0)})}),
         {" 21  6  1 12 30 15.0000000  0  1G07                                  0.000000000",
          "  21000000.000 5 110000000.750 5         0.000 5        30.000                  ",
          std::string(80, ' ')}},
        {"Brevak 2.10",
         {.brevak = 1},
         EpochOf({DualGps()}),
         {brevakEpoch210,
          " 105100770.456    81896689.2501   20000000.123    20000005.500       -1234.500  ",
          "      -962.250           0.000           0.000                                  "}},
        {"Brevak 2.10 drops a P2 that is far from C1, and with it the second band",
         {.brevak = 1},
         EpochOf({DualGps(0, 20000500.0)}),
         {brevakEpoch210,
          " 105100770.456          -0.0001   20000000.123           0.000       -1234.500  ",
          "         0.000           0.000           0.000                                  "}},
        {"data type 9, GPS only",
         {.dataType = 9, .mask = 1},
         EpochOf({DualGps()}),
         {epoch210,
          "  20000000.123 7     -1234.500 7 105100770.456 7  81896689.25016  20000005.500 6",
          "        45.000          39.000                                                  "}},
        {"data type 9, several systems, LLI bit 2 marks the code",
         {.dataType = 9},
         EpochOf({DualGps(5)}),
         {epoch210,
          "  20000000.123 7                     -1234.500 7 105100770.456 7  81896689.25056",
          "                  20000005.50046        45.000          39.000                  "}},
        {"data type 9 in the Leica flavour uses the standard layout",
         {.leica = 1, .dataType = 9},
         EpochOf({DualGps()}),
         {epoch210,
          "  20000000.123 7 105100770.456 7     -1234.500 7        45.000    20000005.500 6",
          "  81896689.25016      -962.250 6        39.000                                  "}},
        {"3.02 standard",
         {.rinex3 = 1},
         EpochOf({DualGps()}),
         {epoch302,
          "G05  20000000.123 7 105100770.456 7     -1234.500          45.000    "
          "20000005.500 6  81896689.25016      -962.250          39.000  "}},
        {"Leica 3.02",
         {.rinex3 = 1, .leica = 1, .dataType = 9},
         EpochOf({DualGps()}),
         {epoch302,
          "G05  20000000.123 7 105100770.456 7     -1234.500          45.000    "
          "20000005.500 6  81896689.25016      -962.250          39.000  "}},
        {"Brevak 3.02",
         {.rinex3 = 1, .brevak = 1},
         EpochOf({DualGps()}),
         {epoch302,
          "G05 105100770.456 7  20000000.123 7     -1234.500    81896689.25016  "
          "20000005.500 6      -962.250  "}},
        {"3.02 data type 9",
         {.rinex3 = 1, .dataType = 9},
         EpochOf({DualGps()}),
         {epoch302,
          "G05  20000000.123 7  20000005.500 6     -1234.500 7 105100770.456 7  "
          "81896689.25016        45.000          39.000  "}},
    };
    for (const RecordCase& c : cases) {
        RawConverter w;
        Configure(w, c.flavour);
        const std::string text =
            c.flavour.rinex3 ? w.FormatEpoch302(c.epoch) : w.FormatEpoch210(c.epoch);
        EXPECT_EQ(Lines(text), c.expected) << c.name;
    }
}

TEST(ObservationRecords, SatelliteListWrapsAfterTwelve) {
    RawConverter w;
    Configure(w, {});
    OBSERVATIONS epoch = EpochOf({});
    for (int prn = 1; prn <= 13; ++prn) epoch.sats.push_back(testsupport::SimpleGps(prn));
    const auto lines = Lines(w.FormatEpoch210(epoch));
    ASSERT_EQ(lines.size(), 2u + 13u * 2u);
    EXPECT_EQ(lines[0],
              " 21  6  1 12 30 15.0000000  0 13G01G02G03G04G05G06G07G08G09G10G11G12 0.000123000");
    EXPECT_EQ(lines[1], std::string(32, ' ') + "G13" + std::string(33, ' ') + " 0.000123000");
}

TEST(ObservationRecords, UnwritableSatellitesAreLeftOut) {
    RawConverter w;
    Configure(w, {});
    OBSERVATIONS epoch = MakeEpoch(MakeTime(2009, 3, 4, 5, 6, 7.5), {});
    epoch.sats.push_back(MakeSat(kSysSbas, 39, {MakeBlock(0, 38000000.0, 0, 0, 40)}));  // S58
    epoch.sats.push_back(MakeSat(kSysSbas, 1, {MakeBlock(0, 38000000.0, 0, 0, 40)}));   // S20
    epoch.sats.push_back(MakeSat(kSysSbas, 40, {MakeBlock(0, 38000000.0, 0, 0, 40)}));  // S59
    epoch.sats.push_back(MakeSat(kSysGalileo, 37, {MakeBlock(0, 24000000.0, 0, 0, 40)}));
    epoch.sats.push_back(MakeSat(kSysGps, 0, {MakeBlock(0, 21000000.0, 0, 0, 40)}));
    epoch.sats.push_back(MakeSat(kSysGps, 9, {}));
    epoch.sats.push_back(
        MakeSat(kSysGps, 11, {MakeBlock(0, 0, 0, 0, 0), MakeBlock(11, 0, 0, 0, 0)}));
    epoch.sats.push_back(MakeSat(kSysGps, 10, {MakeBlock(40, 21000000.0, 0, 0, 40)}));
    epoch.sats.push_back(MakeSat(33, 1, {MakeBlock(0, 21000000.0, 0, 0, 40)}));
    const auto lines = Lines(w.FormatEpoch210(epoch));
    ASSERT_EQ(lines.size(), 1u + 2u * 2u);
    EXPECT_EQ(lines[0].substr(0, 38), "  9  3  4  5  6  7.5000000  0  2S58S20");

    w.options.rinex3 = 1;
    const auto lines3 = Lines(w.FormatEpoch302(epoch));
    ASSERT_EQ(lines3.size(), 3u);
    EXPECT_EQ(lines3[0].substr(0, 35), "> 2009 03 04 05 06  7.5000000  0  2");
    EXPECT_EQ(lines3[1].substr(0, 3), "S58");

    OBSERVATIONS empty = EpochOf({MakeSat(kSysGps, 0, {MakeBlock(0, 1, 1, 1, 1)})});
    EXPECT_EQ(w.FormatEpoch302(empty), "");
    EXPECT_EQ(w.FormatEpoch210(empty), "");
}

TEST(ObservationRecords, BrevakLeavesOutSignalsWhosePhaseDisagreesWithTheRange) {
    RawConverter w;
    Configure(w, {.rinex3 = 1, .brevak = 1});
    w.info.SetDefaultObsCode(1, 1);
    w.BuildCodeLists();
    const double l1 = 0.19029367279836487;
    const double range = 21000000.0;
    OBSERVATIONS epoch = EpochOf({
        // GPS 1 agrees, GPS 2 is 500 m off and is left out.
        MakeSat(kSysGps, 1, {MakeBlock(0, range, range / l1, 10, 40)}),
        MakeSat(kSysGps, 2, {MakeBlock(0, range, (range + 500) / l1, 10, 40)}),
        // The GLONASS frequency number of slot 3 is unknown: no wavelength, no test.
        MakeSat(kSysGlonass, 3, {MakeBlock(1, range, 5.0, 10, 40)}),
    });
    const auto lines = Lines(w.FormatEpoch302(epoch));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[1].substr(3, 14), std::string(14, ' '));
    EXPECT_EQ(lines[2], "G02" + std::string(96, ' '));
    EXPECT_EQ(lines[3].substr(0, 33), "R03         5.000 6  21000000.000");
}

TEST(ObservationRecords, TwoTenColumnsPickPhaseBySlotAndKeepTheRange) {
    RawConverter w;
    Configure(w, {});
    // Slot 2 (C1Y) supplies the phase first; slot 0 (C1C) has a smaller slot and replaces it.
    // The later range-less C1Y block does not erase the C1C range. No band-2 block: SSI 0.
    OBSERVATIONS epoch = EpochOf(
        {MakeSat(kSysGps, 4,
                 {MakeBlock(2, 0, 3000.0, 0, 0, 1), MakeBlock(0, 22000000.0, 2000.0, 5.0, 0.0, 0),
                  MakeBlock(2, 0, 4000.0, 7.0, 33.0, 1)})});
    const auto lines = Lines(w.FormatEpoch210(epoch));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1],
              "  22000000.000 5      2000.000 5         5.000 5        33.000                  ");
}

TEST(ObservationRecords, TwoTenSecondBandColumnsHoldOnlyL2Signals) {
    RawConverter w;
    Configure(w, {});
    // Each satellite: a first-band block and a second-band block (GPS L2 W, GLONASS L2 C/A,
    // QZSS L2C, BeiDou B2I, SBAS L5, Galileo E5a). Only the L2 ones reach the second line.
    const auto dual = [](int32_t sys, int32_t prn, int slot1, int slot2) {
        return MakeSat(sys, prn,
                       {MakeBlock(slot1, 21000000.0, 110000000.0, 100.0, 45.0),
                        MakeBlock(slot2, 21000007.0, 85000000.0, 75.0, 40.0, 1)});
    };
    OBSERVATIONS epoch =
        EpochOf({dual(kSysGps, 5, 0, 11), dual(kSysGlonass, 3, 1, 3), dual(kSysQzss, 2, 0, 6),
                 dual(kSysBds, 12, 0, 3), dual(kSysSbas, 1, 0, 1), dual(kSysGalileo, 11, 0, 5)});
    const auto lines = Lines(w.FormatEpoch210(epoch));
    ASSERT_EQ(lines.size(), 1u + 6u * 2u);
    const std::string first = "  21000000.000 7 110000000.000 7       100.000 7        45.000  ";
    const std::string l2 = "  21000007.000 6";
    const std::string l2Rest =
        "  85000000.00016        75.000 6        40.000                                  ";
    const std::string blank2 = std::string(16, ' ');
    const std::string blankRest = std::string(48 + 32, ' ');
    const bool hasL2[6] = {true, true, true, false, false, false};
    for (int i = 0; i < 6; ++i) {
        const std::string& a = lines[static_cast<size_t>(1 + 2 * i)];
        const std::string& b = lines[static_cast<size_t>(2 + 2 * i)];
        // The Galileo E1 C phase gains the half cycle of the phase-shift table.
        std::string expectedFirst = first;
        if (i == 5) expectedFirst.replace(16, 14, " 110000000.500");
        EXPECT_EQ(a, expectedFirst + (hasL2[i] ? l2 : blank2)) << i;
        EXPECT_EQ(b, hasL2[i] ? l2Rest : blankRest) << i;
    }
}

}  // namespace
