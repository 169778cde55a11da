#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "core/convert.h"
#include "core/gnss_time.h"
#include "kestrin/kestrin.h"
#include "support/frames.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

using namespace kestrin;
namespace ts = testsupport;

TEST(OptionWord, FlavourIntervalAndFlags) {
    ConvertOptions o;
    UnpackOptionWord(KESTRIN_OPTION_WORD(10, 2, 0x3F | KESTRIN_OPT_SINGLE_FREQUENCY), o);
    EXPECT_EQ(o.rinex3, 1);
    EXPECT_EQ(o.leica, 0);
    EXPECT_EQ(o.brevak, 0);
    EXPECT_DOUBLE_EQ(o.interval, 0.2);
    EXPECT_EQ(o.singleFrequency, 1);
    EXPECT_EQ(o.systemMask, 63);
    EXPECT_EQ(o.writeLli, 0);
    EXPECT_EQ(o.phaseCenter, 0);
    EXPECT_EQ(o.ionoCorrections, 0);
    EXPECT_EQ(o.mixedV302, 0);
    EXPECT_EQ(o.reserved13, 0);

    UnpackOptionWord(KESTRIN_OPTION_WORD(1, 0, 0xFFFF), o);  // every flag, bits 6, 7, 14, 15 too
    EXPECT_EQ(o.systemMask, 63);
    EXPECT_EQ(o.phaseCenter, 1);
    EXPECT_EQ(o.ionoCorrections, 1);
    EXPECT_EQ(o.mixedV302, 1);
    EXPECT_EQ(o.writeLli, 1);
    EXPECT_EQ(o.reserved13, 1);
    EXPECT_EQ(o.interval, 0.0);

    UnpackOptionWord(KESTRIN_OPTION_WORD(0, 0, KESTRIN_OPT_MIXED_V302 | 0x05), o);
    EXPECT_EQ(o.rinex3, 0);
    EXPECT_EQ(o.mixedV302, 0);  // RINEX 2.10 never uses long names
    EXPECT_EQ(o.systemMask, 0x05);
}

TEST(OptionWord, FlavourTable) {
    const struct {
        int flavour, rinex3, leica, brevak;
    } cases[] = {{0, 0, 0, 0}, {1, 1, 0, 0}, {2, 1, 1, 0},  {3, 0, 0, 1},
                 {4, 1, 0, 1}, {5, 1, 0, 0}, {255, 1, 0, 0}};
    for (const auto& c : cases) {
        ConvertOptions o;
        UnpackOptionWord(KESTRIN_OPTION_WORD(c.flavour, 0, KESTRIN_OPT_MIXED_V302), o);
        EXPECT_EQ(o.rinex3, c.rinex3) << c.flavour;
        EXPECT_EQ(o.leica, c.leica) << c.flavour;
        EXPECT_EQ(o.brevak, c.brevak) << c.flavour;
        EXPECT_EQ(o.mixedV302, c.rinex3) << c.flavour;
    }
}

TEST(OptionWord, IntervalCodes) {
    const double expected[] = {0, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 20, 30, 60, 0};
    for (int code = 0; code <= 12; ++code) {
        ConvertOptions o;
        UnpackOptionWord(KESTRIN_OPTION_WORD(1, code, 0), o);
        EXPECT_DOUBLE_EQ(o.interval, expected[code]) << code;
    }
    EXPECT_EQ(IntervalOfCode(255), 0.0);
    EXPECT_EQ(IntervalOfCode(-1), 0.0);
}

TEST(InputPath, TitleAndLeapTableBesideTheInput) {
    const struct {
        const char* path;
        const char* title;
        const char* leap;
    } cases[] = {
        {"/data/site.01.dat", "site.01", "/data/leap.sec"},
        {"C:\\data\\site.01.dat", "site.01", "C:\\data\\leap.sec"},
        {"/data\\sub/x.dat", "x", "/data\\sub/leap.sec"},
        {"/data/noext", "noext", "/data/leap.sec"},
        {"site.dat", "", ""},
        {"/site.dat", "site", "/leap.sec"},
    };
    for (const auto& c : cases) {
        const InputLocation l = LocateInput(c.path);
        EXPECT_EQ(l.fileTitle, c.title) << c.path;
        EXPECT_EQ(l.leapTablePath, c.leap) << c.path;
    }
}

TEST(InputPath, ExistingNamesAreFoundWhateverTheirCase) {
    ts::TempDir dir;
    dir.Write("LEAP.SEC", "x");
    dir.Write("Leap.sec", "y");
    EXPECT_EQ(FindExistingPath(dir.File("leap.sec")), dir.File("LEAP.SEC"));  // name order
    dir.Write("leap.sec", "z");
    EXPECT_EQ(FindExistingPath(dir.File("leap.sec")), dir.File("leap.sec"));  // exact first
    EXPECT_EQ(FindExistingPath(dir.File("none.sec")), dir.File("none.sec"));
    EXPECT_EQ(FindExistingPath(dir.File("nofolder/leap.sec")), dir.File("nofolder/leap.sec"));
}

TEST(Dispatch, DataTypesWithDecoders) {
    EXPECT_EQ(DecoderFor(9), DecoderKind::kRt17);
    for (int t : {1, 2, 6}) EXPECT_EQ(DecoderFor(t), DecoderKind::kOem);
    EXPECT_EQ(DecoderFor(4), DecoderKind::kHemisphere);
    EXPECT_EQ(DecoderFor(3), DecoderKind::kMulx);
    EXPECT_EQ(DecoderFor(7), DecoderKind::kRtcm3);
    EXPECT_EQ(DecoderFor(8), DecoderKind::kBinex);
    EXPECT_EQ(DecoderFor(10), DecoderKind::kUbx);
    for (int t : {0, 5, 11, 14, -1}) EXPECT_EQ(DecoderFor(t), DecoderKind::kNone);
}

namespace {

class ConvertTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetLeapTable(); }
    void TearDown() override { ResetLeapTable(); }

    // Runs all three conversion exports on the path; returns their results summed.
    int ConvertAll(const char* path) {
        const char* out = output.path().c_str();
        int32_t year = 2020;
        return ParseDataToRinexFormat(path, out, KESTRIN_OPTION_WORD(1, 4, 0x3F), nullptr) +
               ConvertDataToRinexFormat(path, out, 1, 0, 0, 1, 63, 1, 0, &year, 1.0) +
               ConvertDataToRinexFormat_CSharp(path, out, 0, 0, 1, 1, 0x13F, 0, 1, 30.0);
    }

    ts::TempDir input, output;
};

}  // namespace

TEST_F(ConvertTest, BadInputFailsAndWritesNothing) {
    ts::StaticHeaderFields unknownCode;
    unknownCode.formatCode = 42;
    // Well-framed OEM logs of a kind that carries no observations.
    const std::string frames = ts::OemFrame(2239, std::string(40, 'a'));
    std::string random(5000, '\0');
    for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>(i * 7919 % 251);
    const std::string header = ts::StaticHeaderBytes({});
    const std::string paths[] = {
        "",
        input.File("missing.dat"),
        input.path(),
        input.Write("short.dat", header.substr(0, 511)),
        ts::WriteStaticFile(input.path(), "code.dat", unknownCode, frames + frames),
        input.Write("random.dat", random),
        ts::WriteStaticFile(input.path(), "header.dat", {}, ""),
        // Recognised data with nothing to convert.
        ts::WriteStaticFile(input.path(), "oem.dat", {}, frames + frames),
    };
    for (const std::string& path : paths) EXPECT_EQ(ConvertAll(path.c_str()), 0) << path;
    EXPECT_EQ(ConvertAll(nullptr), 0);
    EXPECT_EQ(ParseDataToRinexFormat(paths[7].c_str(), nullptr, 0, nullptr), 0);
    EXPECT_TRUE(output.Entries().empty());
    EXPECT_EQ(input.Entries().size(), 5u);  // nothing added beside the inputs
}

TEST_F(ConvertTest, LeapTableBesideTheInputIsLoadedEvenWhenTheConversionFails) {
    input.Write("Leap.Sec", "2031 1 1 0 0 0 -19\n");
    const std::string path = ts::WriteStaticFile(input.path(), "site.dat", {}, "");
    EXPECT_EQ(ConvertAll(path.c_str()), 0);
    EXPECT_EQ(CurrentLeapTable()[0], (LeapRow{2031, 1, 1, 0, 0, 0, -19}));
    // A later conversion from a folder without a table keeps the loaded one.
    const std::string other = ts::WriteStaticFile(output.path(), "x.dat", {}, "");
    EXPECT_EQ(ParseDataToRinexFormat(other.c_str(), "", 0, nullptr), 0);
    EXPECT_EQ(CurrentLeapTable()[0].year, 2031);
}

TEST_F(ConvertTest, PathWithoutSeparatorReadsNoLeapTable) {
    input.Write("leap.sec", "2031 1 1 0 0 0 -19\n");
    ts::WriteStaticFile(input.path(), "site.dat", {}, "");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(input.path().c_str()), 0);
    const int result =
        ParseDataToRinexFormat("site.dat", "", KESTRIN_OPTION_WORD(1, 0, 0x3F), nullptr);
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(CurrentLeapTable(), BuiltInLeapTable());
}
