// Makes a long RTCM 3 recording for benchmarking from a short one:
//   rtcm3_extend INPUT OUTPUT YEAR MONTH DAY MEGABYTES
// INPUT is a raw RTCM 3 stream (no static header). The output is a static header of the
// given observation date followed by INPUT and copies of it, each copy shifted later in time
// by the span of the stream (its first to last observation time plus one second), until the
// file reaches MEGABYTES x 1,000,000 bytes. Every observation message of a copy gets its epoch
// time rewritten (GPS-like MSM: milliseconds of week; GLONASS MSM: day of week and time of
// day; legacy messages: their time fields) and its CRC-24Q recomputed; other messages are
// copied as they are.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "static_header.h"

namespace {

constexpr int64_t kWeekMs = 604800000, kDayMs = 86400000;

uint32_t Crc24q(const uint8_t* p, size_t n) {
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= static_cast<uint32_t>(p[i]) << 16;
        for (int b = 0; b < 8; ++b) {
            crc <<= 1;
            if (crc & 0x1000000u) crc ^= 0x1864CFBu;
        }
    }
    return crc & 0xFFFFFFu;
}

uint64_t GetBits(const uint8_t* p, size_t pos, unsigned n) {
    uint64_t v = 0;
    for (size_t i = pos; i < pos + n; ++i) v = (v << 1) | ((p[i / 8] >> (7 - i % 8)) & 1u);
    return v;
}
void SetBits(uint8_t* p, size_t pos, unsigned n, uint64_t v) {
    for (unsigned k = 0; k < n; ++k) {
        const size_t i = pos + k;
        const unsigned bit = (v >> (n - 1 - k)) & 1u;
        p[i / 8] = static_cast<uint8_t>((p[i / 8] & ~(0x80u >> (i % 8))) | (bit << (7 - i % 8)));
    }
}

struct Frame {
    size_t offset, length;
};

std::vector<Frame> Frames(const std::vector<uint8_t>& d) {
    std::vector<Frame> out;
    for (size_t i = 0; i + 6 <= d.size();) {
        if (d[i] != 0xD3 || (d[i + 1] & 0xFC)) {
            ++i;
            continue;
        }
        const size_t len = ((d[i + 1] & 3u) << 8 | d[i + 2]) + 6;
        if (i + len > d.size()) break;
        const uint32_t crc = static_cast<uint32_t>(GetBits(&d[i], (len - 3) * 8, 24));
        if (Crc24q(&d[i], len - 3) != crc) {
            ++i;
            continue;
        }
        out.push_back({i, len});
        i += len;
    }
    return out;
}

// Time field kinds of observation messages; 0 = not an observation message.
enum Kind { kNone, kGpsLike, kGlonassMsm, kGpsLegacy, kGlonassLegacy };
Kind KindOf(uint32_t n) {
    const uint32_t family = n / 10, type = n % 10;
    if (n >= 1001 && n <= 1004) return kGpsLegacy;
    if (n >= 1009 && n <= 1012) return kGlonassLegacy;
    if (type < 1 || type > 7) return kNone;
    if (family == 108) return kGlonassMsm;
    if (family >= 107 && family <= 113) return kGpsLike;
    return kNone;
}

// Shifts the epoch time of the observation message in frame f by shiftMs.
void Shift(uint8_t* f, int64_t shiftMs) {
    const uint32_t n = static_cast<uint32_t>(GetBits(f, 24, 12));
    switch (KindOf(n)) {
        case kGpsLike:
        case kGpsLegacy: {
            const int64_t t = static_cast<int64_t>(GetBits(f, 48, 30));
            SetBits(f, 48, 30, static_cast<uint64_t>((t + shiftMs) % kWeekMs));
            break;
        }
        case kGlonassMsm: {
            const int64_t t = static_cast<int64_t>(GetBits(f, 48, 3)) * kDayMs +
                              static_cast<int64_t>(GetBits(f, 51, 27));
            const int64_t s = (t + shiftMs) % kWeekMs;
            SetBits(f, 48, 3, static_cast<uint64_t>(s / kDayMs));
            SetBits(f, 51, 27, static_cast<uint64_t>(s % kDayMs));
            break;
        }
        case kGlonassLegacy: {
            const int64_t t = static_cast<int64_t>(GetBits(f, 48, 27));
            SetBits(f, 48, 27, static_cast<uint64_t>((t + shiftMs) % kDayMs));
            break;
        }
        default:
            break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: rtcm3_extend INPUT OUTPUT YEAR MONTH DAY MEGABYTES\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), {});
    const std::vector<Frame> frames = Frames(data);
    // Span of the stream from its GPS-like MSM / legacy GPS times.
    int64_t first = -1, last = -1;
    for (const Frame& fr : frames) {
        const uint8_t* f = &data[fr.offset];
        const Kind k = KindOf(static_cast<uint32_t>(GetBits(f, 24, 12)));
        if (k != kGpsLike && k != kGpsLegacy) continue;
        const int64_t t = static_cast<int64_t>(GetBits(f, 48, 30));
        if (first < 0) first = t;
        last = t;
    }
    if (frames.empty() || first < 0) {
        std::fprintf(stderr, "rtcm3_extend: no observation messages in %s\n", argv[1]);
        return 1;
    }
    int64_t span = ((last - first) % kWeekMs + kWeekMs) % kWeekMs + 1000;
    // Keep a whole number of seconds so that epochs stay on the second.
    span = (span + 999) / 1000 * 1000;

    tollmere::tools::StaticHeaderFields h;
    h.year = std::atoi(argv[3]);
    h.month = std::atoi(argv[4]);
    h.day = std::atoi(argv[5]);
    const uint64_t target = static_cast<uint64_t>(std::atof(argv[6]) * 1e6);
    const auto header = tollmere::tools::BuildStaticHeader(h);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    uint64_t written = header.size();
    for (int64_t copy = 0; written < target; ++copy) {
        for (const Frame& fr : frames) {
            std::vector<uint8_t> f(
                data.begin() + static_cast<std::ptrdiff_t>(fr.offset),
                data.begin() + static_cast<std::ptrdiff_t>(fr.offset + fr.length));
            if (copy > 0) {
                Shift(f.data(), copy * span);
                SetBits(f.data(), (fr.length - 3) * 8, 24, Crc24q(f.data(), fr.length - 3));
            }
            out.write(reinterpret_cast<const char*>(f.data()),
                      static_cast<std::streamsize>(f.size()));
            written += f.size();
            if (written >= target) break;
        }
    }
    return out ? 0 : 1;
}
