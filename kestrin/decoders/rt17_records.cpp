#include "decoders/rt17_records.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/gnss_time.h"
#include "decoders/navwords/accuracy.h"
#include "decoders/obs_rules.h"
#include "rinex/obs_codes.h"

namespace kestrin {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr size_t kPacketHeader = 4;  // STX, status, type, length
constexpr size_t kPageHeader = 4;    // record type, page byte, reply number, flags

double Finite(double v) {
    return std::isfinite(v) ? v : 0.0;
}
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

// ---- pages --------------------------------------------------------------------------------

void Rt17PageAssembler::Reset() {
    fill_ = 0;
    received_ = 0;
    count_ = 0;
    reply_ = -1;
}

Rt17PageAssembler::Result Rt17PageAssembler::Add(ByteView packet) {
    const size_t dataLength = packet.U8(3);
    if (dataLength < kPageHeader || !packet.Has(0, kPacketHeader + dataLength)) {
        Reset();
        return Result::kDropped;
    }
    const int page = packet.U8(5) >> 4;
    const int count = packet.U8(5) & 0x0F;
    const int reply = packet.U8(6);
    if (page < 1 || count < 1 || page > count) {
        Reset();
        return Result::kDropped;
    }

    if (page == 1) {
        // A new record: whatever was in progress lost its remaining pages.
        Reset();
        std::memcpy(buffer_.data(), packet.data(), kPacketHeader + dataLength);
        fill_ = kPacketHeader + dataLength;
        count_ = count;
        reply_ = reply;
    } else {
        const bool next = fill_ > 0 && reply == reply_ && count == count_ && page == received_ + 1;
        const size_t more = dataLength - kPageHeader;
        if (!next || fill_ + more > buffer_.size()) {
            Reset();
            return Result::kDropped;
        }
        std::memcpy(buffer_.data() + fill_, packet.data() + kPacketHeader + kPageHeader, more);
        fill_ += more;
    }
    received_ = page;
    if (page < count_) return Result::kPending;
    return Result::kComplete;
}

// ---- RT17 -----------------------------------------------------------------------------------

namespace {

constexpr size_t kRt17Flags = 7;  // record interpretation flags: bit 0 concise, bit 1 enhanced
constexpr size_t kRt17SatCount = 24;
constexpr size_t kRt17FirstSat = 25;
constexpr double kRt17MaxRange = 1.0e9;  // metres; a larger value is no range

double Rt17Range(double v) {
    return std::isfinite(v) && std::fabs(v) < kRt17MaxRange ? v : 0.0;
}

// The board counts its carrier phase against the direction of the range (a rising range
// lowers the phase): the RINEX phase is its negative.
double Rt17Phase(double v) {
    return std::isfinite(v) ? -v : 0.0;
}

struct Rt17Blocks {
    bool hasL1 = false, hasL2 = false;
    BlockData l1, l2;
};

// One satellite of a concise record at `o`; advances `o`. False when it does not fit.
bool ReadConciseSatellite(ByteView r, size_t& o, bool enhanced, Rt17Blocks& s) {
    const uint8_t flags1 = r.U8(o + 1);
    size_t need = 6 + ((flags1 & 0x40) ? 21 : 0) + ((flags1 & 0x01) ? 13 : 0) + (enhanced ? 3 : 0);
    if (!r.Has(o, need)) return false;
    size_t p = o + 6;
    if (flags1 & 0x40) {
        s.hasL1 = true;
        s.l1.signalType = 0;
        s.l1.snr = r.U8(p) / 4.0;
        s.l1.pseudorange = Rt17Range(r.F64Be(p + 1));
        s.l1.carrierPhase = Rt17Phase(r.F64Be(p + 9));
        s.l1.doppler = Finite(r.F32Be(p + 17));
        p += 21;
    }
    if (flags1 & 0x01) {
        s.hasL2 = true;
        s.l2.signalType = 9;
        s.l2.snr = r.U8(p) / 4.0;
        s.l2.carrierPhase = Rt17Phase(r.F64Be(p + 1));
        // The L2 range is given against the L1 range.
        const double difference = Finite(r.F32Be(p + 9));
        if (s.hasL1 && s.l1.pseudorange != 0.0) s.l2.pseudorange = s.l1.pseudorange + difference;
    }
    o += need;
    return true;
}

// One satellite of an expanded record at `o`; advances `o`. False when it does not fit.
bool ReadExpandedSatellite(ByteView r, size_t& o, bool enhanced, Rt17Blocks& s) {
    const uint8_t flags1 = r.U8(o + 1);
    const uint8_t flags3 = r.U8(o + 3);
    const bool l1 = (flags3 & 0x01) && (flags1 & 0x40);
    const bool l2 = flags1 & 0x01;
    size_t need = 8 + (l1 ? 40 : 0) + (l2 ? 24 : 0) + (enhanced ? 12 : 0);
    if (!r.Has(o, need)) return false;
    size_t p = o + 8;
    if (l1) {
        s.hasL1 = true;
        s.l1.signalType = 0;
        s.l1.snr = Finite(r.F64Be(p));
        s.l1.pseudorange = Rt17Range(r.F64Be(p + 8));
        s.l1.carrierPhase = Rt17Phase(r.F64Be(p + 16));
        s.l1.doppler = Finite(r.F64Be(p + 24));
        p += 40;
    }
    if (l2) {
        s.hasL2 = true;
        s.l2.signalType = 9;
        s.l2.snr = Finite(r.F64Be(p));
        s.l2.carrierPhase = Rt17Phase(r.F64Be(p + 8));
        const double difference = Finite(r.F64Be(p + 16));
        if (s.hasL1 && s.l1.pseudorange != 0.0) s.l2.pseudorange = s.l1.pseudorange + difference;
        p += 24;
    }
    if (enhanced) {
        // The enhanced block carries the Doppler of the satellite's last signal; a zero there
        // means none was measured and leaves the value of the signal block alone.
        const double doppler = Finite(r.F64Be(p + 4));
        if (std::fabs(doppler) > 1e-6) (s.hasL2 ? s.l2 : s.l1).doppler = doppler;
    }
    o += need;
    return true;
}

}  // namespace

bool ReadRt17ReceiveTime(ByteView record, double& sow) {
    if (!record.Has(0, kRt17FirstSat)) return false;
    const double ms = record.F64Be(8);
    if (!std::isfinite(ms) || ms < 0.0 || ms >= kSecondsPerWeek * 1000.0) return false;
    sow = ms * 0.001;
    return true;
}

bool DecodeRt17Observations(ByteView r, const GnssTime& time, OBSERVATIONS& epoch) {
    epoch.Init();
    if (!r.Has(0, kRt17FirstSat)) return false;
    epoch.time = time;
    epoch.clockOffset = Finite(r.F64Be(16)) * 0.001;
    const bool concise = r.U8(kRt17Flags) & 0x01;
    const bool enhanced = r.U8(kRt17Flags) & 0x02;
    const int count = r.U8(kRt17SatCount);

    size_t o = kRt17FirstSat;
    for (int i = 0; i < count; ++i) {
        if (!r.Has(o, 1)) break;
        const int prn = r.U8(o);
        Rt17Blocks s;
        const bool ok = concise ? ReadConciseSatellite(r, o, enhanced, s)
                                : ReadExpandedSatellite(r, o, enhanced, s);
        if (!ok) break;  // the rest of the record is cut: keep what was read
        if (SatelliteIndex(kSysGps, prn) < 0 || (!s.hasL1 && !s.hasL2)) continue;
        SatelliteData sat;
        sat.sysCode = kSysGps;
        sat.prn = prn;
        if (s.hasL1) sat.blocks.push_back(s.l1);
        if (s.hasL2) sat.blocks.push_back(s.l2);
        epoch.sats.push_back(std::move(sat));
    }
    return true;
}

// ---- RT27 -----------------------------------------------------------------------------------

namespace {

constexpr size_t kRt27HeaderStart = 8;
constexpr size_t kRt27BaseHeader = 12;   // header length byte .. epoch flags
constexpr double kNearestRange = 1.0e7;  // metres

struct SlotRule {
    int band;  // -1: any band
    int code;  // -1: any code
    int slot;
};

// (system, band, tracking code) -> slot; the first matching rule wins.
template <size_t N>
int LookupSlot(const SlotRule (&rules)[N], int band, int code) {
    for (const SlotRule& r : rules) {
        if ((r.band < 0 || r.band == band) && (r.code < 0 || r.code == code)) return r.slot;
    }
    return -1;
}

// Where the satellite blocks start: behind the header the epoch flags describe, or behind
// the header length the record declares when that is longer (extensions unknown here).
bool Rt27SatellitesStart(ByteView r, size_t& start) {
    if (!r.Has(kRt27HeaderStart, kRt27BaseHeader)) return false;
    const uint8_t flags = r.U8(19);
    size_t end = kRt27HeaderStart + kRt27BaseHeader;
    if (flags & 0x02) end += 3;
    if (flags & 0x10) end += 1;
    if (flags & 0x20) {
        // Extension block: its length byte, then sub-blocks of that many bytes in all.
        if (!r.Has(end, 1)) return false;
        end += 1 + r.U8(end);
    }
    const size_t declared = kRt27HeaderStart + r.U8(kRt27HeaderStart);
    start = declared > end ? declared : end;
    return r.Has(start, 0);
}

struct Rt27Measurement {
    BlockData block;
    bool first = false;
    int shift = 7;          // the range field counts 2^-shift metres
    double rangeField = 0;  // metres: absolute for the first block, a difference otherwise
};

// One measurement block at `o`; false when it does not fit in its declared length.
bool ReadRt27Measurement(ByteView r, size_t o, bool first, int32_t sysCode, int& slip,
                         Rt27Measurement& m) {
    const size_t length = r.U8(o);
    ByteView b = r.Sub(o, length);
    if (length < 5 || b.size() < length) return false;
    const int band = b.U8(1), code = b.U8(2);
    m.block.snr = b.U16Be(3) * 0.1;
    const int shift = (band != 0 || code != 0)                       ? 8
                      : (sysCode == kSysSbas || sysCode == kSysQzss) ? 6
                                                                     : 7;
    size_t p = 5;
    const size_t rangeWidth = first ? 4 : 2;
    if (!b.Has(p, rangeWidth + 8)) return false;
    const double raw = first ? static_cast<double>(b.U32Be(p)) : static_cast<double>(b.I16Be(p));
    m.rangeField = std::ldexp(raw, -shift);
    m.shift = shift;
    m.first = first;
    p += rangeWidth;

    double phase = std::fabs(std::ldexp(static_cast<double>(b.SInt(p, 6, Endian::kBig)), -15));
    while (phase / 1e9 > 1.0) phase -= 1e9;
    p += 6;
    slip = b.U8(p);
    const uint8_t flags = b.U8(p + 1);
    p += 2;
    if (flags & 0x80) {
        // Extension bytes: a second one follows when the first has its top bit set.
        const bool second = b.U8(p) & 0x80;
        p += second ? 2 : 1;
    }
    if (flags & 0x04) {
        if (!b.Has(p, 3)) return false;
        m.block.doppler = std::ldexp(static_cast<double>(b.SInt(p, 3, Endian::kBig)), -8);
    }
    m.block.carrierPhase = (flags & 0x01) ? phase : 0.0;
    if (!(flags & 0x02)) m.rangeField = 0.0;
    if (flags & 0x08) m.block.lli |= 1u;
    if (flags & 0x10) m.block.lli |= 2u;
    m.block.signalType = Rt27Slot(sysCode, band, code);
    return true;
}

// Ranges of a satellite's blocks. The first block's range is a 32-bit count of 2^-f m, so it
// repeats every 2^(32-f) m: BDS ranges are stored halved and QZSS ones doubled, and a range
// that comes out below 1e7 m (no satellite is that near) has lost one such turn. Later blocks
// carry the difference to the first block.
void ResolveRt27Ranges(int32_t sysCode, std::vector<Rt27Measurement>& blocks) {
    double firstRange = 0.0;
    for (Rt27Measurement& m : blocks) {
        double range = m.rangeField;
        if (m.first) {
            double turn = std::ldexp(1.0, 32 - m.shift);
            if (sysCode == kSysBds) range *= 2.0, turn *= 2.0;
            if (sysCode == kSysQzss) range /= 2.0, turn /= 2.0;
            if (range != 0.0 && range < kNearestRange) range += turn;
            firstRange = range;
        } else if (range != 0.0) {
            range = firstRange != 0.0 ? range + firstRange : 0.0;
        }
        m.block.pseudorange = range;
    }
}

// One satellite block at `o`; fills `sat` and returns the offset of the next block, or 0
// when the block does not fit. `keep` is false for satellites to leave out.
size_t ReadRt27Satellite(ByteView r, size_t o, Rt27SlipCounters& slips, SatelliteData& sat,
                         bool& keep) {
    const size_t headerLength = r.U8(o);
    if (headerLength < 8 || !r.Has(o, headerLength)) return 0;
    int32_t sysCode = 0, prn = 0;
    keep = Rt27Satellite(r.U8(o + 2) & 0x3F, r.U8(o + 1), sysCode, prn);
    if (r.U8(o + 7) & 0x10) keep = false;
    const int blockCount = r.U8(o + 4);

    std::vector<Rt27Measurement> blocks;
    size_t p = o + headerLength;
    for (int i = 0; i < blockCount; ++i) {
        if (!r.Has(p, 1) || r.U8(p) == 0) return 0;
        Rt27Measurement m;
        int slip = 0;
        if (!ReadRt27Measurement(r, p, i == 0, sysCode, slip, m)) return 0;
        p += r.U8(p);
        if (!keep || m.block.signalType < 0) {
            blocks.push_back(m);  // kept for the range differences of later blocks
            continue;
        }
        int16_t& last = slips.last[static_cast<size_t>(SatelliteIndex(sysCode, prn))]
                                  [static_cast<size_t>(m.block.signalType)];
        if (last >= 0 && last != slip) m.block.lli |= 1u;
        last = static_cast<int16_t>(slip);
        blocks.push_back(m);
    }
    if (!keep) return p;

    ResolveRt27Ranges(sysCode, blocks);
    sat.Init();
    sat.sysCode = sysCode;
    sat.prn = prn;
    if (sysCode == kSysGlonass) sat.glonassChannel = r.I8(o + 3);
    for (const Rt27Measurement& m : blocks) {
        if (m.block.signalType < 0) continue;
        const double lambda = CarrierWavelength(sysCode, m.block.signalType, sat.glonassChannel);
        // Two tracking codes of one slot: the block whose phase fits its range better stays.
        bool placed = false;
        for (BlockData& existing : sat.blocks) {
            if (existing.signalType != m.block.signalType) continue;
            placed = true;
            if (std::fabs(existing.carrierPhase * lambda - existing.pseudorange) >
                std::fabs(m.block.carrierPhase * lambda - m.block.pseudorange))
                existing = m.block;
        }
        if (!placed) sat.blocks.push_back(m.block);
    }
    keep = !sat.blocks.empty();
    return p;
}

}  // namespace

bool Rt27Satellite(int systemByte, int number, int32_t& sysCode, int32_t& prn) {
    int n = number;
    switch (systemByte) {
        case 0:
            sysCode = kSysGps;
            break;
        case 1:
            sysCode = kSysSbas;
            n = SbasPrnOfNumber(n);
            break;
        case 2:
            sysCode = kSysGlonass;
            break;
        case 3:
            sysCode = kSysGalileo;
            break;
        case 4:
            sysCode = kSysQzss;
            if (n > 192) n -= 192;
            break;
        case 7:
        case 10:
            sysCode = kSysBds;
            break;
        default:
            return false;
    }
    prn = n;
    return SatelliteIndex(sysCode, prn) >= 0;
}

int Rt27Slot(int32_t sysCode, int band, int code) {
    static const SlotRule kGps[] = {{0, 0, 0},  {0, 1, 1},  {0, 2, 3},  {0, 19, 3}, {0, 9, 2},
                                    {0, 10, 4}, {0, 20, 8}, {0, 23, 8}, {0, 21, 7}, {0, 24, 7},
                                    {0, 22, 6}, {0, 25, 6}, {1, 1, 9},  {1, 2, 11}, {1, 18, 11},
                                    {1, 3, 16}, {1, 4, 17}, {1, 5, 18}, {1, 9, 10}, {1, 10, 13},
                                    {2, 6, 19}, {2, 7, 20}, {2, 8, 21}, {0, -1, 0}};
    static const SlotRule kGlonass[] = {{0, 0, 1},  {0, -1, 0}, {1, 0, 3}, {1, 1, 2},
                                        {9, 32, 6}, {9, 33, 5}, {9, 34, 4}};
    static const SlotRule kBds[] = {{6, 13, 2}, {6, 27, 1}, {3, 13, 5}, {3, 26, 3}, {3, 28, 3},
                                    {3, 29, 3}, {3, 27, 4}, {7, 13, 8}, {7, 26, 6}, {7, 28, 6},
                                    {7, 29, 6}, {7, 27, 7}, {6, -1, 0}};
    static const SlotRule kSbas[] = {{2, 6, 1}, {2, 7, 2}, {2, 8, 3}, {0, -1, 0}};
    static const SlotRule kQzss[] = {{-1, 3, 5},  {-1, 4, 6},  {-1, 5, 7},   {-1, 6, 8}, {-1, 7, 9},
                                     {-1, 8, 10}, {-1, 30, 4}, {-1, 31, 12}, {0, -1, 0}};
    static const SlotRule kGalileo[] = {
        {0, 0, 1},   {0, 20, 2},  {0, 23, 2},  {0, 21, 3},  {0, 24, 3}, {0, 22, 4}, {0, 25, 4},
        {2, 11, 7},  {2, 12, 6},  {2, 13, 5},  {3, 11, 10}, {3, 12, 9}, {3, 13, 8}, {4, 14, 13},
        {4, 15, 12}, {4, 16, 11}, {4, 17, 11}, {6, -1, 14}, {0, -1, 0}};
    switch (sysCode) {
        case kSysGps:
            return LookupSlot(kGps, band, code);
        case kSysGlonass:
            return LookupSlot(kGlonass, band, code);
        case kSysBds:
            return LookupSlot(kBds, band, code);
        case kSysSbas:
            return LookupSlot(kSbas, band, code);
        case kSysQzss:
            return LookupSlot(kQzss, band, code);
        case kSysGalileo:
            return LookupSlot(kGalileo, band, code);
        default:
            return -1;
    }
}

bool DecodeRt27Observations(ByteView r, Rt27SlipCounters& slips, OBSERVATIONS& epoch) {
    epoch.Init();
    size_t o = 0;
    if (!Rt27SatellitesStart(r, o)) return false;
    const int week = r.U16Be(9);
    const double sow = r.U32Be(11) * 0.001;
    if (week == 0 || !ValidTime(week, sow) || sow >= kSecondsPerWeek) return false;
    epoch.time = GpsTime(week, sow);
    epoch.clockOffset = std::ldexp(static_cast<double>(r.SInt(15, 3, Endian::kBig)), -19) * 0.001;

    const int count = r.U8(18);
    for (int i = 0; i < count; ++i) {
        SatelliteData sat;
        bool keep = false;
        const size_t next = ReadRt27Satellite(r, o, slips, sat, keep);
        if (next == 0) break;  // the rest of the record is cut or corrupt: keep what was read
        o = next;
        if (keep) epoch.sats.push_back(std::move(sat));
    }
    return true;
}

// ---- events ---------------------------------------------------------------------------------

bool DecodeRt17Event(ByteView r, EventMark& mark) {
    mark.Init();
    if (!r.Has(0, 20)) return false;
    const double ms = r.F64Be(12);
    if (!std::isfinite(ms) || ms < 0.0 || ms >= kSecondsPerWeek * 1000.0) return false;
    mark.kind = r.U8(8);
    mark.port = r.U8(9);
    mark.eventNumber = r.U16Be(10);
    mark.eventTime.sow = ms * 0.001;
    return true;
}

// ---- RETSVDATA --------------------------------------------------------------------------------

namespace {

// The GPS ephemeris layout; QZSS has the same fields one byte later (`shift` 1) from the week
// on. The clock reference time is returned for the caller's time system.
void ReadGpsLayout(ByteView p, size_t shift, KeplerEphemeris& eph, double& toc) {
    const size_t s = shift;
    eph.week = p.U16Be(6 + s);
    eph.iodc = p.U16Be(8 + s);
    eph.iode = p.U8(11 + s);
    eph.transmissionTime = p.U32Be(12 + s);
    toc = p.U32Be(16 + s);
    eph.toe = p.U32Be(20 + s);
    eph.tgd = Finite(p.F64Be(24 + s));
    eph.af2 = Finite(p.F64Be(32 + s));
    eph.af1 = Finite(p.F64Be(40 + s));
    eph.af0 = Finite(p.F64Be(48 + s));
    eph.crs = Finite(p.F64Be(56 + s));
    eph.deltaN = Finite(p.F64Be(64 + s)) * kPi;
    eph.m0 = Finite(p.F64Be(72 + s)) * kPi;
    eph.cuc = Finite(p.F64Be(80 + s)) * kPi;
    eph.e = Finite(p.F64Be(88 + s));
    eph.cus = Finite(p.F64Be(96 + s)) * kPi;
    eph.sqrtA = Finite(p.F64Be(104 + s));
    eph.cic = Finite(p.F64Be(112 + s)) * kPi;
    eph.omega0 = Finite(p.F64Be(120 + s)) * kPi;
    eph.cis = Finite(p.F64Be(128 + s)) * kPi;
    eph.i0 = Finite(p.F64Be(136 + s)) * kPi;
    eph.crc = Finite(p.F64Be(144 + s));
    eph.omega = Finite(p.F64Be(152 + s)) * kPi;
    eph.omegaDot = Finite(p.F64Be(160 + s)) * kPi;
    eph.idot = Finite(p.F64Be(168 + s)) * kPi;
}

void ReadGpsFlags(uint32_t flags, bool full, KeplerEphemeris& eph) {
    eph.health = (flags >> 4) & 0x3F;
    eph.accuracy = UraMeters(static_cast<int>((flags >> 11) & 0x0F));
    if (!full) return;
    eph.l2PFlag = flags & 0x01;
    eph.codesOnL2 = (flags >> 1) & 0x03;
    eph.fitInterval = (flags & (1u << 10)) ? 6.0 : 4.0;
}

}  // namespace

bool DecodeRetsvGpsEphemeris(ByteView p, KeplerEphemeris& eph) {
    eph.Init();
    if (!p.Has(0, 180)) return false;
    eph.sysCode = kSysGps;
    eph.prn = p.U8(5);
    if (SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    double toc = 0;
    ReadGpsLayout(p, 0, eph, toc);
    ReadGpsFlags(p.U32Be(176), true, eph);
    if (eph.week == 0 || !ValidTime(eph.week, toc)) return false;
    eph.toc = GpsTime(static_cast<int>(eph.week), toc);
    return true;
}

bool DecodeRetsvQzssEphemeris(ByteView p, KeplerEphemeris& eph) {
    eph.Init();
    if (!p.Has(0, 181)) return false;
    eph.sysCode = kSysQzss;
    eph.prn = p.U8(5) > 192 ? p.U8(5) - 192 : p.U8(5);
    if (SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    double toc = 0;
    ReadGpsLayout(p, 1, eph, toc);
    ReadGpsFlags(p.U32Be(177), true, eph);
    if (eph.week == 0 || !ValidTime(eph.week, toc)) return false;
    eph.toc = GpsTime(static_cast<int>(eph.week), toc);
    return true;
}

bool DecodeRetsvBdsEphemeris(ByteView p, KeplerEphemeris& eph) {
    eph.Init();
    if (!p.Has(0, 180)) return false;
    eph.sysCode = kSysBds;
    eph.prn = p.U8(5);
    if (SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    double toc = 0;
    ReadGpsLayout(p, 0, eph, toc);
    ReadGpsFlags(p.U32Be(176), false, eph);
    // The board gives the GPS week and GPS times: BDS time is 1356 weeks and 14 s behind.
    if (eph.week <= 1356) return false;
    eph.week -= 1356;
    toc -= 14.0;
    eph.toe -= 14.0;
    if (!ValidTime(eph.week, toc)) return false;
    eph.toc = BdsTime(static_cast<int>(eph.week), toc);
    return true;
}

bool DecodeRetsvGalileoEphemeris(ByteView p, KeplerEphemeris& eph) {
    eph.Init();
    if (!p.Has(0, 187)) return false;
    eph.sysCode = kSysGalileo;
    eph.prn = p.U8(5);
    if (SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    const int source = p.U8(6);
    eph.dataSources = source == 0 ? 513 : source == 1 ? 516 : source == 2 ? 258 : 256;
    eph.week = p.U16Be(7);
    eph.transmissionTime = p.U32Be(9);
    eph.iode = p.U16Be(13);
    eph.toe = p.U32Be(15);
    eph.crs = Finite(p.F64Be(19));
    eph.deltaN = Finite(p.F64Be(27)) * kPi;
    eph.m0 = Finite(p.F64Be(35)) * kPi;
    eph.cuc = Finite(p.F64Be(43)) * kPi;
    eph.e = Finite(p.F64Be(51));
    eph.cus = Finite(p.F64Be(59)) * kPi;
    eph.sqrtA = Finite(p.F64Be(67));
    eph.cic = Finite(p.F64Be(75)) * kPi;
    eph.omega0 = Finite(p.F64Be(83)) * kPi;
    eph.cis = Finite(p.F64Be(91)) * kPi;
    eph.i0 = Finite(p.F64Be(99)) * kPi;
    eph.crc = Finite(p.F64Be(107));
    eph.omega = Finite(p.F64Be(115)) * kPi;
    eph.omegaDot = Finite(p.F64Be(123)) * kPi;
    eph.idot = Finite(p.F64Be(131)) * kPi;
    eph.accuracy = SisaMeters(p.U8(139));
    eph.health = p.U16Be(140);
    const double toc = p.U32Be(142);
    eph.af0 = Finite(p.F64Be(146));
    eph.af1 = Finite(p.F64Be(154));
    eph.af2 = Finite(p.F64Be(162));
    const double e1e5a = Finite(p.F64Be(170)), e1e5b = Finite(p.F64Be(179));
    const bool inavOrFnav = source == 0 || source == 1;
    eph.tgd = inavOrFnav ? e1e5a : e1e5b;
    eph.tgd2 = inavOrFnav ? e1e5b : e1e5a;
    if (eph.week == 0 || !ValidTime(eph.week, toc)) return false;
    eph.toc = GpsTime(static_cast<int>(eph.week), toc);
    return true;
}

bool DecodeRetsvGlonassEphemeris(ByteView p, gEphemeris& eph, int32_t& leapSeconds) {
    eph.Init();
    if (!p.Has(0, 129)) return false;
    eph.sysCode = kSysGlonass;
    eph.prn = p.U8(5);
    if (eph.prn == 0 || SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    const int week = p.U16Be(6);
    leapSeconds = p.U8(21);
    const double sow = static_cast<double>(p.U32Be(8)) - leapSeconds;
    if (week == 0 || !ValidTime(week, sow)) return false;
    eph.epoch = GpsTime(week, sow);
    eph.tk = static_cast<double>(p.U32Be(23)) - 10800.0;
    eph.ageOrIodn = p.U8(27);
    eph.frequencyNumber = p.I8(29);
    eph.health = p.U8(30);
    double pos[3] = {Finite(p.F64Be(33)), Finite(p.F64Be(57)), Finite(p.F64Be(81))};
    double vel[3] = {Finite(p.F64Be(41)), Finite(p.F64Be(65)), Finite(p.F64Be(89))};
    double acc[3] = {Finite(p.F64Be(49)), Finite(p.F64Be(73)), Finite(p.F64Be(97))};
    // The navigation records take kilometres. An orbit radius beyond 1000 km shows the board
    // gave metres (a GLONASS orbit lies near 25,500 km).
    const double radius = std::sqrt(pos[0] * pos[0] + pos[1] * pos[1] + pos[2] * pos[2]);
    const double scale = radius > 1.0e6 ? 0.001 : 1.0;
    eph.x = pos[0] * scale, eph.vx = vel[0] * scale, eph.ax = acc[0] * scale;
    eph.y = pos[1] * scale, eph.vy = vel[1] * scale, eph.ay = acc[1] * scale;
    eph.z = pos[2] * scale, eph.vz = vel[2] * scale, eph.az = acc[2] * scale;
    eph.tauN = Finite(p.F64Be(113));
    eph.gammaN = Finite(p.F64Be(121));
    return true;
}

bool DecodeRetsvIonoUtc(ByteView p, IonoUtcParams& set, int32_t& leapSeconds) {
    set.Init();
    if (!p.Has(0, 110)) return false;
    set.alpha0 = Finite(p.F64Be(6));
    set.alpha1 = Finite(p.F64Be(14));
    set.alpha2 = Finite(p.F64Be(22));
    set.alpha3 = Finite(p.F64Be(30));
    set.beta0 = Finite(p.F64Be(38));
    set.beta1 = Finite(p.F64Be(46));
    set.beta2 = Finite(p.F64Be(54));
    set.beta3 = Finite(p.F64Be(62));
    set.a0 = Finite(p.F64Be(70));
    set.a1 = Finite(p.F64Be(78));
    const double tot = Finite(p.F64Be(86));
    const double week = Finite(p.F64Be(94));
    const double leap = Finite(p.F64Be(102));
    if (tot < 0 || tot > kSecondsPerWeek || week < 0 || week > 20000 || std::fabs(leap) > 1000)
        return false;
    set.utcTime = static_cast<int32_t>(tot);
    set.utcWeek = static_cast<int32_t>(week);
    leapSeconds = static_cast<int32_t>(leap);
    set.valid = 1;
    return true;
}

int32_t ExpandEightBitWeek(int32_t week, int32_t knownWeek) {
    if (week < 0 || week > 255 || knownWeek <= 255) return week;
    int32_t full = (knownWeek & ~0xFF) | week;
    if (full - knownWeek > 127) full -= 256;
    if (knownWeek - full > 128) full += 256;
    return full;
}

}  // namespace kestrin
