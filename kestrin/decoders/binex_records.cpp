#include "decoders/binex_records.h"

#include <cmath>

#include "core/gnss_time.h"
#include "decoders/navwords/accuracy.h"
#include "decoders/obs_rules.h"
#include "rinex/obs_codes.h"

namespace kestrin {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kMinValidYear = 1981, kMaxValidYear = 2079;

double Finite(double v) {
    return std::isfinite(v) ? v : 0.0;
}

// ---- time -------------------------------------------------------------------------------

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

// The time tag of the observation subrecords: minutes since the GPS time origin and
// milliseconds.
bool ReadEpochTime(ByteCursor& c, GnssTime& t) {
    const uint32_t minutes = c.U32();
    const uint16_t ms = c.U16();
    if (!c.ok()) return false;
    t = GpsTime(static_cast<int>(minutes / 10080u), (minutes % 10080u) * 60.0 + ms * 0.001);
    return true;
}

bool PlausibleYear(const GnssTime& t) {
    return t.year >= kMinValidYear && t.year <= kMaxValidYear;
}

// Week and seconds a calendar conversion can take; corrupt values are refused.
bool ValidWeekTime(double week, double sow) {
    return week >= 0.0 && week < 20000.0 && std::isfinite(sow) && std::fabs(sow) < 1.0e7;
}

// ---- observations: shared pieces ------------------------------------------------------------

// Receiver clock term: 3 bytes whose top two bits say whether the low 22 bits (signed
// nanoseconds) hold a value.
void ReadClockTerm(ByteCursor& c, OBSERVATIONS& epoch) {
    const uint64_t raw = c.UInt(3);
    if (!c.ok() || (raw >> 22) == 0) return;
    epoch.clockOffset = static_cast<double>(SignExtend(raw & 0x3FFFFFu, 22)) * 1e-9;
}

int GlonassTableChannel(const GlonassSlotTable& table, int32_t slot) {
    if (slot < 1 || slot >= kGlonassSlots) return kUnknownGlonassChannel;
    return table[static_cast<size_t>(slot)];
}

void NoteGlonassChannel(HeaderInfo& info, int32_t slot, int k) {
    if (slot < 1 || slot >= kGlonassSlots || k < -7 || k > 13) return;
    info.glonassChannels[static_cast<size_t>(slot)] = static_cast<int16_t>(k);
}

// Phases are carried in metres until a satellite is complete: turns them into cycles.
void PhasesToCycles(SatelliteData& sat) {
    for (BlockData& b : sat.blocks) {
        const double lambda = CarrierWavelength(sat.sysCode, b.signalType, sat.glonassChannel);
        b.carrierPhase = lambda < 1e-6 ? 0.0 : b.carrierPhase / lambda;
    }
}

// Hands a complete satellite to the epoch and marks its slots as used.
void AddSatellite(SatelliteData&& sat, BinexObsContext& ctx, OBSERVATIONS& epoch) {
    if (sat.blocks.empty()) return;
    PhasesToCycles(sat);
    for (const BlockData& b : sat.blocks)
        MarkSlotUsed(ctx.info, sat.sysCode, sat.prn, b.signalType);
    if (sat.sysCode == kSysGlonass) NoteGlonassChannel(ctx.info, sat.prn, sat.glonassChannel);
    epoch.sats.push_back(std::move(sat));
}

// Adds a block (phase still in metres) to a satellite; of two blocks of one slot the one
// whose phase fits its range better is kept.
void AddBlock(SatelliteData& sat, const BlockData& block) {
    for (BlockData& existing : sat.blocks) {
        if (existing.signalType != block.signalType) continue;
        if (std::fabs(block.carrierPhase - block.pseudorange) <
            std::fabs(existing.carrierPhase - existing.pseudorange))
            existing = block;
        return;
    }
    sat.blocks.push_back(block);
}

// ---- 0x7F-05 ----------------------------------------------------------------------------

struct Obs05 {
    int slot = 0;
    double snr = 0, range = 0, phase = 0, doppler = 0;
    bool slipCounter = false;
    int64_t slip = 0;
};

// Flag bytes of one observation: each is stored at the index of its own low two bits; another
// follows while the top bit is set (four at most).
void ReadFlagBytes(ByteCursor& c, uint8_t (&flags)[4]) {
    for (int k = 0; k < 4; ++k) {
        const uint8_t f = c.U8();
        if (!c.ok()) return;
        flags[f & 3u] = f;
        if (!(f & 0x80u)) return;
    }
}

bool ReadObs05(ByteCursor& c, const SatelliteData& sat, bool first, const GlonassSlotTable& slots,
               Obs05& o, int& glonassChannel) {
    const uint8_t code = c.U8();
    uint8_t flags[4] = {0, 0, 0, 0};
    if (code & 0x80u) ReadFlagBytes(c, flags);
    o.slot = BinexCodeSlot(sat.sysCode, code & 0x1F);
    if (first && sat.sysCode == kSysGlonass) {
        glonassChannel = (flags[2] & 3u) == 2
                             ? static_cast<int>(SignExtend((flags[2] >> 2) & 0x0Fu, 4))
                             : GlonassTableChannel(slots, sat.prn);
    }
    const uint8_t f0 = flags[0];
    o.snr = c.U8() * 0.4;
    if (code & 0x40u) {
        const uint64_t raw = c.UInt(5);
        o.snr += static_cast<double>(raw >> 38) * 0.1;
        o.range = static_cast<double>(raw & ((uint64_t{1} << 38) - 1)) * 0.001;
    } else if (f0 & 0x40u) {
        const uint64_t raw = c.UInt(3);
        o.snr += static_cast<double>((raw >> 22) & 3u) * 0.1;
        o.range = static_cast<double>(SignExtend(raw & 0xFFFFFu, 20)) * 0.001;
    } else {
        o.range = static_cast<double>(c.SInt(2)) * 0.001;
    }
    const uint64_t phaseRaw = c.UInt(3);
    int64_t phase = 0;
    if (f0 & 0x40u) {
        phase = SignExtend(phaseRaw, 24);
    } else {
        phase = SignExtend(phaseRaw & 0x3FFFFFu, 22);
        o.snr += static_cast<double>((phaseRaw >> 22) & 3u) * 0.1;
    }
    o.phase = static_cast<double>(phase) * ((f0 & 0x20u) ? 0.0001 : 0.00002);
    if (f0 & 0x04u) o.doppler = static_cast<double>(c.SInt(3)) / 256.0;
    if (f0 & 0x08u) {
        o.slipCounter = true;
        o.slip = (f0 & 0x10u) ? static_cast<int64_t>(c.Ubnxi()) : static_cast<int64_t>(c.U8());
    }
    return c.ok();
}

// A slip counter that differs from the last one of the satellite and slot marks a slip.
bool SlipCounterChanged(BinexSlipTable& table, int32_t sysCode, int32_t prn, int slot,
                        int64_t counter) {
    const int index = SatelliteIndex(sysCode, prn);
    if (index < 0 || static_cast<size_t>(index) >= table.size() || slot < 0 || slot >= kSignalSlots)
        return false;
    int64_t& last = table[static_cast<size_t>(index)][static_cast<size_t>(slot)];
    const bool changed = last >= 0 && last != counter;
    last = counter;
    return changed;
}

// One satellite of 0x7F-05. False when the message ends inside it (the satellite is lost).
bool ReadSatellite05(ByteCursor& c, BinexObsContext& ctx, OBSERVATIONS& epoch) {
    const uint8_t number = c.U8();
    const uint8_t systemAndCount = c.U8();
    if (!c.ok()) return false;
    SatelliteData sat;
    sat.sysCode = BinexSystemCode(systemAndCount & 0x0F);
    sat.prn = BinexPrn(sat.sysCode, number);
    const bool wanted = sat.sysCode >= 0 && SatelliteIndex(sat.sysCode, sat.prn) >= 0;
    const int count = (systemAndCount >> 4) & 7;

    Obs05 obs[8];
    for (int i = 0; i < count; ++i) {
        int channel = sat.glonassChannel;
        if (!ReadObs05(c, sat, i == 0, ctx.glonassSlots, obs[i], channel)) return false;
        if (i == 0) sat.glonassChannel = channel;
    }
    if (!wanted) return true;

    for (int i = 0; i < count; ++i) {
        BlockData b;
        b.signalType = obs[i].slot;
        b.pseudorange = i == 0 ? obs[0].range : obs[0].range + obs[i].range;
        b.carrierPhase = b.pseudorange + obs[i].phase;
        b.doppler = obs[i].doppler;
        b.snr = obs[i].snr;
        if (obs[i].slipCounter &&
            SlipCounterChanged(ctx.slips, sat.sysCode, sat.prn, b.signalType, obs[i].slip))
            b.lli |= 1u;
        AddBlock(sat, b);
    }
    AddSatellite(std::move(sat), ctx, epoch);
    return true;
}

// ---- 0x7F-03 ----------------------------------------------------------------------------

// System code and PRN of the one-byte satellite field of 0x7F-03 / 0x7F-00: system in the
// top three bits, number - 1 in the low five.
void ReadSatelliteByte(uint8_t byte, SatelliteData& sat, const GlonassSlotTable& slots) {
    sat.sysCode = BinexSystemCode(byte >> 5);
    sat.prn = BinexPrn(sat.sysCode, (byte & 0x1F) + 1);
    if (sat.sysCode == kSysGlonass) sat.glonassChannel = GlonassTableChannel(slots, sat.prn);
}

int Obs03FirstSlot(int32_t sysCode, bool codeFlag) {
    if (codeFlag) {
        if (sysCode == kSysGps) return 1;
        if (sysCode == kSysQzss) return 3;
        if (sysCode == kSysGalileo) return 4;
        return 0;
    }
    if (sysCode == kSysGlonass) return 1;
    if (sysCode == kSysGalileo) return 3;
    return 0;
}

int Obs03SecondSlot(int32_t sysCode, bool codeFlag) {
    if (codeFlag) {
        switch (sysCode) {
            case kSysGps:
                return 9;
            case kSysGlonass:
                return 2;
            case kSysBds:
                return 3;
            case kSysSbas:
                return 1;
            case kSysQzss:
                return 10;
            case kSysGalileo:
                return 7;
            default:
                return 0;
        }
    }
    switch (sysCode) {
        case kSysGps:
            return 12;
        case kSysGlonass:
            return 3;
        case kSysQzss:
            return 7;
        case kSysGalileo:
            return 10;
        default:
            return 0;
    }
}

// A full 5-byte range field: strength part (bits 38-39), loss of lock (bit 37), code flag
// (bit 36), range (low 36 bits, mm).
void ReadFullRange(ByteCursor& c, BlockData& b, bool& codeFlag) {
    const uint64_t raw = c.UInt(5);
    b.snr += static_cast<double>(raw >> 38) * 0.1;
    if (raw & (uint64_t{1} << 37)) b.lli = 2;
    codeFlag = (raw >> 36) & 1u;
    b.pseudorange = static_cast<double>(raw & ((uint64_t{1} << 36) - 1)) * 0.001;
}

bool ReadSatellite03(ByteCursor& c, uint8_t flag, uint8_t second, int32_t sysCode,
                     SatelliteData& sat) {
    const double scale = (second & 0x40u) ? 0.0001 : 0.00002;
    BlockData first, next;
    bool firstCode = false, nextCode = false;
    if (flag & 0x02u) {
        first.snr = c.U8() * 0.4;
        ReadFullRange(c, first, firstCode);
        first.carrierPhase = first.pseudorange + static_cast<double>(c.SInt(3)) * scale;
        first.signalType = Obs03FirstSlot(sysCode, firstCode);
    }
    if (flag & 0x04u) {
        next.snr = c.U8() * 0.4;
        if (flag & 0x02u) {
            const uint64_t raw = c.UInt(3);
            next.snr += static_cast<double>((raw >> 22) & 3u) * 0.1;
            if (raw & (1u << 21)) next.lli = 2;
            nextCode = (raw >> 20) & 1u;
            next.pseudorange =
                first.pseudorange + static_cast<double>(SignExtend(raw & 0xFFFFFu, 20)) * 0.001;
        } else {
            ReadFullRange(c, next, nextCode);
        }
        next.carrierPhase = next.pseudorange + static_cast<double>(c.SInt(3)) * scale;
        next.signalType = Obs03SecondSlot(sysCode, nextCode);
    }
    if (flag & 0x08u) first.doppler = static_cast<double>(c.SInt(3)) / 256.0;
    if (flag & 0x10u) c.Skip(2);
    if (!c.ok()) return false;
    if (flag & 0x02u) AddBlock(sat, first);
    if (flag & 0x04u) AddBlock(sat, next);
    return true;
}

// ---- 0x7F-00 ----------------------------------------------------------------------------

// The two signal strengths of a satellite by the layout of the epoch.
bool ReadStrengths00(ByteCursor& c, int layout, double& s1, double& s2) {
    int64_t a = 0, b = 0;
    size_t used = 0;
    switch (layout) {
        case 1: {
            const uint64_t raw = c.UInt(3);
            s1 = static_cast<double>(raw >> 12);
            s2 = static_cast<double>(raw & 0xFFFu);
            break;
        }
        case 2:
            s1 = c.U8() * 0.25;
            s2 = c.U8() * 0.25;
            break;
        case 7:
            used = ReadMgfzi(c.view(), c.pos(), c.order(), a);
            if (used == 0 || !c.Skip(used)) return false;
            used = ReadMgfzi(c.view(), c.pos(), c.order(), b);
            if (used == 0 || !c.Skip(used)) return false;
            s1 = static_cast<double>(a) * 0.25;
            s2 = static_cast<double>(b) * 0.25;
            c.Skip(2);
            break;
        default:
            s1 = c.U8();
            s2 = c.U8();
            break;
    }
    return c.ok();
}

bool ReadMgfziValues(ByteCursor& c, int64_t* values, int count) {
    for (int i = 0; i < count; ++i) {
        const size_t used = ReadMgfzi(c.view(), c.pos(), c.order(), values[i]);
        if (used == 0 || !c.Skip(used)) return false;
    }
    return true;
}

bool ReadSatellite00(ByteCursor& c, int layout, uint8_t second, SatelliteData& sat) {
    int64_t ranges[3] = {0, 0, 0};
    int64_t phases[3] = {0, 0, 0};
    double s1 = 0, s2 = 0;
    if (!ReadMgfziValues(c, ranges, 3) || !ReadStrengths00(c, layout, s1, s2) ||
        !ReadMgfziValues(c, phases, 3))
        return false;

    const bool gps = sat.sysCode == kSysGps;
    const int slots[3] = {gps ? 0 : 1, gps ? 1 : 0, gps ? 9 : 2};
    const double l1 = static_cast<double>(phases[0]) * 0.0001;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && ranges[i] == 0 && phases[i] == 0) continue;  // signal not tracked
        BlockData b;
        b.signalType = slots[i];
        b.pseudorange = static_cast<double>(ranges[0] + (i > 0 ? ranges[i] : 0)) * 0.001;
        b.carrierPhase = l1 + (i > 0 ? static_cast<double>(phases[i]) * 0.0001 : 0.0);
        b.snr = i == 2 ? s2 : s1;
        if (second & 0x20u) b.lli |= 4u;
        if ((second & 0x40u) && i < 2) b.lli |= 2u;
        if ((second & 0x80u) && i == 2) b.lli |= 2u;
        sat.blocks.push_back(b);
    }
    return true;
}

// Flag bytes of 0x7F-03 / 0x7F-00 epochs: up to 16, until one without the top bit.
void SkipEpochFlagBytes(ByteCursor& c) {
    for (int k = 0; k < 16; ++k) {
        const uint8_t f = c.U8();
        if (!c.ok() || !(f & 0x80u)) return;
    }
}

// ---- navigation -------------------------------------------------------------------------

// A negative transmission time lies in the week before the record's week: it is written as
// seconds of that week. The record's week stays the week of its reference times.
void NormaliseTransmissionTime(double& sow) {
    if (sow < 0.0) sow += kSecondsPerWeek;
}

// The Keplerian orbit block shared by the GPS, Galileo and QZSS subrecords, from Δn on
// (`at`: offset of Δn). Angles in radians except Δn, Ω̇ and IDOT (semicircles).
size_t ReadKeplerOrbit(ByteView m, Endian o, size_t at, KeplerEphemeris& eph) {
    eph.deltaN = Finite(m.F32(at, o)) * kPi;
    eph.m0 = Finite(m.F64(at + 4, o));
    eph.e = Finite(m.F64(at + 12, o));
    eph.sqrtA = Finite(m.F64(at + 20, o));
    eph.cic = Finite(m.F32(at + 28, o));
    eph.crc = Finite(m.F32(at + 32, o));
    eph.cis = Finite(m.F32(at + 36, o));
    eph.crs = Finite(m.F32(at + 40, o));
    eph.cuc = Finite(m.F32(at + 44, o));
    eph.cus = Finite(m.F32(at + 48, o));
    eph.omega0 = Finite(m.F64(at + 52, o));
    eph.omega = Finite(m.F64(at + 60, o));
    eph.i0 = Finite(m.F64(at + 68, o));
    eph.omegaDot = Finite(m.F32(at + 76, o)) * kPi;
    eph.idot = Finite(m.F32(at + 80, o)) * kPi;
    return at + 84;
}

// GPS-like layout (0x01-01, 0x01-06): number, week, time of week, toc, TGD, IODC, af2, af1,
// af0, IODE, orbit, accuracy, health, flags. 127 bytes.
constexpr size_t kGpsLayoutSize = 127;
bool ReadGpsLayout(ByteView m, Endian o, int32_t sysCode, int prn, KeplerEphemeris& eph) {
    eph.Init();
    if (!m.Has(0, kGpsLayoutSize)) return false;
    eph.sysCode = sysCode;
    eph.prn = prn;
    if (SatelliteIndex(sysCode, prn) < 0) return false;
    double week = static_cast<double>(m.UInt(1, 2, o));
    double tow = static_cast<double>(static_cast<int32_t>(m.UInt(3, 4, o)));
    double toc = static_cast<double>(static_cast<int32_t>(m.UInt(7, 4, o)));
    eph.tgd = Finite(m.F32(11, o));
    eph.iodc = static_cast<int32_t>(m.UInt(15, 4, o));
    eph.af2 = Finite(m.F32(19, o));
    eph.af1 = Finite(m.F32(23, o));
    eph.af0 = Finite(m.F32(27, o));
    eph.iode = static_cast<int32_t>(m.UInt(31, 4, o));
    const size_t after = ReadKeplerOrbit(m, o, 35, eph);
    eph.accuracy = Finite(m.F32(after, o)) * 0.1;
    eph.health = static_cast<double>(m.UInt(after + 4, 2, o) & 0x3Fu);
    const uint64_t flags = m.UInt(after + 6, 2, o);
    eph.fitInterval = static_cast<double>(flags & 0xFFu);
    eph.l2PFlag = static_cast<double>((flags >> 8) & 1u);
    eph.codesOnL2 = static_cast<double>((flags >> 9) & 3u);

    if (toc < 0.0) toc += kSecondsPerWeek;
    NormaliseTransmissionTime(tow);
    if (!ValidWeekTime(week, toc)) return false;
    eph.week = week;
    eph.toe = toc;
    eph.transmissionTime = tow;
    eph.toc = GpsTime(static_cast<int>(week), toc);
    return true;
}

// State vector of the GLONASS and SBAS subrecords: x, ẋ, ẍ, y, ẏ, ÿ, z, ż, z̈ (doubles, km).
void ReadStateVector(ByteView m, Endian o, size_t at, gEphemeris& eph) {
    double* fields[9] = {&eph.x,  &eph.vx, &eph.ax, &eph.y, &eph.vy,
                         &eph.ay, &eph.z,  &eph.vz, &eph.az};
    for (size_t i = 0; i < 9; ++i) *fields[i] = Finite(m.F64(at + 8 * i, o));
}

}  // namespace

size_t ReadMgfzi(ByteView v, size_t offset, Endian order, int64_t& value) {
    value = 0;
    if (!v.Has(offset, 1)) return 0;
    const uint8_t head = v.U8(offset);
    const size_t count = static_cast<size_t>(head >> 5) + 1;
    if (!v.Has(offset, count)) return 0;
    const bool negative = (head & 0x10u) != 0;
    uint64_t magnitude = head & 0x0Fu;
    if (count > 1) {
        const uint64_t rest = v.UInt(offset + 1, count - 1, order);
        magnitude = (magnitude << (8 * (count - 1))) | rest;
    }
    // Each size starts where the range of the size below ends.
    uint64_t bias = 0;
    for (size_t k = 1; k < count; ++k) bias += uint64_t{1} << (4 + 8 * (k - 1));
    const uint64_t total = magnitude + bias;
    const int64_t signedValue =
        total > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(total);
    value = negative ? -signedValue : signedValue;
    return count;
}

BinexSlipTable NewBinexSlipTable() {
    BinexSlipTable table(kSatelliteIndexCount);
    for (auto& row : table) row.fill(-1);
    return table;
}

int32_t BinexSystemCode(int system) {
    switch (system) {
        case 0:
            return kSysGps;
        case 1:
            return kSysGlonass;
        case 2:
            return kSysSbas;
        case 3:
            return kSysGalileo;
        case 4:
            return kSysBds;
        case 5:
            return kSysQzss;
        default:
            return -1;
    }
}

int32_t BinexPrn(int32_t sysCode, int number) {
    if (sysCode == kSysSbas) {
        if (number > 180) return number - 163;
        if (number >= 120) return number - 119;
    }
    if (sysCode == kSysQzss && number > 192) return number - 192;
    return number;
}

int BinexCodeSlot(int32_t sysCode, int code) {
    struct Pair {
        int code, slot;
    };
    static const Pair kGps[] = {{2, 1},   {3, 3},   {4, 2},   {5, 4},   {6, 8},  {7, 5},   {11, 12},
                                {12, 14}, {13, 16}, {14, 17}, {15, 18}, {16, 9}, {17, 11}, {18, 10},
                                {19, 13}, {20, 15}, {24, 19}, {25, 20}, {26, 21}};
    static const Pair kGlonass[] = {{1, 1}, {11, 3}, {12, 2}};
    static const Pair kBds[] = {{2, 1}, {3, 2}, {5, 3}, {6, 4}, {7, 5}, {9, 6}, {10, 7}, {11, 8}};
    static const Pair kSbas[] = {{7, 1}, {8, 2}, {9, 3}};
    static const Pair kQzss[] = {{2, 1},  {3, 2},  {4, 3},   {30, 4},  {8, 5},   {9, 6},  {10, 7},
                                 {14, 8}, {15, 9}, {16, 10}, {20, 11}, {21, 12}, {22, 13}};
    static const Pair kGalileo[] = {{1, 1},   {2, 2},   {4, 3},   {5, 4},   {7, 5},   {8, 6},
                                    {9, 7},   {11, 8},  {12, 9},  {13, 10}, {15, 11}, {16, 12},
                                    {17, 13}, {19, 14}, {20, 15}, {21, 16}, {22, 17}, {23, 18}};
    auto find = [code](const auto& table) {
        for (const Pair& p : table) {
            if (p.code == code) return p.slot;
        }
        return 0;
    };
    switch (sysCode) {
        case kSysGps:
            return find(kGps);
        case kSysGlonass:
            return find(kGlonass);
        case kSysBds:
            return find(kBds);
        case kSysSbas:
            return find(kSbas);
        case kSysQzss:
            return find(kQzss);
        case kSysGalileo:
            return find(kGalileo);
        default:
            return 0;
    }
}

bool DecodeBinexObs05(ByteView message, Endian order, BinexObsContext& ctx, OBSERVATIONS& epoch) {
    epoch.Init();
    ByteCursor c(message, order);
    if (!ReadEpochTime(c, epoch.time)) return false;
    const uint8_t head = c.U8();
    if (!c.ok()) return false;
    const int count = (head & 0x3F) + 1;
    if (head & 0x40u) {
        const uint8_t extension = c.U8();
        c.Skip(4u * (extension >> 4));
    }
    if (head & 0x80u) ReadClockTerm(c, epoch);
    if (!c.ok()) return false;
    for (int i = 0; i < count; ++i) {
        if (!ReadSatellite05(c, ctx, epoch)) break;
    }
    return PlausibleYear(epoch.time);
}

bool DecodeBinexObs03(ByteView message, Endian order, BinexObsContext& ctx, OBSERVATIONS& epoch) {
    epoch.Init();
    ByteCursor c(message, order);
    if (!ReadEpochTime(c, epoch.time)) return false;
    const uint8_t head = c.U8();
    if (!c.ok()) return false;
    const int count = (head & 0x1F) + 1;
    if (head & 0x80u) SkipEpochFlagBytes(c);
    if (head & 0x40u) ReadClockTerm(c, epoch);
    std::vector<SatelliteData> sats(static_cast<size_t>(count));
    for (SatelliteData& sat : sats) ReadSatelliteByte(c.U8(), sat, ctx.glonassSlots);
    if (!c.ok()) return false;

    uint8_t sharedFlag = 0;
    for (int i = 0; i < count; ++i) {
        SatelliteData& sat = sats[static_cast<size_t>(i)];
        uint8_t flag = sharedFlag;
        if (i == 0 || (sharedFlag & 0x01u)) flag = c.U8();
        if (i == 0) sharedFlag = flag;
        const uint8_t second = c.U8();
        if (!c.ok() || !ReadSatellite03(c, flag, second, sat.sysCode, sat)) break;
        if (sat.sysCode < 0 || SatelliteIndex(sat.sysCode, sat.prn) < 0) continue;
        AddSatellite(std::move(sat), ctx, epoch);
    }
    return PlausibleYear(epoch.time);
}

bool DecodeBinexObs00(ByteView message, Endian order, BinexObsContext& ctx, OBSERVATIONS& epoch) {
    epoch.Init();
    ByteCursor c(message, order);
    if (!ReadEpochTime(c, epoch.time)) return false;
    const uint8_t head = c.U8();
    if (!c.ok()) return false;
    const int count = (head & 0x1F) + 1;
    const int layout = head >> 5;
    std::vector<SatelliteData> sats(static_cast<size_t>(count));
    for (SatelliteData& sat : sats) {
        ReadSatelliteByte(c.U8(), sat, ctx.glonassSlots);
        // Only GPS and GLONASS have a layout here: any other system voids the epoch.
        if (sat.sysCode != kSysGps && sat.sysCode != kSysGlonass) return false;
    }
    if (!c.ok()) return false;
    for (SatelliteData& sat : sats) {
        SkipEpochFlagBytes(c);
        const uint8_t second = c.U8();
        if (!c.ok()) break;
        if (!ReadSatellite00(c, layout, second, sat)) break;
        if (SatelliteIndex(sat.sysCode, sat.prn) < 0) continue;
        // The phases of this subrecord are cycles already.
        for (const BlockData& b : sat.blocks)
            MarkSlotUsed(ctx.info, sat.sysCode, sat.prn, b.signalType);
        if (sat.sysCode == kSysGlonass) NoteGlonassChannel(ctx.info, sat.prn, sat.glonassChannel);
        if (!sat.blocks.empty()) epoch.sats.push_back(std::move(sat));
    }
    return PlausibleYear(epoch.time);
}

bool DecodeBinexGpsEph(ByteView m, Endian o, KeplerEphemeris& eph) {
    return ReadGpsLayout(m, o, kSysGps, m.U8(0) + 1, eph);
}

bool DecodeBinexQzssEph(ByteView m, Endian o, KeplerEphemeris& eph) {
    return ReadGpsLayout(m, o, kSysQzss, m.U8(0) - 192, eph);
}

// 0x01-02: slot - 1, day number (days since the GPS time origin) and time of day of the
// reference time (UTC), -τn, γn, tk (Moscow time of day), state vector, health, frequency
// number, age, GPS - UTC, τGPS, Δτn. 119 bytes.
bool DecodeBinexGlonassEph(ByteView m, Endian o, gEphemeris& eph) {
    eph.Init();
    if (!m.Has(0, 119)) return false;
    eph.sysCode = kSysGlonass;
    eph.prn = m.U8(0) + 1;
    if (SatelliteIndex(kSysGlonass, eph.prn) < 0) return false;
    const uint64_t day = m.UInt(1, 2, o);
    const double tod = static_cast<double>(m.UInt(3, 4, o));
    if (tod >= 86400.0) return false;
    eph.epoch = GpsTime(static_cast<int>(day / 7), static_cast<double>(day % 7) * 86400.0 + tod);
    eph.tauN = -Finite(m.F64(7, o));
    eph.gammaN = Finite(m.F64(15, o));
    double tk = static_cast<double>(m.UInt(23, 4, o)) - 10800.0;
    eph.tk = tk < 0.0 ? tk + 86400.0 : tk;
    ReadStateVector(m, o, 27, eph);
    eph.health = m.U8(99);
    eph.frequencyNumber = m.I8(100);
    eph.ageOrIodn = m.U8(101);
    return true;
}

// 0x01-03: PRN, week, time of week (epoch), a_Gf0, a_Gf1, transmission time, state vector,
// health, URA index, IODN. 102 bytes.
bool DecodeBinexSbasEph(ByteView m, Endian o, gEphemeris& eph) {
    eph.Init();
    if (!m.Has(0, 102)) return false;
    eph.sysCode = kSysSbas;
    eph.prn = SbasPrnOfNumber(m.U8(0));
    if (SatelliteIndex(kSysSbas, eph.prn) < 0) return false;
    double week = static_cast<double>(m.UInt(1, 2, o));
    double sow = static_cast<double>(m.UInt(3, 4, o));
    if (!ValidWeekTime(week, sow)) return false;
    eph.epoch = GpsTime(static_cast<int>(week), sow);
    eph.aGf0 = Finite(m.F64(7, o));
    eph.aGf1 = Finite(m.F64(15, o));
    eph.sbasTransmissionTime = static_cast<double>(m.UInt(23, 4, o));
    ReadStateVector(m, o, 27, eph);
    eph.health = m.U8(99) & 0x0Fu;
    eph.ura = UraMeters(m.U8(100) & 0x0F);
    eph.ageOrIodn = m.U8(101);
    return true;
}

// 0x01-04: PRN - 1, week (counted from the Galileo time origin), time of week, toc, BGD
// E5a/E1, IODnav, af2, af1, af0, orbit, SISA (m), health, data source, BGD E5b/E1.
// 127 bytes.
bool DecodeBinexGalileoEph(ByteView m, Endian o, KeplerEphemeris& eph) {
    eph.Init();
    if (!m.Has(0, 127)) return false;
    eph.sysCode = kSysGalileo;
    eph.prn = m.U8(0) + 1;
    if (SatelliteIndex(kSysGalileo, eph.prn) < 0) return false;
    double week = static_cast<double>(m.UInt(1, 2, o)) + 1024.0;
    double tow = static_cast<double>(static_cast<int32_t>(m.UInt(3, 4, o)));
    double toc = static_cast<double>(static_cast<int32_t>(m.UInt(7, 4, o)));
    eph.tgd = Finite(m.F32(11, o));
    eph.iode = static_cast<int32_t>(m.UInt(15, 4, o));
    eph.af2 = Finite(m.F32(19, o));
    eph.af1 = Finite(m.F32(23, o));
    eph.af0 = Finite(m.F32(27, o));
    const size_t after = ReadKeplerOrbit(m, o, 31, eph);
    eph.accuracy = Finite(m.F32(after, o));
    eph.health = static_cast<double>(m.UInt(after + 4, 2, o));
    eph.dataSources = static_cast<double>(m.UInt(after + 6, 2, o));
    eph.tgd2 = Finite(m.F32(after + 8, o));
    if (toc < 0.0) toc += kSecondsPerWeek;
    NormaliseTransmissionTime(tow);
    if (!ValidWeekTime(week, toc)) return false;
    eph.week = week;
    eph.toe = toc;
    eph.transmissionTime = tow;
    eph.toc = GpsTime(static_cast<int>(week), toc);
    return true;
}

// 0x01-05: PRN - 1, BDS week, time of week, toc, toe, af2, af1, af0, orbit, TGD1, TGD2,
// URA (m), IODC, IODE, health. 127 bytes.
bool DecodeBinexBdsEph(ByteView m, Endian o, KeplerEphemeris& eph) {
    eph.Init();
    if (!m.Has(0, 127)) return false;
    eph.sysCode = kSysBds;
    eph.prn = m.U8(0) + 1;
    if (SatelliteIndex(kSysBds, eph.prn) < 0) return false;
    double week = static_cast<double>(m.UInt(1, 2, o));
    double tow = static_cast<double>(static_cast<int32_t>(m.UInt(3, 4, o)));
    double toc = static_cast<double>(static_cast<int32_t>(m.UInt(7, 4, o)));
    double toe = static_cast<double>(static_cast<int32_t>(m.UInt(11, 4, o)));
    eph.af2 = Finite(m.F32(15, o));
    eph.af1 = Finite(m.F32(19, o));
    eph.af0 = Finite(m.F32(23, o));
    const size_t after = ReadKeplerOrbit(m, o, 27, eph);
    eph.tgd = Finite(m.F32(after, o));
    eph.tgd2 = Finite(m.F32(after + 4, o));
    eph.accuracy = Finite(m.F32(after + 8, o));
    eph.iodc = m.U8(after + 12);
    eph.iode = m.U8(after + 13);
    eph.health = static_cast<double>(m.UInt(after + 14, 2, o));
    for (double* s : {&toc, &toe, &tow}) {
        if (*s > kSecondsPerWeek) *s -= kSecondsPerWeek;
        if (*s < 0.0) *s += kSecondsPerWeek;
    }
    if (!ValidWeekTime(week, toc)) return false;
    eph.week = week;
    eph.toe = toe;
    eph.transmissionTime = tow;
    eph.toc = BdsTime(static_cast<int>(week), toc);
    return true;
}

bool WalkBinexSiteMetadata(ByteView message, Endian order) {
    // Time tag: minutes (4 bytes), quarter seconds (1 byte), source (1 byte); then fields of
    // an ID and a length.
    ByteCursor c(message, order, 6);
    if (!message.Has(0, 6)) return false;
    while (c.ok() && c.remaining() > 0) {
        c.Ubnxi();
        const uint32_t length = c.Ubnxi();
        if (!c.ok() || !c.Skip(length)) return false;
    }
    return c.ok();
}

}  // namespace kestrin
