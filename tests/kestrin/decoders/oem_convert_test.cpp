// Real OEM recordings wrapped in a static header, converted through the exported entry point
// and checked against values decoded by hand from their logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "decoders/byte_view.h"
#include "decoders/framing.h"
#include "decoders/oem_logs.h"
#include "kestrin/kestrin.h"
#include "support/frames.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

constexpr int32_t kSystemsAndFlags = 0x163F;  // all systems, phase centre, iono lines, LLI
constexpr int32_t kRinex302 = (1 << 24) | kSystemsAndFlags;
constexpr int32_t kRinex210 = kSystemsAndFlags;
constexpr int32_t kMixed = 1 << 11;

void Record(void* context, unsigned int message, long wparam, long) {
    if (message == KESTRIN_MSG_PROGRESS)
        static_cast<std::vector<long>*>(context)->push_back(wparam);
}

struct Conversion {
    int result = 0;
    std::vector<long> progress;
    std::map<std::string, std::string> files;  // output name -> content
    std::vector<std::string> leftovers;        // entries left in the temporary area
};

Conversion Convert(const std::string& data, const std::string& name, int32_t optionWord) {
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    std::string path = testsupport::WriteStaticFile(in.path(), name, {}, data);
    Conversion c;
    KestrinNotifyTarget target{&Record, &c.progress};
    c.result = ParseDataToRinexFormat(path.c_str(), out.path().c_str(), optionWord, &target);
    unsetenv("TMPDIR");
    for (const std::string& entry : out.Entries())
        c.files[entry] = testsupport::ReadFile(out.File(entry));
    c.leftovers = tmp.Entries();
    return c;
}

std::string Fixture(const std::string& name) {
    return testsupport::ReadTestData("novatel/" + name);
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

// The first record line of a satellite after the first epoch line.
std::string FirstRecordOf(const std::string& text, const std::string& sat) {
    bool inData = false;
    for (const std::string& line : Lines(text)) {
        if (line.find("END OF HEADER") == 60) inData = true;
        if (inData && line.compare(0, 3, sat) == 0) return line;
    }
    return {};
}

TEST(OemConvert, Rinex302ObservationsAndNavigationOfOemvRecording) {
    Conversion c = Convert(Fixture("oemv_200911218_part.gps"), "oemv.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    ASSERT_TRUE(c.files.count("oemv.09O"));
    ASSERT_TRUE(c.files.count("oemv.09N"));
    ASSERT_TRUE(c.files.count("oemv.09G"));
    for (const auto& [name, content] : c.files) {
        EXPECT_TRUE(name == "oemv.09O" || name == "oemv.09N" || name == "oemv.09G") << name;
    }
    EXPECT_EQ(c.progress.front(), 0);
    EXPECT_EQ(c.progress.back(), 100);

    const std::string& obs = c.files["oemv.09O"];
    // One epoch per RANGECMP log, one second apart, 16 satellites each.
    std::vector<std::string> epochs = LinesStartingWith(obs, "> ");
    ASSERT_EQ(epochs.size(), 20u);
    EXPECT_EQ(epochs.front().substr(0, 35), "> 2009 12 18 23 07  0.0000000  0 16");
    EXPECT_EQ(epochs.back().substr(0, 35), "> 2009 12 18 23 07 19.0000000  0 16");

    // Codes of the header: GPS L1 C/A and L2 P(Y) codeless, GLONASS C/A and P, SBAS L1.
    std::string g = HeaderLine(obs, "SYS / # / OBS TYPES", "G");
    EXPECT_NE(g.find("C1C"), std::string::npos) << g;
    EXPECT_NE(g.find("C2W"), std::string::npos) << g;
    EXPECT_EQ(g.find("C2P"), std::string::npos) << g;
    std::string r = HeaderLine(obs, "SYS / # / OBS TYPES", "R");
    EXPECT_NE(r.find("C1C"), std::string::npos) << r;
    EXPECT_NE(r.find("C2P"), std::string::npos) << r;
    std::string s = HeaderLine(obs, "SYS / # / OBS TYPES", "S");
    EXPECT_NE(s.find("C1C"), std::string::npos) << s;
    EXPECT_TRUE(HeaderLine(obs, "SYS / # / OBS TYPES", "E").empty());

    // G03 L1 straight from the first RANGECMP block: range 20213930.640625 m, ADR
    // -5561636.51171875 cycles re-based by 12 x 2^23, C/N0 51 dB-Hz (strength digit 8).
    std::string g03 = FirstRecordOf(obs, "G03");
    EXPECT_EQ(g03.substr(3, 32), "  20213930.641 8 106224932.512 8") << g03;
    // R14 (PRN field 51) G1: slot-table frequency number -7.
    std::string r14 = FirstRecordOf(obs, "R14");
    EXPECT_EQ(r14.substr(3, 32), "  19271851.070 8 102729811.367 8") << r14;
    // SBAS 129 is written S29.
    EXPECT_FALSE(FirstRecordOf(obs, "S29").empty());

    // Navigation: nine GPS satellites sent RAWEPHEM, five GLONASS satellites GLOEPHEMERIS.
    EXPECT_EQ(LinesStartingWith(c.files["oemv.09N"], "G").size(), 9u);
    std::vector<std::string> g11 = LinesStartingWith(c.files["oemv.09N"], "G11 ");
    ASSERT_EQ(g11.size(), 1u);
    EXPECT_EQ(g11[0].substr(0, 23), "G11 2009 12 19 00 00 00");
    EXPECT_EQ(LinesStartingWith(c.files["oemv.09G"], "R").size(), 5u);
}

TEST(OemConvert, Rinex210OfOemvRecording) {
    Conversion c = Convert(Fixture("oemv_200911218_part.gps"), "oemv.dat", kRinex210);
    ASSERT_EQ(c.result, 1);
    ASSERT_TRUE(c.files.count("oemv.09O"));
    ASSERT_TRUE(c.files.count("oemv.09N"));
    ASSERT_TRUE(c.files.count("oemv.09G"));
    const std::string& obs = c.files["oemv.09O"];
    std::vector<std::string> epochs = LinesStartingWith(obs, "  9 12 18 23  7");
    ASSERT_EQ(epochs.size(), 20u);
    EXPECT_EQ(epochs.front(),
              "  9 12 18 23  7  0.0000000  0 16G03G06G07G08G11G13G16G19G22R13R14R15 0.000000000");
    EXPECT_NE(HeaderLine(obs, "# / TYPES OF OBSERV", "     8").find("C1"), std::string::npos);
    // C1, SSI, L1 of G03 in the first record.
    EXPECT_NE(obs.find("  20213930.641 8 106224932.512 8"), std::string::npos);
    // 2.10 navigation records carry no system letter.
    EXPECT_FALSE(LinesStartingWith(c.files["oemv.09N"], "11  9 12 19  0  0  0.0").empty());
}

TEST(OemConvert, ModernRecordingPerSystemNavigationFiles) {
    Conversion c = Convert(Fixture("20230819-061342qlnav.nov"), "qlnav.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    const std::string& obs = c.files["qlnav.23O"];
    EXPECT_EQ(LinesStartingWith(obs, "> 2023 08 19").size(), 30u);
    for (const char* sys : {"G", "R", "E", "C", "J"})
        EXPECT_FALSE(HeaderLine(obs, "SYS / # / OBS TYPES", sys).empty()) << sys;
    std::string e = HeaderLine(obs, "SYS / # / OBS TYPES", "E");
    EXPECT_NE(e.find("C5Q"), std::string::npos) << e;
    EXPECT_NE(e.find("C7Q"), std::string::npos) << e;
    EXPECT_TRUE(c.files.count("qlnav.23N"));
    EXPECT_TRUE(c.files.count("qlnav.23G"));
    EXPECT_TRUE(c.files.count("qlnav.23L"));
    EXPECT_TRUE(c.files.count("qlnav.23C"));
    EXPECT_FALSE(c.files.count("qlnav.23Q"));  // no QZSS ephemeris in the recording
}

// The satellites of the recording's first RANGECMP log (GPS week 2275, 540859 s) above the
// old limits of C20 / E30: every one reaches the observation file and, with its BDSEPHEMERIS /
// GALEPHEMERIS log, the navigation file. The seven NavIC satellites of the log are left out.
const char* const kNewNumbers[] = {"C21", "C22", "C34", "C35", "C36", "C38", "C39",
                                   "C44", "C45", "C46", "C59", "C60", "E34", "E36"};

TEST(OemConvert, ModernRecordingKeepsBeidouAboveC20AndGalileoAboveE30) {
    Conversion c = Convert(Fixture("20230819-061342qlnav.nov"), "qlnav.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    const std::string& obs = c.files["qlnav.23O"];
    const std::vector<std::string> epochs = LinesStartingWith(obs, "> 2023 08 19");
    ASSERT_EQ(epochs.size(), 30u);
    EXPECT_EQ(epochs.front().substr(0, 35), "> 2023 08 19 06 14 19.0000000  0 54");
    for (const char* sat : kNewNumbers) {
        EXPECT_FALSE(FirstRecordOf(obs, sat).empty()) << sat;
        EXPECT_EQ(LinesStartingWith(obs, sat).size(), 30u) << sat;  // in every epoch
        const std::string nav = c.files[sat[0] == 'C' ? "qlnav.23C" : "qlnav.23L"];
        EXPECT_EQ(LinesStartingWith(nav, std::string(sat) + " 2023 08 19").size(), 1u) << sat;
    }
    EXPECT_FALSE(FirstRecordOf(obs, "J07").empty());  // PRN 199

    // 2.10: the same 54 satellites, two-digit PRNs after the system letter.
    Conversion c2 = Convert(Fixture("20230819-061342qlnav.nov"), "qlnav.dat", kRinex210);
    ASSERT_EQ(c2.result, 1);
    const std::vector<std::string> lines = Lines(c2.files["qlnav.23O"]);
    auto header = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("END OF HEADER") == 60;
    });
    ASSERT_GT(lines.end() - header, 5);
    EXPECT_EQ(header[1].substr(0, 68),
              " 23  8 19  6 14 19.0000000  0 54G05G11G13G15G18G20G23G24G29G30R02R03");
    EXPECT_EQ(header[2].substr(32, 36), "R04R12R13R14R17R18R19C01C02C03C04C06");
    EXPECT_EQ(header[3].substr(32, 36), "C08C09C11C12C13C16C19C21C22C34C35C36");
    EXPECT_EQ(header[4].substr(32, 36), "C38C39C44C45C46C59C60J02J03J04J07E03");
    EXPECT_EQ(header[5].substr(32, 18), "E05E09E15E24E34E36");
    for (const char* sat : kNewNumbers) {
        const std::string nav = c2.files[sat[0] == 'C' ? "qlnav.23C" : "qlnav.23L"];
        EXPECT_EQ(LinesStartingWith(nav, std::string(sat + 1) + " 23  8 19").size(), 1u) << sat;
    }
}

TEST(OemConvert, MixedLongNames) {
    Conversion c = Convert(Fixture("20230819-061342qlnav.nov"), "qlnav.dat", kRinex302 | kMixed);
    ASSERT_EQ(c.result, 1);
    int obs = 0, nav = 0;
    for (const auto& [name, content] : c.files) {
        if (name.size() > 7 && name.compare(name.size() - 7, 7, "_MO.rnx") == 0) ++obs;
        if (name.size() > 7 && name.compare(name.size() - 7, 7, "_MN.rnx") == 0) ++nav;
        EXPECT_EQ(name.compare(0, 13, "qlnav0000_R_2"), 0) << name;
    }
    EXPECT_EQ(obs, 1);
    EXPECT_EQ(nav, 1);
    EXPECT_EQ(c.files.size(), 2u);
}

TEST(OemConvert, RecordingWithoutObservationsGivesNoFiles) {
    Conversion c = Convert(Fixture("20230819-053733has_part.nov"), "has.dat", kRinex302);
    EXPECT_EQ(c.result, 0);
    EXPECT_TRUE(c.files.empty());
    EXPECT_TRUE(c.leftovers.empty());
}

TEST(OemConvert, IonosphereAndMarksReachTheFiles) {
    std::string data = Fixture("oemv_200911218_part.gps");
    auto ionutc = [](double alpha0) {
        std::string body(108, '\0');
        std::memcpy(&body[0], &alpha0, 8);
        int32_t dtls = 15;
        std::memcpy(&body[96], &dtls, 4);
        return body;
    };
    std::string mark(40, '\0');
    uint32_t week = 1562;
    double sow = 515225.5;
    std::memcpy(&mark[0], &week, 4);
    std::memcpy(&mark[4], &sow, 8);
    // Inserted after the sixth epoch (RANGECMP frames start every 5392 bytes from 9501).
    size_t at = 9501 + 6 * 5392;
    std::string extra = testsupport::OemFrame(8, ionutc(1.1176e-08), 1562, 515225000) +
                        testsupport::OemFrame(8, ionutc(2.2352e-08), 1562, 515225000) +
                        testsupport::OemFrame(231, mark, 1562, 515225500);
    data.insert(at, extra);

    Conversion c = Convert(data, "oemv.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    std::string gpsa = HeaderLine(c.files["oemv.09N"], "IONOSPHERIC CORR", "GPSA");
    EXPECT_NE(gpsa.find("0.1118D-07"), std::string::npos) << gpsa;  // the first set is kept
    EXPECT_NE(HeaderLine(c.files["oemv.09N"], "LEAP SECONDS", " ").find("15"), std::string::npos);
    const std::string& obs = c.files["oemv.09O"];
    EXPECT_NE(obs.find("*** EXTERNAL EVENT #      1 ***  PORT # 1"), std::string::npos);
    EXPECT_NE(obs.find("> 2009 12 18 23 07  5.5000000  5  0"), std::string::npos);
}

}  // namespace

namespace {

// The recording rebuilt with one signal (system, PRN field, signal type of the tracking
// status) left out of the RANGECMP log of index `dropAt`; every other log is kept as it is.
std::string WithoutSignalInOneEpoch(const std::string& bytes, int dropAt, uint32_t system,
                                    int prnField, uint32_t signal) {
    using namespace kestrin;
    std::string out;
    ByteView all(bytes.data(), bytes.size());
    size_t offset = 0;
    int rangeLog = 0;
    while (offset < all.size()) {
        ByteView rest = all.From(offset);
        Frame frame = OemFrameAt(rest);
        OemFrameHeader header;
        if (!frame.valid() || !ReadOemFrameHeader(rest, header)) {
            out.push_back(bytes[offset++]);
            continue;
        }
        const std::string raw = bytes.substr(offset, frame.length);
        offset += frame.length;
        if (header.messageId != kOemRangeCmp || rangeLog++ != dropAt) {
            out += raw;
            continue;
        }
        const std::string body = raw.substr(header.headerLength, header.messageLength);
        std::string kept;
        uint32_t count = 0;
        for (size_t o = 4; o + 24 <= body.size(); o += 24) {
            uint32_t status = 0;
            std::memcpy(&status, &body[o], 4);
            const bool drop = ((status >> 16) & 7u) == system && ((status >> 21) & 31u) == signal &&
                              static_cast<uint8_t>(body[o + 17]) == prnField;
            if (drop) continue;
            kept += body.substr(o, 24);
            ++count;
        }
        std::string newBody(4, '\0');
        std::memcpy(&newBody[0], &count, 4);
        out += testsupport::OemFrame(kOemRangeCmp, newBody + kept, header.week, header.msOfWeek);
    }
    return out;
}

// The record line of a satellite in the epoch of the given index.
std::string RecordIn(const std::string& obs, size_t epochIndex, const std::string& sat) {
    size_t epoch = 0;
    bool inEpoch = false;
    for (const std::string& line : Lines(obs)) {
        if (line.compare(0, 2, "> ") == 0) {
            inEpoch = epoch++ == epochIndex;
            continue;
        }
        if (inEpoch && line.compare(0, 3, sat) == 0) return line;
    }
    return {};
}

// The loss-of-lock digit of the observation in column `column` of a 3.02 record line.
char LliOf(const std::string& record, size_t column) {
    const size_t at = 3 + 16 * column + 14;
    return at < record.size() ? record[at] : ' ';
}

size_t ColumnOf(const std::string& typesLine, const std::string& code) {
    for (size_t i = 0; 7 + 4 * i + 3 <= 60; ++i) {
        if (typesLine.compare(7 + 4 * i, 3, code) == 0) return i;
    }
    return 99;
}

}  // namespace

// The OEM729 recording (one RANGECMP log a second). G05 L1 C/A is tracked throughout with a
// lock time that only grows; left out of the log of 06:14:29 it comes back at 06:14:30 with
// its lock time still growing, yet the phase has lost its continuity: the returning phase
// carries the slip bit, and only there. GLONASS R17 L2 C/A (PRN field 54, status 0x0031942B:
// phase locked, parity not known) carries the half-cycle digit 2, not the slip digit, while
// its lock time grows (06:14:20); its lock time falls at 06:14:24 (5.31 s to 1.06 s after a gap):
// slip and half cycle, 3.
TEST(OemConvert, ReturningSignalsAndUnknownParityOfOem729Recording) {
    const std::string bytes = Fixture("20230819-061342qlnav.nov");
    Conversion plain = Convert(bytes, "qlnav.dat", kRinex302);
    Conversion gap = Convert(WithoutSignalInOneEpoch(bytes, 10, 0, 5, 0), "qlnav.dat", kRinex302);
    ASSERT_EQ(plain.result, 1);
    ASSERT_EQ(gap.result, 1);
    const std::string& a = plain.files["qlnav.23O"];
    const std::string& b = gap.files["qlnav.23O"];

    const size_t l1c = ColumnOf(HeaderLine(a, "SYS / # / OBS TYPES", "G"), "L1C");
    ASSERT_NE(l1c, 99u);
    for (size_t epoch = 1; epoch < 30; ++epoch) {
        const std::string line = RecordIn(a, epoch, "G05");
        ASSERT_FALSE(line.empty()) << epoch;
        EXPECT_EQ(LliOf(line, l1c), ' ') << epoch << line;
    }
    EXPECT_EQ(LliOf(RecordIn(b, 10, "G05"), l1c), ' ');  // C1C gone: the field is blank
    EXPECT_EQ(RecordIn(b, 10, "G05").substr(3 + 16 * l1c, 14), std::string(14, ' '));
    EXPECT_EQ(LliOf(RecordIn(b, 11, "G05"), l1c), '1');
    EXPECT_EQ(LliOf(RecordIn(b, 12, "G05"), l1c), ' ');

    const size_t l2c = ColumnOf(HeaderLine(a, "SYS / # / OBS TYPES", "R"), "L2C");
    ASSERT_NE(l2c, 99u);
    EXPECT_EQ(LliOf(RecordIn(a, 1, "R17"), l2c), '2');
    EXPECT_EQ(LliOf(RecordIn(a, 5, "R17"), l2c), '3');
}
