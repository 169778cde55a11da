#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/static_header.h"
#include "kestrin/kestrin.h"
#include "support/frames.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

using namespace kestrin;
using testsupport::StaticHeaderFields;

namespace {

// A little OEM data behind the header, so that detection finds a data type.
std::string SomeOemData() {
    return testsupport::OemFrame(43, std::string(48, '\1')) +
           testsupport::OemFrame(43, std::string(48, '\2'));
}

class StaticHeaderTest : public ::testing::Test {
  protected:
    std::string Write(const StaticHeaderFields& f, const std::string& data = SomeOemData()) {
        return testsupport::WriteStaticFile(dir.path(), "site.dat", f, data);
    }
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(StaticHeaderTest, EveryFieldReachesHeaderInfo) {
    StaticHeaderFields f;
    f.identification = ":A-12 34V1.0 build";
    f.year = 2021, f.month = 7, f.day = 4;
    f.latitude = 0.5, f.longitude = -1.0, f.angleUnit = 0;
    f.height = 120.25f;
    f.antennaHeightMm = 1735;
    f.startTime = "01:02:03", f.stopTime = "23:59:59";
    f.antennaNumber = 7;
    f.antennaType = "  CHOKE RING\n";
    f.measureMethod = 3, f.methodMask = 0x0B;
    f.geometryUnit = 1, f.radius = 1250, f.edgeHeight = 330, f.l1Offset = 812, f.l2Offset = 790;
    f.stationKind = 1;
    f.firmwareVersion = " 4.10 ";
    f.pointName = "ABCD-3";
    f.receiverType = "RX-900";
    HeaderInfo info;
    ASSERT_TRUE(ReadStaticHeader(Write(f), info));
    EXPECT_EQ(info.receiverNumber, "A1234");
    EXPECT_EQ(info.obsYear, 2021);
    EXPECT_EQ(info.obsMonth, 7);
    EXPECT_EQ(info.obsDay, 4);
    EXPECT_DOUBLE_EQ(info.latitude, 28.64788975654116);
    EXPECT_DOUBLE_EQ(info.longitude, -57.29577951308232);
    EXPECT_DOUBLE_EQ(info.height, 120.25);
    EXPECT_NE(info.x, 0.0);
    EXPECT_DOUBLE_EQ(info.measuredHeight, 1.735);
    EXPECT_DOUBLE_EQ(info.antennaHeight, 1.735);
    EXPECT_EQ(info.startTimeText, "01:02:03");
    EXPECT_EQ(info.stopTimeText, "23:59:59");
    EXPECT_EQ(info.antennaNumber, 7);
    EXPECT_EQ(info.antennaType, "CHOKE RING");
    EXPECT_EQ(info.measureMethod, 3);
    EXPECT_EQ(info.methodMask, 0x0B);
    EXPECT_DOUBLE_EQ(info.antennaRadius, 0.125);
    EXPECT_DOUBLE_EQ(info.antennaEdgeHeight, 0.033);
    EXPECT_DOUBLE_EQ(info.l1PhaseOffset, 0.0812);
    EXPECT_DOUBLE_EQ(info.l2PhaseOffset, 0.079);
    EXPECT_EQ(info.stationKind, 1);
    EXPECT_EQ(info.firmwareVersion, "4.10");
    EXPECT_EQ(info.markerName, "ABCD");
    EXPECT_EQ(info.sessionNumber, 3);
    EXPECT_EQ(info.receiverType, "RX-900");
    EXPECT_EQ(info.dataType, 1);
}

TEST_F(StaticHeaderTest, GeometryInTenthsOfMetresAndDegrees) {
    StaticHeaderFields f;
    f.geometryUnit = 0;
    f.radius = 2, f.edgeHeight = 1, f.l1Offset = 3, f.l2Offset = 4;
    f.latitude = 30.5, f.angleUnit = 9;
    HeaderInfo info;
    ASSERT_TRUE(ReadStaticHeader(Write(f), info));
    EXPECT_DOUBLE_EQ(info.antennaRadius, 0.2);
    EXPECT_DOUBLE_EQ(info.l2PhaseOffset, 0.4);
    EXPECT_DOUBLE_EQ(info.latitude, 30.5);
}

TEST(StaticHeaderText, ReceiverNumberOfIdentification) {
    const struct {
        const char* text;
        const char* number;
    } cases[] = {
        {"QVT-GPS :A-12 34V1.0", "A1234"},
        {"QVT-GPS :1234567V2", "1234567"},
        {"QVT-GPS : 12V", "12"},    // the kept first blank is trimmed
        {"QVT-GPS :-1.2V", "-12"},  // the first character stays whatever it is
        {"QVT-GPS :X\xB0\xFF"
         "9V",
         "X9"},                 // bytes 0x80..0xFF count as negative
        {"QVT-GPS :123", ""},   // ":" without "V"
        {"QVT-GPS 123V1", ""},  // no ":"
        {"QVT-GPS :V1", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ReceiverNumberOf(c.text), c.number) << c.text;
    EXPECT_EQ(TrimField(" \nX Y\n "), "X Y");
    EXPECT_EQ(TrimField("\n X\n"), " X");  // blanks first, then line feeds
    EXPECT_EQ(TrimField(" X \n"), "X ");
}

TEST_F(StaticHeaderTest, PointNameGivesMarkerAndSession) {
    const struct {
        const char* point;
        const char* marker;
        int session;
    } cases[] = {{"ABCD-3", "ABCD", 3},
                 {"ABCD", "ABCD", 1},
                 {"ABCD-0", "ABCD", 1},
                 {"AB", "AB", 1},
                 {"WXYZ_12x", "WXYZ", 12},
                 {"P1  -7", "P1", 7},
                 {"ABCD-99999999999999", "ABCD", 2147483647}};
    for (const auto& c : cases) {
        StaticHeaderFields f;
        f.pointName = c.point;
        HeaderInfo info;
        ASSERT_TRUE(ReadStaticHeader(Write(f), info));
        EXPECT_EQ(info.markerName, c.marker) << c.point;
        EXPECT_EQ(info.sessionNumber, c.session) << c.point;
    }
}

TEST_F(StaticHeaderTest, FormatCodes) {
    for (int code : {0, 1000, 1099, 1, 999, -1}) {
        StaticHeaderFields f;
        f.formatCode = static_cast<int16_t>(code);
        HeaderInfo info;
        EXPECT_EQ(ReadStaticHeader(Write(f), info), code == 0 || code == 1000 || code == 1099)
            << code;
    }
}

TEST_F(StaticHeaderTest, FileWithoutMagicIsSniffedFromTheStartAndDatedToday) {
    const std::string raw = SomeOemData() + std::string(600, '\0');
    HeaderInfo info;
    ASSERT_TRUE(ReadStaticHeader(dir.Write("raw.gps", raw), info));
    EXPECT_EQ(info.dataType, 1);
    int32_t y, m, d;
    TodayLocal(y, m, d);
    EXPECT_EQ(info.obsYear, y);
    EXPECT_EQ(info.obsMonth, m);
    EXPECT_EQ(info.obsDay, d);
    EXPECT_TRUE(info.markerName.empty());
}

TEST_F(StaticHeaderTest, FilesThatGiveNoDataType) {
    HeaderInfo info;
    EXPECT_FALSE(ReadStaticHeader("", info));
    EXPECT_FALSE(ReadStaticHeader(dir.File("missing.dat"), info));
    EXPECT_FALSE(ReadStaticHeader(dir.path(), info));                       // a folder
    EXPECT_FALSE(ReadStaticHeader(Write(StaticHeaderFields{}, ""), info));  // header only
    // Shorter than the header, even when it starts with the magic.
    const std::string header = testsupport::StaticHeaderBytes(StaticHeaderFields{});
    EXPECT_FALSE(ReadStaticHeader(dir.Write("short.dat", header.substr(0, 300)), info));
    EXPECT_FALSE(ReadStaticHeader(dir.Write("tiny.dat", SomeOemData()), info));
    EXPECT_EQ(info.dataType, 0);
}

TEST_F(StaticHeaderTest, PositionTooFarOutIsZeroed) {
    StaticHeaderFields f;
    f.height = 2e8f;
    HeaderInfo info;
    ASSERT_TRUE(ReadStaticHeader(Write(f), info));
    EXPECT_EQ(info.x, 0.0);
    EXPECT_EQ(info.y, 0.0);
    EXPECT_EQ(info.z, 0.0);
    f.height = 10.0f;
    f.latitude = std::nan("");
    ASSERT_TRUE(ReadStaticHeader(Write(f), info));
    EXPECT_EQ(info.x, 0.0);
    EXPECT_EQ(info.z, 0.0);
}

TEST(GeodeticToEcef, AxesAndRange) {
    const double b = 6356752.314140347;  // GRS 80 semi-minor axis
    std::array<double, 6> block{0, 0, 0, 1, 1, 1};
    GeodeticToEcef(block);
    EXPECT_NEAR(block[3], 6378137.0, 1e-6);
    EXPECT_NEAR(block[4], 0.0, 1e-6);
    EXPECT_NEAR(block[5], 0.0, 1e-6);
    block = {0, 90, 100, 0, 0, 0};
    GeodeticToEcef(block);
    EXPECT_NEAR(block[3], 0.0, 1e-6);
    EXPECT_NEAR(block[4], 6378237.0, 1e-6);
    block = {90, 0, 0, 0, 0, 0};
    GeodeticToEcef(block);
    EXPECT_NEAR(block[5], b, 1e-3);
    block = {-90, 0, -10, 0, 0, 0};
    GeodeticToEcef(block);
    EXPECT_NEAR(block[5], -(b - 10), 1e-3);
    for (auto bad : {std::array<double, 6>{90.001, 0, 0, 5, 5, 5},
                     {-90.001, 0, 0, 5, 5, 5},
                     {0, 360.1, 0, 5, 5, 5},
                     {0, -360.1, 0, 5, 5, 5}}) {
        GeodeticToEcef(bad);
        EXPECT_EQ(bad[3], 0.0);
        EXPECT_EQ(bad[4], 0.0);
        EXPECT_EQ(bad[5], 0.0);
    }
}

TEST(AntennaHeight, FormulaByKindAndMethod) {
    const double R = 0.1, H = 0.05, L1 = 0.08, L2 = 0.07;
    const double slant = std::sqrt(1.5 * 1.5 - R * R);
    const double tab = std::sqrt(1.5 * 1.5 - 0.12 * 0.12);
    const struct {
        int kind, method, toPhase;
        double h, expected;
    } cases[] = {
        {1, 1, 0, 1.5, 1.4466629547},  // slant to edge, reduced to the bottom
        {1, 1, 1, 1.5, slant + L1},   {2, 1, 1, 1.5, slant + L1 - H},
        {2, 1, 0, 1.5, slant - H},    {1, 0, 1, 1.5, 1.5},
        {1, 0, 0, 1.5, 1.5 - H - L1}, {2, 0, 0, 1.5, 1.5 - L1},
        {1, 2, 1, 1.5, 1.5 + L1},     {2, 2, 1, 1.5, 1.5 + L1 - H},
        {1, 3, 1, 1.5, tab + H + L1}, {2, 3, 1, 1.5, tab + L1},
        {1, 3, 1, 0.1, H + L1},  // tab slant shorter than the tab radius: d3 = 0
        {1, 4, 1, 1.5, 1.5 + H + L1}, {2, 4, 0, 1.5, 1.5},
        {1, 1, 1, 0.05, L1},  // slant shorter than the radius: d = 0
        {0, 1, 1, 1.5, 0.0},  // unknown header kind
        {1, 5, 1, 1.5, 0.0},  // unknown method, also when reduced to the bottom:
        {1, 5, 0, 1.5, 0.0},          {1, -1, 0, 1.5, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(AntennaHeightFormula(c.kind, c.h, c.method, R, H, L1, L2, c.toPhase),
                    c.expected, 1e-9)
            << "kind " << c.kind << " method " << c.method << " phase " << c.toPhase;
    }
}

TEST_F(StaticHeaderTest, AntennaHeightOfAFileUsesItsFormatAndTenthMillimetres) {
    StaticHeaderFields f;
    f.formatCode = 1099;
    f.geometryUnit = 0;  // ignored here: geometry always in 0.1 mm
    f.radius = 1000, f.edgeHeight = 500, f.l1Offset = 800;
    const std::string path = Write(f);
    EXPECT_NEAR(ComputeAntennaHeight(path, 1.5, 2, 1), 1.5 + 0.08 - 0.05, 1e-12);
    f.formatCode = 1000;
    EXPECT_NEAR(ComputeAntennaHeight(Write(f), 1.5, 2, 1), 1.5 + 0.08, 1e-12);
    f.formatCode = 7;
    EXPECT_EQ(ComputeAntennaHeight(Write(f), 1.5, 2, 1), 0.0);
    EXPECT_EQ(ComputeAntennaHeight(dir.File("missing"), 1.5, 2, 1), 0.0);
    EXPECT_EQ(ComputeAntennaHeight("", 1.5, 2, 1), 0.0);
    const std::string header = testsupport::StaticHeaderBytes(StaticHeaderFields{});
    EXPECT_EQ(ComputeAntennaHeight(dir.Write("short", header.substr(0, 199)), 1.5, 2, 1), 0.0);
    EXPECT_NEAR(ComputeAntennaHeight(dir.Write("part", header.substr(0, 200)), 1.5, 2, 1),
                1.5 + 0.08, 1e-12);
    f.magic = false;
    f.formatCode = 0;
    EXPECT_EQ(ComputeAntennaHeight(Write(f), 1.5, 2, 1), 0.0);
}

TEST_F(StaticHeaderTest, GetStaticHeadExport) {
    StaticHeaderFields f;
    f.year = 2019, f.month = 5, f.day = 29;
    int y = -1, m = -1, d = -1;
    EXPECT_EQ(GetStaticHead(Write(f).c_str(), &y, &m, &d), 1);
    EXPECT_EQ(y, 2019);
    EXPECT_EQ(m, 5);
    EXPECT_EQ(d, 29);

    y = m = d = -1;
    EXPECT_EQ(GetStaticHead(dir.File("missing").c_str(), &y, &m, &d), 0);
    EXPECT_EQ(y, -1);  // untouched
    // A folder cannot be opened as a file: also a failure that leaves the outputs alone.
    EXPECT_EQ(GetStaticHead(dir.File("").c_str(), &y, &m, &d), 0);
    EXPECT_EQ(y, -1);
    EXPECT_EQ(GetStaticHead(nullptr, &y, &m, &d), 0);
    EXPECT_EQ(GetStaticHead("", &y, &m, &d), 0);
    EXPECT_EQ(GetStaticHead(Write(f).c_str(), nullptr, &m, &d), 0);
    EXPECT_EQ(y, -1);

    f.magic = false;
    int32_t ty, tm, td;
    TodayLocal(ty, tm, td);
    EXPECT_EQ(GetStaticHead(Write(f).c_str(), &y, &m, &d), 0);
    EXPECT_EQ(y, ty);
    EXPECT_EQ(m, tm);
    EXPECT_EQ(d, td);
}

// Control characters in the header's text fields become blanks before they can reach a
// fixed-column RINEX header line.
TEST_F(StaticHeaderTest, ControlCharactersInTextFieldsBecomeBlanks) {
    StaticHeaderFields f;
    f.pointName = "AB\nC-2";
    f.receiverType = "RX\r\n900";
    f.antennaType = "CHOKE\tRING\x7f";
    f.firmwareVersion = "4.1\x1b[0";
    HeaderInfo info;
    ASSERT_TRUE(ReadStaticHeader(Write(f), info));
    EXPECT_EQ(info.markerName, "AB C");
    EXPECT_EQ(info.sessionNumber, 2);
    EXPECT_EQ(info.receiverType, "RX  900");
    EXPECT_EQ(info.antennaType, "CHOKE RING");
    EXPECT_EQ(info.firmwareVersion, "4.1 [0");
    for (const std::string& text :
         {info.markerName, info.receiverType, info.antennaType, info.firmwareVersion}) {
        for (char c : text) EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << text;
    }
}
