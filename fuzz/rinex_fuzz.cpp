// libFuzzer target of the RINEX readers: every input is read as an observation file by the
// editing model (ReadRinexFile), the header and antenna services (ReadHeadInfo, ReadAntInfo)
// and the positioning library's observation reader, and as a GPS and a GLONASS navigation file
// by its navigation reader. Besides the sanitizers it checks that the model's loss-of-lock
// spots stay inside the file. Work folder: $TOLLMERE_FUZZ_WORKDIR, else the temporary folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editing/rinex_obs_file.h"
#include "kestrin/kestrin.h"
#include "readers/records.h"
#include "readers/rinex_reader.h"

namespace fs = std::filesystem;

namespace {

fs::path g_work;

void RemoveWork() {
    std::error_code ec;
    if (!g_work.empty()) fs::remove_all(g_work, ec);
}

void Setup() {
    const char* base = std::getenv("TOLLMERE_FUZZ_WORKDIR");
    const fs::path root = base && *base ? fs::path(base) : fs::temp_directory_path();
    g_work = root / ("rinex-fuzz-" + std::to_string(getpid()));
    fs::create_directories(g_work);
    std::atexit(RemoveWork);
}

void WriteFile(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (size > 0) out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_work.empty()) Setup();
    const fs::path obs = g_work / "fuzz0010.21o";
    WriteFile(obs, data, size);

    HeaderInfo* header = nullptr;
    std::vector<OBSERVATIONS>* epochs = nullptr;
    if (ReadRinexFile(obs.c_str(), nullptr, &header, &epochs) == 1) {
        const kestrin::RinexObsFile& model = kestrin::SharedRinexObsFile();
        for (const auto& epoch : model.lliSpots) {
            for (const auto& sat : epoch) {
                for (const kestrin::LliSpot& spot : sat) {
                    if (spot.lineStart < 0) continue;
                    if (static_cast<uint64_t>(spot.lineStart) + spot.lineLength > size) {
                        std::fprintf(stderr, "loss-of-lock spot beyond the file\n");
                        std::abort();
                    }
                }
            }
        }
    }
    char texts[5][KESTRIN_TEXT_CAPACITY];
    int number = 0, method = 0;
    double v[12] = {};
    ReadHeadInfo(obs.c_str(), texts[0], texts[1], texts[2], texts[3], texts[4], &number, &v[0],
                 &method, &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8]);
    ReadAntInfo(obs.c_str(), texts[0], &method, &v[0], &v[1], &v[2], &v[3], &v[4]);

    baldorn::ObsFile obsFile;
    baldorn::RinexReader::ReadObservationFile(obs.c_str(), obsFile, 0, nullptr);
    for (const char* name : {"fuzz0010.21n", "fuzz0010.21g"}) {
        const fs::path nav = g_work / name;
        std::error_code ec;
        fs::remove(nav, ec);
        fs::create_hard_link(obs, nav, ec);
        if (ec) WriteFile(nav, data, size);
        baldorn::NavFile navFile;
        baldorn::RinexReader::ReadNavigationFile(nav.c_str(), navFile, nullptr);
    }
    return 0;
}
