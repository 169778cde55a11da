#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tollmere::cli {
namespace {

constexpr int32_t kDefaultWord = 16782911;

int32_t WordOf(const std::vector<std::string>& options) {
    std::vector<std::string> args = options;
    args.push_back("input.dat");
    const ParseResult parsed = ParseConvertArguments(args);
    EXPECT_EQ(parsed.error, "") << ::testing::PrintToString(options);
    return OptionWord(parsed.command.choices);
}

TEST(CliOptionWord, DefaultsAreTheDialogDefaults) {
    EXPECT_EQ(OptionWord(ConvertChoices{}), kDefaultWord);
    EXPECT_EQ(WordOf({}), kDefaultWord);
}

TEST(CliOptionWord, EachOptionSetsTheBitsOfItsControl) {
    struct Case {
        std::vector<std::string> options;
        int32_t word;
    };
    const Case cases[] = {
        {{"--single-freq"}, kDefaultWord | 0x100},
        {{"--no-phase-center"}, kDefaultWord & ~0x200},
        {{"--no-iono"}, kDefaultWord & ~0x400},
        {{"--no-lli"}, kDefaultWord & ~0x1000},
        {{"--mixed"}, kDefaultWord | 0x800},
        {{"--position"}, kDefaultWord | 0x2000},
        // Running options leave the word alone.
        {{"--jobs", "4", "--json"}, kDefaultWord},
        // Mixed names exist only for the RINEX 3 entries of the version list.
        {{"--format", "rinex2.10", "--mixed"}, 0x0000163F},
        {{"--format=leica3.02", "--mixed"}, 0x02001E3F},
        {{"--format", "brevak2.10", "--mixed"}, 0x0300163F},
        {{"--format", "Brevak3.02", "--mixed"}, 0x04001E3F},
        {{"--format", "RINEX3.02"}, kDefaultWord},
        {{"--interval", "auto"}, kDefaultWord},
        {{"--interval", "10hz"}, kDefaultWord | (1 << 16)},
        {{"--interval", "5Hz"}, kDefaultWord | (2 << 16)},
        {{"--interval", "2hz"}, kDefaultWord | (3 << 16)},
        {{"--interval", "1hz"}, kDefaultWord | (4 << 16)},
        {{"--interval", "2"}, kDefaultWord | (5 << 16)},
        {{"--interval", "5"}, kDefaultWord | (6 << 16)},
        {{"--interval", "10"}, kDefaultWord | (7 << 16)},
        {{"--interval", "15"}, kDefaultWord | (8 << 16)},
        {{"--interval", "20"}, kDefaultWord | (9 << 16)},
        {{"--interval=30s"}, kDefaultWord | (10 << 16)},
        {{"--interval", "60"}, kDefaultWord | (11 << 16)},
        {{"--interval", "0.1"}, kDefaultWord | (1 << 16)},
        {{"--interval", "0.2s"}, kDefaultWord | (2 << 16)},
        {{"--interval", "0.5"}, kDefaultWord | (3 << 16)},
        {{"--interval", "1"}, kDefaultWord | (4 << 16)},
        {{"--interval", "1s"}, kDefaultWord | (4 << 16)},
        {{"--systems", "G"}, (kDefaultWord & ~0x3F) | 0x01},
        {{"--systems", "R"}, (kDefaultWord & ~0x3F) | 0x02},
        {{"--systems", "C"}, (kDefaultWord & ~0x3F) | 0x04},
        {{"--systems", "S"}, (kDefaultWord & ~0x3F) | 0x08},
        {{"--systems", "J"}, (kDefaultWord & ~0x3F) | 0x10},
        {{"--systems", "E"}, (kDefaultWord & ~0x3F) | 0x20},
        {{"--systems", "gree"}, (kDefaultWord & ~0x3F) | 0x23},
        // Everything off that can be switched off, RINEX 2.10 at 30 s, GPS only.
        {{"--format", "rinex2.10", "--interval", "30", "--systems", "G", "--single-freq",
          "--no-phase-center", "--no-iono", "--no-lli"},
         0x000A0101},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WordOf(c.options), c.word) << ::testing::PrintToString(c.options);
    }
}

TEST(CliOptionWord, MixedWithRinex2IsDroppedWithAWarning) {
    const ParseResult parsed = ParseConvertArguments({"--mixed", "--format", "rinex2.10", "x"});
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.command.warnings.size(), 1u);
    EXPECT_NE(parsed.command.warnings[0].find("--mixed"), std::string::npos);
    EXPECT_TRUE(ParseConvertArguments({"--mixed", "x"}).command.warnings.empty());
}

TEST(CliArguments, OutputFolderAndInputsInAnyOrder) {
    const ParseResult parsed =
        ParseConvertArguments({"a.dat", "-o", "out", "b", "--output=/x/y", "--", "-c.dat"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.command.outputFolder, "/x/y");
    EXPECT_EQ(parsed.command.inputs, (std::vector<std::string>{"a.dat", "b", "-c.dat"}));
}

TEST(CliArguments, UsageErrorsSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{}, "no input"},
        {{"-o", "out"}, "no input"},
        {{"x", "-o"}, "-o needs a value"},
        {{"x", "--format", "rinex4"}, "unknown format \"rinex4\""},
        {{"x", "--interval", "3"}, "unknown interval \"3\""},
        {{"x", "--interval", "autos"}, "unknown interval"},
        {{"x", "--interval", "10hzs"}, "unknown interval"},
        {{"x", "--interval", "0.3"}, "unknown interval"},
        {{"x", "--systems", "GX"}, "GRCSJE"},
        {{"x", "--systems="}, "GRCSJE"},
        {{"x", "--frobnicate"}, "unknown option --frobnicate"},
        {{"x", "--mixed=1"}, "--mixed takes no value"},
    };
    for (const Case& c : cases) {
        const ParseResult parsed = ParseConvertArguments(c.args);
        EXPECT_NE(parsed.error.find(c.message), std::string::npos)
            << ::testing::PrintToString(c.args) << " gave \"" << parsed.error << "\"";
    }
}

TEST(CliArguments, HelpDocumentsEveryOptionAndValue) {
    EXPECT_TRUE(ParseConvertArguments({"--help"}).command.help);
    const std::string help = HelpText();
    for (const char* option :
         {"-o,", "--format", "--interval", "--systems", "--single-freq", "--no-phase-center",
          "--no-iono", "--mixed", "--no-lli", "header", "16782911", "Exit status"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    for (const char* name : kFormatNames) EXPECT_NE(help.find(name), std::string::npos) << name;
    for (const char* name : kIntervalNames) EXPECT_NE(help.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace tollmere::cli
