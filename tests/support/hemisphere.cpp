#include "support/hemisphere.h"

#include <cmath>

#include "support/bytes.h"

namespace testsupport {

namespace {

uint32_t RangeHigh(double range) {
    return static_cast<uint32_t>(std::floor(range / 256.0));
}

std::string Records(const std::vector<HemChannelValues>& ch, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i)
        out += i < ch.size() ? HemChannelRecord(ch[i]) : std::string(12, '\0');
    return out;
}

std::string Codes(const std::vector<HemChannelValues>& ch, size_t count) {
    Bytes b;
    for (size_t i = 0; i < count; ++i) b.U32(i < ch.size() ? HemCodeWord(ch[i]) : 0);
    return b;
}

Bytes TimeHeader(double sow, int week) {
    Bytes b;
    b.F64(sow).U16(static_cast<uint64_t>(week));
    return b;
}

}  // namespace

std::string HemChannelRecord(const HemChannelValues& c) {
    const double low = c.range - RangeHigh(c.range) * 256.0;
    const uint32_t rangeLow = static_cast<uint32_t>(std::lround(low * 256.0)) & 0xFFFFu;
    const int64_t phase1024 = std::llround(c.phase * 1024.0);
    const uint32_t phase = static_cast<uint32_t>(((phase1024 % 8388608) + 8388608) % 8388608);
    const uint32_t doppler = static_cast<uint32_t>(std::lround(std::fabs(c.doppler) * 512.0));
    const uint32_t w0 = (c.strength & 0xFFFu) | (static_cast<uint32_t>(c.warning & 7) << 12) |
                        (static_cast<uint32_t>(c.slipCounter & 0xFF) << 24);
    const uint32_t w1 = (c.phaseValid ? 1u : 0u) | ((doppler & 0x7FFFFFu) << 1) |
                        (c.doppler > 0 ? 1u << 24 : 0u) | ((phase >> 16) << 25);
    const uint32_t w2 = rangeLow | ((phase & 0xFFFFu) << 16);
    return Bytes().U32(w0).U32(w1).U32(w2);
}

uint32_t HemCodeWord(const HemChannelValues& c) {
    return (static_cast<uint32_t>(c.number) & 0xFFu) | (RangeHigh(c.range) << 13);
}

std::string HemBlock76(double sow, int week, const std::vector<HemChannelValues>& l1,
                       const std::vector<HemChannelValues>& l2) {
    Bytes b = TimeHeader(sow, week);
    b.Zeros(6).Raw(Records(l2, 12)).Raw(Records(l1, 15)).Raw(Codes(l1, 15)).Zeros(48);
    return b;
}

std::string HemBlock66(double sow, int week, const std::vector<HemChannelValues>& l1,
                       const std::vector<HemChannelValues>& l2) {
    Bytes b = TimeHeader(sow, week);
    b.Zeros(6).Raw(Records(l1, 12)).Raw(Records(l2, 12)).Raw(Codes(l1, 12));
    return b;
}

std::string HemBlock36(double sow, int week, int signal, const std::vector<HemChannelValues>& ch) {
    Bytes b = TimeHeader(sow, week);
    b.Zeros(2).U32(static_cast<uint32_t>(signal) << 28).Raw(Records(ch, 20)).Raw(Codes(ch, 20));
    return b;
}

std::string HemBlock16(double sow, int week, const std::vector<HemChannelValues>& ch,
                       const std::vector<uint16_t>& info) {
    Bytes b = TimeHeader(sow, week);
    b.Zeros(14).Raw(Records(ch, 16)).Raw(Codes(ch, 16));
    for (size_t i = 0; i < 16; ++i) b.U16(i < info.size() ? info[i] : 0);
    return b;
}

std::string HemBlock96(double sow, int week, const std::vector<Hem96Channel>& ch) {
    Bytes b;
    b.U16(0).U16(static_cast<uint64_t>(week)).F64(sow);
    for (size_t i = 0; i < 12; ++i) {
        if (i >= ch.size()) {
            b.Zeros(24);
            continue;
        }
        const Hem96Channel& c = ch[i];
        const uint32_t w0 = (static_cast<uint32_t>(c.prn) & 0xFFu) |
                            ((static_cast<uint32_t>(c.snr) & 0xFFu) << 8) |
                            ((static_cast<uint32_t>(c.slipCounter) & 0xFFu) << 24);
        const uint32_t w1 = (c.phaseValid ? 1u : 0u) | (static_cast<uint32_t>(c.rangeRate) << 4);
        b.U32(w0).U32(w1).F64(c.range).F64(c.phaseMetres);
    }
    return b;
}

}  // namespace testsupport
