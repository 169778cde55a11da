#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>

#include "baldorn/baldorn.h"
#include "coords/coordinate.h"
#include "test_files.h"

using baldorn_test::HeaderLine;
using baldorn_test::ReadAll;
using baldorn_test::TempDir;

namespace {

const double kXyz[3] = {-3976219.5082, 3382372.5671, 3652512.9849};
const std::string kNewRecord =
    " -3976219.5082  3382372.5671  3652512.9849                  APPROX POSITION XYZ ";

std::string Header(const std::string& approxLine, const std::string& eol = "\n") {
    auto line = [&eol](std::string text) {
        text.pop_back();  // drop the "\n" of HeaderLine
        return text + eol;
    };
    return line(HeaderLine("     2.10           OBSERVATION DATA    G (GPS)",
                           "RINEX VERSION / TYPE")) +
           line(HeaderLine("0759", "MARKER NAME")) + approxLine + eol +
           line(HeaderLine("        0.0000        0.0000        0.0000", "ANTENNA: DELTA H/E/N")) +
           line(HeaderLine("", "END OF HEADER")) + " 05  4  2  0  0  0.0000000  0  1G03" + eol +
           "  23000000.000" + eol;
}

std::string OldRecord(size_t width) {
    std::string text =
        "        1.0000        2.0000        3.0000                  APPROX POSITION XYZ";
    text.resize(width, ' ');
    return text;
}

}  // namespace

TEST(ModifyStationCoord, RinexHeaderRecordOfAnyWidth) {
    struct Case {
        size_t width;
        const char* eol;
    } cases[] = {{80, "\n"}, {80, "\r\n"}, {79, "\n"}, {60 + 19, "\r\n"}, {95, "\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        TempDir dir;
        const std::string before = Header(OldRecord(c.width), c.eol);
        const std::string path = dir.Write("site0920.05o", before);
        ASSERT_EQ(ModifyStationCoord(path.c_str(), kXyz), 1);
        const std::string after = ReadAll(path);
        EXPECT_EQ(after, Header(kNewRecord, c.eol));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1);  // no temporary file left behind
    }
}

// Overlong lines: past the header a rewrite copies them whole; within what would be the header
// a line longer than 64 KiB marks a file that is no observation file, and it is left alone.
// Both ways of writing the record (in place for 80 columns, a rewrite otherwise) update the
// file a symbolic link points to and leave the link a link.
TEST(ModifyStationCoord, FollowsSymbolicLinks) {
    for (size_t width : {size_t{80}, size_t{79}}) {
        SCOPED_TRACE(width);
        TempDir dir;
        const std::string target = dir.Write("site0920.05o", Header(OldRecord(width)));
        const std::string link = dir.path() + "/link0920.05o";
        std::filesystem::create_symlink(target, link);
        ASSERT_EQ(ModifyStationCoord(link.c_str(), kXyz), 1);
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(ReadAll(target), Header(kNewRecord));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  2);
    }
}

TEST(ModifyStationCoord, RinexFilesWithOverlongLines) {
    TempDir dir;
    const std::string body(200000, '7');
    const std::string rewritten = dir.Write("long0920.05o", Header(OldRecord(95)) + body);
    ASSERT_EQ(ModifyStationCoord(rewritten.c_str(), kXyz), 1);
    EXPECT_EQ(ReadAll(rewritten), Header(kNewRecord) + body);

    const std::string noHeader =
        std::string(100000, ' ') + "APPROX POSITION XYZ\n" + HeaderLine("", "END OF HEADER");
    const std::string refused = dir.Write("huge0920.05o", noHeader);
    EXPECT_EQ(ModifyStationCoord(refused.c_str(), kXyz), 0);
    EXPECT_EQ(ReadAll(refused), noHeader);
}

TEST(ModifyStationCoord, RinexHeadersWithoutRecordOrEnd) {
    TempDir dir;
    std::string noRecord = Header(HeaderLine("", "COMMENT").substr(0, 80));
    const std::string p1 = dir.Write("a.05O", noRecord);
    EXPECT_EQ(ModifyStationCoord(p1.c_str(), kXyz), 1);
    EXPECT_EQ(ReadAll(p1), noRecord);

    std::string noEnd = Header(OldRecord(80));
    noEnd.erase(noEnd.find(HeaderLine("", "END OF HEADER")), 81);
    const std::string p2 = dir.Write("b.05o", noEnd);
    EXPECT_EQ(ModifyStationCoord(p2.c_str(), kXyz), 0);
    EXPECT_EQ(ReadAll(p2), noEnd);  // an unreadable header is left as it was

    // Records after the end of the header are data, not header records.
    const std::string late = Header(OldRecord(80)) + OldRecord(80) + "\n";
    const std::string p3 = dir.Write("c.05o", late);
    ASSERT_EQ(ModifyStationCoord(p3.c_str(), kXyz), 1);
    EXPECT_EQ(ReadAll(p3), Header(kNewRecord) + OldRecord(80) + "\n");

    // A coordinate too large for its 14 columns would widen the record: refused.
    const double huge[3] = {1e12, 0, 0};
    const std::string p4 = dir.Write("d.05o", Header(OldRecord(80)));
    EXPECT_EQ(ModifyStationCoord(p4.c_str(), huge), 0);
    EXPECT_EQ(ReadAll(p4), Header(OldRecord(80)));
    const double nan[3] = {std::nan(""), 0, 0};
    EXPECT_EQ(ModifyStationCoord(p4.c_str(), nan), 0);

    EXPECT_EQ(ModifyStationCoord("", kXyz), 0);
    EXPECT_EQ(ModifyStationCoord(nullptr, kXyz), 0);
    EXPECT_EQ(ModifyStationCoord(dir.File("missing.05o").c_str(), kXyz), 0);
}

namespace {

std::string StaticFile(unsigned char degreesFlag) {
    std::string bytes(600, '\x5a');
    std::memcpy(bytes.data(), "QVT-GPS ", 8);
    bytes[104] = static_cast<char>(degreesFlag);
    return bytes;
}

template <typename T>
T At(const std::string& bytes, size_t offset) {
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

}  // namespace

TEST(ModifyStationCoord, StaticFileHeaderPosition) {
    const baldorn::Geodetic g = baldorn::CCoordinate::XyzToBlh({kXyz[0], kXyz[1], kXyz[2]});
    const double centre[3] = {10, 20, 30};
    struct Expect {
        unsigned char flag;
        const double* xyz;
        double lat, lon;
        float h;
    } cases[] = {
        {0, kXyz, g.latitude, g.longitude, static_cast<float>(g.height)},
        {1, kXyz, g.latitude * 180 / baldorn::kPi, g.longitude * 180 / baldorn::kPi,
         static_cast<float>(g.height)},
        {0, centre, baldorn::kPi, 2 * baldorn::kPi, -6378138.0f},
        {1, centre, 180.0, 360.0, -6378138.0f},
    };
    for (const Expect& c : cases) {
        TempDir dir;
        const std::string before = StaticFile(c.flag);
        const std::string path = dir.Write("SITE0920.STH", before);
        ASSERT_EQ(ModifyStationCoord(path.c_str(), c.xyz), 1);
        const std::string after = ReadAll(path);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_NEAR(At<double>(after, 80), c.lat, 1e-12);
        EXPECT_NEAR(At<double>(after, 88), c.lon, 1e-12);
        EXPECT_EQ(At<float>(after, 96), c.h);
        // Everything outside the 20 position bytes is untouched.
        EXPECT_EQ(after.substr(0, 80), before.substr(0, 80));
        EXPECT_EQ(after.substr(100), before.substr(100));
    }
    EXPECT_NEAR(g.height, 70, 50);  // station 0759 lies a few tens of metres up

    TempDir dir;
    std::string unsigned_ = StaticFile(0);
    unsigned_[0] = 'X';
    const std::string path = dir.Write("bad.dat", unsigned_);
    EXPECT_EQ(ModifyStationCoord(path.c_str(), kXyz), 0);
    EXPECT_EQ(ReadAll(path), unsigned_);
    EXPECT_EQ(ModifyStationCoord(dir.Write("short.dat", "QVT").c_str(), kXyz), 0);
}

// A static file is left byte for byte as it was when its header is incomplete or the
// coordinate cannot be stored in its fields.
TEST(ModifyStationCoord, StaticFileRefusals) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double far[3] = {1e200, 0, 1e200};
    const double notANumber[3] = {nan, 0, 0};
    const double infinite[3] = {kXyz[0], inf, kXyz[2]};
    struct Case {
        const char* name;
        std::string bytes;
        const double* xyz;
    } cases[] = {
        {"header cut before the position", StaticFile(0).substr(0, 90), kXyz},
        {"header cut after the position", StaticFile(0).substr(0, 300), kXyz},
        {"height beyond a float", StaticFile(0), far},
        {"not a number", StaticFile(1), notANumber},
        {"infinite", StaticFile(0), infinite},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.Write("SITE0920.STH", c.bytes);
        EXPECT_EQ(ModifyStationCoord(path.c_str(), c.xyz), 0) << c.name;
        EXPECT_EQ(ReadAll(path), c.bytes) << c.name;
    }
}
