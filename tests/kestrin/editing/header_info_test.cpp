#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "converted_file.h"
#include "kestrin/kestrin.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ReadFile;
using testsupport::StaticHeaderBytes;
using testsupport::StaticHeaderFields;
using testsupport::TempDir;

struct Antenna {
    std::string marker;
    int method = -1;
    double height = -1, R = -1, H = -1, L1 = -1, L2 = -1;
    int result = -1;
};

Antenna ReadAnt(const std::string& path) {
    Antenna a;
    char marker[KESTRIN_TEXT_CAPACITY];
    std::memset(marker, 'x', sizeof marker);
    a.result = ReadAntInfo(path.c_str(), marker, &a.method, &a.height, &a.R, &a.H, &a.L1, &a.L2);
    a.marker = marker;
    return a;
}

struct Head {
    std::string first, last, marker, receiver, antennaType;
    int antennaNumber = -1, method = -1, result = -1;
    double height = -1, deltaH = -1, R = -1, H = -1, L1 = -1, L2 = -1, x = -1, y = -1, z = -1;
};

Head ReadHead(const std::string& path) {
    Head h;
    char t[5][KESTRIN_TEXT_CAPACITY];
    h.result = ReadHeadInfo(path.c_str(), t[0], t[1], t[2], t[3], t[4], &h.antennaNumber, &h.height,
                            &h.method, &h.deltaH, &h.R, &h.H, &h.L1, &h.L2, &h.x, &h.y, &h.z);
    h.first = t[0];
    h.last = t[1];
    h.marker = t[2];
    h.receiver = t[3];
    h.antennaType = t[4];
    return h;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Pad80(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
}

// A small RINEX 2 header with the converter's own antenna lines (mask 18, method 2, 1.2 m,
// R 0.08, H 0.05, L1 0.07, L2 0).
std::string ConverterStyleHeader() {
    std::string h;
    h += Pad80("     2.10           OBSERVATION DATA    G (GPS)             RINEX VERSION / TYPE");
    h += "\n";
    h += Pad80("SITE                                                        MARKER NAME") + "\n";
    h += Pad80("12345               RX-TEST             FW1.23              REC # / TYPE / VERS") +
         "\n";
    h += Pad80("7                   ANT-TEST                                ANT # / TYPE") + "\n";
    h += Pad80(" -2148744.3969  4426641.2099  4044655.8564                  APPROX POSITION XYZ") +
         "\n";
    h += Pad80("        1.2700        0.1000       -0.2000                  ANTENNA: DELTA H/E/N") +
         "\n";
    h += Pad80("  2009    12    18    23     7    0.0000000     GPS         TIME OF FIRST OBS") +
         "\n";
    h += Pad80("    18     2        1.2000        ANT MEASURE TYPE/HEIGT    COMMENT") + "\n";
    h += Pad80("    0.0800    0.0500    0.0700    0.0000    0.0000          COMMENT") + "\n";
    h += Pad80("                                                            END OF HEADER") + "\n";
    return h;
}

const std::string kBody = " 09 12 18 23  7  0.0000000  0  1G01\n  20000000.000\n";

TEST(HeaderInfo, ConverterLayoutIsReadInItsOwnColumnsAndRewrittenIn14Columns) {
    TempDir dir;
    const std::string original = ConverterStyleHeader() + kBody;
    for (const char* name : {"site0010.13O", "site0010.13o"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.Write(name, original);
        Antenna a = ReadAnt(path);
        EXPECT_EQ(a.result, 1);
        EXPECT_EQ(a.marker, "SITE");
        EXPECT_EQ(a.method, 2);
        EXPECT_DOUBLE_EQ(a.height, 1.2);
        EXPECT_DOUBLE_EQ(a.R, 0.08);
        EXPECT_DOUBLE_EQ(a.H, 0.05);
        EXPECT_DOUBLE_EQ(a.L1, 0.07);
        EXPECT_DOUBLE_EQ(a.L2, 0.0);
        const Head h = ReadHead(path);
        EXPECT_EQ(h.result, 1);
        EXPECT_EQ(h.method, 2);
        EXPECT_DOUBLE_EQ(h.L1, 0.07);
        EXPECT_EQ(h.first, "  2009    12    18    23     7    0.0000000");
        EXPECT_EQ(h.last, "");
        EXPECT_EQ(h.receiver, "12345               ");
        EXPECT_EQ(h.antennaNumber, 7);
        EXPECT_EQ(h.antennaType, "ANT-TEST            ");
        EXPECT_DOUBLE_EQ(h.x, -2148744.3969);
        EXPECT_DOUBLE_EQ(h.z, 4044655.8564);
        EXPECT_DOUBLE_EQ(h.deltaH, 1.27);

        ASSERT_EQ(WriteAntInfo(path.c_str(), "NEWSITE", 1, 1.5, 0.1, 0.05, 0.08, 0.0), 1);
        const std::vector<std::string> before = Lines(original), after = Lines(ReadFile(path));
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < before.size(); ++i) {
            if (i == 1 || i == 5 || i == 7 || i == 8) continue;
            EXPECT_EQ(after[i], before[i]) << i;
        }
        EXPECT_EQ(after[1],
                  Pad80("NEWSITE                                                     MARKER NAME"));
        // The new phase-centre height (kind 2: slant to edge) keeps the old E and N.
        EXPECT_EQ(after[5],
                  "        1.5267        0.1000       -0.2000                  "
                  "ANTENNA: DELTA H/E/N");
        EXPECT_EQ(after[7],
                  "             1        1.5000        ANT MEASURE TYPE/HEIGT  COMMENT"
                  "             ");
        EXPECT_EQ(after[8],
                  "        0.1000        0.0500        0.0800        0.0000    COMMENT"
                  "             ");
        a = ReadAnt(path);
        EXPECT_EQ(a.marker, "NEWSITE");
        EXPECT_EQ(a.method, 1);
        EXPECT_DOUBLE_EQ(a.height, 1.5);
        EXPECT_DOUBLE_EQ(a.R, 0.1);
        EXPECT_DOUBLE_EQ(a.H, 0.05);
        EXPECT_DOUBLE_EQ(a.L1, 0.08);
        EXPECT_DOUBLE_EQ(a.L2, 0.0);
    }
}

TEST(HeaderInfo, TrimmedHeaderLinesAreRewrittenWithoutDamagingTheirNeighbours) {
    TempDir dir;
    std::string trimmed;
    for (const std::string& line : Lines(ConverterStyleHeader())) {
        std::string t = line;
        while (!t.empty() && t.back() == ' ') t.pop_back();
        trimmed += t + "\r\n";  // also a file with CR LF line ends
    }
    trimmed += kBody;
    const std::string path = dir.Write("trim0010.13o", trimmed);
    const std::string longName(70, 'N');
    ASSERT_EQ(WriteAntInfo(path.c_str(), longName.c_str(), 2, 1.25, 0.08, 0.05, 0.07, 0.0), 1);
    const std::string after = ReadFile(path);
    const std::vector<std::string> lines = Lines(after);
    ASSERT_EQ(lines.size(), Lines(trimmed).size());
    EXPECT_EQ(lines[1], std::string(60, 'N') + "MARKER NAME         \r");
    EXPECT_EQ(lines[2], Lines(trimmed)[2]);
    EXPECT_EQ(lines[9],
              "                                                            END OF HEADER\r");
    EXPECT_EQ(after.substr(after.size() - kBody.size()), kBody);
    const Antenna a = ReadAnt(path);
    EXPECT_EQ(a.marker, std::string(60, 'N'));
    EXPECT_EQ(a.method, 2);
    EXPECT_DOUBLE_EQ(a.height, 1.25);
    EXPECT_DOUBLE_EQ(a.L1, 0.07);
    EXPECT_EQ(dir.Entries().size(), 1u);  // nothing left beside it
}

TEST(HeaderInfo, StaticFilesReadAndWrittenThroughTheirHeader) {
    TempDir dir;
    StaticHeaderFields f;
    f.formatCode = 1000;
    f.measureMethod = 2;
    f.antennaHeightMm = 1200;
    f.radius = 800;
    f.edgeHeight = 500;
    f.l1Offset = 700;
    f.l2Offset = 0;
    f.pointName = "PT01XYZ";
    f.startTime = "08:05:09";
    const std::string edge = dir.Write("site0010.dat", StaticHeaderBytes(f) + "board");
    Head h = ReadHead(edge);
    EXPECT_EQ(h.result, 1);
    EXPECT_NEAR(h.deltaH, 1.27, 1e-12);  // kind 1: h + L1
    EXPECT_EQ(h.marker, "PT01");
    EXPECT_EQ(h.receiver, "A1234");
    EXPECT_EQ(h.antennaType, "ANT-TEST");
    EXPECT_EQ(h.antennaNumber, 1);
    EXPECT_EQ(h.first, "  2023    09    19    08    05    9.0000000");
    EXPECT_EQ(h.last, "  2023    09    19    09    30    0.0000000");
    EXPECT_NEAR(h.x, -2259099.636, 1e-3);  // 30.5 N 114.25 E, 25.5 m on GRS 80
    EXPECT_NEAR(h.y, 5015015.229, 1e-3);
    EXPECT_NEAR(h.z, 3218267.488, 1e-3);
    f.formatCode = 1099;
    const std::string bottom = dir.Write("site0020.dat", StaticHeaderBytes(f));
    EXPECT_NEAR(ReadHead(bottom).deltaH, 1.22, 1e-12);
    // Geometry in 0.1 m units when byte 146 is not 1.
    f.geometryUnit = 0;
    f.radius = 2;
    const std::string coarse = dir.Write("site0030.dat", StaticHeaderBytes(f));
    EXPECT_DOUBLE_EQ(ReadAnt(coarse).R, 0.2);

    // Unknown format code: 0, with the receiver number and position already given.
    f.formatCode = 5;
    h = ReadHead(dir.Write("site0040.dat", StaticHeaderBytes(f)));
    EXPECT_EQ(h.result, 0);
    EXPECT_EQ(h.receiver, "A1234");
    EXPECT_NE(h.x, 0.0);
    EXPECT_EQ(h.method, 0);

    // Writing: only the named bytes change; a later read returns the values exactly.
    const std::string original = ReadFile(bottom);
    ASSERT_EQ(WriteAntInfo(bottom.c_str(), "ABCDEFG", 3, 1.4567, 0.08, 0.0625, 0.0712, -0.01), 1);
    std::string expected = original;
    auto put = [&](size_t at, int64_t v, int n) {
        for (int i = 0; i < n; ++i) expected[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(53, 1099, 2);
    put(105, 1457, 2);
    expected[145] = 3;
    expected[146] = 1;
    put(147, 800, 4);
    put(151, 625, 4);
    put(155, 712, 4);
    put(159, -100, 4);
    expected.replace(181, 20, std::string("ABCD") + std::string(16, '\0'));
    EXPECT_EQ(ReadFile(bottom), expected);
    const Antenna a = ReadAnt(bottom);
    EXPECT_EQ(a.marker, "ABCD");
    EXPECT_EQ(a.method, 3);
    EXPECT_DOUBLE_EQ(a.height, 1.457);
    EXPECT_DOUBLE_EQ(a.R, 0.08);
    EXPECT_DOUBLE_EQ(a.L2, -0.01);
    // An empty marker name leaves the point name alone.
    ASSERT_EQ(WriteAntInfo(bottom.c_str(), "", 3, 1.4567, 0.08, 0.0625, 0.0712, -0.01), 1);
    EXPECT_EQ(ReadFile(bottom), expected);
}

TEST(HeaderInfo, UnusableFilesGiveZeroAndEmptyOutputsAndStayUnchanged) {
    TempDir dir;
    StaticHeaderFields noMagic;
    noMagic.magic = false;
    const std::string folder = dir.File("folder.05o");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string staticFolder = dir.File("folder");
    ASSERT_EQ(::mkdir(staticFolder.c_str(), 0700), 0);
    const std::vector<std::string> unusable = {
        "",
        dir.File("missing.05o"),
        dir.File("missing.dat"),
        folder,
        staticFolder,
        dir.Write("short.dat", StaticHeaderBytes({}).substr(0, 511)),
        dir.Write("plain.dat", StaticHeaderBytes(noMagic)),
        dir.Write("empty.dat", ""),
    };
    for (const std::string& path : unusable) {
        SCOPED_TRACE(path);
        const std::string before = ReadFile(path);
        const Antenna a = ReadAnt(path);
        EXPECT_EQ(a.result, 0);
        EXPECT_EQ(a.marker, "");
        EXPECT_EQ(a.method, 0);
        EXPECT_EQ(a.height, 0.0);
        EXPECT_EQ(a.L2, 0.0);
        const Head h = ReadHead(path);
        EXPECT_EQ(h.result, 0);
        EXPECT_EQ(h.first, "");
        EXPECT_EQ(h.z, 0.0);
        EXPECT_EQ(WriteAntInfo(path.c_str(), "X", 1, 1.0, 0, 0, 0, 0), 0);
        EXPECT_EQ(ReadFile(path), before);
    }
    EXPECT_EQ(ReadAntInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(WriteAntInfo(nullptr, nullptr, 1, 1.0, 0, 0, 0, 0), 0);

    // RINEX: no end of header, or values that would widen their fields: refused, unchanged.
    const std::string headerOnly = ConverterStyleHeader();
    const std::string noEnd = headerOnly.substr(0, headerOnly.rfind("  ") - 60);
    const std::string noEndPath = dir.Write("noend.05o", noEnd);
    EXPECT_EQ(WriteAntInfo(noEndPath.c_str(), "X", 1, 1.0, 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadFile(noEndPath), noEnd);
    EXPECT_EQ(ReadAnt(noEndPath).result, 1);  // readers take what is there
    const std::string good = dir.Write("good.05o", headerOnly);
    EXPECT_EQ(WriteAntInfo(good.c_str(), "X", 1, 1e9, 0, 0, 0, 0), 0);
    EXPECT_EQ(WriteAntInfo(good.c_str(), "X", 1, 1.0, NAN, 0, 0, 0), 0);
    EXPECT_EQ(ReadFile(good), headerOnly);
    // Static: heights and offsets beyond their integer fields.
    const std::string st = dir.Write("big.dat", StaticHeaderBytes({}));
    EXPECT_EQ(WriteAntInfo(st.c_str(), "X", 1, 40.0, 0, 0, 0, 0), 0);
    EXPECT_EQ(WriteAntInfo(st.c_str(), "X", 1, 1.0, 3e5, 0, 0, 0), 0);
    EXPECT_EQ(ReadFile(st), StaticHeaderBytes({}));
    EXPECT_EQ(dir.Entries().size(), 8u);  // no temporary file left beside any of them
}

TEST(HeaderInfo, ConvertedRealFileAndItsStaticFileDescribeTheSameAntenna) {
    TempDir dir;
    StaticHeaderFields f;
    f.formatCode = 1099;
    f.measureMethod = 1;
    f.antennaHeightMm = 1634;
    f.radius = 1000;
    f.edgeHeight = 512;
    f.l1Offset = 843;
    f.l2Offset = 721;
    f.pointName = "GEOD";
    const editingtest::ConvertedFile c = editingtest::ConvertRealRecording(dir, f);
    ASSERT_FALSE(c.observationPath.empty());
    const Antenna fromStatic = ReadAnt(c.staticPath);
    const Antenna fromRinex = ReadAnt(c.observationPath);
    ASSERT_EQ(fromStatic.result, 1);
    ASSERT_EQ(fromRinex.result, 1);
    EXPECT_EQ(fromRinex.marker, fromStatic.marker);
    EXPECT_EQ(fromRinex.method, 1);
    EXPECT_EQ(fromRinex.method, fromStatic.method);
    for (auto field : {&Antenna::height, &Antenna::R, &Antenna::H, &Antenna::L1, &Antenna::L2})
        EXPECT_NEAR(fromRinex.*field, fromStatic.*field, 1e-9);
    const Head hs = ReadHead(c.staticPath), hr = ReadHead(c.observationPath);
    EXPECT_EQ(hr.method, hs.method);
    EXPECT_NEAR(hr.height, hs.height, 1e-9);
    EXPECT_NEAR(hr.L1, hs.L1, 1e-9);

    // The RINEX file round-trips through the antenna editor exactly.
    ASSERT_EQ(
        WriteAntInfo(c.observationPath.c_str(), "GEOD2", 3, 1.7321, 0.1234, 0.0567, 0.0891, 0.0765),
        1);
    const Antenna back = ReadAnt(c.observationPath);
    EXPECT_EQ(back.marker, "GEOD2");
    EXPECT_EQ(back.method, 3);
    EXPECT_DOUBLE_EQ(back.height, 1.7321);
    EXPECT_DOUBLE_EQ(back.R, 0.1234);
    EXPECT_DOUBLE_EQ(back.H, 0.0567);
    EXPECT_DOUBLE_EQ(back.L1, 0.0891);
    EXPECT_DOUBLE_EQ(back.L2, 0.0765);

    // Through a symbolic link the target is rewritten and the link stays a link.
    const std::string link = dir.File("link3520.09o");
    ASSERT_EQ(::symlink(c.observationPath.c_str(), link.c_str()), 0);
    ASSERT_EQ(WriteAntInfo(link.c_str(), "LINK", 2, 1.1, 0.1, 0.05, 0.08, 0.07), 1);
    EXPECT_EQ(ReadAnt(c.observationPath).marker, "LINK");
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

}  // namespace
