#include "converted_file.h"

#include <cstdlib>

#include "kestrin/kestrin.h"

namespace editingtest {

ConvertedFile ConvertRealRecording(const testsupport::TempDir& dir,
                                   const testsupport::StaticHeaderFields& fields, bool rinex3) {
    ConvertedFile c;
    const std::string data = testsupport::ReadTestData("novatel/oemv_200911218_part.gps");
    c.staticPath = testsupport::WriteStaticFile(dir.path(), "site3520.dat", fields, data);
    testsupport::TempDir tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    // All systems, loss-of-lock digits written.
    const int flavour = rinex3 ? KESTRIN_FLAVOUR_RINEX302 : KESTRIN_FLAVOUR_RINEX210;
    const int32_t option = KESTRIN_OPTION_WORD(flavour, KESTRIN_INTERVAL_ALL,
                                               KESTRIN_OPT_SYSTEM_MASK | KESTRIN_OPT_WRITE_LLI);
    const int result =
        ParseDataToRinexFormat(c.staticPath.c_str(), dir.path().c_str(), option, nullptr);
    unsetenv("TMPDIR");
    if (result != 1) return c;
    for (const std::string& entry : dir.Entries()) {
        if (!entry.empty() && (entry.back() == 'o' || entry.back() == 'O'))
            c.observationPath = dir.File(entry);
    }
    return c;
}

}  // namespace editingtest
