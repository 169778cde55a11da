// The Hemisphere Crescent recording wrapped in a static header, converted through the exported
// entry point and checked against values decoded by hand from its blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kestrin/kestrin.h"
#include "support/bytes.h"
#include "support/frames.h"
#include "support/hemisphere.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

constexpr int32_t kSystemsAndFlags = 0x163F;  // all systems, phase centre, iono lines, LLI
constexpr int32_t kRinex302 = (1 << 24) | kSystemsAndFlags;
constexpr int32_t kRinex210 = kSystemsAndFlags;

struct Conversion {
    int result = 0;
    std::map<std::string, std::string> files;  // output name -> content
    std::vector<std::string> leftovers;        // entries left in the temporary area
};

Conversion Convert(const std::string& data, int32_t optionWord) {
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    testsupport::StaticHeaderFields fields;
    fields.year = 2008;
    fields.month = 5;
    fields.day = 26;
    std::string path = testsupport::WriteStaticFile(in.path(), "cres.dat", fields, data);
    Conversion c;
    c.result = ParseDataToRinexFormat(path.c_str(), out.path().c_str(), optionWord, nullptr);
    unsetenv("TMPDIR");
    for (const std::string& entry : out.Entries())
        c.files[entry] = testsupport::ReadFile(out.File(entry));
    c.leftovers = tmp.Entries();
    return c;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : Lines(text)) {
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
}

// The body of a file behind its header, and the header without the line that carries the
// time of writing: what a golden file can hold.
std::string WithoutRunDate(const std::string& text) {
    std::string out;
    for (const std::string& line : Lines(text)) {
        if (line.find("PGM / RUN BY / DATE") == 60 || line.rfind("converted by Tollmere ", 0) == 0)
            continue;
        out += line + "\n";
    }
    return out;
}

std::string Golden(const std::string& name) {
    return testsupport::ReadTestData("hemisphere/" + name);
}

// Record lines of one satellite in the 3.02 file, in epoch order.
std::vector<std::string> RecordsOf(const std::string& obs, const std::string& sat) {
    return LinesStartingWith(obs, sat);
}

std::string Fixture() {
    return testsupport::ReadTestData("hemisphere/cres_20080526_head.bin");
}

TEST(HemisphereConvert, CrescentRecordingToRinex302) {
    Conversion c = Convert(Fixture(), kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    std::vector<std::string> names;
    for (const auto& [name, content] : c.files) names.push_back(name);
    // Observations, GPS navigation (block 95), SBAS navigation (block 93), SBAS messages
    // (block 80); no almanac file without almanac blocks.
    EXPECT_EQ(names, (std::vector<std::string>{"cres.08H", "cres.08N", "cres.08O", "cres.EMS"}));

    const std::string& obs = c.files["cres.08O"];
    // One epoch per block 96, one second apart: 38 blocks from 06:01:34 to 06:02:11.
    std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 38u);
    EXPECT_EQ(epochs.front(), "> 2008 05 26 06 01 34.0000000  0 11       0.000000000000");
    EXPECT_EQ(epochs.back().substr(0, 35), "> 2008 05 26 06 02 11.0000000  0 11");
    for (const std::string& e : epochs) EXPECT_EQ(e.substr(32, 3), " 11") << e;

    // The board's SBAS channels (PRN 129 and 137) are SBAS satellites, not GPS numbers.
    EXPECT_EQ(RecordsOf(obs, "S29").size(), 38u);
    EXPECT_EQ(RecordsOf(obs, "S37").size(), 38u);
    EXPECT_TRUE(LinesStartingWith(obs, "S    4 C1C L1C D1C S1C").size() == 1);

    // G12 in the first block 96: range 20788290.3645 m, phase 5886750.7914 m / L1 wavelength,
    // range rate -593074 / 4096 m/s as Doppler 760.895 Hz, SNR value 116 (49.778 dB-Hz).
    EXPECT_EQ(RecordsOf(obs, "G12")[0],
              "G12  20788290.364 8  30935084.203 8       760.895          49.778  ");
    // S29 (PRN 129): range 37174560.9668 m, range rate 1951 / 4096 m/s, SNR value 38.
    EXPECT_EQ(RecordsOf(obs, "S29")[0],
              "S29  37174560.967 7   1393400.578 7        -2.503          44.932  ");
    EXPECT_EQ(WithoutRunDate(obs), Golden("cres_20080526_head.08O"));

    // Nine GPS ephemerides (block 95); G12: af0 from the 22-bit field of subframe 1,
    // ten-bit week 457 -> 1481, IODE 111, sqrt(A) 5153.60666847 from subframe 2.
    const std::string& nav = c.files["cres.08N"];
    EXPECT_EQ(LinesStartingWith(nav, "G").size(), 9u);
    std::vector<std::string> g12 = LinesStartingWith(nav, "G12 ");
    ASSERT_EQ(g12.size(), 1u);
    EXPECT_EQ(g12[0],
              "G12 2008 05 26 08 00 00-0.359019264579D-03 0.227373675443D-12 0.000000000000D+00");
    EXPECT_NE(nav.find("0.344135914929D-02 0.843405723572D-05 0.515360666847D+04"),
              std::string::npos);
    EXPECT_NE(nav.find("0.148100000000D+04"), std::string::npos);

    // Two SBAS ephemerides (block 93): S29 reference time 107968 s of week 1481, aGf0 -121 x
    // 2^-31 s, x = -404301922 x 0.08 m, URA index 6 (16 m), IODN 168.
    const std::string& sbasNav = c.files["cres.08H"];
    std::vector<std::string> s29 = LinesStartingWith(sbasNav, "S29 ");
    ASSERT_EQ(s29.size(), 1u);
    EXPECT_EQ(s29[0],
              "S29 2008 05 26 05 59 28-0.563450157642D-07-0.109139364213D-10 0.107943000000D+06");
    EXPECT_NE(sbasNav.find("    -0.323441537600D+05-0.135312500000D-02 0.000000000000D+00"),
              std::string::npos);
    EXPECT_EQ(LinesStartingWith(sbasNav, "S").size(), 2u);

    // One line per block 80 (all 74 pass their parity), dated in the epochs' week.
    const std::string& ems = c.files["cres.EMS"];
    std::vector<std::string> lines = Lines(ems);
    ASSERT_EQ(lines.size(), 74u);
    EXPECT_EQ(lines[0],
              "129 08 05 26 06 01 33 26 "
              "5369C407E20F0EF89783DC17E08F033813C07E01F81FC41E1BF12F601ECF7CC0");
    EXPECT_EQ(lines[1],
              "137 08 05 26 06 01 33 63 "
              "53FC0000000000000000000000000000000000000000000000000000018036C0");
    EXPECT_EQ(lines[2].substr(0, 25), "129 08 05 26 06 01 34 63 ");
    EXPECT_EQ(WithoutRunDate(ems), Golden("cres_20080526_head.EMS"));
}

TEST(HemisphereConvert, CrescentRecordingToRinex210) {
    Conversion c = Convert(Fixture(), kRinex210);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["cres.08O"];
    std::vector<std::string> epochs = LinesStartingWith(obs, "  8  5 26  6  ");
    ASSERT_EQ(epochs.size(), 38u);
    EXPECT_EQ(epochs.front(),
              "  8  5 26  6  1 34.0000000  0 11G05G09G12G14G15G18G22G26G30S29S37    0.000000000");
    EXPECT_NE(obs.find("  20788290.364 8  30935084.203 8       760.895 8        49.778"),
              std::string::npos);
    EXPECT_FALSE(LinesStartingWith(c.files["cres.08N"], "12  8  5 26  8  0  0.0").empty());
    EXPECT_EQ(Lines(c.files["cres.EMS"]).size(), 74u);
    EXPECT_EQ(c.files.count("cres.ALM"), 0u);
}

// ---- epoch assembly, with built blocks --------------------------------------------------------

using testsupport::HemChannelValues;
using testsupport::HemisphereFrame;

constexpr int kWeek = 1481;
constexpr double kSow = 108000.0;  // 2008-05-26 06:00:00

std::string Frame96(double sow, int prn, double range) {
    testsupport::Hem96Channel ch{prn, 100, 1, true, 0, range, range - 2000000.0};
    return HemisphereFrame(96, testsupport::HemBlock96(sow, kWeek, {ch}));
}

std::string Frame76(double sow, const std::vector<int>& prns, double range) {
    std::vector<HemChannelValues> l1, l2;
    for (int prn : prns) {
        l1.push_back({prn, range, range / 0.19, 100.0, 400, 1});
        l2.push_back({0, range + 2.0, range / 0.244, 80.0, 300, 1});
    }
    return HemisphereFrame(76, testsupport::HemBlock76(sow, kWeek, l1, l2));
}

std::string Frame16(double sow, int prn, double range) {
    std::vector<HemChannelValues> ch{{prn, range, range / 0.19, 100.0, 400, 1}};
    return HemisphereFrame(16, testsupport::HemBlock16(sow, kWeek, ch, {0}));
}

std::string Frame66(double sow, int slot, double range) {
    std::vector<HemChannelValues> ch{{slot, range, range / 0.187, 100.0, 400, 1}};
    return HemisphereFrame(66, testsupport::HemBlock66(sow, kWeek, ch, {}));
}

std::string FrameEvent(double sow) {
    return HemisphereFrame(6, testsupport::Bytes().F64(sow).U16(kWeek).U16(0).str());
}

TEST(HemisphereConvert, Block76TakesOverFromBlock96) {
    std::string data;
    for (int i = 0; i < 3; ++i) {
        data += Frame96(kSow + i, 5, 21000000.0 + 1000.0);
        data += Frame76(kSow + i, {5, 7}, 21000000.0);
    }
    Conversion c = Convert(data, kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["cres.08O"];
    ASSERT_EQ(LinesStartingWith(obs, "> ").size(), 3u);
    std::vector<std::string> g05 = RecordsOf(obs, "G05");
    ASSERT_EQ(g05.size(), 3u);
    // The first epoch keeps the block-96 L1 (its phase is positive); then block 76 only.
    EXPECT_EQ(g05[0].substr(3, 14), "  21001000.000");
    EXPECT_EQ(g05[1].substr(3, 14), "  21000000.000");
    EXPECT_EQ(g05[2].substr(3, 14), "  21000000.000");
    EXPECT_EQ(RecordsOf(obs, "G07").size(), 3u);
    EXPECT_EQ(LinesStartingWith(obs, "G    8 C1C L1C D1C S1C C2P L2P D2P S2P").size(), 1u);
}

TEST(HemisphereConvert, Block16TakesOverFromEveryOtherBlock) {
    std::string data;
    for (int i = 0; i < 3; ++i) {
        data += Frame76(kSow + i, {5}, 21000000.0);
        data += Frame66(kSow + i, 10, 22000000.0);
        data += Frame16(kSow + i, 9, 23000000.0);
    }
    Conversion c = Convert(data, kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["cres.08O"];
    std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 3u);
    // The first epoch holds what came before the first block 16; then only block 16.
    EXPECT_EQ(epochs[0].substr(32, 3), "  3");
    EXPECT_EQ(epochs[1].substr(32, 3), "  1");
    EXPECT_EQ(epochs[2].substr(32, 3), "  1");
    EXPECT_EQ(RecordsOf(obs, "G09").size(), 3u);
    EXPECT_EQ(RecordsOf(obs, "R10").size(), 1u);
}

TEST(HemisphereConvert, BlocksOfOneTimeMakeOneEpochAndEventsLandBeforeTheirEpoch) {
    std::string data;
    data += Frame66(kSow, 10, 22000000.0);
    data += Frame66(kSow, 11, 22100000.0);  // same time: the same epoch
    data += FrameEvent(kSow + 1);
    data += Frame66(kSow + 1, 10, 22000100.0);
    data += Frame66(kSow + 2, 10, 22000200.0);
    data += FrameEvent(kSow + 2.5);  // never an epoch time: not written
    Conversion c = Convert(data, kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["cres.08O"];
    std::vector<std::string> epochs = LinesStartingWith(obs, "> 2008");
    ASSERT_EQ(epochs.size(), 4u);  // three epochs and the event's own time line
    EXPECT_EQ(epochs[0].substr(0, 35), "> 2008 05 26 06 00  0.0000000  0  2");
    std::vector<std::string> lines = Lines(obs);
    size_t event = 0, second = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("EXTERNAL EVENT") != std::string::npos) event = i;
        if (lines[i].compare(0, 35, "> 2008 05 26 06 00  1.0000000  0  1") == 0) second = i;
    }
    ASSERT_GT(event, 0u);
    EXPECT_LT(event, second);
    EXPECT_EQ(LinesStartingWith(obs, ">                              4  1").size(), 1u);
}

TEST(HemisphereConvert, DamagedFramesAreSkippedWithoutLosingTheRest) {
    // A board without a time fix stamps week 0: no epoch of 1980.
    std::vector<HemChannelValues> ch{{10, 22000000.0, 0.0, 0.0, 400, 1}};
    std::string data = HemisphereFrame(66, testsupport::HemBlock66(kSow, 0, ch, {}));
    data += Fixture().substr(0, 8000);
    // A frame whose sum fails, one without its CR LF and one announcing more than the file.
    std::string bad = Frame96(kSow, 5, 21000000.0);
    bad[20] ^= 0x55;
    data += bad;
    std::string noEnd = Frame96(kSow, 5, 21000000.0);
    noEnd[noEnd.size() - 1] = 'x';
    data += noEnd;
    data += Fixture().substr(8000, 4000);
    data += "$BIN\x60\x00\xff\xff";
    Conversion c = Convert(data, kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    const std::string& obs = c.files["cres.08O"];
    EXPECT_EQ(LinesStartingWith(obs, "> 2008").size(), LinesStartingWith(obs, "> ").size());
    EXPECT_GE(LinesStartingWith(obs, "> 2008").size(), 10u);
    EXPECT_TRUE(RecordsOf(obs, "R10").empty());
}

TEST(HemisphereConvert, GalileoEphemerisAndAlmanacBlocksArePassedOver) {
    // Blocks 45, 92, 32, 42, 22 and 62 carry layouts this decoder does not read: well-framed
    // ones among the recording's blocks change no output and create no almanac file.
    const std::string fixture = Fixture();
    const size_t cut = fixture.find("$BIN", 6000);
    ASSERT_NE(cut, std::string::npos);
    std::string body(128, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 37 + 11);
    body[0] = 5;  // a plausible satellite number in the first bytes
    body[1] = 0;
    std::string extra;
    for (uint16_t id : {45, 92, 32, 42, 22, 62}) extra += HemisphereFrame(id, body);
    const std::string data = fixture.substr(0, cut) + extra + fixture.substr(cut) + extra;

    for (int32_t option : {kRinex302, kRinex210}) {
        Conversion plain = Convert(fixture, option);
        Conversion with = Convert(data, option);
        ASSERT_EQ(with.result, 1);
        EXPECT_TRUE(with.leftovers.empty());
        ASSERT_EQ(with.files.size(), plain.files.size());
        for (const auto& [name, content] : plain.files) {
            ASSERT_EQ(with.files.count(name), 1u) << name;
            EXPECT_EQ(WithoutRunDate(with.files[name]), WithoutRunDate(content)) << name;
        }
        for (const auto& [name, content] : with.files)
            EXPECT_EQ(name.find(".ALM"), std::string::npos) << name;
    }
}
}  // namespace
