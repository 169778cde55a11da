#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "kestrin/kestrin.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ReadFile;
using testsupport::StaticHeaderBytes;
using testsupport::StaticHeaderFields;
using testsupport::TempDir;

std::string Board(size_t n) {
    std::string data(n, '\0');
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<char>(i * 7 + 3);
    return data;
}

void Put16(std::string& bytes, size_t at, int value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& bytes, size_t at, int32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
}

int16_t Get16(const std::string& bytes, size_t at) {
    return static_cast<int16_t>(static_cast<uint8_t>(bytes[at]) |
                                (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

TEST(StaticEdits, AntennaHeightTruncatesAndTouchesOnlyItsField) {
    TempDir dir;
    const std::string original = StaticHeaderBytes({}) + Board(3000);
    const std::string path = dir.Write("a.dat", original);
    ASSERT_EQ(ModifyAntennaHeight(path.c_str(), 1.9999), 1);
    std::string expected = original;
    Put16(expected, 105, 1999);
    EXPECT_EQ(ReadFile(path), expected);
    ASSERT_EQ(ModifyAntennaHeight(path.c_str(), -0.0125), 1);
    EXPECT_EQ(Get16(ReadFile(path), 105), -12);
}

TEST(StaticEdits, AntennaSetupRoundsCutsTheNameAndTouchesOnlyItsFields) {
    TempDir dir;
    StaticHeaderFields fields;
    fields.formatCode = 1000;
    const std::string original = StaticHeaderBytes(fields) + Board(2000);
    const std::string path = dir.Write("a.dat", original);
    ASSERT_EQ(ModifyAnteHeightInfo(path.c_str(), "ABCDEFGHIJ", 0x103, 1.9999), 1);
    std::string expected = original;
    Put16(expected, 53, 1099);
    Put16(expected, 105, 2000);
    // The offsets counted from the edge (H = 500) now count from the bottom: 800 + 500, 700 + 500.
    Put32(expected, 155, 1300);
    Put32(expected, 159, 1200);
    expected[145] = 3;
    expected.replace(181, 20, std::string("ABCDEFGH") + std::string(12, '\0'));
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(StaticEdits, FileTimesWriteOnlyTheGivenTexts) {
    TempDir dir;
    const std::string original = StaticHeaderBytes({}) + Board(600);
    const std::string path = dir.Write("a.dat", original);
    ASSERT_EQ(ModifyFileTime(path.c_str(), "", "10:11:12"), 1);
    std::string expected = original;
    expected.replace(115, 8, "10:11:12");
    EXPECT_EQ(ReadFile(path), expected);
    // A short text is padded with zero bytes, a long one cut at 8; null is an empty text.
    ASSERT_EQ(ModifyFileTime(path.c_str(), "7:05", nullptr), 1);
    expected.replace(107, 8, std::string("7:05") + std::string(4, '\0'));
    EXPECT_EQ(ReadFile(path), expected);
    ASSERT_EQ(ModifyFileTime(path.c_str(), "01:02:03.5", ""), 1);
    expected.replace(107, 8, "01:02:03");
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(StaticEdits, ShortFilesAndFilesWithoutMagic) {
    TempDir dir;
    const std::string header = StaticHeaderBytes({});
    // 300 bytes: the time and setup edits apply, the height edit needs the whole header.
    const std::string short300 = dir.Write("s.dat", header.substr(0, 300));
    EXPECT_EQ(ModifyAntennaHeight(short300.c_str(), 2.0), 0);
    EXPECT_EQ(ReadFile(short300), header.substr(0, 300));
    EXPECT_EQ(ModifyFileTime(short300.c_str(), "01:00:00", ""), 1);
    EXPECT_EQ(ReadFile(short300).substr(107, 8), "01:00:00");
    EXPECT_EQ(ModifyAnteHeightInfo(short300.c_str(), "PT", 2, 1.5), 1);
    EXPECT_EQ(Get16(ReadFile(short300), 105), 1500);

    // 200 bytes: the point name field runs one byte past the end; the file does not grow.
    const std::string short200 = dir.Write("t.dat", header.substr(0, 200));
    EXPECT_EQ(ModifyAnteHeightInfo(short200.c_str(), "ABCDEFGH", 2, 1.5), 1);
    const std::string after200 = ReadFile(short200);
    ASSERT_EQ(after200.size(), 200u);
    EXPECT_EQ(after200.substr(181), "ABCDEFGH" + std::string(11, '\0'));

    // Without the magic the writers succeed and write nothing.
    StaticHeaderFields noMagic;
    noMagic.magic = false;
    const std::string plain = StaticHeaderBytes(noMagic) + Board(100);
    const std::string plainPath = dir.Write("p.dat", plain);
    EXPECT_EQ(ModifyAntennaHeight(plainPath.c_str(), 2.0), 1);
    EXPECT_EQ(ModifyFileTime(plainPath.c_str(), "01:00:00", "02:00:00"), 1);
    EXPECT_EQ(ModifyAnteHeightInfo(plainPath.c_str(), "X", 1, 1.0), 1);
    EXPECT_EQ(ReadFile(plainPath), plain);
}

TEST(StaticEdits, UnusableFilesAndHeightsFailAndChangeNothing) {
    TempDir dir;
    const std::string header = StaticHeaderBytes({});
    const std::string tiny = dir.Write("tiny.dat", header.substr(0, 199));
    const std::string empty = dir.Write("empty.dat", "");
    const std::string whole = dir.Write("whole.dat", header);
    const std::string folder = dir.File("folder");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string missing = dir.File("missing.dat");
    for (const std::string& path : {tiny, empty, folder, missing, std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ModifyAntennaHeight(path.c_str(), 1.0), 0);
        EXPECT_EQ(ModifyFileTime(path.c_str(), "01:00:00", "02:00:00"), 0);
        EXPECT_EQ(ModifyAnteHeightInfo(path.c_str(), "X", 1, 1.0), 0);
        double height = 9.0;
        EXPECT_EQ(AntMeasInfo(path.c_str(), &height), 0);
        EXPECT_EQ(height, 0.0);
        EXPECT_EQ(CorrectAntennaHgt(path.c_str(), 2, 1.0, 1), 0.0);
    }
    EXPECT_EQ(ModifyAntennaHeight(nullptr, 1.0), 0);
    EXPECT_EQ(ModifyFileTime(nullptr, "01:00:00", nullptr), 0);
    EXPECT_EQ(ModifyAnteHeightInfo(nullptr, nullptr, 1, 1.0), 0);
    EXPECT_EQ(AntMeasInfo(nullptr, nullptr), 0);
    EXPECT_EQ(ReadFile(tiny), header.substr(0, 199));
    EXPECT_EQ(ReadFile(empty), "");

    // Heights whose millimetres do not fit the 16-bit field are refused, not wrapped.
    for (double height : {40.0, -40.0, double(NAN), double(INFINITY)}) {
        EXPECT_EQ(ModifyAntennaHeight(whole.c_str(), height), 0) << height;
        EXPECT_EQ(ModifyAnteHeightInfo(whole.c_str(), "NEW", 2, height), 0) << height;
    }
    EXPECT_EQ(ModifyAntennaHeight(whole.c_str(), 32.767), 1);
    EXPECT_EQ(Get16(ReadFile(whole), 105), 32767);
    std::string expected = header;
    Put16(expected, 105, 32767);
    EXPECT_EQ(ReadFile(whole), expected);
}

TEST(StaticEdits, AntMeasInfoReadsMethodAndHeightWhateverTheFormatCode) {
    TempDir dir;
    StaticHeaderFields fields;
    fields.formatCode = 1099;
    fields.measureMethod = 3;
    fields.antennaHeightMm = -1234;
    double height = 0.0;
    const std::string path = dir.Write("a.dat", StaticHeaderBytes(fields));
    EXPECT_EQ(AntMeasInfo(path.c_str(), &height), 3);
    EXPECT_DOUBLE_EQ(height, -1.234);
    // 250 bytes are enough; the magic is not checked.
    fields.magic = false;
    fields.formatCode = 777;
    const std::string cut = dir.Write("b.dat", StaticHeaderBytes(fields).substr(0, 250));
    EXPECT_EQ(AntMeasInfo(cut.c_str(), &height), 3);
    EXPECT_DOUBLE_EQ(height, -1.234);
}

TEST(StaticEdits, AntennaHeightReductions) {
    const double slant = std::sqrt(1.5 * 1.5 - 0.1 * 0.1);
    EXPECT_NEAR(CalAntHgt(1, 1.5, 0.1, 0.05, 0.08, 0.0, 1), slant + 0.08 - 0.05, 1e-12);
    EXPECT_NEAR(CalAntHgt(1, 1.5, 0.1, 0.05, 0.08, 0.0, 0), slant - 0.05, 1e-12);
    EXPECT_NEAR(CalAntHgt(1, 1.5, 0.1, 0.05, 0.08, 0.0, 1), 1.52666295, 1e-8);
    EXPECT_EQ(CalAntHgt(9, 1.5, 0.1, 0.05, 0.08, 0.0, 1), 0.0);

    // The file's format code and geometry (0.1 mm units) decide the reduction.
    TempDir dir;
    StaticHeaderFields fields;
    fields.formatCode = 1000;
    fields.edgeHeight = 500;
    fields.l1Offset = 700;
    const std::string edge = dir.Write("e.dat", StaticHeaderBytes(fields));
    EXPECT_NEAR(CorrectAntennaHgt(edge.c_str(), 2, 1.2, 1), 1.27, 1e-12);
    fields.formatCode = 1099;
    const std::string bottom = dir.Write("b.dat", StaticHeaderBytes(fields));
    EXPECT_NEAR(CorrectAntennaHgt(bottom.c_str(), 2, 1.2, 1), 1.22, 1e-12);
}

// Re-saving the antenna setup keeps what the heights mean: the phase-centre and bottom heights
// reduced from the edited header equal those of the original header for the same measured
// height and method, also when the edit switches the offsets from the edge to the bottom.
TEST(StaticEdits, AntennaSetupKeepsTheReducedHeights) {
    struct Case {
        int16_t formatCode;
        uint8_t unit;
        int32_t radius, edge, l1, l2;
    };
    const Case cases[] = {
        {1000, 1, 1300, 500, 700, 600},  // 0.1 mm units: H 0.05 m, L1 0.07 m
        {0, 1, 1300, 500, 700, 600},     // format code 0 counts from the edge as well
        {1099, 1, 1300, 500, 1200, 1100},
        {1000, 2, 1, 1, 1, 1},  // 0.1 m units (read as 0.1 mm by the reduction)
        {1000, 1, 0, 0, 0, 0},  // no geometry
        {1099, 1, 0, 0, 0, 0},
        {1000, 1, 1650, -200, 650, 450},  // an edge below the bottom's plane
    };
    TempDir dir;
    int file = 0;
    for (const Case& c : cases) {
        for (int method = 0; method <= 4; ++method) {
            for (double height : {1.650, 1.702, 0.100}) {
                SCOPED_TRACE(testing::Message() << "format " << c.formatCode << " method " << method
                                                << " height " << height);
                StaticHeaderFields fields;
                fields.formatCode = c.formatCode;
                fields.geometryUnit = c.unit;
                fields.radius = c.radius;
                fields.edgeHeight = c.edge;
                fields.l1Offset = c.l1;
                fields.l2Offset = c.l2;
                fields.measureMethod = static_cast<uint8_t>(method);
                fields.antennaHeightMm = 1650;
                const std::string original = StaticHeaderBytes(fields) + Board(700);
                const std::string path = dir.Write("f" + std::to_string(file++) + ".dat", original);
                const double phase = CorrectAntennaHgt(path.c_str(), method, height, 1);
                const double bottom = CorrectAntennaHgt(path.c_str(), method, height, 0);
                ASSERT_EQ(ModifyAnteHeightInfo(path.c_str(), "ABCD", method, height), 1);
                EXPECT_NEAR(CorrectAntennaHgt(path.c_str(), method, height, 1), phase, 1e-4);
                EXPECT_NEAR(CorrectAntennaHgt(path.c_str(), method, height, 0), bottom, 1e-4);
                // Saving again changes nothing more.
                const std::string once = ReadFile(path);
                ASSERT_EQ(ModifyAnteHeightInfo(path.c_str(), "ABCD", method, height), 1);
                EXPECT_EQ(ReadFile(path), once);
                // Only the setup fields and the two offsets changed.
                for (size_t i = 0; i < original.size(); ++i) {
                    const bool named = i == 53 || i == 54 || i == 105 || i == 106 || i == 145 ||
                                       (i >= 155 && i < 163) || (i >= 181 && i < 201);
                    if (!named) {
                        EXPECT_EQ(once[i], original[i]) << i;
                    }
                }
            }
        }
    }
}

// The surveyor's case: a 1000 header, 1.650 m vertical to the edge, H 0.05 m, L1 0.07 m,
// reduces to 1.7200 m before and after saving; 52 mm more raise it by exactly 52 mm.
TEST(StaticEdits, AntennaSetupHeightChangeMovesTheReducedHeightByTheSameAmount) {
    TempDir dir;
    StaticHeaderFields fields;
    fields.formatCode = 1000;
    fields.edgeHeight = 500;
    fields.l1Offset = 700;
    fields.measureMethod = 2;
    fields.antennaHeightMm = 1650;
    const std::string path = dir.Write("a.dat", StaticHeaderBytes(fields));
    EXPECT_NEAR(CorrectAntennaHgt(path.c_str(), 2, 1.650, 1), 1.7200, 1e-9);
    ASSERT_EQ(ModifyAnteHeightInfo(path.c_str(), "ROOF", 2, 1.650), 1);
    EXPECT_NEAR(CorrectAntennaHgt(path.c_str(), 2, 1.650, 1), 1.7200, 1e-9);
    ASSERT_EQ(ModifyAnteHeightInfo(path.c_str(), "ROOF", 2, 1.702), 1);
    EXPECT_NEAR(CorrectAntennaHgt(path.c_str(), 2, 1.702, 1), 1.7720, 1e-9);
    EXPECT_NEAR(CorrectAntennaHgt(path.c_str(), 2, 1.702, 0), 1.702 - 0.05, 1e-9);
    // The height-only edit keeps the format code and offsets as they are.
    ASSERT_EQ(ModifyAntennaHeight(path.c_str(), 1.650), 1);
    EXPECT_NEAR(CorrectAntennaHgt(path.c_str(), 2, 1.650, 1), 1.7200, 1e-9);

    // Offsets whose recounted value would not fit are refused and nothing is written.
    fields.edgeHeight = INT32_MAX;
    fields.l1Offset = 1;
    const std::string huge = StaticHeaderBytes(fields);
    const std::string hugePath = dir.Write("h.dat", huge);
    EXPECT_EQ(ModifyAnteHeightInfo(hugePath.c_str(), "ROOF", 2, 1.650), 0);
    EXPECT_EQ(ReadFile(hugePath), huge);
}

}  // namespace
