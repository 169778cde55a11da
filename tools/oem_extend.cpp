// Extends a raw static file of OEM binary logs to a given size for benchmarking:
//   oem_extend INPUT OUTPUT MEGABYTES
// The output holds INPUT (static header and all complete logs), followed by copies of its
// RANGE and RANGECMP logs shifted later in time, copy after copy, until the file reaches
// MEGABYTES x 1,000,000 bytes. Each copy starts one observation interval after the previous
// copy's last epoch; every shifted log gets its GPS week and milliseconds rewritten and its
// CRC-32 recomputed, so the result is a correctly framed, longer recording.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "oem_frames.h"

namespace {

using namespace tollmere::tools;

constexpr uint16_t kRange = 43, kRangeCmp = 140;
constexpr int64_t kWeekMs = 604800000;

int64_t TimeMs(const OemFrame& frame) {
    return frame.week * kWeekMs + frame.milliseconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: oem_extend INPUT OUTPUT MEGABYTES\n");
        return 2;
    }
    const double megabytes = std::atof(argv[3]);
    if (!(megabytes > 0)) {
        std::fprintf(stderr, "oem_extend: MEGABYTES must be positive\n");
        return 2;
    }
    const auto target = static_cast<uint64_t>(megabytes * 1e6);
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "oem_extend: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());

    // The observation logs and the time span they cover.
    std::vector<OemFrame> observations;
    OemFrame frame;
    size_t end = 0;  // end of the last verified log
    for (size_t n = 0; NextOemFrame(data, n, frame); n = frame.offset + frame.length) {
        end = frame.offset + frame.length;
        if (frame.messageId == kRange || frame.messageId == kRangeCmp) {
            observations.push_back(frame);
        }
    }
    if (observations.empty()) {
        std::fprintf(stderr, "oem_extend: %s holds no RANGE or RANGECMP log\n", argv[1]);
        return 1;
    }
    const int64_t first = TimeMs(observations.front());
    const int64_t last = TimeMs(observations.back());
    int64_t interval = 0;
    for (const OemFrame& f : observations) {
        if (TimeMs(f) > first) {
            interval = TimeMs(f) - first;
            break;
        }
    }
    if (interval <= 0) interval = 1000;
    const int64_t span = last - first + interval;

    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    // Bytes after the last complete log (a cut-off log) would swallow the first copied log.
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(end));
    uint64_t size = end;
    std::vector<uint8_t> copy;
    int64_t copies = 0;
    while (size < target && out) {
        ++copies;
        for (const OemFrame& f : observations) {
            copy.assign(data.begin() + static_cast<std::ptrdiff_t>(f.offset),
                        data.begin() + static_cast<std::ptrdiff_t>(f.offset + f.length));
            const int64_t shifted = TimeMs(f) + copies * span;
            WriteLe<uint16_t>(&copy[14], static_cast<uint16_t>(shifted / kWeekMs));
            WriteLe<int32_t>(&copy[16], static_cast<int32_t>(shifted % kWeekMs));
            const size_t crcAt = f.length - 4;
            WriteLe<uint32_t>(&copy[crcAt], OemCrc32(copy.data(), crcAt));
            out.write(reinterpret_cast<const char*>(copy.data()),
                      static_cast<std::streamsize>(copy.size()));
            size += copy.size();
        }
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "oem_extend: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %llu bytes, %zu epochs x %lld copies added after the original (%.0f s each)\n",
                argv[2], static_cast<unsigned long long>(size), observations.size(),
                static_cast<long long>(copies), span / 1000.0);
    return 0;
}
