// Golden end-to-end checks: every real receiver fixture of tests/data that the converter
// handles is wrapped in a static header, converted in the option sets that matter, and every
// output file is compared whole with its expected copy under tests/golden/<fixture>/<options>/.
// Only the "PGM / RUN BY / DATE" line (it carries the run date) and the release number of the
// "converted by Tollmere" comment are masked.
//
// After a reviewed change of the output, regenerate the expected files with
// tools/update_golden.sh (it runs these tests with TOLLMERE_UPDATE_GOLDEN=1).
// A new board format adds its fixtures with one row each in kFixtures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "kestrin/kestrin.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

struct Fixture {
    const char* name;       // folder under tests/golden
    const char* data;       // recording under tests/data
    const char* inputName;  // name of the static file (output names follow it)
    size_t bytes = 0;       // bytes of the recording used, 0 = all (keeps expected files small)
    int year = 2023, month = 9, day = 19;  // observation date of the static header
};

// One row per real recording.
const Fixture kFixtures[] = {
    {"oemv_head", "novatel/oemv_200911218_head.gps", "oemv.dat", 0, 2009, 12, 18},
    {"oemv_part", "novatel/oemv_200911218_part.gps", "oemv.dat", 0, 2009, 12, 18},
    // 14 epochs and every kind of ephemeris log of the recording (up to the tenth BDS one).
    {"qlnav", "novatel/20230819-061342qlnav.nov", "qlnav.dat", 76868, 2023, 8, 19},
    {"has_part", "novatel/20230819-053733has_part.nov", "has.dat", 0, 2023, 8, 19},
    // Prefixes of the longer recordings keep the expected files small; a cut inside a frame
    // is the truncation every decoder must take.
    {"cres_head", "hemisphere/cres_20080526_head.bin", "cres.dat", 16384, 2008, 5, 26},
    {"rt17c_head", "trimble/rt17c_20140706_head.rt17", "rt17c.dat", 16384, 2014, 7, 6},
    {"rt17ee", "trimble/rt17ee_20140706.rt17", "rt17ee.dat", 20000, 2014, 7, 6},
    {"ubx_head", "ubx/20230919-114418_head.ubx", "ubx.dat", 0, 2023, 9, 19},
    {"neo_m8t", "ubx/ublox-neo-m8t.log", "neom8t.dat", 13000},
    {"binex_pdel", "binex/pdel_session_head.bnx", "pdel.dat", 0, 2021, 1, 1},
    {"mulx_pdel", "mulx/pdel_session_head.mlx", "pdel.dat", 0, 2021, 1, 1},
    // No decoder yet: no output (the expected files appear with the decoder).
    {"gmsd7_head", "rtcm3/GMSD7_20121014_head.rtcm3", "gmsd.dat", 0, 2012, 10, 14},
};

constexpr uint32_t kAllSystems = KESTRIN_OPT_SYSTEM_MASK;
constexpr uint32_t kUsualFlags =
    kAllSystems | KESTRIN_OPT_PHASE_CENTER | KESTRIN_OPT_IONO_CORRECTIONS | KESTRIN_OPT_WRITE_LLI;

struct OptionSet {
    const char* name;
    int32_t word;
};

const OptionSet kOptionSets[] = {
    {"r302", KESTRIN_OPTION_WORD(KESTRIN_FLAVOUR_RINEX302, KESTRIN_INTERVAL_ALL, kUsualFlags)},
    {"r210", KESTRIN_OPTION_WORD(KESTRIN_FLAVOUR_RINEX210, KESTRIN_INTERVAL_ALL, kUsualFlags)},
    {"mixed", KESTRIN_OPTION_WORD(KESTRIN_FLAVOUR_RINEX302, KESTRIN_INTERVAL_ALL,
                                  kUsualFlags | KESTRIN_OPT_MIXED_V302)},
    // GPS, GLONASS and Galileo only, band 1 only, every 5 s, no ionosphere lines, no LLI.
    {"thinned", KESTRIN_OPTION_WORD(KESTRIN_FLAVOUR_RINEX302, KESTRIN_INTERVAL_5S,
                                    KESTRIN_OPT_SYSTEM_GPS | KESTRIN_OPT_SYSTEM_GLONASS |
                                        KESTRIN_OPT_SYSTEM_GALILEO | KESTRIN_OPT_SINGLE_FREQUENCY)},
};

// Holds the result of the entry point; not an output file name (those carry a dot).
constexpr const char* kResultFile = "RESULT";

struct GoldenCase {
    Fixture fixture;
    OptionSet options;
};
void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.fixture.name << "/" << c.options.name;
}

std::vector<GoldenCase> AllCases() {
    std::vector<GoldenCase> cases;
    for (const Fixture& f : kFixtures)
        for (const OptionSet& o : kOptionSets) cases.push_back({f, o});
    return cases;
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text with the columns before the "PGM / RUN BY / DATE" label replaced by a fixed mark,
// and the release number of the "converted by Tollmere X.Y.Z" comment likewise.
std::string MaskRunLine(const std::string& text) {
    static const std::string kLabel = "PGM / RUN BY / DATE";
    static const std::string kConvertedBy = "converted by Tollmere ";
    static const std::string kComment = "COMMENT";
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(pos, end - pos);
        if (line.size() >= 60 + kLabel.size() && line.compare(60, kLabel.size(), kLabel) == 0)
            line.replace(0, 60, std::string("(masked)").append(52, ' '));
        else if (line.size() >= 60 + kComment.size() &&
                 line.compare(0, kConvertedBy.size(), kConvertedBy) == 0 &&
                 line.compare(60, kComment.size(), kComment) == 0)
            line.replace(kConvertedBy.size(), 60 - kConvertedBy.size(),
                         std::string("(masked)").append(60 - kConvertedBy.size() - 8, ' '));
        out += line;
        pos = end;
    }
    return out;
}

// The first line where two texts differ, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    size_t e = 0, a = 0;
    for (int number = 1;; ++number) {
        size_t ee = expected.find('\n', e), ae = actual.find('\n', a);
        std::string el = e < expected.size() ? expected.substr(e, ee - e) : "<end of file>";
        std::string al = a < actual.size() ? actual.substr(a, ae - a) : "<end of file>";
        if (el != al)
            return "line " + std::to_string(number) + "\n  expected: " + el + "\n  actual:   " + al;
        if (ee == std::string::npos || ae == std::string::npos) return "(same lines)";
        e = ee + 1;
        a = ae + 1;
    }
}

struct Output {
    int result = 0;
    std::map<std::string, std::string> files;  // name -> masked content
    std::vector<std::string> leftovers;        // entries left in the temporary area
};

Output Convert(const GoldenCase& c) {
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    std::string data = testsupport::ReadTestData(c.fixture.data);
    if (c.fixture.bytes > 0 && c.fixture.bytes < data.size()) data.resize(c.fixture.bytes);
    testsupport::StaticHeaderFields fields;
    fields.year = c.fixture.year;
    fields.month = c.fixture.month;
    fields.day = c.fixture.day;
    std::string path = testsupport::WriteStaticFile(in.path(), c.fixture.inputName, fields, data);
    Output o;
    o.result = ParseDataToRinexFormat(path.c_str(), out.path().c_str(), c.options.word, nullptr);
    unsetenv("TMPDIR");
    o.files[kResultFile] = std::to_string(o.result) + "\n";
    for (const std::string& entry : out.Entries())
        o.files[entry] = MaskRunLine(testsupport::ReadFile(out.File(entry)));
    o.leftovers = tmp.Entries();
    return o;
}

fs::path ExpectedFolder(const GoldenCase& c) {
    return fs::path(TOLLMERE_GOLDEN_DIR) / c.fixture.name / c.options.name;
}

bool Updating() {
    const char* v = std::getenv("TOLLMERE_UPDATE_GOLDEN");
    return v != nullptr && *v != '\0' && *v != '0';
}

void WriteExpected(const fs::path& folder, const Output& o) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& [name, content] : o.files) {
        std::ofstream f(folder / name, std::ios::binary | std::ios::trunc);
        f.write(content.data(), static_cast<std::streamsize>(content.size()));
        ASSERT_TRUE(f.good()) << (folder / name);
    }
}

std::map<std::string, std::string> ReadExpected(const fs::path& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = ReadWhole(entry.path());
    return files;
}

class Golden : public testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, OutputFilesMatchExpected) {
    const GoldenCase& c = GetParam();
    ASSERT_FALSE(testsupport::ReadTestData(c.fixture.data).empty()) << c.fixture.data;
    Output o = Convert(c);
    EXPECT_TRUE(o.leftovers.empty());
    const fs::path folder = ExpectedFolder(c);
    if (Updating()) {
        WriteExpected(folder, o);
        return;
    }
    std::map<std::string, std::string> expected = ReadExpected(folder);
    ASSERT_FALSE(expected.empty())
        << "no expected files in " << folder << " (run tools/update_golden.sh)";
    for (const auto& [name, content] : expected) {
        auto it = o.files.find(name);
        if (it == o.files.end()) {
            ADD_FAILURE() << name << " was not written";
            continue;
        }
        EXPECT_TRUE(it->second == content) << name << ": " << FirstDifference(content, it->second);
    }
    for (const auto& [name, content] : o.files)
        EXPECT_TRUE(expected.count(name)) << name << " written but not expected";
}

std::string CaseName(const testing::TestParamInfo<GoldenCase>& info) {
    return std::string(info.param.fixture.name) + "_" + info.param.options.name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Golden, testing::ValuesIn(AllCases()), CaseName);

}  // namespace
