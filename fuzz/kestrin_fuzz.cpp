// libFuzzer target of the conversion entry point. Every input is converted twice: behind a
// valid static header (so that detection and every decoder see it as board data) and as it
// is (no header: detection runs over the whole file). The option word comes from the input's
// last byte, so the writers' format, interval and naming variants are reached as well.
//
// Besides the sanitizers, the target checks what every conversion promises: progress stays
// within 0..100 and reaches 100 exactly once when it started, a failed conversion leaves no
// file in the output folder, a successful one writes at least one. The work folder comes from
// $TOLLMERE_FUZZ_WORKDIR (else the system's temporary folder) and is removed at exit.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "kestrin/kestrin.h"
#include "static_header.h"

namespace fs = std::filesystem;

namespace {

fs::path g_work;
fs::path g_input;
fs::path g_output;

void RemoveWork() {
    std::error_code ec;
    if (!g_work.empty()) fs::remove_all(g_work, ec);
}

struct Progress {
    int count = 0;
    int hundreds = 0;
};

void OnNotify(void* context, unsigned int message, long wparam, long /*lparam*/) {
    auto& progress = *static_cast<Progress*>(context);
    if (message != KESTRIN_MSG_PROGRESS) return;
    if (wparam < 0 || wparam > 100) {
        std::fprintf(stderr, "progress out of range: %ld\n", wparam);
        std::abort();
    }
    ++progress.count;
    if (wparam == 100) ++progress.hundreds;
}

void WriteFile(const fs::path& path, const uint8_t* header, size_t headerSize, const uint8_t* data,
               size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (headerSize > 0) out.write(reinterpret_cast<const char*>(header), headerSize);
    if (size > 0)
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) std::abort();
}

size_t EmptyOutput() {
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(g_output)) {
        fs::remove_all(entry.path());
        ++files;
    }
    return files;
}

void ConvertOnce(int32_t word) {
    Progress progress;
    KestrinNotifyTarget target{&OnNotify, &progress};
    const int result = ParseDataToRinexFormat(g_input.c_str(), g_output.c_str(), word, &target);
    const size_t files = EmptyOutput();
    if (progress.count > 0 && progress.hundreds != 1) {
        std::fprintf(stderr, "progress reached 100 %d times\n", progress.hundreds);
        std::abort();
    }
    if (result == 0 && files != 0) {
        std::fprintf(stderr, "failed conversion left %zu files behind\n", files);
        std::abort();
    }
    if (result != 0 && files == 0) {
        std::fprintf(stderr, "conversion reported success without output\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = std::getenv("TOLLMERE_FUZZ_WORKDIR");
    std::string pattern =
        ((base != nullptr && *base != '\0') ? fs::path(base) : fs::temp_directory_path()) /
        "kestrin_fuzz_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    g_work = pattern;
    g_input = g_work / "input.dat";
    g_output = g_work / "out";
    fs::create_directory(g_output);
    std::atexit(&RemoveWork);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Last byte: bits 0-2 the flavour (0..4 are the listed formats, 5..7 fall back to RINEX
    // 3.02), bit 3 mixed names, bits 4-7 the interval code (0..15, 12..15 mean every epoch).
    const uint8_t choice = size > 0 ? data[size - 1] : 0;
    const int32_t word = static_cast<int32_t>((static_cast<uint32_t>(choice & 7) << 24) |
                                              (static_cast<uint32_t>(choice >> 4) << 16) |
                                              ((choice & 8) ? 0x800u : 0u) | 0x163Fu);

    tollmere::tools::StaticHeaderFields fields;
    fields.year = 2020;
    fields.month = 6;
    fields.day = 15;
    fields.latitudeDeg = 35.0;
    fields.longitudeDeg = 139.0;
    const auto header = tollmere::tools::BuildStaticHeader(fields);

    WriteFile(g_input, header.data(), header.size(), data, size);
    ConvertOnce(word);
    WriteFile(g_input, nullptr, 0, data, size);
    ConvertOnce(word);
    return 0;
}
