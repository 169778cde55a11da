#include "decoders/hemisphere_blocks.h"

#include <cmath>
#include <cstdio>

#include "core/gnss_time.h"
#include "decoders/framing.h"
#include "decoders/navwords/glonass_strings.h"
#include "decoders/navwords/gps_lnav.h"
#include "rinex/obs_codes.h"

namespace kestrin {

namespace {

constexpr size_t kChannelRecord = 12;

// ---- channel records -------------------------------------------------------------------

// One 12-byte channel record and its code word.
struct HemChannel {
    uint32_t strengthRaw = 0;
    bool warning = false;
    int slipCounter = 0;
    bool phaseValid = false;
    double doppler = 0;      // Hz
    uint32_t phase1024 = 0;  // phase modulo 8192 cycles, 1/1024-cycle units (23 bits)
    double rangeLow = 0;     // m
    double rangeHigh = 0;    // m, from the code word
    int number = 0;          // satellite number of the code word

    bool Empty() const { return strengthRaw == 0 && phase1024 == 0 && rangeLow == 0; }
};

HemChannel ReadChannel(ByteView record, uint32_t codeWord) {
    HemChannel c;
    const uint32_t w0 = record.U32(0), w1 = record.U32(4), w2 = record.U32(8);
    c.strengthRaw = w0 & 0xFFFu;
    c.warning = ((w0 >> 12) & 7u) != 0;
    c.slipCounter = static_cast<int>(w0 >> 24);
    c.phaseValid = (w1 & 1u) != 0;
    const double dopplerMagnitude = static_cast<double>((w1 >> 1) & 0x7FFFFFu) / 512.0;
    c.doppler = (w1 >> 24) & 1u ? dopplerMagnitude : -dopplerMagnitude;
    c.phase1024 = ((w1 >> 25) << 16) | (w2 >> 16);
    c.rangeLow = static_cast<double>(w2 & 0xFFFFu) / 256.0;
    c.rangeHigh = static_cast<double>(codeWord >> 13) * 256.0;
    c.number = static_cast<int>(codeWord & 0xFFu);
    return c;
}

double ChannelStrength(uint32_t raw, bool firstSignal) {
    if (raw == 0) return 0.0;
    const double s = static_cast<double>(raw);
    return firstSignal ? 10.0 * std::log10(s * 0.1024 * 1000.0)
                       : 10.0 * std::log10(s * 0.1164 * 62.5);
}

SatelliteData* FindSat(OBSERVATIONS& epoch, int32_t sysCode, int32_t prn) {
    for (SatelliteData& sat : epoch.sats) {
        if (sat.sysCode == sysCode && sat.prn == prn) return &sat;
    }
    return nullptr;
}

BlockData* FindBlock(SatelliteData& sat, int slot) {
    for (BlockData& block : sat.blocks) {
        if (block.signalType == slot) return &block;
    }
    return nullptr;
}

SatelliteData& AddSat(OBSERVATIONS& epoch, int32_t sysCode, int32_t prn, int32_t channel) {
    SatelliteData sat;
    sat.sysCode = sysCode;
    sat.prn = prn;
    sat.glonassChannel = channel;
    epoch.sats.push_back(std::move(sat));
    return epoch.sats.back();
}

// Loss of lock from the cycle-slip counter: a counter that changed since the satellite's last
// block of this signal. The first block of a satellite and signal only stores it.
bool SlipCounterChanged(HemSlipTable& slips, int32_t sysCode, int32_t prn, int slot, int counter) {
    const int index = SatelliteIndex(sysCode, prn);
    if (index < 0 || slot < 0 || slot >= kSignalSlots) return false;
    int16_t& last = slips[static_cast<size_t>(index)][static_cast<size_t>(slot)];
    const bool changed = last >= 0 && last != counter;
    last = static_cast<int16_t>(counter);
    return changed;
}

// A channel as a signal of a satellite: range and phase as given, the loss-of-lock rules.
BlockData ChannelBlock(const HemChannel& c, HemObsContext& ctx, int32_t sysCode, int32_t prn,
                       int slot, double range, double wavelength, bool firstSignal) {
    BlockData b;
    b.signalType = slot;
    b.pseudorange = range;
    b.carrierPhase = ReconstructHemPhase(c.phase1024, range / wavelength);
    b.doppler = c.doppler;
    b.snr = ChannelStrength(c.strengthRaw, firstSignal);
    if (SlipCounterChanged(ctx.slips, sysCode, prn, slot, c.slipCounter)) b.lli |= 1u;
    if (c.warning || !c.phaseValid) b.lli |= 1u;
    return b;
}

int GlonassFrequency(const GlonassSlotTable& slots, int slot) {
    if (slot < 1 || slot >= kGlonassSlots) return kUnknownGlonassChannel;
    return slots[static_cast<size_t>(slot)];
}

// Adds the block when the satellite has no block of its slot yet.
void AddIfAbsent(HemObsContext& ctx, SatelliteData& sat, const BlockData& block) {
    if (FindBlock(sat, block.signalType) != nullptr) return;
    sat.blocks.push_back(block);
    MarkSlotUsed(ctx.info, sat.sysCode, sat.prn, block.signalType);
}

SatelliteData& SatOf(OBSERVATIONS& epoch, int32_t sysCode, int32_t prn, int32_t channel) {
    SatelliteData* sat = FindSat(epoch, sysCode, prn);
    return sat != nullptr ? *sat : AddSat(epoch, sysCode, prn, channel);
}

}  // namespace

void ResetHemSlipTable(HemSlipTable& table) {
    for (auto& row : table) row.fill(-1);
}

bool HemisphereObsTime(uint16_t blockId, ByteView data, int& week, double& sow) {
    switch (blockId) {
        case kHemGpsL1:
            if (!data.Has(0, 12)) return false;
            week = data.U16(2);
            sow = data.F64(4);
            break;
        case kHemGpsL1L2:
        case kHemGlonassObs:
        case kHemBdsObs:
        case kHemObsMulti:
            if (!data.Has(0, 10)) return false;
            sow = data.F64(0);
            week = data.U16(8);
            break;
        default:
            return false;
    }
    return std::isfinite(sow) && sow >= 0.0 && sow < kSecondsPerWeek;
}

bool HemGpsOrSbas(int number, int32_t& sysCode, int32_t& prn) {
    if (number >= 1 && number <= kMaxGpsPrn) {
        sysCode = kSysGps;
        prn = number;
    } else if (number >= 120 && number <= 158) {
        sysCode = kSysSbas;
        prn = number - 119;
    } else if (number > 163) {
        sysCode = kSysSbas;
        prn = number - 163;
    } else {
        return false;
    }
    return SatelliteIndex(sysCode, prn) > 0;
}

double ReconstructHemPhase(uint32_t phase1024, double reference) {
    if (!std::isfinite(reference) || std::fabs(reference) > 1.0e15) return 0.0;
    constexpr int64_t kLowMask = (int64_t{1} << 23) - 1;
    const int64_t r = static_cast<int64_t>(reference * 1024.0);
    const int64_t merged = (r & ~kLowMask) | (static_cast<int64_t>(phase1024) & kLowMask);
    double result = static_cast<double>(merged) / 1024.0;
    if (std::fabs(result - reference) >= 4096.0)
        result -= static_cast<double>(RoundToInt((result - reference) / 8192.0)) * 8192.0;
    return result;
}

double AlignHemRange(double range, double firstRange) {
    const double d = range - firstRange;
    if (std::fabs(d) >= 128.0) return range - static_cast<double>(RoundToInt(d / 256.0)) * 256.0;
    return range;
}

// ---- block 96: GPS and SBAS L1 -----------------------------------------------------------

bool DecodeHemGpsL1(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch) {
    constexpr size_t kFirst = 12, kSize = 24, kCount = 12;
    if (!data.Has(0, kFirst + kSize * kCount)) return false;
    const double l1 = CarrierWavelength(kSysGps, 0, 0);  // SBAS L1 shares the GPS carrier
    for (size_t i = 0; i < kCount; ++i) {
        const ByteView ch = data.Sub(kFirst + kSize * i, kSize);
        const uint32_t w0 = ch.U32(0), w1 = ch.U32(4);
        int32_t sysCode = 0, prn = 0;
        // Boards report the SBAS satellites they track here too, by their PRN 120..158.
        if (!HemGpsOrSbas(static_cast<int>(w0 & 0xFFu), sysCode, prn)) continue;
        if (FindSat(epoch, sysCode, prn) != nullptr) continue;
        const double range = ch.F64(8), phaseMetres = ch.F64(16);
        if (!std::isfinite(range) || !std::isfinite(phaseMetres)) continue;
        if (std::fabs(range) < 1e-6 || std::fabs(phaseMetres) < 1e-6) continue;

        BlockData b;
        b.signalType = 0;
        b.pseudorange = range;
        b.carrierPhase = phaseMetres / l1;
        const int32_t rate = static_cast<int32_t>(w1) >> 4;  // range rate, 1/4096 m/s
        b.doppler = -(static_cast<double>(rate) / 4096.0) / l1;
        // The 8-bit value counts eight of the 12-bit strength units of the channel records
        // (0.8192 = 8 x 0.1024) and takes the same scale to dB-Hz.
        const uint32_t snr = (w0 >> 8) & 0xFFu;
        b.snr = snr == 0 ? 0.0 : 10.0 * std::log10(0.8192 * snr * 1000.0);
        if (SlipCounterChanged(ctx.slips, sysCode, prn, 0, static_cast<int>(w0 >> 24))) b.lli |= 1u;
        if ((w1 & 1u) == 0) b.lli |= 1u;
        SatelliteData& sat = AddSat(epoch, sysCode, prn, kUnknownGlonassChannel);
        sat.blocks.push_back(b);
        MarkSlotUsed(ctx.info, sysCode, prn, 0);
    }
    return true;
}

// ---- block 76: GPS L1/L2 and SBAS L1 -------------------------------------------------------

bool DecodeHemGpsL1L2(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch) {
    constexpr size_t kL2 = 16, kL1 = 160, kCodes = 340, kL1Count = 15, kL2Count = 12;
    constexpr size_t kLayout = kCodes + 4 * kL1Count + 4 * 12;  // 12 further words at the end
    if (!data.Has(0, kLayout)) return false;
    const double l1 = CarrierWavelength(kSysGps, 0, 0), l2 = CarrierWavelength(kSysGps, 9, 0);
    for (size_t i = 0; i < kL1Count; ++i) {
        const uint32_t code = data.U32(kCodes + 4 * i);
        const HemChannel c1 = ReadChannel(data.Sub(kL1 + kChannelRecord * i, kChannelRecord), code);
        int32_t sysCode = 0, prn = 0;
        if (c1.number == 0 || c1.rangeHigh == 0.0) continue;
        if (!HemGpsOrSbas(c1.number, sysCode, prn)) continue;

        const double p1 = c1.rangeHigh + c1.rangeLow;
        SatelliteData& sat = SatOf(epoch, sysCode, prn, kUnknownGlonassChannel);
        const BlockData b1 = ChannelBlock(c1, ctx, sysCode, prn, 0, p1, l1, true);
        BlockData* existing = FindBlock(sat, 0);
        if (existing == nullptr) {
            AddIfAbsent(ctx, sat, b1);
        } else if (existing->carrierPhase < 0.0) {
            *existing = b1;
        }

        if (i >= kL2Count || sysCode != kSysGps) continue;
        const HemChannel c2 = ReadChannel(data.Sub(kL2 + kChannelRecord * i, kChannelRecord), code);
        // An L1-only channel leaves its L2 record empty: no L2 signal.
        if (c2.Empty()) continue;
        const double p2 = AlignHemRange(c2.rangeHigh + c2.rangeLow, p1);
        AddIfAbsent(ctx, sat, ChannelBlock(c2, ctx, sysCode, prn, 9, p2, l2, false));
    }
    return true;
}

// ---- block 66: GLONASS L1/L2 ----------------------------------------------------------------

bool DecodeHemGlonassObs(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch) {
    constexpr size_t kL1 = 16, kL2 = 160, kCodes = 304, kCount = 12;
    if (!data.Has(0, kCodes + 4 * kCount)) return false;
    for (size_t i = 0; i < kCount; ++i) {
        const uint32_t code = data.U32(kCodes + 4 * i);
        const HemChannel c1 = ReadChannel(data.Sub(kL1 + kChannelRecord * i, kChannelRecord), code);
        const int32_t slot = c1.number;
        if (slot == 0 || c1.rangeHigh == 0.0 || SatelliteIndex(kSysGlonass, slot) < 0) continue;
        const int k = GlonassFrequency(ctx.glonassSlots, slot);
        const double w1 = CarrierWavelength(kSysGlonass, 1, k);
        const double w2 = CarrierWavelength(kSysGlonass, 2, k);
        if (w1 <= 0.0 || w2 <= 0.0) continue;  // frequency number unknown

        const double p1 = c1.rangeHigh + c1.rangeLow;
        SatelliteData& sat = SatOf(epoch, kSysGlonass, slot, k);
        AddIfAbsent(ctx, sat, ChannelBlock(c1, ctx, kSysGlonass, slot, 1, p1, w1, true));
        const HemChannel c2 = ReadChannel(data.Sub(kL2 + kChannelRecord * i, kChannelRecord), code);
        if (c2.Empty()) continue;
        const double p2 = AlignHemRange(c2.rangeHigh + c2.rangeLow, p1);
        AddIfAbsent(ctx, sat, ChannelBlock(c2, ctx, kSysGlonass, slot, 2, p2, w2, false));
    }
    return true;
}

// ---- block 36: BeiDou -----------------------------------------------------------------------

bool DecodeHemBdsObs(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch) {
    constexpr size_t kRecords = 16, kCodes = 256, kCount = 20;
    if (!data.Has(0, kCodes + 4 * kCount)) return false;
    static const int kSlotOfSignal[3] = {0, 3, 6};
    const uint32_t signal = data.U32(12) >> 28;
    if (signal > 2) return true;  // a signal without a slot here
    const int slot = kSlotOfSignal[signal];
    const double wavelength = CarrierWavelength(kSysBds, slot, 0);
    if (wavelength <= 0.0) return true;
    for (size_t i = 0; i < kCount; ++i) {
        const uint32_t code = data.U32(kCodes + 4 * i);
        const HemChannel c =
            ReadChannel(data.Sub(kRecords + kChannelRecord * i, kChannelRecord), code);
        if (c.number == 0 || c.rangeHigh == 0.0 || SatelliteIndex(kSysBds, c.number) < 0) continue;
        const double range = c.rangeHigh + c.rangeLow;
        SatelliteData& sat = SatOf(epoch, kSysBds, c.number, kUnknownGlonassChannel);
        AddIfAbsent(ctx, sat,
                    ChannelBlock(c, ctx, kSysBds, c.number, slot, range, wavelength, signal == 0));
    }
    return true;
}

// ---- block 16: every system -----------------------------------------------------------------

namespace {

// System, satellite and slot of a block-16 channel; false when the channel has no place.
struct MultiChannel {
    int32_t sysCode = 0, prn = 0;
    int slot = 0;
    int signal = 0;
};

int MultiSlot(int32_t sysCode, int signal, bool pCode) {
    switch (sysCode) {
        case kSysGps: {
            static const int kSlots[4] = {0, 9, 12, 19};
            return signal < 4 ? kSlots[signal] : 0;
        }
        case kSysGlonass:
            if (signal == 0) return pCode ? 0 : 1;
            if (signal == 1) return pCode ? 2 : 3;
            return 0;
        case kSysBds: {
            static const int kSlots[3] = {0, 3, 6};
            return signal < 3 ? kSlots[signal] : 0;
        }
        case kSysSbas:
            return signal == 3 ? 1 : 0;
        case kSysQzss:
            switch (signal) {
                case 2:
                    return 5;
                case 3:
                    return 8;
                case 4:
                    return 11;
                default:
                    return 0;
            }
        case kSysGalileo:
            return signal == 1 ? 5 : signal == 2 ? 8 : 0;
        default:
            return 0;
    }
}

bool ReadMultiChannel(int number, uint16_t infoWord, MultiChannel& out) {
    const int system = infoWord & 0xF;
    out.signal = (infoWord >> 4) & 0xF;
    switch (system) {
        case 0:
            if (!HemGpsOrSbas(number, out.sysCode, out.prn)) return false;
            break;
        case 1:
            out.sysCode = kSysGlonass;
            out.prn = number;
            break;
        case 2:
            out.sysCode = kSysGalileo;
            out.prn = number;
            break;
        case 3:
            out.sysCode = kSysBds;
            out.prn = number;
            break;
        case 4:
            out.sysCode = kSysQzss;
            out.prn = number > 192 ? number - 192 : number;
            break;
        default:
            return false;
    }
    if (SatelliteIndex(out.sysCode, out.prn) < 0) return false;
    out.slot = MultiSlot(out.sysCode, out.signal, ((infoWord >> 13) & 1u) != 0);
    return true;
}

}  // namespace

bool DecodeHemMultiObs(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch) {
    constexpr size_t kRecords = 24, kCodes = 216, kInfo = 280, kCount = 16;
    if (!data.Has(0, kInfo + 2 * kCount)) return false;
    for (size_t i = 0; i < kCount; ++i) {
        const uint32_t code = data.U32(kCodes + 4 * i);
        const HemChannel c =
            ReadChannel(data.Sub(kRecords + kChannelRecord * i, kChannelRecord), code);
        MultiChannel m;
        if (c.number == 0 || c.rangeHigh == 0.0) continue;
        if (!ReadMultiChannel(c.number, data.U16(kInfo + 2 * i), m)) continue;
        // The channel-info word carries no usable frequency number: GLONASS takes the slot
        // table's.
        const int k = m.sysCode == kSysGlonass ? GlonassFrequency(ctx.glonassSlots, m.prn) : 0;
        const double wavelength = CarrierWavelength(m.sysCode, m.slot, k);
        if (wavelength <= 0.0) continue;
        const double range = c.rangeHigh + c.rangeLow;
        SatelliteData& sat =
            SatOf(epoch, m.sysCode, m.prn, m.sysCode == kSysGlonass ? k : kUnknownGlonassChannel);
        AddIfAbsent(
            ctx, sat,
            ChannelBlock(c, ctx, m.sysCode, m.prn, m.slot, range, wavelength, m.signal == 0));
    }
    return true;
}

// ---- navigation blocks ----------------------------------------------------------------------

double HemUraMetres(int index) {
    if (index < 0) return 0.0;
    if (index < 6) return std::pow(2.0, 1.0 + index / 2.0);
    if (index <= 14) return std::pow(2.0, index - 2);
    return 68888888.0;
}

namespace {

GnssTime TimeOf(int week, double sow, bool bds) {
    GnssTime t;
    t.week = week;
    t.sow = sow;
    if (bds) {
        BdsToCalendar(t);
    } else {
        GpsToCalendar(t);
    }
    return t;
}

bool PlausibleWeek(int week) {
    return week > 0 && week < 20000;
}

// Subframe k (0..2) of a block-95 layout as 30 bytes: the 24 data bits (6..29) of ten words.
std::array<uint8_t, 30> LnavSubframe(ByteView data, size_t k) {
    std::array<uint8_t, 30> out{};
    for (size_t w = 0; w < 10; ++w) {
        const uint32_t bits = (data.U32(8 + 40 * k + 4 * w) >> 6) & 0xFFFFFFu;
        out[3 * w] = static_cast<uint8_t>(bits >> 16);
        out[3 * w + 1] = static_cast<uint8_t>(bits >> 8);
        out[3 * w + 2] = static_cast<uint8_t>(bits);
    }
    return out;
}

}  // namespace

bool DecodeHemLnavEphemeris(ByteView data, int32_t sysCode, int refWeek, KeplerEphemeris& eph) {
    eph.Init();
    if (!data.Has(0, 8 + 120)) return false;
    const int prn = data.U16(0);
    if (prn == 0 || SatelliteIndex(sysCode, prn) < 0) return false;
    const auto sf1 = LnavSubframe(data, 0), sf2 = LnavSubframe(data, 1),
               sf3 = LnavSubframe(data, 2);
    LnavEphemeris lnav;
    if (!DecodeLnavSubframes(ByteView(sf1.data(), sf1.size()), ByteView(sf2.data(), sf2.size()),
                             ByteView(sf3.data(), sf3.size()), lnav)) {
        return false;
    }
    // The broadcast week has ten bits: the week of the data nearest to it.
    int week = lnav.week10 + 1024;
    if (PlausibleWeek(refWeek))
        week = lnav.week10 + 1024 * RoundToInt((refWeek - lnav.week10) / 1024.0);
    if (!PlausibleWeek(week)) return false;

    LnavToKepler(lnav, eph);
    eph.sysCode = sysCode;
    eph.prn = prn;
    eph.week = week;
    eph.transmissionTime = static_cast<double>(data.U32(4)) * 6.0;
    eph.accuracy = HemUraMetres(lnav.uraIndex);
    eph.toc = TimeOf(week, lnav.toc, false);
    return true;
}

bool DecodeHemBdsEphemeris(ByteView b, KeplerEphemeris& eph) {
    eph.Init();
    if (!b.Has(0, 112)) return false;
    const int prn = b.U16(0);
    if (prn == 0 || SatelliteIndex(kSysBds, prn) < 0) return false;
    constexpr double kPi = 3.1415926535898;
    auto s = [&](size_t off, int exp) { return std::ldexp(static_cast<double>(b.I32(off)), exp); };
    auto u = [&](size_t off, int exp) { return std::ldexp(static_cast<double>(b.U32(off)), exp); };
    eph.sysCode = kSysBds;
    eph.prn = prn;
    eph.transmissionTime = b.U32(8);
    const double toc = b.U32(12) * 8.0;
    eph.af0 = s(16, -33);
    eph.af1 = s(20, -50);
    eph.af2 = s(24, -55);
    eph.toe = b.U32(28) * 8.0;
    eph.sqrtA = u(32, -19);
    eph.e = u(36, -33);
    eph.omega = s(40, -31) * kPi;
    eph.deltaN = s(44, -43) * kPi;
    eph.m0 = s(48, -31) * kPi;
    eph.omega0 = s(52, -31) * kPi;
    eph.omegaDot = s(56, -43) * kPi;
    eph.i0 = s(60, -31) * kPi;
    eph.idot = s(64, -43) * kPi;
    eph.cuc = s(68, -31);
    eph.cus = s(72, -31);
    eph.crc = s(76, -6);
    eph.crs = s(80, -6);
    eph.cic = s(84, -31);
    eph.cis = s(88, -31);
    const uint32_t tgds = b.U32(92);
    eph.tgd = static_cast<double>(SignExtend(tgds & 0x3FFu, 10)) * 1e-10;
    eph.tgd2 = static_cast<double>(SignExtend((tgds >> 10) & 0x3FFu, 10)) * 1e-10;
    const uint32_t week = b.U32(96);
    if (!PlausibleWeek(static_cast<int>(week & 0x7FFFFFFFu)) || toc >= kSecondsPerWeek)
        return false;
    eph.week = week;
    const uint32_t flags = b.U32(108);
    eph.iode = flags & 0x1Fu;
    eph.accuracy = HemUraMetres(static_cast<int>((flags >> 5) & 0xFu));
    eph.iodc = (flags >> 9) & 0x1Fu;
    eph.health = (flags >> 14) & 1u;
    eph.toc = TimeOf(static_cast<int>(week), toc, true);
    return true;
}

bool DecodeHemSbasEphemeris(ByteView b, gEphemeris& eph) {
    eph.Init();
    if (!b.Has(0, 56)) return false;
    const int prn = static_cast<int>(b.U8(0)) - 119;
    if (SatelliteIndex(kSysSbas, prn) < 0) return false;
    const int week = b.U16(2);
    const int32_t reference = b.I32(12);
    if (!PlausibleWeek(week) || std::abs(reference) > 2 * static_cast<int32_t>(kSecondsPerWeek))
        return false;
    eph.sysCode = kSysSbas;
    eph.prn = prn;
    eph.sbasTransmissionTime = b.U32(4);
    eph.ageOrIodn = b.U16(8);
    eph.ura = HemUraMetres(b.U16(10));
    eph.epoch = TimeOf(week, reference, false);
    // The block counts metres; the record holds kilometres, as the navigation file prints.
    constexpr double kKm = 0.001;
    eph.x = b.I32(16) * 0.08 * kKm;
    eph.y = b.I32(20) * 0.08 * kKm;
    eph.z = b.I32(24) * 0.4 * kKm;
    eph.vx = b.I32(28) * 0.000625 * kKm;
    eph.vy = b.I32(32) * 0.000625 * kKm;
    eph.vz = b.I32(36) * 0.004 * kKm;
    eph.ax = b.I32(40) * 0.0000125 * kKm;
    eph.ay = b.I32(44) * 0.0000125 * kKm;
    eph.az = b.I32(48) * 0.0000625 * kKm;
    // The clock terms are two's-complement numbers (the broadcast aGf0 and aGf1 are signed).
    eph.aGf0 = std::ldexp(static_cast<double>(b.I16(52)), -31);
    eph.aGf1 = std::ldexp(static_cast<double>(b.I16(54)), -40);
    return true;
}

namespace {

// A 12-byte GLONASS string (three little-endian words, first transmitted bit at the top of the
// first word) as the 85 bits right-aligned in 11 bytes.
std::array<uint8_t, 11> GlonassString(ByteView s) {
    uint8_t be[12];
    for (size_t w = 0; w < 3; ++w) {
        const uint32_t v = s.U32(4 * w);
        be[4 * w] = static_cast<uint8_t>(v >> 24);
        be[4 * w + 1] = static_cast<uint8_t>(v >> 16);
        be[4 * w + 2] = static_cast<uint8_t>(v >> 8);
        be[4 * w + 3] = static_cast<uint8_t>(v);
    }
    // Shift the 96 bits right by 11: interface bit 85 lands at bit 3 of 88.
    std::array<uint8_t, 11> out{};
    for (size_t i = 0; i < 11; ++i) {
        const unsigned hi = i >= 1 ? be[i - 1] : 0u;
        out[i] = static_cast<uint8_t>(((hi << 8 | be[i]) >> 3) & 0xFFu);
    }
    return out;
}

}  // namespace

bool DecodeHemGlonassEphemeris(ByteView b, gEphemeris& eph, int& frequencyNumber) {
    eph.Init();
    if (!b.Has(0, 8 + 5 * 12)) return false;
    const int slot = b.U8(0);
    if (slot == 0 || SatelliteIndex(kSysGlonass, slot) < 0) return false;
    frequencyNumber = static_cast<int>(b.U8(1)) - 8;

    // Strings in the order of their numbers 1..5.
    std::array<std::array<uint8_t, 11>, 5> strings{};
    std::array<bool, 5> have{};
    for (size_t i = 0; i < 5; ++i) {
        const ByteView s = b.Sub(8 + 12 * i, 12);
        const int number = static_cast<int>((s.U32(0) >> 27) & 0xFu);
        if (number < 1 || number > 5) continue;
        strings[static_cast<size_t>(number - 1)] = GlonassString(s);
        have[static_cast<size_t>(number - 1)] = true;
    }
    for (bool h : have) {
        if (!h) return false;
    }
    auto view = [&](size_t k) { return ByteView(strings[k].data(), strings[k].size()); };
    GlonassImmediateData d;
    if (!DecodeGlonassStrings(view(0), view(1), view(2), view(3), d)) return false;
    // String 5: N4 at interface bits 36..32, l_n at bit 9.
    const int n4 = static_cast<int>(BitsMsb(view(4), 88 - 36, 5));
    const bool ln = BitsMsb(view(4), 88 - 9, 1) != 0;
    if (!GlonassReferenceUtc(n4, d.nt, d.tb, eph.epoch)) return false;

    eph.sysCode = kSysGlonass;
    eph.prn = slot;
    eph.frequencyNumber = frequencyNumber;
    double tk = d.tk - 10800.0;
    eph.tk = tk < 0.0 ? tk + 86400.0 : tk;
    eph.x = d.x;
    eph.vx = d.vx;
    eph.ax = d.ax;
    eph.y = d.y;
    eph.vy = d.vy;
    eph.ay = d.ay;
    eph.z = d.z;
    eph.vz = d.vz;
    eph.az = d.az;
    eph.health = ((d.bn >> 2) & 1) != 0 || ln ? 1 : 0;
    eph.gammaN = d.gammaN;
    eph.tauN = d.tauN;
    eph.ageOrIodn = d.en;
    return true;
}

bool DecodeHemIonUtc(ByteView b, IonoUtcParams& set, int32_t& leapSeconds) {
    if (!b.Has(0, 96)) return false;
    set.Init();
    set.alpha0 = b.F64(0);
    set.alpha1 = b.F64(8);
    set.alpha2 = b.F64(16);
    set.alpha3 = b.F64(24);
    set.beta0 = b.F64(32);
    set.beta1 = b.F64(40);
    set.beta2 = b.F64(48);
    set.beta3 = b.F64(56);
    set.a0 = b.F64(64);
    set.a1 = b.F64(72);
    for (double v : {set.alpha0, set.alpha1, set.alpha2, set.alpha3, set.beta0, set.beta1,
                     set.beta2, set.beta3, set.a0, set.a1}) {
        if (!std::isfinite(v)) return false;
    }
    set.utcTime = static_cast<int32_t>(b.U32(80));
    set.utcWeek = b.U16(84);
    set.valid = 1;
    leapSeconds = b.I16(90);
    return true;
}

bool DecodeHemEvent(ByteView b, int& week, double& sow) {
    if (!b.Has(0, 10)) return false;
    sow = b.F64(0);
    week = b.U16(8);
    return PlausibleWeek(week) && std::isfinite(sow) && sow >= 0.0 && sow < kSecondsPerWeek;
}

// ---- block 80: SBAS messages ----------------------------------------------------------------

bool FormatHemSbasMessage(ByteView b, int week, std::string& line) {
    if (!b.Has(0, 40)) return false;
    uint32_t words[8];
    for (size_t i = 0; i < 8; ++i) words[i] = b.U32(8 + 4 * i);
    const uint32_t preamble = words[0] >> 24;
    if (preamble != 0x53 && preamble != 0x9A && preamble != 0xC6) return false;

    // The 226 bits before the parity, behind six zero bits (which leave the CRC unchanged),
    // make 29 whole bytes; the parity is message bits 226..249.
    uint8_t bytes[32];
    for (size_t i = 0; i < 8; ++i) {
        bytes[4 * i] = static_cast<uint8_t>(words[i] >> 24);
        bytes[4 * i + 1] = static_cast<uint8_t>(words[i] >> 16);
        bytes[4 * i + 2] = static_cast<uint8_t>(words[i] >> 8);
        bytes[4 * i + 3] = static_cast<uint8_t>(words[i]);
    }
    const ByteView message(bytes, sizeof bytes);
    uint8_t padded[29];
    for (size_t i = 0; i < 29; ++i) {
        const size_t bitPos = 8 * i;  // of the padded stream; message bit = bitPos - 6
        padded[i] = static_cast<uint8_t>(bitPos == 0 ? BitsMsb(message, 0, 2)
                                                     : BitsMsb(message, bitPos - 6, 8));
    }
    const uint32_t parity = static_cast<uint32_t>(BitsMsb(message, 226, 24));
    if (Crc24q(ByteView(padded, sizeof padded)) != parity) return false;

    const uint32_t seconds = b.U32(4);
    if (!PlausibleWeek(week) || seconds >= kSecondsPerWeek) return false;
    const GnssTime t = TimeOf(week, seconds, false);
    if (t.year < 2001) return false;
    const int type = static_cast<int>((words[0] >> 18) & 0x3Fu);
    char text[128];
    int n = std::snprintf(text, sizeof text, "%3d %02d %02d %02d %02d %02d %02d %2d ",
                          static_cast<int>(b.U16(0)), t.year - 2000, t.month, t.day, t.hour,
                          t.minute, static_cast<int>(t.second), type);
    if (n <= 0) return false;
    line.assign(text, static_cast<size_t>(n));
    for (uint32_t w : words) {
        std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(w));
        line += text;
    }
    line += '\n';
    return true;
}

}  // namespace kestrin
