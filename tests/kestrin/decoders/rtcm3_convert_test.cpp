// RTCM 3 streams wrapped in a static header and converted through the exported entry point:
// real recordings checked against values decoded by hand from their messages, and built
// streams for the epoch rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "decoders/framing.h"
#include "kestrin/kestrin.h"
#include "support/frames.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::MsmCell;
using testsupport::MsmSatellite;
using testsupport::Rtcm3Frame;
using testsupport::Rtcm3MsmMessage;
using testsupport::TempDir;

constexpr int32_t kSystemsAndFlags = 0x163F;  // all systems, phase centre, iono lines, LLI
constexpr int32_t kMixed = 1 << 11;
constexpr int32_t kRinex302 = (1 << 24) | kSystemsAndFlags | kMixed;
constexpr int32_t kRinex210 = kSystemsAndFlags | kMixed;

struct Conversion {
    int result = 0;
    std::map<std::string, std::string> files;  // output name -> content
    std::vector<std::string> leftovers;        // entries left in the temporary area

    // The observation file and the (mixed) navigation file, whatever their names.
    std::string Obs() const { return Find("O"); }
    std::string Nav() const { return Find("N"); }
    std::string Find(const std::string& kind) const {
        const std::string rinex3 = kind + ".rnx";
        for (const auto& [name, content] : files) {
            const bool long_ =
                name.size() > rinex3.size() &&
                name.compare(name.size() - rinex3.size(), rinex3.size(), rinex3) == 0;
            if (long_ || name.back() == kind[0]) return content;
        }
        return {};
    }
};

Conversion Convert(const std::string& data, int year, int month, int day, int32_t optionWord) {
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    testsupport::StaticHeaderFields fields;
    fields.year = year;
    fields.month = month;
    fields.day = day;
    std::string path = testsupport::WriteStaticFile(in.path(), "rtcm.dat", fields, data);
    Conversion c;
    c.result = ParseDataToRinexFormat(path.c_str(), out.path().c_str(), optionWord, nullptr);
    unsetenv("TMPDIR");
    for (const std::string& entry : out.Entries())
        c.files[entry] = testsupport::ReadFile(out.File(entry));
    c.leftovers = tmp.Entries();
    return c;
}

std::string Fixture(const std::string& name) {
    return testsupport::ReadTestData("rtcm3/" + name);
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
    for (const std::string& line : Lines(text))
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

std::string HeaderLine(const std::string& text, const std::string& label,
                       const std::string& start = "") {
    for (const std::string& line : Lines(text)) {
        if (line.find("END OF HEADER") == 60) break;
        if (line.size() >= 60 && line.find(label, 60) == 60 &&
            line.compare(0, start.size(), start) == 0)
            return line;
    }
    return {};
}

// The satellite lines of epoch number `index` (0-based) of a RINEX 3 observation file.
std::vector<std::string> EpochRecords(const std::string& obs, size_t index) {
    std::vector<std::string> out;
    size_t epoch = 0;
    bool inside = false;
    for (const std::string& line : Lines(obs)) {
        if (line.compare(0, 2, "> ") == 0) {
            if (inside) break;
            inside = epoch++ == index;
            continue;
        }
        if (inside) out.push_back(line);
    }
    return out;
}

std::string RecordOf(const std::vector<std::string>& records, const std::string& sat) {
    for (const std::string& line : records)
        if (line.compare(0, 3, sat) == 0) return line;
    return {};
}

// Every satellite named by the MSM satellite masks of a stream ("G05", "C59", ...).
std::set<std::string> MsmMaskSatellites(const std::string& data) {
    std::set<std::string> sats;
    kestrin::ByteView all(data);
    for (size_t off = 0; off < all.size();) {
        kestrin::Frame f = kestrin::Rtcm3FrameAt(all.From(off));
        if (!f.valid()) {
            ++off;
            continue;
        }
        kestrin::ByteView frame = all.Sub(off, f.length);
        const uint32_t number = kestrin::Rtcm3MessageNumber(frame);
        const std::map<uint32_t, char> letters = {
            {107, 'G'}, {108, 'R'}, {109, 'E'}, {111, 'J'}, {112, 'C'}};
        if (letters.count(number / 10) && number % 10 >= 1 && number % 10 <= 7) {
            const uint64_t mask = kestrin::BitsMsb(frame, 24 + 73, 64);
            for (int id = 1; id <= 64; ++id) {
                if (!(mask >> (64 - id) & 1u)) continue;
                char name[8];
                std::snprintf(name, sizeof name, "%c%02d", letters.at(number / 10), id);
                sats.insert(name);
            }
        }
        off += f.length;
    }
    return sats;
}

TEST(Rtcm3Convert, NetR9StreamCrossesTheGpsWeekBoundary) {
    // The stream starts on Saturday 23:59:44 GPS (week 1709) and runs into week 1710; the
    // header may carry either date.
    for (int day : {13, 14}) {
        SCOPED_TRACE(day);
        Conversion c = Convert(Fixture("GMSD7_20121014_head.rtcm3"), 2012, 10, day, kRinex302);
        ASSERT_EQ(c.result, 1);
        EXPECT_TRUE(c.leftovers.empty());
        const std::string obs = c.Obs();
        std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
        ASSERT_EQ(epochs.size(), 32u);
        EXPECT_EQ(epochs[0].substr(0, 35), "> 2012 10 13 23 59 44.0000000  0 27");
        EXPECT_EQ(epochs[15].substr(0, 35), "> 2012 10 13 23 59 59.0000000  0 27");
        EXPECT_EQ(epochs[16].substr(0, 35), "> 2012 10 14 00 00  0.0000000  0 27");
        EXPECT_EQ(epochs[31].substr(0, 35), "> 2012 10 14 00 00 15.0000000  0 27");

        // GPS MSM7 codes: 1C, 2W, 2X, 5X; GLONASS 1C, 1P, 2P.
        EXPECT_NE(HeaderLine(obs, "SYS / # / OBS TYPES", "G").find("C1C L1C D1C S1C C2W"),
                  std::string::npos);
        EXPECT_NE(HeaderLine(obs, "SYS / # / OBS TYPES", "R").find("C2P"), std::string::npos);

        // G01 1C of the first 1077: rough 83 ms + 134 x 2^-10 ms, fine range 470... decoded
        // by hand: 24922227.578 m, phase 24922221.144 m / L1, rate -702.953 m/s, CNR 35.375.
        std::vector<std::string> first = EpochRecords(obs, 0);
        EXPECT_EQ(RecordOf(first, "G01").substr(0, 65),
                  "G01  24922227.578 5 130967156.067 5      3694.043          35.375");
        // R13 1C: frequency number -2 from the extended satellite information of the 1087.
        EXPECT_EQ(RecordOf(first, "R13").substr(67, 62),
                  "  23196803.094 6 123868945.364 6     -3665.058          41.812");

        // Navigation: G28 with week 1709, G29 at the start of week 1710; R01 without N4 / NT
        // dated on the UTC day of the stream, its frame time 23:33 UTC.
        const std::string nav = c.Nav();
        EXPECT_EQ(LinesStartingWith(nav, "G28 ")[0].substr(0, 23), "G28 2012 10 13 23 59 44");
        EXPECT_EQ(LinesStartingWith(nav, "G29 ")[0].substr(0, 23), "G29 2012 10 14 00 00 00");
        EXPECT_EQ(LinesStartingWith(nav, "R01 ")[0],
                  "R01 2012 10 13 23 45 00-0.176271423697D-03 0.000000000000D+00 "
                  "0.847800000000D+05");
    }
}

TEST(Rtcm3Convert, LegacyGpsGlonassStream) {
    Conversion c = Convert(Fixture("testglo_head.rtcm3"), 2009, 12, 18, kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string obs = c.Obs();
    // 1004 (flag 1) + 1012 (flag 0) per second; the last 1004 has no 1012 after it.
    std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 52u);
    EXPECT_EQ(epochs[0].substr(0, 35), "> 2009 12 18 23 07  0.0000000  0 17");
    EXPECT_EQ(epochs[51].substr(0, 29), "> 2009 12 18 23 07 51.0000000");
    EXPECT_EQ(HeaderLine(obs, "SYS / # / OBS TYPES", "G").substr(0, 38),
              "G    8 C1C L1C D1C S1C C2W L2W D2W S2W");
    EXPECT_EQ(HeaderLine(obs, "SYS / # / OBS TYPES", "R").substr(0, 38),
              "R    8 C1C L1C D1C S1C C2C L2C D2C S2C");
    EXPECT_EQ(HeaderLine(obs, "SYS / # / OBS TYPES", "S").substr(0, 18), "S    4 C1C L1C D1C");

    std::vector<std::string> first = EpochRecords(obs, 0);
    // G03: ambiguity 67 ms, range 6391822 x 0.02 m, phase difference 135 x 0.0005 m, CNR
    // 200 x 0.25; L2 range difference -22 x 0.02 m, phase difference 404 x 0.0005 m.
    EXPECT_EQ(RecordOf(first, "G03"),
              "G03  20213931.126 8 106224925.381 8         0.000          50.000    "
              "20213930.686 7  82772669.679 7         0.000          42.250  ");
    // R14 on channel 0 (frequency number -7), two-light-millisecond ambiguity 32.
    EXPECT_EQ(RecordOf(first, "R14").substr(0, 35), "R14  19271851.392 8 102729811.697 8");
    // R08 sends an all-zero L2 part: L1 only.
    EXPECT_EQ(RecordOf(first, "R08").find_first_not_of(' ', 65), std::string::npos);
    // SBAS satellite ID 49 = PRN 129.
    EXPECT_EQ(RecordOf(first, "S29").substr(0, 35), "S29  37175538.352 7 195358771.586 7");
    EXPECT_EQ(LinesStartingWith(c.Nav(), "G").size(), 6u);
    EXPECT_EQ(LinesStartingWith(c.Nav(), "R").size(), 6u);
}

TEST(Rtcm3Convert, LegacyAndMsmStreamWithMillisecondEpochs) {
    // 1117 (flag 1) and 1002 (sync 0) close each epoch; 1097 and 1127 of the next second
    // open it. The recording ends inside a frame.
    Conversion c = Convert(Fixture("20190529hiroshima.rtcm"), 2019, 5, 29, kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string obs = c.Obs();
    std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 42u);
    EXPECT_EQ(epochs[0].substr(0, 29), "> 2019 05 29 03 38 14.9910000");
    EXPECT_EQ(epochs[1].substr(0, 35), "> 2019 05 29 03 38 15.9910000  0 30");
    for (const char* sys : {"G", "C", "J", "E"})
        EXPECT_NE(HeaderLine(obs, "SYS / # / OBS TYPES", sys), "") << sys;
    // C01 2I: BeiDou time + 14 s joins the GPS epoch.
    EXPECT_EQ(RecordOf(EpochRecords(obs, 1), "C01").substr(0, 65),
              "C01  34242949.069 6 178312072.599 6      -148.124          41.000");
}

TEST(Rtcm3Convert, SixSystemStreamWithWideNumbersAndAllNavigationRecords) {
    const std::string data = Fixture("20221213-010900.rtcm");
    Conversion c = Convert(data, 2022, 12, 13, kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string obs = c.Obs();
    // Every message has the flag set but the NavIC MSM7 that ends each second.
    std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 60u);
    EXPECT_EQ(epochs[0].substr(0, 29), "> 2022 12 13 01 09 22.0000000");
    EXPECT_EQ(epochs[59].substr(0, 29), "> 2022 12 13 01 10 21.0000000");
    // Every satellite of the masks appears, BeiDou above C20 and Galileo above E30 too.
    std::set<std::string> written;
    bool data_ = false;
    for (const std::string& line : Lines(obs)) {
        if (line.find("END OF HEADER") == 60) data_ = true;
        if (data_ && line.size() > 3 && line[0] != '>' && line[0] != ' ')
            written.insert(line.substr(0, 3));
    }
    const std::set<std::string> masks = MsmMaskSatellites(data);
    EXPECT_EQ(written, masks);
    EXPECT_TRUE(masks.count("C59") && masks.count("E34"));
    EXPECT_EQ(HeaderLine(obs, "SYS / # / OBS TYPES", "E").substr(0, 58),
              "E   20 C1C L1C D1C S1C C5Q L5Q D5Q S5Q C7Q L7Q D7Q S7Q C8Q");
    // E34 1C: rate 557.1513 m/s -> Doppler -2927.850 Hz.
    EXPECT_EQ(RecordOf(EpochRecords(obs, 0), "E34").substr(0, 65),
              "E34  26721451.054 7 140421940.849 7     -2927.850          46.312");

    const std::string nav = c.Nav();
    // GPS week 2240 beyond the second rollover; Galileo F/NAV and I/NAV records (data sources
    // 258 and 517); BeiDou from 1042; QZSS from 1044 with its URA in metres.
    EXPECT_FALSE(LinesStartingWith(nav, "G02 2022 12 13").empty());
    EXPECT_NE(nav.find(" 0.258000000000D+03 0.224000000000D+04"), std::string::npos);
    EXPECT_NE(nav.find(" 0.517000000000D+03 0.224000000000D+04"), std::string::npos);
    EXPECT_FALSE(LinesStartingWith(nav, "C").empty());
    EXPECT_FALSE(LinesStartingWith(nav, "J").empty());
    EXPECT_FALSE(LinesStartingWith(nav, "R").empty());
}

TEST(Rtcm3Convert, RealStreamsAlsoConvertToRinex210) {
    struct Case {
        const char* fixture;
        int year, month, day;
        size_t epochs;
    };
    const Case cases[] = {
        {"GMSD7_20121014_head.rtcm3", 2012, 10, 14, 32},
        {"testglo_head.rtcm3", 2009, 12, 18, 52},
        {"20190529hiroshima.rtcm", 2019, 5, 29, 42},
        {"20221213-010900.rtcm", 2022, 12, 13, 60},
    };
    for (const Case& k : cases) {
        Conversion c = Convert(Fixture(k.fixture), k.year, k.month, k.day, kRinex210);
        ASSERT_EQ(c.result, 1) << k.fixture;
        const std::string obs = c.Obs();
        EXPECT_EQ(obs.substr(0, 9), "     2.10") << k.fixture;
        // Epoch lines: " yy mm dd hh mm ss.sssssss  0 nn".
        const std::regex epochLine(
            R"(^ [ \d]\d [ \d]\d [ \d]\d [ \d]\d [ \d]\d [ \d]\d\.\d{7}  0 .*)");
        size_t count = 0;
        for (const std::string& line : Lines(obs))
            if (std::regex_match(line, epochLine)) ++count;
        EXPECT_EQ(count, k.epochs) << k.fixture;
    }
}

// ---- built streams ----------------------------------------------------------------------

// Thursday 2023-09-21 00:00:00 GPS: 345600 s of week 2280; GLONASS sends day 4 and the
// Moscow time 02:59:42 (UTC 23:59:42 of the day before, GPS - UTC = 18 s).
constexpr uint32_t kTowMs = 345600000;
constexpr uint32_t kGlonassField = (4u << 27) | 10782000u;

std::string Msm4(uint16_t number, uint32_t epochField, bool more, int lock = 5) {
    const MsmCell cell{5, 2, 100, 100, lock, 0, 40, 0};
    return Rtcm3Frame(Rtcm3MsmMessage(number, epochField, more, {{5, 70, 0, 100}}, {cell}));
}

TEST(Rtcm3Convert, MultipleMessageFlagClosesOneEpochOfBothSystems) {
    std::string stream;
    for (uint32_t s = 0; s < 3; ++s)
        stream += Msm4(1074, kTowMs + 1000 * s, true) + Msm4(1084, kGlonassField + 1000 * s, false);
    Conversion c = Convert(stream, 2023, 9, 21, kRinex302);
    ASSERT_EQ(c.result, 1);
    std::vector<std::string> epochs = LinesStartingWith(c.Obs(), "> ");
    ASSERT_EQ(epochs.size(), 3u);
    EXPECT_EQ(epochs[0].substr(0, 35), "> 2023 09 21 00 00  0.0000000  0  2");
    EXPECT_EQ(epochs[2].substr(0, 35), "> 2023 09 21 00 00  2.0000000  0  2");
    // No frequency number known for R05: range and strength only.
    std::string r05 = RecordOf(EpochRecords(c.Obs(), 0), "R05");
    EXPECT_EQ(r05.substr(3, 32), "  21014750.454 6         0.000 6") << r05;
}

TEST(Rtcm3Convert, SingleSystemStreamsAreDatedByTheirOwnTime) {
    struct Case {
        const char* name;
        uint16_t number;
        uint32_t field;
        const char* first;
    };
    const Case cases[] = {
        {"Galileo", 1094, kTowMs, "> 2023 09 21 00 00  0.0000000"},
        {"QZSS", 1114, kTowMs + 500, "> 2023 09 21 00 00  0.5000000"},
        {"BeiDou (BDT + 14 s)", 1124, kTowMs - 14000, "> 2023 09 21 00 00  0.0000000"},
        {"GLONASS (Moscow day and time)", 1084, kGlonassField, "> 2023 09 21 00 00  0.0000000"},
    };
    for (const Case& k : cases) {
        std::string stream;
        for (uint32_t s = 0; s < 2; ++s) stream += Msm4(k.number, k.field + 1000 * s, false);
        Conversion c = Convert(stream, 2023, 9, 21, kRinex302);
        ASSERT_EQ(c.result, 1) << k.name;
        std::vector<std::string> epochs = LinesStartingWith(c.Obs(), "> ");
        ASSERT_EQ(epochs.size(), 2u) << k.name;
        EXPECT_EQ(epochs[0].substr(0, 29), k.first) << k.name;
    }
}

TEST(Rtcm3Convert, EpochWhoseClosingMessageIsLostDoesNotSwallowTheNext) {
    // Seconds 0 and 1 never get their closing message; second 2 does.
    const std::string stream = Msm4(1074, kTowMs, true) + Msm4(1074, kTowMs + 1000, true) +
                               Msm4(1074, kTowMs + 2000, false);
    Conversion c = Convert(stream, 2023, 9, 21, kRinex302);
    ASSERT_EQ(c.result, 1);
    std::vector<std::string> epochs = LinesStartingWith(c.Obs(), "> ");
    ASSERT_EQ(epochs.size(), 3u);
    EXPECT_EQ(epochs[1].substr(0, 35), "> 2023 09 21 00 00  1.0000000  0  1");

    // A stream that never closes its last epoch leaves that one out; a stream of nothing but
    // one unclosed epoch (or no observations at all) converts to nothing.
    for (const std::string& nothing :
         {Msm4(1074, kTowMs, true),
          testsupport::Rtcm3Message(1005, 19) + testsupport::Rtcm3Message(1033, 30)}) {
        Conversion none = Convert(nothing, 2023, 9, 21, kRinex302);
        EXPECT_EQ(none.result, 0);
        EXPECT_TRUE(none.files.empty());
        EXPECT_TRUE(none.leftovers.empty());
    }
}

TEST(Rtcm3Convert, FallingLockTimeIndicatorMarksASlip) {
    // Indicators 9 (at least 4.096 s), 3 (0.128 s: fell), 6 (1.024 s, one second later: the
    // lock held). A fourth epoch with indicator 6 again (1.024 s two seconds after the last
    // one, the lock began after it) and a fifth after a gap of 3 s with indicator 8 (at
    // least 4.096 s: held) follow.
    const std::string stream = Msm4(1074, kTowMs, false, 9) + Msm4(1074, kTowMs + 1000, false, 3) +
                               Msm4(1074, kTowMs + 2000, false, 6) +
                               Msm4(1074, kTowMs + 4000, false, 6) +
                               Msm4(1074, kTowMs + 7000, false, 8);
    Conversion c = Convert(stream, 2023, 9, 21, kRinex302);
    ASSERT_EQ(c.result, 1);
    // The loss-of-lock digit follows the phase (column 34 of the record).
    EXPECT_EQ(RecordOf(EpochRecords(c.Obs(), 0), "G05")[33], ' ');
    EXPECT_EQ(RecordOf(EpochRecords(c.Obs(), 1), "G05")[33], '1');
    EXPECT_EQ(RecordOf(EpochRecords(c.Obs(), 2), "G05")[33], ' ');
    EXPECT_EQ(RecordOf(EpochRecords(c.Obs(), 3), "G05")[33], '1');
    EXPECT_EQ(RecordOf(EpochRecords(c.Obs(), 4), "G05")[33], ' ');
}

TEST(Rtcm3Convert, HalfCycleIndicatorGivesTheHalfCycleDigit) {
    // G05 with the half-cycle ambiguity indicator set, its lock held (indicator 9), then
    // fallen (indicator 3), then the ambiguity resolved.
    const auto msm = [](uint32_t ms, int lock, int half) {
        const MsmCell cell{5, 2, 100, 100, lock, half, 40, 0};
        return Rtcm3Frame(Rtcm3MsmMessage(1074, ms, false, {{5, 70, 0, 100}}, {cell}));
    };
    const std::string stream =
        msm(kTowMs, 9, 1) + msm(kTowMs + 1000, 3, 1) + msm(kTowMs + 2000, 6, 0);
    Conversion c = Convert(stream, 2023, 9, 21, kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(RecordOf(EpochRecords(c.Obs(), 0), "G05")[33], '2');
    EXPECT_EQ(RecordOf(EpochRecords(c.Obs(), 1), "G05")[33], '3');
    EXPECT_EQ(RecordOf(EpochRecords(c.Obs(), 2), "G05")[33], ' ');
}

TEST(Rtcm3Convert, DamagedFramesAreSkippedAndTheStreamResynchronises) {
    std::string damaged = Msm4(1074, kTowMs + 1000, false);
    damaged[damaged.size() - 1] ^= 0x55;  // CRC no longer holds
    // Oversized cell mask inside a valid frame, a stray D3, a truncated tail.
    std::vector<MsmSatellite> sats;
    std::vector<MsmCell> cells;
    for (int s = 1; s <= 9; ++s) {
        sats.push_back({s, 70});
        for (int id : {2, 3, 4, 8, 9, 10, 15, 16}) cells.push_back({s, id});
    }
    const std::string stream =
        Msm4(1074, kTowMs, false) + damaged + "\xD3\x00" +
        Rtcm3Frame(Rtcm3MsmMessage(1077, kTowMs + 1500, false, sats, cells)) +
        Msm4(1074, kTowMs + 2000, false) + Msm4(1074, kTowMs + 3000, false).substr(0, 20);
    Conversion c = Convert(stream, 2023, 9, 21, kRinex302);
    ASSERT_EQ(c.result, 1);
    std::vector<std::string> epochs = LinesStartingWith(c.Obs(), "> ");
    ASSERT_EQ(epochs.size(), 2u);
    EXPECT_EQ(epochs[1].substr(0, 29), "> 2023 09 21 00 00  2.0000000");
}

// ---- whole output files -----------------------------------------------------------------

// Output text with the run-dependent "PGM / RUN BY / DATE" line and the release comment left
// out.
std::string Stable(const std::string& text) {
    std::string out;
    for (const std::string& line : Lines(text))
        if (line.find("PGM / RUN BY / DATE") == std::string::npos &&
            line.rfind("converted by Tollmere ", 0) != 0)
            out += line + "\n";
    return out;
}

// Every output file of a fixture compared whole with tests/data/rtcm3/golden/<folder>/.
// TOLLMERE_REGENERATE_GOLDEN=1 rewrites the expected files (after a reviewed change).
TEST(Rtcm3Convert, OutputFilesMatchTheExpectedOnes) {
    struct Case {
        const char* fixture;
        int year, month, day;
        int32_t options;
        const char* folder;
    };
    const Case cases[] = {
        {"GMSD7_20121014_head.rtcm3", 2012, 10, 14, kRinex302, "gmsd_302"},
        {"testglo_head.rtcm3", 2009, 12, 18, kRinex210 & ~kMixed, "testglo_210"},
    };
    const bool regenerate = std::getenv("TOLLMERE_REGENERATE_GOLDEN") != nullptr;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.folder);
        Conversion c = Convert(Fixture(k.fixture), k.year, k.month, k.day, k.options);
        ASSERT_EQ(c.result, 1);
        const std::string folder = std::string(TOLLMERE_TEST_DATA) + "/rtcm3/golden/" + k.folder;
        if (regenerate) {
            std::filesystem::remove_all(folder);
            std::filesystem::create_directories(folder);
            for (const auto& [name, content] : c.files)
                std::ofstream(folder + "/" + name, std::ios::binary) << Stable(content);
            continue;
        }
        std::set<std::string> expected;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            expected.insert(entry.path().filename().string());
        std::set<std::string> produced;
        for (const auto& [name, content] : c.files) produced.insert(name);
        EXPECT_EQ(produced, expected);
        for (const auto& [name, content] : c.files)
            EXPECT_EQ(Stable(content), testsupport::ReadFile(folder + "/" + name)) << name;
    }
}

}  // namespace
