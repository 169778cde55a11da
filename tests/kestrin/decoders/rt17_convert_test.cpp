// Real RT17 recordings wrapped in a static header, converted through the exported entry point
// and checked against values decoded by hand from their packets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/static_header.h"
#include "decoders/registry.h"
#include "kestrin/kestrin.h"
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

testsupport::StaticHeaderFields July6() {
    testsupport::StaticHeaderFields fields;
    fields.year = 2014;
    fields.month = 7;
    fields.day = 6;
    return fields;
}

Conversion Convert(const std::string& data, int32_t optionWord,
                   const testsupport::StaticHeaderFields& fields = July6()) {
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    std::string path = testsupport::WriteStaticFile(in.path(), "trim.dat", fields, data);
    Conversion c;
    c.result = ParseDataToRinexFormat(path.c_str(), out.path().c_str(), optionWord, nullptr);
    unsetenv("TMPDIR");
    for (const std::string& entry : out.Entries())
        c.files[entry] = testsupport::ReadFile(out.File(entry));
    c.leftovers = tmp.Entries();
    return c;
}

std::string Fixture(const std::string& name) {
    return testsupport::ReadTestData("trimble/" + name);
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

std::string HeaderLine(const std::string& text, const std::string& label) {
    for (const std::string& line : Lines(text)) {
        if (line.size() >= 60 && line.find(label, 60) == 60) return line;
        if (line.find("END OF HEADER") == 60) break;
    }
    return {};
}

// Values decoded by hand from the packets (RT17 receive times are milliseconds of week 1800,
// which starts on 2014-07-06; the board's carrier phase has the opposite sign of RINEX's).
TEST(Rt17Convert, ConciseRecordsToRinex302) {
    Conversion c = Convert(Fixture("rt17c_20140706.rt17"), kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    ASSERT_EQ(c.files.size(), 2u);
    const std::string& obs = c.files["trim.14O"];
    const std::string& nav = c.files["trim.14N"];

    // 132 records, every 15 s. The first one comes before the first ephemeris of the file:
    // its week is taken from the header date.
    std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 132u);
    EXPECT_EQ(epochs.front().substr(0, 35), "> 2014 07 06 08 37 45.0000000  0  9");
    EXPECT_EQ(epochs[1].substr(0, 35), "> 2014 07 06 08 38  0.0000000  0  9");
    EXPECT_EQ(epochs.back().substr(0, 29), "> 2014 07 06 09 10 30.0000000");
    EXPECT_EQ(HeaderLine(obs, "SYS / # / OBS TYPES").substr(0, 34),
              "G    7 C1C C2P D1C L1C L2P S1C S2P");
    EXPECT_EQ(HeaderLine(obs, "LEAP SECONDS").substr(0, 6), "    16");
    // G14 of record 235: L1 range 20351915.0930, phase 14299110.8627, Doppler -369.1986,
    // C/N0 196/4; L2 phase 10475312.0147, range difference -2.0061, C/N0 156/4.
    std::vector<std::string> g14 = LinesStartingWith(obs, "G14 ");
    ASSERT_EQ(g14.size(), 132u);
    EXPECT_EQ(g14[0],
              "G14  20351915.093 8  20351913.087 6      -369.199 8 -14299110.863 8 "
              "-10475312.015 6        49.000          39.000  ");
    // The satellites listed with their tallies: G14 in every record on both bands.
    EXPECT_EQ(HeaderLine(obs, "PRN / # OF OBS").substr(0, 6), "   G01");
    EXPECT_NE(obs.find("   G14   132   132   132   132   132   132   132"), std::string::npos);

    // Twelve GPS ephemerides, and the ionosphere / UTC packet (WNt 16 -> week 1808).
    EXPECT_EQ(LinesStartingWith(nav, "G").size(), 12u + 3u);
    EXPECT_EQ(LinesStartingWith(nav, "G27 ").at(0),
              "G27 2014 07 06 10 00 00-0.440888106823D-05 0.306954461848D-11 0.000000000000D+00");
    EXPECT_EQ(LinesStartingWith(nav, "GPSA").at(0).substr(0, 53),
              "GPSA   0.1770D-07  0.2235D-07 -0.1192D-06 -0.5960D-07");
    EXPECT_EQ(LinesStartingWith(nav, "GPUT").at(0).substr(0, 50),
              "GPUT  0.9313225746D-08 0.213162821D-13 233472 1808");
}

TEST(Rt17Convert, ExpandedEnhancedRecordsToRinex210) {
    Conversion c = Convert(Fixture("rt17ee_20140706.rt17"), kRinex210);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    const std::string& obs = c.files["trim.14O"];
    std::vector<std::string> epochs = LinesStartingWith(obs, " 14  7  6 10");
    ASSERT_EQ(epochs.size(), 85u);
    EXPECT_EQ(epochs.front(),
              " 14  7  6 10  7 15.0000000  0  7G01G11G14G22G27G31G32                0.000000000");
    EXPECT_EQ(epochs.back().substr(0, 26), " 14  7  6 10 28 15.0000000");
    // G01 of record 76: L1 range 22572040.9326, phase 10925358.7475, Doppler 2515.9153,
    // C/N0 48.1; L2 range difference 1.2183, phase 8059721.7910, C/N0 33.9.
    EXPECT_NE(obs.find("  22572040.933 8                      2515.915 8 -10925358.748 8"),
              std::string::npos);
    EXPECT_NE(obs.find(" -8059721.791 5"), std::string::npos);
    EXPECT_NE(obs.find("  22572042.151 5        48.100          33.900"), std::string::npos);

    const std::string& nav = c.files["trim.14N"];
    EXPECT_EQ(HeaderLine(nav, "DELTA-UTC: A0,A1,T,W"),
              "    0.931322574615D-08 0.213162820728D-13   233472     1808 DELTA-UTC: A0,A1,T,W");
    // G27 (toc 43184 s, af0 -4.3865e-6): the first of the nine ephemerides.
    EXPECT_EQ(LinesStartingWith(nav, "27 14  7  6 11 59 44.0").at(0),
              "27 14  7  6 11 59 44.0-0.438652932644D-05 0.306954461848D-11 0.000000000000D+00 ");
}

// The header date disagrees with the week of the data: the records before the first ephemeris
// take the header's week, the learned week wins from the ephemeris on.
TEST(Rt17Convert, LearnedWeekWinsOverTheHeaderDate) {
    testsupport::StaticHeaderFields fields = July6();
    fields.month = 6;
    fields.day = 29;  // week 1799
    Conversion c = Convert(Fixture("rt17c_20140706.rt17"), kRinex302, fields);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["trim.14O"];
    std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 132u);
    EXPECT_EQ(epochs.front().substr(0, 29), "> 2014 06 29 08 37 45.0000000");
    // Two records come before the first ephemeris.
    EXPECT_EQ(epochs[1].substr(0, 29), "> 2014 06 29 08 38  0.0000000");
    EXPECT_EQ(epochs[2].substr(0, 29), "> 2014 07 06 08 38 15.0000000");
    EXPECT_EQ(LinesStartingWith(obs, "> 2014 07 06").size(), 130u);
}

TEST(Rt17Convert, OtherFormatsAndDamagedFilesGiveNothing) {
    // Not Trimble packets at all, converted as data type 9.
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    std::string path = testsupport::WriteStaticFile(
        in.path(), "ubx.dat", July6(), testsupport::ReadTestData("ubx/20230919-114418_head.ubx"));
    HeaderInfo info;
    ASSERT_TRUE(kestrin::ReadStaticHeader(path, info));
    info.dataType = 9;
    kestrin::ConvertOptions options;
    options.fileTitle = "ubx";
    EXPECT_EQ(kestrin::RunDecoder(info, options, nullptr, path, out.path()), 0);
    EXPECT_TRUE(out.Entries().empty());
    unsetenv("TMPDIR");
    EXPECT_TRUE(tmp.Entries().empty());

    // Every packet's checksum broken: nothing decodes.
    std::string data = Fixture("rt17c_20140706.rt17");
    for (size_t i = 0; i + 4 < data.size(); ++i) {
        if (data[i] == 0x02 && (data[i + 2] == 0x55 || data[i + 2] == 0x57)) data[i + 1] ^= 0x40;
    }
    EXPECT_EQ(Convert(data, kRinex302).result, 0);
}

}  // namespace
