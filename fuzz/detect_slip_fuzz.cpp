// libFuzzer target of the cycle-slip marking: every input is written as an observation file
// and DetectSlp runs on it. Whatever it returns, the file afterwards differs from the input at
// most in loss-of-lock digits (a blank or digit that became a digit), and no other file
// appears beside it. Work folder: $TOLLMERE_FUZZ_WORKDIR, else the temporary folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "editing/slip_detection.h"
#include "kestrin/kestrin.h"

namespace fs = std::filesystem;

namespace {

fs::path g_work;

void RemoveWork() {
    std::error_code ec;
    if (!g_work.empty()) fs::remove_all(g_work, ec);
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_work.empty()) {
        const char* base = std::getenv("TOLLMERE_FUZZ_WORKDIR");
        const fs::path root = base && *base ? fs::path(base) : fs::temp_directory_path();
        g_work = root / ("slip-fuzz-" + std::to_string(getpid()));
        fs::create_directories(g_work);
        std::atexit(RemoveWork);
    }
    const fs::path path = g_work / "slip0010.21o";
    const std::string before(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << before;
        if (!out) std::abort();
    }
    DetectSlp(path.c_str(), nullptr);
    const std::string after = ReadAll(path);
    if (!kestrin::OnlyLliDigitsChanged(before, after)) {
        std::fprintf(stderr, "DetectSlp changed more than loss-of-lock digits\n");
        std::abort();
    }
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(g_work)) {
        (void)entry;
        ++entries;
    }
    if (entries != 1) {
        std::fprintf(stderr, "DetectSlp left another file beside the input\n");
        std::abort();
    }
    return 0;
}
