// Real u-blox recordings wrapped in a static header, converted through the exported entry
// point and checked against values decoded by hand from their messages; short files built
// from frames for the rules of the observations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "kestrin/kestrin.h"
#include "support/bytes.h"
#include "support/frames.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::Bytes;
using testsupport::TempDir;

constexpr int32_t kSystemsAndFlags = 0x163F;  // all systems, phase centre, iono lines, LLI
constexpr int32_t kRinex302 = (1 << 24) | kSystemsAndFlags;
constexpr int32_t kRinex210 = kSystemsAndFlags;

struct Conversion {
    int result = 0;
    std::map<std::string, std::string> files;  // output name -> content
    std::vector<std::string> leftovers;
};

Conversion Convert(const std::string& data, int32_t optionWord) {
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    testsupport::StaticHeaderFields fields;  // observation date 2023-09-19
    const std::string path = testsupport::WriteStaticFile(in.path(), "ubx.dat", fields, data);
    Conversion c;
    c.result = ParseDataToRinexFormat(path.c_str(), out.path().c_str(), optionWord, nullptr);
    unsetenv("TMPDIR");
    for (const std::string& entry : out.Entries())
        c.files[entry] = testsupport::ReadFile(out.File(entry));
    c.leftovers = tmp.Entries();
    return c;
}

std::string Fixture(const std::string& name) {
    return testsupport::ReadTestData("ubx/" + name);
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

std::string HeaderLine(const std::string& text, const std::string& label,
                       const std::string& start) {
    for (const std::string& line : Lines(text)) {
        if (line.size() >= 60 && line.find(label, 60) == 60 &&
            line.compare(0, start.size(), start) == 0)
            return line;
        if (line.find("END OF HEADER") == 60) break;
    }
    return {};
}

// Satellite record lines of every epoch (RINEX 3).
std::vector<std::vector<std::string>> EpochRecords(const std::string& text) {
    std::vector<std::vector<std::string>> epochs;
    bool inData = false;
    for (const std::string& line : Lines(text)) {
        if (line.find("END OF HEADER") == 60) {
            inData = true;
            continue;
        }
        if (!inData) continue;
        if (line.compare(0, 1, ">") == 0) {
            epochs.emplace_back();
        } else if (!epochs.empty()) {
            epochs.back().push_back(line);
        }
    }
    return epochs;
}

// Whole-file comparison with an expected output (the line naming the run date aside).
// TOLLMERE_UPDATE_EXPECTED=1 rewrites the expected file instead.
void ExpectSameAsExpected(const std::string& actual, const std::string& expectedName) {
    const std::string path = std::string(TOLLMERE_TEST_DATA) + "/ubx/expected/" + expectedName;
    auto strip = [](const std::string& text) {
        std::vector<std::string> kept;
        for (const std::string& line : Lines(text)) {
            if (line.find("PGM / RUN BY / DATE") == std::string::npos &&
                line.rfind("converted by Tollmere ", 0) != 0)
                kept.push_back(line);
        }
        return kept;
    };
    if (std::getenv("TOLLMERE_UPDATE_EXPECTED")) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    const std::vector<std::string> want = strip(testsupport::ReadFile(path)), got = strip(actual);
    ASSERT_FALSE(want.empty()) << path;
    for (size_t i = 0; i < want.size() && i < got.size(); ++i) {
        ASSERT_EQ(got[i], want[i]) << expectedName << " line " << i + 1;
    }
    EXPECT_EQ(got.size(), want.size()) << expectedName;
}

TEST(UbxConvert, DualBandRecordingInRinex302) {
    Conversion c = Convert(Fixture("20230919-114418.ubx"), kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    const std::set<std::string> names = {"ubx.23O", "ubx.23N", "ubx.23G",
                                         "ubx.23L", "ubx.23C", "ubx.23Q"};
    for (const auto& [name, content] : c.files) EXPECT_TRUE(names.count(name)) << name;
    const std::string& obs = c.files["ubx.23O"];

    // One epoch per RXM-RAWX: 36 epochs from rcvTow 215080.992 of week 2280, one second apart.
    const std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 36u);
    EXPECT_EQ(epochs.front().substr(0, 35), "> 2023 09 19 11 44 40.9920000  0 39");
    EXPECT_EQ(epochs.back().substr(0, 32), "> 2023 09 19 11 45 15.9920000  0");
    EXPECT_NE(HeaderLine(obs, "LEAP SECONDS", "    18").size(), 0u);

    // Both bands of every system under their own codes.
    const std::pair<const char*, const char*> codes[] = {
        {"G", "C1C L1C D1C S1C C2L L2L D2L S2L"}, {"R", "C1C L1C D1C S1C C2C L2C D2C S2C"},
        {"C", "C1I L1I D1I S1I C7I L7I D7I S7I"}, {"S", "C1C L1C D1C S1C"},
        {"J", "C1C L1C D1C S1C C2L L2L D2L S2L"}, {"E", "C1C L1C D1C S1C C7Q L7Q D7Q S7Q"}};
    for (const auto& [system, list] : codes) {
        EXPECT_NE(HeaderLine(obs, "SYS / # / OBS TYPES", system).find(list), std::string::npos)
            << system;
    }

    // Each satellite once per epoch.
    for (const std::vector<std::string>& records : EpochRecords(obs)) {
        std::set<std::string> seen;
        for (const std::string& record : records) {
            EXPECT_TRUE(seen.insert(record.substr(0, 3)).second) << record;
        }
        EXPECT_EQ(seen.size(), 39u);
    }

    // G03 of the first epoch from its two measurements: L1 C/A prMes 22096001.909549918,
    // cpMes 116115265.33548573, doMes -2622.834, C/N0 36; L2 CL prMes 22096004.37977426,
    // cpMes 90479437.10818532, doMes -2043.706, C/N0 38.
    const std::vector<std::string> first = EpochRecords(obs).front();
    EXPECT_EQ(first[0],
              "G03  22096001.910 6 116115265.335 6     -2622.834          36.000    "
              "22096004.380 6  90479437.108 6     -2043.706          38.000  ");
    // R05 (frequency slot 8: +1) G1 and G2 and E05 E1 C / E5b Q.
    bool r05 = false, e05 = false;
    for (const std::string& line : first) {
        if (line.compare(0, 3, "R05") == 0) {
            r05 = true;
            EXPECT_EQ(line.substr(3, 32), "  20840086.146 7 111402164.154 7") << line;
            EXPECT_EQ(line.substr(67, 32), "  20840091.308 7  86646132.318 7") << line;
        }
        if (line.compare(0, 3, "E05") == 0) {
            e05 = true;
            EXPECT_EQ(line.substr(3, 32), "  21311670.825 7 111993588.772 7") << line;
            EXPECT_EQ(line.substr(67, 32), "  21311671.988 8  85813267.763 8") << line;
        }
    }
    EXPECT_TRUE(r05 && e05);
    EXPECT_NE(HeaderLine(obs, "GLONASS SLOT / FRQ #", "  9 R05  1 R06 -4").size(), 0u);

    // Navigation of every system: the whole files, and fields decoded by hand from the
    // subframe bits (G26 sqrtA and toe, C06 sqrtA and e, E18 IODnav, toe, e and sqrtA, R16 x).
    EXPECT_EQ(LinesStartingWith(c.files["ubx.23N"], "G").size(), 9u);
    EXPECT_NE(c.files["ubx.23N"].find("0.216000000000D+06"), std::string::npos);
    EXPECT_NE(c.files["ubx.23N"].find("0.515375786781D+04"), std::string::npos);
    EXPECT_NE(c.files["ubx.23C"].find(" 0.363557960372D-02 0.197952613235D-04 0.649391653252D+04"),
              std::string::npos);
    EXPECT_NE(c.files["ubx.23L"].find("E18 2023 09 19 11 00 00"), std::string::npos);
    EXPECT_NE(c.files["ubx.23L"].find(" 0.160656255903D+00 0.656582415104D-05 0.528936870193D+04"),
              std::string::npos);
    EXPECT_NE(c.files["ubx.23G"].find("R16 2023 09 19 11 45 00"), std::string::npos);
    EXPECT_NE(c.files["ubx.23G"].find("-0.861792382813D+04-0.195789718628D+01"), std::string::npos);
    for (const char* name : {"ubx.23N", "ubx.23G", "ubx.23L", "ubx.23C", "ubx.23Q"}) {
        ExpectSameAsExpected(c.files[name], std::string("20230919-114418.") + name + "");
    }
}

TEST(UbxConvert, DualBandRecordingInRinex210) {
    Conversion c = Convert(Fixture("20230919-114418.ubx"), kRinex210);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["ubx.23O"];
    EXPECT_NE(HeaderLine(obs, "# / TYPES OF OBSERV", "     8    C1    L1    D1    S1").size(), 0u);
    std::vector<std::string> epochs;
    for (const std::string& line : Lines(obs)) {
        if (line.compare(0, 4, " 23 ") == 0) epochs.push_back(line);
    }
    ASSERT_EQ(epochs.size(), 36u);
    EXPECT_EQ(epochs.front().substr(0, 35), " 23  9 19 11 44 40.9920000  0 39G03");
    EXPECT_NE(obs.find("  22096001.910 6 116115265.335 6     -2622.834 6        36.000"),
              std::string::npos);
    EXPECT_TRUE(c.files.count("ubx.23N"));
    EXPECT_TRUE(c.files.count("ubx.23G"));
}

TEST(UbxConvert, SingleBandRecordingBehindCommentLines) {
    // NEO-M8T: '#' text lines before the first frame, RXM-RAWX without signal identifiers
    // among NAV messages; no navigation data.
    const std::string data = Fixture("ublox-neo-m8t.log");
    ASSERT_EQ(data[0], '#');
    for (int32_t option : {kRinex302, kRinex210}) {
        Conversion c = Convert(data, option);
        ASSERT_EQ(c.result, 1);
        ASSERT_TRUE(c.files.count("ubx.18O"));
        EXPECT_EQ(c.files.size(), 1u);
        ExpectSameAsExpected(c.files["ubx.18O"], option == kRinex302 ? "ublox-neo-m8t.302.18O"
                                                                     : "ublox-neo-m8t.210.18O");
    }
}

TEST(UbxConvert, RecordingOfTheNewerProtocolAndWiderNumbers) {
    // F9P class, 2026: GPS, GLONASS, Galileo, BeiDou (C29..C47) interleaved with SFRBX.
    const std::string data = Fixture("pygpsdata_testobsnavdata.log");
    Conversion c = Convert(data, kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["ubx.26O"];
    EXPECT_EQ(LinesStartingWith(obs, "> ").size(), 75u);
    EXPECT_EQ(LinesStartingWith(obs, "> ").front().substr(0, 29), "> 2026 04 13 14 28  7.9990000");
    EXPECT_NE(HeaderLine(obs, "SYS / # / OBS TYPES", "E").find("C1C L1C D1C S1C C7Q"),
              std::string::npos);
    EXPECT_FALSE(LinesStartingWith(c.files["ubx.26G"], "R").empty());
    EXPECT_FALSE(LinesStartingWith(c.files["ubx.26L"], "E").empty());
    EXPECT_FALSE(LinesStartingWith(c.files["ubx.26N"], "G").empty());
    // GPS subframe 4 page 18 of G02: Klobuchar coefficients and UTC parameters (A0 -2^-29,
    // tot 57 x 4096 s, WNt 110 of the week 2414 rollover).
    const std::string& nav = c.files["ubx.26N"];
    EXPECT_NE(HeaderLine(nav, "IONOSPHERIC CORR", "GPSA")
                  .find("0.1583D-07  0.1490D-07 -0.1192D-06 -0.1192D-06"),
              std::string::npos);
    EXPECT_NE(HeaderLine(nav, "IONOSPHERIC CORR", "GPSB")
                  .find("0.1065D+06  0.6554D+05 -0.1966D+06 -0.1966D+06"),
              std::string::npos);
    const std::string utc = HeaderLine(nav, "TIME SYSTEM CORR", "GPUT");
    EXPECT_NE(utc.find("-0.1862645149D-08"), std::string::npos) << utc;
    EXPECT_NE(utc.find(" 233472 2414"), std::string::npos) << utc;

    Conversion v2 = Convert(data, kRinex210);
    ASSERT_EQ(v2.result, 1);
    EXPECT_EQ(LinesStartingWith(v2.files["ubx.26O"], " 26  4 13 14 ").size(), 75u);
    EXPECT_TRUE(v2.files.count("ubx.26N"));
}

TEST(UbxConvert, TripleBandWalkInBothVersions) {
    // GPS L1 C/A, L2 CL, L5 Q; Galileo E1 C, E5a Q, E6 B; BeiDou B3I (its B1C and B2a have no
    // code of their own in the tables and are left out); SBAS L1.
    const std::string data = Fixture("gnss_1730_1hz.ubx");
    Conversion c = Convert(data, kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["ubx.25O"];
    EXPECT_EQ(LinesStartingWith(obs, "> ").size(), 134u);
    EXPECT_NE(HeaderLine(obs, "SYS / # / OBS TYPES", "G")
                  .find("C1C L1C D1C S1C C2L L2L D2L S2L "
                        "C5Q L5Q D5Q S5Q"),
              std::string::npos);
    EXPECT_NE(HeaderLine(obs, "SYS / # / OBS TYPES", "E")
                  .find("C1C L1C D1C S1C C5Q L5Q D5Q S5Q "
                        "C6B L6B D6B S6B"),
              std::string::npos);
    EXPECT_NE(HeaderLine(obs, "SYS / # / OBS TYPES", "C").find("C6I L6I D6I S6I"),
              std::string::npos);
    for (const std::vector<std::string>& records : EpochRecords(obs)) {
        std::set<std::string> seen;
        for (const std::string& record : records) {
            EXPECT_TRUE(seen.insert(record.substr(0, 3)).second) << record;
        }
    }
    EXPECT_FALSE(LinesStartingWith(c.files["ubx.25N"], "G").empty());
    EXPECT_FALSE(LinesStartingWith(c.files["ubx.25L"], "E").empty());

    Conversion v2 = Convert(data, kRinex210);
    ASSERT_EQ(v2.result, 1);
    EXPECT_EQ(LinesStartingWith(v2.files["ubx.25O"], " 25  8 28 17 ").size(), 134u);
}

// ---- Built frames ---------------------------------------------------------------------------

struct Meas {
    int gnssId, svId, sigId;
    uint16_t lockMs;
    uint8_t trkStat = 0x0F;
};

std::string Rawx(double tow, const std::vector<Meas>& meas) {
    Bytes b;
    b.F64(tow).U16(2280).U8(18).U8(meas.size()).U8(0x01).U8(1).Zeros(2);
    for (const Meas& m : meas) {
        b.F64(2.2e7 + m.sigId).F64(1.15e8 + m.sigId).F32(-1000.0f);
        b.U8(m.gnssId).U8(m.svId).U8(m.sigId).U8(0).U16(m.lockMs).U8(40);
        b.Zeros(3).U8(m.trkStat).Zeros(1);
    }
    return testsupport::UbxFrame(0x02, 0x15, b.str());
}

// The loss-of-lock digits of the phases of a record line (obs order C1C L1C D1C S1C C2L L2L ...).
std::pair<char, char> PhaseFlags(const std::string& record) {
    return {record.at(3 + 16 + 14), record.at(3 + 16 * 5 + 14)};
}

TEST(UbxConvert, SlipsAndHalfCyclesPerSignal) {
    // G05 L1 and L2: the L1 lock time falls from 64 s to 0.5 s (a slip on L1 only, though the
    // L2 lock time stays); in the third epoch L2 has its half-cycle ambiguity unresolved.
    std::string data = Rawx(100.0, {{0, 5, 0, 64000}, {0, 5, 3, 64000}});
    data += Rawx(101.0, {{0, 5, 0, 500}, {0, 5, 3, 64500}});
    data += Rawx(102.0, {{0, 5, 0, 1500}, {0, 5, 3, 64500, 0x03}});
    Conversion c = Convert(data, kRinex302);
    ASSERT_EQ(c.result, 1);
    const auto epochs = EpochRecords(c.files["ubx.23O"]);
    ASSERT_EQ(epochs.size(), 3u);
    for (const auto& records : epochs) ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(PhaseFlags(epochs[0][0]), std::make_pair(' ', ' '));
    EXPECT_EQ(PhaseFlags(epochs[1][0]), std::make_pair('1', ' '));
    EXPECT_EQ(PhaseFlags(epochs[2][0]), std::make_pair(' ', '2'));
}

TEST(UbxConvert, FalseSyncAndBadFramesAreStepped) {
    // A false header announcing more than the file holds, one whose length runs into the real
    // frame, a frame with a broken checksum
    // and a RAWX with more measurements than it holds: only the good epoch remains.
    std::string bad = Rawx(101.0, {{0, 6, 0, 1000}});
    bad[bad.size() - 1] ^= 0x5A;
    std::string shortRawx = testsupport::UbxFrame(
        0x02, 0x15, Bytes().F64(102.0).U16(2280).U8(18).U8(3).U8(1).U8(1).Zeros(2).str());
    std::string data = std::string("\xB5\x62\x02\x15\xFF\xFF", 6) +
                       std::string("\xB5\x62\x02\x15\x10\x00", 6) + Rawx(100.0, {{0, 5, 0, 1000}}) +
                       bad + shortRawx;
    Conversion c = Convert(data, kRinex302);
    ASSERT_EQ(c.result, 1);
    const auto epochs = EpochRecords(c.files["ubx.23O"]);
    ASSERT_EQ(epochs.size(), 1u);
    ASSERT_EQ(epochs[0].size(), 1u);
    EXPECT_EQ(epochs[0][0].substr(0, 3), "G05");
}

TEST(UbxConvert, NoObservationsGiveNoFiles) {
    // Navigation frames only, then bytes of no format at all.
    std::string sfrbx = testsupport::UbxFrame(0x02, 0x13, Bytes().U8(0).U8(5).Zeros(6).str());
    for (const std::string& data : {sfrbx + sfrbx, std::string(4000, '\x11')}) {
        Conversion c = Convert(data, kRinex302);
        EXPECT_EQ(c.result, 0);
        EXPECT_TRUE(c.files.empty());
        EXPECT_TRUE(c.leftovers.empty());
    }
}

}  // namespace
