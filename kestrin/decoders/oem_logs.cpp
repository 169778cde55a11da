#include "decoders/oem_logs.h"

#include <cmath>

#include "core/gnss_time.h"
#include "decoders/navwords/glonass_strings.h"
#include "decoders/navwords/gps_lnav.h"
#include "decoders/navwords/accuracy.h"
#include "decoders/obs_rules.h"
#include "rinex/obs_codes.h"

namespace kestrin {

namespace {

constexpr uint8_t kSync[3] = {0xAA, 0x44, 0x12};
constexpr size_t kRangeBlock = 44;
constexpr size_t kRangeCmpBlock = 24;
constexpr double kPhaseRollover = 8388608.0;  // 2^23 cycles
constexpr double kBdsRangeWrap = 33554431.0;

// Tracking-status word fields (channel tracking status of the range logs: bits 0-4 tracking
// state, 5-9 channel, 10 phase locked, 11 parity known, 12 code locked). A phase whose parity
// is not yet known may still be off by half a cycle: it carries the half-cycle bit (bit 1) of
// the loss-of-lock flags, not the slip bit.
constexpr uint32_t kPhaseLocked = 1u << 10;
constexpr uint32_t kParityKnown = 1u << 11;
constexpr uint32_t kCodeLocked = 1u << 12;
constexpr uint32_t kHalfCycleBit = 2u;
int StatusSystem(uint32_t status) {
    return static_cast<int>((status >> 16) & 7u);
}
int StatusSignal(uint32_t status) {
    return static_cast<int>((status >> 21) & 31u);
}

constexpr double kAccuracyTable[16] = {2.4,  3.4,  4.85, 6.85,  9.65,  13.65, 24.0,   48.0,
                                       96.0, 192., 384., 768.0, 1536., 3072., 6144.0, 32767.0};

double Finite(double v) {
    return std::isfinite(v) ? v : 0.0;
}
double SqrtOrZero(double v) {
    return v > 0.0 && std::isfinite(v) ? std::sqrt(v) : 0.0;
}

// Wavelength for the phase rules: GLONASS with the slot table's number, others unknown.
double RuleWavelength(int32_t sysCode, int32_t prn, int slot, const GlonassSlotTable& slots) {
    int k = kUnknownGlonassChannel;
    if (sysCode == kSysGlonass && prn > 0 && prn < kGlonassSlots) k = slots[prn];
    return CarrierWavelength(sysCode, slot, k);
}

// Maps a BeiDou number of the observation logs and detects the board variant from it.
int MapBdsNumber(int number, int32_t& dataType) {
    if (number <= 140) return number;
    if (dataType == 1 || dataType == 2) {
        if (number <= 160) {
            dataType = 5;
            return number - 140;
        }
        dataType = 6;
        return number - 160;
    }
    if (dataType == 6) return number > 160 ? number - 160 : number;
    if (dataType == 5) return number - 140;
    return number;
}

struct SlotPair {
    int type;
    int slot;
};
template <size_t N>
int Lookup(const SlotPair (&table)[N], int type) {
    for (const SlotPair& p : table) {
        if (p.type == type) return p.slot;
    }
    return -1;
}

// Week and seconds a calendar conversion can take; corrupt values are refused.
bool ValidTime(double week, double sow) {
    return week >= 0.0 && week < 20000.0 && std::isfinite(sow) && std::fabs(sow) < 1.0e7;
}

GnssTime GpsTime(int week, double sow) {
    GnssTime t;
    t.week = week;
    t.sow = sow;
    GpsToCalendar(t);
    return t;
}
GnssTime BdsTime(int week, double sow) {
    GnssTime t;
    t.week = week;
    t.sow = sow;
    BdsToCalendar(t);
    return t;
}

}  // namespace

bool ReadOemFrameHeader(ByteView frame, OemFrameHeader& header) {
    if (!frame.Has(0, 20)) return false;
    for (size_t i = 0; i < 3; ++i) {
        if (frame.U8(i) != kSync[i]) return false;
    }
    header.headerLength = frame.U8(3);
    header.messageId = frame.U16(4);
    header.messageLength = frame.U16(8);
    header.week = frame.U16(14);
    header.msOfWeek = frame.I32(16);
    return true;
}

GnssTime OemFrameTime(const OemFrameHeader& header) {
    return GpsTime(header.week, header.msOfWeek * 0.001);
}

bool OemSatellite(uint32_t status, int rawPrn, bool compressed, int32_t& dataType, int32_t& sysCode,
                  int32_t& prn) {
    int n = rawPrn;
    switch (StatusSystem(status)) {
        case 0:
            sysCode = kSysGps;
            break;
        case 1:
            sysCode = kSysGlonass;
            if (n > (compressed ? 37 : 36)) n -= 37;
            break;
        case 2:
            sysCode = kSysSbas;
            if (n >= 120) n -= 119;  // PRN 120..158; the QZSS SAIF numbers 183.. fall outside
            break;
        case 3:
            sysCode = kSysGalileo;
            break;
        case 4:
            sysCode = kSysBds;
            n = MapBdsNumber(n, dataType);
            break;
        case 5:
            sysCode = kSysQzss;
            if (compressed ? n > 192 : n >= 192) n -= 192;
            break;
        default:
            return false;
    }
    prn = n;
    return InSatelliteTable(sysCode, prn);
}

int OemSignalSlot(int32_t dataType, int32_t sysCode, int signalType) {
    static const SlotPair kGps[] = {{0, 0}, {5, 9}, {9, 11}, {14, 20}, {17, 16}};
    static const SlotPair kGps5[] = {{0, 0}, {2, 20}, {5, 9}, {9, 11}, {17, 16}};
    static const SlotPair kGlonass[] = {{0, 1}, {1, 3}, {5, 2}};
    static const SlotPair kGlonass6[] = {{0, 1}, {5, 2}};
    static const SlotPair kSbas[] = {{0, 0}, {6, 1}};
    static const SlotPair kSbas5[] = {{0, 0}};
    static const SlotPair kGalileo[] = {{1, 2}, {2, 0}, {12, 6}, {17, 9}, {20, 12}};
    static const SlotPair kBds[] = {{0, 0}, {4, 0}, {1, 3}, {5, 3}, {2, 6}, {6, 6}};
    static const SlotPair kBds5[] = {{0, 0}, {17, 3}, {2, 6}};
    static const SlotPair kBds6[] = {{0, 0}, {17, 3}, {21, 6}};
    static const SlotPair kQzss[] = {{0, 0}, {14, 9}, {17, 5}};

    switch (sysCode) {
        case kSysGps:
            return dataType == 5 ? Lookup(kGps5, signalType) : Lookup(kGps, signalType);
        case kSysGlonass:
            return dataType == 6 ? Lookup(kGlonass6, signalType) : Lookup(kGlonass, signalType);
        case kSysSbas:
            if (dataType == 6) return -1;
            return dataType == 5 ? Lookup(kSbas5, signalType) : Lookup(kSbas, signalType);
        case kSysGalileo:
            return (dataType == 5 || dataType == 6) ? -1 : Lookup(kGalileo, signalType);
        case kSysBds:
            if (dataType == 5) return Lookup(kBds5, signalType);
            if (dataType == 6) return Lookup(kBds6, signalType);
            return Lookup(kBds, signalType);
        case kSysQzss:
            return (dataType == 5 || dataType == 6) ? -1 : Lookup(kQzss, signalType);
        default:
            return -1;
    }
}

bool DecodeOemRange(ByteView body, const GnssTime& time, OemObsContext& ctx, OBSERVATIONS& epoch) {
    epoch.Init();
    epoch.time = time;
    if (!body.Has(0, 4)) return false;
    size_t count = body.U32(0);
    size_t fit = (body.size() - 4) / kRangeBlock;
    if (count > fit) count = fit;

    size_t i = 0;
    while (i < count) {
        ByteView first = body.Sub(4 + i * kRangeBlock, kRangeBlock);
        uint32_t status = first.U32(40);
        int rawPrn = first.U16(0);
        int32_t sysCode = 0, prn = 0;
        if (!OemSatellite(status, rawPrn, false, ctx.dataType, sysCode, prn)) {
            ++i;
            continue;
        }
        int rawSystem = StatusSystem(status);

        int found = FindSatellite(sysCode, prn, epoch.sats);
        SatelliteData fresh;
        fresh.sysCode = sysCode;
        fresh.prn = prn;
        SatelliteData& sat = found >= 0 ? epoch.sats[found] : fresh;
        if (sysCode == kSysGlonass) {
            int k = static_cast<int>(first.U16(2)) - 7;
            sat.glonassChannel = k;
            if (k >= -7 && k <= 13) ctx.info.glonassChannels[prn] = static_cast<int16_t>(k);
        }

        // This block and the following ones of the same satellite.
        do {
            ByteView b = body.Sub(4 + i * kRangeBlock, kRangeBlock);
            uint32_t st = b.U32(40);
            ++i;
            int slot = OemSignalSlot(ctx.dataType, sysCode, StatusSignal(st));
            if (slot < 0) continue;

            BlockData block;
            block.signalType = slot;
            block.pseudorange = Finite(b.F64(4));
            block.carrierPhase = std::fabs(Finite(b.F64(16)));
            block.doppler = Finite(b.F32(28));
            block.snr = Finite(b.F32(32));
            block.lockTime = Finite(b.F32(36));
            if (!(st & kPhaseLocked)) {
                block.lli |= 1u;
                if (ctx.phaseBlanking) block.carrierPhase = -0.0;
            }
            if (!(st & kParityKnown)) block.lli |= kHalfCycleBit;
            if (!(st & kCodeLocked)) block.pseudorange = 0.0;

            double lambda = RuleWavelength(sysCode, prn, slot, ctx.glonassSlots);
            if (ctx.dataType == 5 && lambda != 0.0 &&
                std::fabs(block.pseudorange / lambda - block.carrierPhase) >= 100000.0) {
                double n =
                    std::round((block.pseudorange / lambda + block.carrierPhase) / kPhaseRollover);
                block.carrierPhase = -(block.carrierPhase - n * kPhaseRollover);
            }
            AddOrReplaceBlock(sat, block, lambda, true);
            MarkSlotUsed(ctx.info, sysCode, prn, slot);
        } while (i < count && body.U16(4 + i * kRangeBlock) == rawPrn &&
                 StatusSystem(body.U32(4 + i * kRangeBlock + 40)) == rawSystem);

        if (found < 0 && !fresh.blocks.empty()) epoch.sats.push_back(std::move(fresh));
    }
    return true;
}

bool DecodeOemRangeCmp(ByteView body, const GnssTime& time, OemObsContext& ctx,
                       OBSERVATIONS& epoch) {
    epoch.Init();
    epoch.time = time;
    if (!body.Has(0, 4)) return false;
    size_t count = body.U32(0);
    size_t fit = (body.size() - 4) / kRangeCmpBlock;
    if (count > fit) count = fit;

    for (size_t i = 0; i < count; ++i) {
        ByteView b = body.Sub(4 + i * kRangeCmpBlock, kRangeCmpBlock);
        uint32_t status = b.U32(0);
        int32_t sysCode = 0, prn = 0;
        if (!OemSatellite(status, b.U8(17), true, ctx.dataType, sysCode, prn)) continue;
        int slot = OemSignalSlot(ctx.dataType, sysCode, StatusSignal(status));
        if (slot < 0) continue;

        uint32_t dopplerBits = b.U32(4) & 0x0FFFFFFFu;
        int32_t dopplerRaw = (dopplerBits & 0x08000000u)
                                 ? static_cast<int32_t>(dopplerBits) - 0x10000000
                                 : static_cast<int32_t>(dopplerBits);
        uint64_t rangeRaw = (static_cast<uint64_t>(b.U32(8)) << 4) | (b.U8(7) >> 4);
        double adr = b.I32(12) / 256.0;

        BlockData block;
        block.signalType = slot;
        block.doppler = dopplerRaw / 256.0;
        block.pseudorange = static_cast<double>(rangeRaw) / 128.0;
        block.lockTime = (b.U32(18) & 0x1FFFFFu) / 32.0;
        block.snr = static_cast<double>(((b.U8(21) & 3u) << 3) | (b.U8(20) >> 5)) + 20.0;
        if (sysCode == kSysBds && block.pseudorange < 1e7) block.pseudorange += kBdsRangeWrap;

        double lambda = RuleWavelength(sysCode, prn, slot, ctx.glonassSlots);
        if (status & kCodeLocked) {
            if (lambda != 0.0) {
                double n = std::round((block.pseudorange / lambda + adr) / kPhaseRollover);
                block.carrierPhase = -(adr - n * kPhaseRollover);
            } else {
                block.carrierPhase = -adr;  // no wavelength: the phase cannot be re-based
            }
        } else {
            block.pseudorange = 0.0;
            block.carrierPhase = 0.0;
        }
        if (!(status & kPhaseLocked)) {
            block.lli |= 1u;
            if (ctx.phaseBlanking) block.carrierPhase = -0.0;
        }
        if (!(status & kParityKnown)) block.lli |= kHalfCycleBit;

        int found = FindSatellite(sysCode, prn, epoch.sats);
        if (found >= 0) {
            AddOrReplaceBlock(epoch.sats[found], block, lambda, false);
        } else {
            SatelliteData sat;
            sat.sysCode = sysCode;
            sat.prn = prn;
            if (sysCode == kSysGlonass) sat.glonassChannel = ctx.glonassSlots[prn];
            sat.blocks.push_back(block);
            epoch.sats.push_back(std::move(sat));
        }
        MarkSlotUsed(ctx.info, sysCode, prn, slot);
    }
    return true;
}

// ---- Keplerian ephemerides ---------------------------------------------------------------

namespace {

// The orbit fields shared by GPSEPHEM and its QZSS / BDS twins, from the time of ephemeris on.
void ReadGpsEphemOrbit(const ByteView& b, KeplerEphemeris& eph) {
    eph.toe = b.F64(32);
    eph.deltaN = b.F64(48);
    eph.m0 = b.F64(56);
    eph.e = b.F64(64);
    eph.omega = b.F64(72);
    eph.cuc = b.F64(80);
    eph.cus = b.F64(88);
    eph.crc = b.F64(96);
    eph.crs = b.F64(104);
    eph.cic = b.F64(112);
    eph.cis = b.F64(120);
    eph.i0 = b.F64(128);
    eph.idot = b.F64(136);
    eph.omega0 = b.F64(144);
    eph.omegaDot = b.F64(152);
    eph.iodc = b.U32(160);
}

// GPSEPHEM and QZSSEPHEMERIS share one layout; QZSS numbers its satellites from 193.
bool ReadGpsEphemLayout(const ByteView& b, int32_t sysCode, int32_t prnBase, KeplerEphemeris& eph) {
    eph.sysCode = sysCode;
    eph.prn = static_cast<int32_t>(b.U32(0)) - prnBase;
    if (!InSatelliteTable(eph.sysCode, eph.prn)) return false;
    eph.transmissionTime = b.F64(4);
    // The word at 12 is the satellite's 6-bit health code as broadcast, nothing else: read
    // as packed flags it would turn health codes 1-15 into "healthy". The log carries no
    // L2 codes, L2 P flag or fit flag: those stay 0 and 4 h.
    eph.health = b.U32(12);
    eph.iode = b.U32(16);
    eph.week = b.U32(24);
    ReadGpsEphemOrbit(b, eph);
    eph.sqrtA = SqrtOrZero(b.F64(40));
    const double toc = b.F64(164);
    eph.tgd = b.F64(172);
    eph.af0 = b.F64(180);
    eph.af1 = b.F64(188);
    eph.af2 = b.F64(196);
    eph.accuracy = SqrtOrZero(b.F64(216));
    if (!ValidTime(eph.week, toc)) return false;
    eph.toc = GpsTime(static_cast<int>(eph.week), toc);
    return true;
}

}  // namespace

bool DecodeOemGpsEphem(ByteView b, KeplerEphemeris& eph) {
    eph.Init();
    return b.Has(0, 224) && ReadGpsEphemLayout(b, kSysGps, 0, eph);
}

bool DecodeOemQzssEphemeris(ByteView b, KeplerEphemeris& eph) {
    eph.Init();
    if (!b.Has(0, 225) || !ReadGpsEphemLayout(b, kSysQzss, 192, eph)) return false;
    // QZSS adds its fit interval, in hours, after the URA variance.
    eph.fitInterval = b.U8(224);
    return true;
}

bool DecodeOemBdsEphemOld(ByteView b, KeplerEphemeris& eph) {
    eph.Init();
    if (!b.Has(0, 232)) return false;
    eph.sysCode = kSysBds;
    int prn = static_cast<int>(b.U32(0));
    if (prn > 160) prn -= 160;
    eph.prn = prn;
    if (!InSatelliteTable(eph.sysCode, eph.prn)) return false;
    eph.transmissionTime = b.F64(4);
    eph.health = b.U32(12);
    eph.iode = b.U32(16);
    eph.week = static_cast<double>(b.U32(24)) - 1356.0;
    ReadGpsEphemOrbit(b, eph);
    eph.sqrtA = SqrtOrZero(b.F64(40));
    double toc = b.F64(164);
    eph.tgd = b.F64(172);
    eph.tgd2 = b.F64(180);
    eph.af0 = b.F64(188);
    eph.af1 = b.F64(196);
    eph.af2 = b.F64(204);
    eph.accuracy = SqrtOrZero(b.F64(224));
    if (!ValidTime(eph.week, toc)) return false;
    eph.toc = BdsTime(static_cast<int>(eph.week), toc);
    return true;
}

bool DecodeOemBdsEphemeris(ByteView b, KeplerEphemeris& eph) {
    eph.Init();
    if (!b.Has(0, 196)) return false;
    eph.sysCode = kSysBds;
    eph.prn = static_cast<int32_t>(b.U32(0));
    if (!InSatelliteTable(eph.sysCode, eph.prn)) return false;
    eph.week = b.U32(4);
    eph.accuracy = b.F64(8);
    eph.health = b.U32(16);
    eph.tgd = b.F64(20);
    eph.tgd2 = b.F64(28);
    eph.iodc = b.U32(36);
    double toc = b.U32(40);
    eph.af0 = b.F64(44);
    eph.af1 = b.F64(52);
    eph.af2 = b.F64(60);
    eph.iode = b.U32(68);
    eph.toe = b.U32(72);
    eph.sqrtA = b.F64(76);
    eph.e = b.F64(84);
    eph.omega = b.F64(92);
    eph.deltaN = b.F64(100);
    eph.m0 = b.F64(108);
    eph.omega0 = b.F64(116);
    eph.omegaDot = b.F64(124);
    eph.i0 = b.F64(132);
    eph.idot = b.F64(140);
    eph.cuc = b.F64(148);
    eph.cus = b.F64(156);
    eph.crc = b.F64(164);
    eph.crs = b.F64(172);
    eph.cic = b.F64(180);
    eph.cis = b.F64(188);
    if (!ValidTime(eph.week, toc)) return false;
    eph.toc = BdsTime(static_cast<int>(eph.week), toc);
    return true;
}

bool DecodeOemDecodedEphem(ByteView b, KeplerEphemeris& eph) {
    eph.Init();
    if (!b.Has(0, 200)) return false;
    int prn = b.U8(4);
    eph.health = b.U8(3);
    eph.iodc = b.U16(10);
    int accuracyIndex = b.U16(12);
    eph.accuracy = kAccuracyTable[accuracyIndex >= 15 ? 15 : accuracyIndex];
    int week = b.U16(14);
    eph.iode = b.I32(16);
    eph.transmissionTime = b.I32(20);
    eph.toe = b.F64(24);
    double toc = b.F64(32);
    eph.af2 = b.F64(40);
    eph.af1 = b.F64(48);
    eph.af0 = b.F64(56);
    eph.m0 = b.F64(64);
    eph.deltaN = b.F64(72);
    eph.e = b.F64(80);
    eph.sqrtA = b.F64(88);
    eph.omega0 = b.F64(96);
    eph.i0 = b.F64(104);
    eph.omega = b.F64(112);
    eph.omegaDot = b.F64(120);
    eph.idot = b.F64(128);
    eph.cuc = b.F64(136);
    eph.cus = b.F64(144);
    eph.crc = b.F64(152);
    eph.crs = b.F64(160);
    eph.cic = b.F64(168);
    eph.cis = b.F64(176);
    eph.tgd = b.F64(184);
    eph.tgd2 = b.F64(192);
    if (!ValidTime(week + 1024, toc)) return false;
    if (prn <= 140) {
        eph.sysCode = kSysGps;
        eph.prn = prn;
        week += 1024;
        eph.week = week;
        eph.toc = GpsTime(week, toc);
    } else {
        eph.sysCode = kSysBds;
        eph.prn = prn - 140;
        eph.week = week;
        eph.toc = BdsTime(week, toc);
    }
    return InSatelliteTable(eph.sysCode, eph.prn);
}

bool DecodeOemRawEphem(ByteView b, KeplerEphemeris& eph) {
    eph.Init();
    LnavEphemeris lnav;
    if (!b.Has(0, 12 + 90) ||
        !DecodeLnavSubframes(b.Sub(12, 30), b.Sub(42, 30), b.Sub(72, 30), lnav)) {
        return false;
    }
    eph.sysCode = kSysGps;
    eph.prn = static_cast<int32_t>(b.U32(0));
    if (!InSatelliteTable(eph.sysCode, eph.prn)) return false;
    int refWeek = static_cast<int>(b.U32(4));
    double refSeconds = b.U32(8);

    // The broadcast week has ten bits; the log's reference week resolves the rollover.
    int week = lnav.week10 + 1024;
    if (refWeek > 0 && refWeek < 65536) {
        week = lnav.week10 + 1024 * static_cast<int>(std::lround((refWeek - lnav.week10) / 1024.0));
    }
    eph.week = week;
    eph.codesOnL2 = lnav.codesOnL2;
    eph.accuracy = kAccuracyTable[lnav.uraIndex & 15];
    eph.health = lnav.health;
    eph.iodc = lnav.iodc;
    eph.l2PFlag = lnav.l2PFlag;
    eph.tgd = lnav.tgd;
    eph.af2 = lnav.af2;
    eph.af1 = lnav.af1;
    eph.af0 = lnav.af0;
    eph.iode = lnav.iode;
    eph.crs = lnav.crs;
    eph.deltaN = lnav.deltaN;
    eph.m0 = lnav.m0;
    eph.cuc = lnav.cuc;
    eph.e = lnav.e;
    eph.cus = lnav.cus;
    eph.sqrtA = lnav.sqrtA;
    eph.toe = lnav.toe;
    eph.cic = lnav.cic;
    eph.omega0 = lnav.omega0;
    eph.cis = lnav.cis;
    eph.i0 = lnav.i0;
    eph.crc = lnav.crc;
    eph.omega = lnav.omega;
    eph.omegaDot = lnav.omegaDot;
    eph.idot = lnav.idot;
    eph.fitInterval = lnav.fitFlag ? 6.0 : 4.0;
    eph.transmissionTime = lnav.toe;
    if (!ValidTime(refWeek, refSeconds)) return false;
    eph.toc = GpsTime(refWeek, refSeconds);
    return true;
}

bool DecodeOemGalEphemeris(ByteView b, int headerWeek, double headerSow, KeplerEphemeris& eph) {
    eph.Init();
    if (!b.Has(0, 220)) return false;
    eph.sysCode = kSysGalileo;
    eph.prn = static_cast<int32_t>(b.U32(0));
    if (!InSatelliteTable(eph.sysCode, eph.prn)) return false;
    bool fnav = b.U32(4) != 0;
    bool inav = b.U32(8) != 0;
    uint8_t e1bHealth = inav ? b.U8(12) : 0, e5aHealth = fnav ? b.U8(13) : 0,
            e5bHealth = inav ? b.U8(14) : 0;
    uint8_t e1bValid = inav ? b.U8(15) : 0, e5aValid = fnav ? b.U8(16) : 0,
            e5bValid = inav ? b.U8(17) : 0;
    eph.accuracy = SisaMeters(b.U8(18));
    eph.iode = b.U32(20);
    eph.toe = b.U32(24);
    eph.sqrtA = b.F64(28);
    eph.deltaN = b.F64(36);
    eph.m0 = b.F64(44);
    eph.e = b.F64(52);
    eph.omega = b.F64(60);
    eph.cuc = b.F64(68);
    eph.cus = b.F64(76);
    eph.crc = b.F64(84);
    eph.crs = b.F64(92);
    eph.cic = b.F64(100);
    eph.cis = b.F64(108);
    eph.i0 = b.F64(116);
    eph.idot = b.F64(124);
    eph.omega0 = b.F64(132);
    eph.omegaDot = b.F64(140);
    // The record carries one clock: the I/NAV one when the log has I/NAV data, else the F/NAV
    // one. The data-source word names the message the record comes from by the log's own
    // "received" flags (bytes 15..17 are data validity states, not sources): I/NAV on E1-B
    // with the E5b/E1 clock (bits 0 and 9), or F/NAV on E5a with the E5a/E1 clock (bits 1, 8).
    double toc = 0;
    uint32_t sources = 0;
    if (inav) {
        toc = b.U32(176);
        eph.af0 = b.F64(180);
        eph.af1 = b.F64(188);
        eph.af2 = b.F64(196);
        eph.tgd2 = b.F64(212);
        sources = (1u << 0) | (1u << 9);
    } else if (fnav) {
        toc = b.U32(148);
        eph.af0 = b.F64(152);
        eph.af1 = b.F64(160);
        eph.af2 = b.F64(168);
        sources = (1u << 1) | (1u << 8);
    }
    eph.tgd = b.F64(204);
    eph.dataSources = sources;
    // Health word: per signal its data validity state (1 bit) and 2-bit health state.
    uint32_t health = 0;
    health |= (e1bValid & 1u) | (static_cast<uint32_t>(e1bHealth & 3u) << 1);
    health |=
        (static_cast<uint32_t>(e5aValid & 1u) << 3) | (static_cast<uint32_t>(e5aHealth & 3u) << 4);
    health |=
        (static_cast<uint32_t>(e5bValid & 1u) << 6) | (static_cast<uint32_t>(e5bHealth & 3u) << 7);
    eph.health = health;
    eph.transmissionTime = eph.toe;
    int week = headerWeek;
    if (toc - headerSow > 302400.0) {
        --week;
    } else if (headerSow - toc > 302400.0) {
        ++week;
    }
    eph.week = week;
    if (!ValidTime(week, toc)) return false;
    eph.toc = GpsTime(week, toc);
    return true;
}

// ---- GLONASS ephemerides -----------------------------------------------------------------

namespace {

// GPS reference time of a GLONASS log to the UTC-based time of the navigation record.
GnssTime GlonassReferenceTime(int week, double sow, int32_t& leapSeconds) {
    GnssTime t = GpsTime(week, sow);
    if (leapSeconds == 0) leapSeconds = LeapSecondsAt(t);
    t = ShiftTime(t, -leapSeconds);
    GpsToCalendar(t);
    return t;
}

// Moscow time of day (tk) to seconds of the UTC day: three hours back, wrapped into the day.
double UtcFrameTime(double moscowSeconds) {
    double t = moscowSeconds - 10800.0;
    return t < 0.0 ? t + 86400.0 : t;
}

void LearnFrequencyNumber(OemGlonassContext& ctx, int slot, int k) {
    if (k < -7 || k > 13) return;
    ctx.info.glonassChannels[slot] = static_cast<int16_t>(k);
    if (ctx.glonassSlots[slot] != k) ctx.glonassSlots[slot] = static_cast<int8_t>(k);
}

}  // namespace

bool DecodeOemGloEphemeris(ByteView b, OemGlonassContext& ctx, gEphemeris& eph) {
    eph.Init();
    if (!b.Has(0, 140)) return false;
    int slot = b.U16(0);
    if (slot == 0) return false;
    if (slot > 37) slot -= 37;
    if (!InSatelliteTable(kSysGlonass, slot)) return false;
    int k = static_cast<int>(b.U16(2)) - 7;
    eph.sysCode = kSysGlonass;
    eph.prn = slot;
    eph.frequencyNumber = k;
    eph.epoch = GlonassReferenceTime(b.U16(6), b.U32(8) * 0.001, ctx.leapSeconds);
    eph.health = b.U32(24);
    eph.x = b.F64(28) * 0.001;
    eph.y = b.F64(36) * 0.001;
    eph.z = b.F64(44) * 0.001;
    eph.vx = b.F64(52) * 0.001;
    eph.vy = b.F64(60) * 0.001;
    eph.vz = b.F64(68) * 0.001;
    eph.ax = b.F64(76) * 0.001;
    eph.ay = b.F64(84) * 0.001;
    eph.az = b.F64(92) * 0.001;
    eph.tauN = b.F64(100);
    eph.gammaN = b.F64(116);
    eph.tk = UtcFrameTime(static_cast<double>(b.U32(124)));
    eph.ageOrIodn = b.U32(136);
    LearnFrequencyNumber(ctx, slot, k);
    return true;
}

bool DecodeOemGloRawEphem(ByteView b, OemGlonassContext& ctx, gEphemeris& eph) {
    eph.Init();
    GlonassImmediateData d;
    if (!b.Has(0, 20 + 4 * 12) ||
        !DecodeGlonassStrings(b.Sub(20, 11), b.Sub(32, 11), b.Sub(44, 11), b.Sub(56, 11), d)) {
        return false;
    }
    int slot = b.U16(0);
    if (slot == 0) return false;
    if (slot >= 38) slot -= 37;
    if (!InSatelliteTable(kSysGlonass, slot)) return false;
    int k = static_cast<int>(b.U16(2)) - 7;
    eph.sysCode = kSysGlonass;
    eph.prn = slot;
    eph.frequencyNumber = k;
    eph.epoch = GlonassReferenceTime(static_cast<int>(b.U32(8) & 0xFFFFu), b.U32(12) * 0.001,
                                     ctx.leapSeconds);
    eph.tk = UtcFrameTime(d.tk);
    eph.x = d.x;
    eph.vx = d.vx;
    eph.ax = d.ax;
    eph.y = d.y;
    eph.vy = d.vy;
    eph.ay = d.ay;
    eph.z = d.z;
    eph.vz = d.vz;
    eph.az = d.az;
    eph.health = (d.bn >> 2) & 1;
    eph.gammaN = d.gammaN;
    eph.tauN = d.tauN;
    eph.ageOrIodn = d.en;
    LearnFrequencyNumber(ctx, slot, k);
    return true;
}

// ---- Ionosphere / UTC and marks ------------------------------------------------------------

bool DecodeOemIonUtc(ByteView b, IonoUtcParams& set, int32_t& leapSeconds) {
    if (!b.Has(0, 108)) return false;
    set.Init();
    set.alpha0 = b.F64(0);
    set.alpha1 = b.F64(8);
    set.alpha2 = b.F64(16);
    set.alpha3 = b.F64(24);
    set.beta0 = b.F64(32);
    set.beta1 = b.F64(40);
    set.beta2 = b.F64(48);
    set.beta3 = b.F64(56);
    set.utcWeek = static_cast<int32_t>(b.U32(64));
    set.utcTime = static_cast<int32_t>(b.U32(68));
    set.a0 = b.F64(72);
    set.a1 = b.F64(80);
    set.valid = 1;
    leapSeconds = b.I32(96);
    return true;
}

bool DecodeOemBdsIono(ByteView b, IonoUtcParams& set) {
    if (!b.Has(0, 68)) return false;
    set.Init();
    set.alpha0 = b.F64(4);
    set.alpha1 = b.F64(12);
    set.alpha2 = b.F64(20);
    set.alpha3 = b.F64(28);
    set.beta0 = b.F64(36);
    set.beta1 = b.F64(44);
    set.beta2 = b.F64(52);
    set.beta3 = b.F64(60);
    set.valid = 1;
    return true;
}

bool DecodeOemGalIono(ByteView b, IonoUtcParams& set) {
    if (!b.Has(0, 24)) return false;
    set.Init();
    set.alpha0 = b.F64(0);
    set.alpha1 = b.F64(8);
    set.alpha2 = b.F64(16);
    set.valid = 1;
    return true;
}

bool DecodeOemMark(ByteView b, uint16_t messageId, uint16_t eventNumber, EventMark& mark) {
    mark.Init();
    if (!b.Has(0, 12)) return false;
    switch (messageId) {
        case kOemMarkTime:
            mark.port = 1;
            break;
        case kOemMark2Time:
            mark.port = 2;
            break;
        case kOemMark3Time:
            mark.port = 3;
            break;
        case kOemMark4Time:
            mark.port = 4;
            break;
        default:
            return false;
    }
    mark.kind = 5;
    mark.eventNumber = eventNumber;
    uint32_t week = b.U32(0);
    double sow = b.F64(4);
    if (!ValidTime(week, sow)) return false;
    mark.eventTime = GpsTime(static_cast<int>(week), sow);
    return true;
}

}  // namespace kestrin
