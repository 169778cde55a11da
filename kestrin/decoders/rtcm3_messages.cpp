#include "decoders/rtcm3_messages.h"

#include <cmath>

#include "core/gnss_time.h"
#include "decoders/navwords/accuracy.h"
#include "decoders/navwords/glonass_strings.h"
#include "rinex/obs_codes.h"

namespace kestrin {

namespace {

constexpr double kPi = 3.1415926535898;  // the value the GPS interface defines
constexpr double kLightMs = 299792.458;  // metres per light-millisecond

// A scaled field: raw × 2^exponent.
double Unsigned(BitReader& r, unsigned width, int exponent) {
    return std::ldexp(static_cast<double>(r.U(width)), exponent);
}
double Signed(BitReader& r, unsigned width, int exponent) {
    return std::ldexp(static_cast<double>(r.S(width)), exponent);
}
double SignMag(BitReader& r, unsigned width, int exponent) {
    return std::ldexp(static_cast<double>(r.SignMag(width)), exponent);
}
// Angles are broadcast in semicircles; the records hold radians.
double Semicircles(BitReader& r, unsigned width, int exponent) {
    return Signed(r, width, exponent) * kPi;
}

// The most negative value of a two's-complement field of width bits: the "invalid" code.
constexpr int64_t InvalidCode(unsigned width) {
    return -(int64_t{1} << (width - 1));
}

// Full week from a ten-bit broadcast week, nearest the reference week.
int FullWeek(int week10, int referenceWeek) {
    if (referenceWeek <= 0) return week10 + 1024;
    return week10 + 1024 * static_cast<int>(std::lround((referenceWeek - week10) / 1024.0));
}

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

// Minimum lock time in seconds of the 7-bit lock-time indicator of the legacy observation
// messages: 0..23 in 1 s steps, then doubling steps up to 937 s (127: 937 s or more).
double LegacyLockSeconds(int i) {
    if (i < 24) return i;
    if (i < 48) return 2.0 * i - 24;
    if (i < 72) return 4.0 * i - 120;
    if (i < 96) return 8.0 * i - 408;
    if (i < 120) return 16.0 * i - 1176;
    if (i < 127) return 32.0 * i - 3096;
    return 937.0;
}

}  // namespace

double MsmLockSeconds(int indicator, bool extended) {
    if (indicator < 0) return -1.0;
    if (!extended) {
        // 4-bit indicator: 0 below 32 ms, else 2^(i+4) ms.
        if (indicator > 15) return -1.0;
        return indicator == 0 ? 0.0 : std::ldexp(1.0, indicator + 4) * 0.001;
    }
    // 10-bit indicator: 0..63 in ms, then blocks of 32 values with doubling steps
    // (2^k x i - k x 2^(k+5) ms in block k); values above 704 are reserved.
    if (indicator < 64) return indicator * 0.001;
    if (indicator > 704) return -1.0;
    const int k = (indicator - 64) / 32 + 1;
    return (std::ldexp(1.0, k) * indicator - k * std::ldexp(1.0, k + 5)) * 0.001;
}

namespace {

// ---- legacy observations --------------------------------------------------------------

struct LegacyLayout {
    bool glonass = false;
    bool withAmbiguity = false;  // 1002, 1004, 1010, 1012: ambiguity and CNR
    bool withL2 = false;         // 1003, 1004, 1011, 1012
};

// One satellite's fields of a legacy message.
struct LegacySatellite {
    int id = 0, code1 = 0, channel = 0, lock1 = 0, ambiguity = 0, cnr1 = 0;
    int code2 = 0, lock2 = 0, cnr2 = 0;
    uint64_t range1 = 0;
    int64_t phase1 = 0, rangeDiff2 = 0, phase2 = 0;
};

LegacySatellite ReadLegacySatellite(BitReader& r, const LegacyLayout& layout) {
    LegacySatellite s;
    s.id = static_cast<int>(r.U(6));
    s.code1 = static_cast<int>(r.U(1));
    if (layout.glonass) s.channel = static_cast<int>(r.U(5));
    s.range1 = r.U(layout.glonass ? 25 : 24);
    s.phase1 = r.S(20);
    s.lock1 = static_cast<int>(r.U(7));
    if (layout.withAmbiguity) {
        s.ambiguity = static_cast<int>(r.U(layout.glonass ? 7 : 8));
        s.cnr1 = static_cast<int>(r.U(8));
    }
    if (layout.withL2) {
        s.code2 = static_cast<int>(r.U(2));
        s.rangeDiff2 = r.S(14);
        s.phase2 = r.S(20);
        s.lock2 = static_cast<int>(r.U(7));
        if (layout.withAmbiguity) s.cnr2 = static_cast<int>(r.U(8));
    }
    return s;
}

constexpr int kFirstLegacySbasId = 40;

int LegacyL1Slot(bool glonass, int code) {
    if (glonass) return code == 0 ? 1 : 0;  // C1C, C1P
    return code == 0 ? 0 : 1;               // C1C, C1P
}
int LegacyL2Slot(bool glonass, int code) {
    if (glonass) return code == 0 ? 3 : code == 1 ? 2 : -1;  // C2C, C2P
    // C/A or L2C, P(Y) direct, P(Y) cross-correlated, correlated P/Y (semi-codeless).
    static constexpr int kGps[4] = {12, 10, 11, 11};  // C2C, C2Y, C2W, C2W
    return kGps[code & 3];
}

void AddBlockOnce(SatelliteData& sat, const BlockData& block) {
    for (const BlockData& b : sat.blocks)
        if (b.signalType == block.signalType) return;
    sat.blocks.push_back(block);
}

// The blocks of one legacy satellite; false when the satellite has no place.
bool BuildLegacySatellite(const LegacySatellite& s, const LegacyLayout& layout,
                          SatelliteData& sat) {
    sat.sysCode = layout.glonass ? kSysGlonass : kSysGps;
    sat.prn = s.id;
    // The GPS messages carry SBAS satellites as IDs 40..58 (PRN 120..138), on L1 only.
    const bool sbas = !layout.glonass && s.id >= kFirstLegacySbasId;
    if (sbas) {
        sat.sysCode = kSysSbas;
        sat.prn = s.id - kFirstLegacySbasId + 1;
    }
    if (SatelliteIndex(sat.sysCode, sat.prn) < 0) return false;
    int k = kUnknownGlonassChannel;
    if (layout.glonass && s.channel <= 20) k = s.channel - 7;
    sat.glonassChannel = layout.glonass ? k : kUnknownGlonassChannel;
    const double ambiguityUnit = layout.glonass ? 2.0 * kLightMs : kLightMs;
    const double range1 = s.ambiguity * ambiguityUnit + static_cast<double>(s.range1) * 0.02;

    BlockData l1;
    l1.signalType = sbas ? 0 : LegacyL1Slot(layout.glonass, s.code1);
    l1.pseudorange = range1;
    const double lambda1 = CarrierWavelength(sat.sysCode, l1.signalType, k);
    if (s.phase1 != InvalidCode(20) && lambda1 > 0)
        l1.carrierPhase = (range1 + s.phase1 * 0.0005) / lambda1;
    l1.snr = s.cnr1 * 0.25;
    l1.lockTime = LegacyLockSeconds(s.lock1);
    if (s.range1 != 0) AddBlockOnce(sat, l1);

    // No L2: the invalid code, or (as some receivers send it) every L2 field zero.
    const bool noL2 = s.rangeDiff2 == InvalidCode(14) ||
                      (s.rangeDiff2 == 0 && s.phase2 == 0 && s.lock2 == 0 && s.cnr2 == 0);
    if (!layout.withL2 || sbas || noL2) return true;
    BlockData l2;
    l2.signalType = LegacyL2Slot(layout.glonass, s.code2);
    if (l2.signalType < 0) return true;
    l2.pseudorange = range1 + s.rangeDiff2 * 0.02;
    const double lambda2 = CarrierWavelength(sat.sysCode, l2.signalType, k);
    if (s.phase2 != InvalidCode(20) && lambda2 > 0)
        l2.carrierPhase = (range1 + s.phase2 * 0.0005) / lambda2;
    l2.snr = s.cnr2 * 0.25;
    l2.lockTime = LegacyLockSeconds(s.lock2);
    if (s.range1 != 0) AddBlockOnce(sat, l2);
    return true;
}

// ---- MSM ------------------------------------------------------------------------------

constexpr int kMaxMsmCells = 64;

struct MsmHeader {
    int type = 0;  // 1..7
    int32_t sysCode = 0;
    int satIds[64] = {};
    int sigIds[32] = {};
    int satCount = 0, sigCount = 0;
    bool cells[kMaxMsmCells] = {};
};

struct MsmSatellite {
    int roughMs = 0;  // 255: invalid
    int extended = 15;
    double roughModMs = 0;
    int64_t roughRate = 0;
};

struct MsmCell {
    int64_t fineRange = 0, finePhase = 0, fineRate = 0;
    int lock = 0, halfCycle = 0;
    double cnr = 0;
};

int32_t MsmSystem(uint32_t number) {
    switch (number / 10) {
        case 107:
            return kSysGps;
        case 108:
            return kSysGlonass;
        case 109:
            return kSysGalileo;
        case 111:
            return kSysQzss;
        case 112:
            return kSysBds;
        default:
            return -1;
    }
}

bool ReadMsmHeader(BitReader& r, MsmHeader& h, Rtcm3Observations& out) {
    const uint32_t number = static_cast<uint32_t>(r.U(12));
    h.type = static_cast<int>(number % 10);
    h.sysCode = MsmSystem(number);
    if (h.sysCode < 0 || h.type < 1 || h.type > 7) return false;
    r.Skip(12);  // reference station
    out.time.sysCode = h.sysCode;
    if (h.sysCode == kSysGlonass) {
        out.time.glonassDay = static_cast<int>(r.U(3));
        out.time.glonassTod = static_cast<double>(r.U(27)) * 0.001;
    } else {
        out.time.timeOfWeek = static_cast<double>(r.U(30)) * 0.001;
    }
    out.moreFollow = r.U(1) != 0;
    r.Skip(3 + 7 + 2 + 2 + 1 + 3);  // IODS, reserved, clock steering, external clock, smoothing
    const uint64_t satMask = r.U(64);
    const uint32_t sigMask = static_cast<uint32_t>(r.U(32));
    for (int id = 1; id <= 64; ++id)
        if (satMask >> (64 - id) & 1u) h.satIds[h.satCount++] = id;
    for (int id = 1; id <= 32; ++id)
        if (sigMask >> (32 - id) & 1u) h.sigIds[h.sigCount++] = id;
    // A message holds at most 64 cells; a larger mask is corrupt.
    if (h.satCount * h.sigCount > kMaxMsmCells) return false;
    for (int i = 0; i < h.satCount * h.sigCount; ++i) h.cells[i] = r.U(1) != 0;
    return r.ok();
}

void ReadMsmSatellites(BitReader& r, const MsmHeader& h, MsmSatellite* sats) {
    const bool full = h.type >= 4, extended = h.type == 5 || h.type == 7;
    if (full)
        for (int i = 0; i < h.satCount; ++i) sats[i].roughMs = static_cast<int>(r.U(8));
    if (extended)
        for (int i = 0; i < h.satCount; ++i) sats[i].extended = static_cast<int>(r.U(4));
    for (int i = 0; i < h.satCount; ++i) sats[i].roughModMs = Unsigned(r, 10, -10);
    if (extended)
        for (int i = 0; i < h.satCount; ++i) sats[i].roughRate = r.S(14);
}

void ReadMsmCells(BitReader& r, const MsmHeader& h, MsmCell* cells, int count) {
    const int t = h.type;
    const bool high = t >= 6;
    if (t != 2)
        for (int i = 0; i < count; ++i) cells[i].fineRange = r.S(high ? 20 : 15);
    if (t >= 2)
        for (int i = 0; i < count; ++i) cells[i].finePhase = r.S(high ? 24 : 22);
    if (t >= 2)
        for (int i = 0; i < count; ++i) cells[i].lock = static_cast<int>(r.U(high ? 10 : 4));
    if (t >= 2)
        for (int i = 0; i < count; ++i) cells[i].halfCycle = static_cast<int>(r.U(1));
    if (t >= 4)
        for (int i = 0; i < count; ++i)
            cells[i].cnr = high ? Unsigned(r, 10, -4) : static_cast<double>(r.U(6));
    if (t == 5 || t == 7)
        for (int i = 0; i < count; ++i) cells[i].fineRate = r.S(15);
}

// Frequency number of a GLONASS satellite: learned from an ephemeris, else the message's
// extended satellite information (0..13 = -7..6), else unknown.
int MsmGlonassChannel(int slot, const MsmSatellite& s, const MsmHeader& h,
                      const GlonassFrequencyTable& known) {
    if (slot >= 1 && slot <= kMaxGlonassSlot && known[static_cast<size_t>(slot)] != 100)
        return known[static_cast<size_t>(slot)];
    if ((h.type == 5 || h.type == 7) && s.extended <= 13) return s.extended - 7;
    return kUnknownGlonassChannel;
}

BlockData MsmBlock(const MsmHeader& h, const MsmSatellite& s, const MsmCell& c, int32_t sysCode,
                   int slot, int k) {
    const bool high = h.type >= 6;
    BlockData b;
    b.signalType = slot;
    const double lambda = CarrierWavelength(sysCode, slot, k);
    const bool roughValid = h.type < 4 || s.roughMs != 255;
    const double rough = (h.type >= 4 ? s.roughMs : 0) + s.roughModMs;
    if (roughValid && h.type != 2 && c.fineRange != InvalidCode(high ? 20 : 15))
        b.pseudorange =
            (rough + std::ldexp(static_cast<double>(c.fineRange), high ? -29 : -24)) * kLightMs;
    if (roughValid && h.type >= 2 && lambda > 0 && c.finePhase != InvalidCode(high ? 24 : 22))
        b.carrierPhase = (rough + std::ldexp(static_cast<double>(c.finePhase), high ? -31 : -29)) *
                         kLightMs / lambda;
    if ((h.type == 5 || h.type == 7) && lambda > 0 && s.roughRate != InvalidCode(14) &&
        c.fineRate != InvalidCode(15)) {
        const double rate = static_cast<double>(s.roughRate) + c.fineRate * 0.0001;  // m/s
        b.doppler = -rate / lambda;
    }
    b.snr = c.cnr;
    b.lockTime = MsmLockSeconds(c.lock, high);
    // Half-cycle ambiguity indicator: the phase may still be off by half a cycle.
    if (c.halfCycle && b.carrierPhase != 0.0) b.lli |= 2u;
    return b;
}

// ---- GLONASS ephemeris date -------------------------------------------------------------

// UTC time of tb (15-minute units of the Moscow day) on the Moscow day nearest `reference`.
bool GlonassTbNear(const GnssTime& reference, int leapSeconds, int tb, GnssTime& utc) {
    if (reference.year == 0 || tb < 1 || tb > 96) return false;
    const double moscow = reference.week * kSecondsPerWeek + reference.sow - leapSeconds + 10800.0;
    double candidate = std::floor(moscow / 86400.0) * 86400.0 + tb * 900.0;
    if (candidate - moscow > 43200.0) candidate -= 86400.0;
    if (moscow - candidate > 43200.0) candidate += 86400.0;
    const double total = candidate - 10800.0;
    if (total < 0) return false;
    utc = GnssTime{};
    utc.week = static_cast<int32_t>(std::floor(total / kSecondsPerWeek));
    utc.sow = total - utc.week * kSecondsPerWeek;
    GpsToCalendar(utc);
    return true;
}

}  // namespace

GlonassFrequencyTable UnknownGlonassFrequencies() {
    GlonassFrequencyTable t;
    t.fill(static_cast<int8_t>(kUnknownGlonassChannel));
    return t;
}

int MsmSignalSlot(int32_t sysCode, int id) {
    switch (sysCode) {
        case kSysGps:
            switch (id) {
                case 2:
                    return 0;  // 1C
                case 3:
                    return 1;  // 1P
                case 4:
                    return 3;  // 1W
                case 8:
                    return 12;  // 2C
                case 9:
                    return 9;  // 2P
                case 10:
                    return 11;  // 2W
                case 15:
                    return 16;  // 2S
                case 16:
                    return 17;  // 2L
                case 17:
                    return 18;  // 2X
                case 22:
                    return 19;  // 5I
                case 23:
                    return 20;  // 5Q
                case 24:
                    return 21;  // 5X
                case 30:
                    return 6;  // 1S
                case 31:
                    return 7;  // 1L
                case 32:
                    return 8;  // 1X
                default:
                    return -1;
            }
        case kSysGlonass:
            switch (id) {
                case 2:
                    return 1;  // 1C
                case 3:
                    return 0;  // 1P
                case 8:
                    return 3;  // 2C
                case 9:
                    return 2;  // 2P
                default:
                    return -1;
            }
        case kSysBds:
            if (id >= 2 && id <= 4) return id - 2;     // 2I/2Q/2X (B1)
            if (id >= 8 && id <= 10) return id - 2;    // 6I/6Q/6X (B3)
            if (id >= 14 && id <= 16) return id - 11;  // 7I/7Q/7X (B2)
            return -1;
        case kSysQzss:
            if (id == 2) return 0;                     // 1C
            if (id >= 9 && id <= 11) return id + 2;    // 6S/6L/6X
            if (id >= 15 && id <= 17) return id - 10;  // 2S/2L/2X
            if (id >= 22 && id <= 24) return id - 14;  // 5I/5Q/5X
            if (id >= 30 && id <= 32) return id - 29;  // 1S/1L/1X
            return -1;
        case kSysGalileo:
            switch (id) {
                case 8:
                    return 16;  // 6C
                case 9:
                    return 14;  // 6A
                case 10:
                    return 15;  // 6B
                case 11:
                    return 17;  // 6X
                case 12:
                    return 18;  // 6Z
                default:
                    break;
            }
            if (id >= 2 && id <= 6) return id - 2;     // 1C/1A/1B/1X/1Z
            if (id >= 14 && id <= 16) return id - 6;   // 7I/7Q/7X
            if (id >= 18 && id <= 20) return id - 7;   // 8I/8Q/8X
            if (id >= 22 && id <= 24) return id - 17;  // 5I/5Q/5X
            return -1;
        default:
            return -1;
    }
}

bool DecodeRtcm3Legacy(ByteView body, Rtcm3Observations& out) {
    out = Rtcm3Observations{};
    BitReader r(body);
    const uint32_t number = static_cast<uint32_t>(r.U(12));
    LegacyLayout layout;
    int variant = 0;
    if (number >= 1001 && number <= 1004) {
        variant = static_cast<int>(number - 1001);
    } else if (number >= 1009 && number <= 1012) {
        layout.glonass = true;
        variant = static_cast<int>(number - 1009);
    } else {
        return false;
    }
    layout.withAmbiguity = variant == 1 || variant == 3;
    layout.withL2 = variant >= 2;
    r.Skip(12);  // reference station
    if (layout.glonass) {
        out.time.sysCode = kSysGlonass;
        out.time.glonassTod = static_cast<double>(r.U(27)) * 0.001;
    } else {
        out.time.sysCode = kSysGps;
        out.time.timeOfWeek = static_cast<double>(r.U(30)) * 0.001;
    }
    out.moreFollow = r.U(1) != 0;
    const int count = static_cast<int>(r.U(5));
    r.Skip(1 + 3);  // smoothing indicator and interval
    if (!r.ok()) return false;
    for (int i = 0; i < count; ++i) {
        LegacySatellite s = ReadLegacySatellite(r, layout);
        if (!r.ok()) break;  // cut off by the end of the message
        SatelliteData sat;
        if (!BuildLegacySatellite(s, layout, sat)) continue;
        if (layout.glonass && sat.glonassChannel != kUnknownGlonassChannel)
            out.glonassFrequencies.push_back({sat.prn, sat.glonassChannel});
        if (!sat.blocks.empty()) out.sats.push_back(std::move(sat));
    }
    return true;
}

bool DecodeRtcm3Msm(ByteView body, const GlonassFrequencyTable& known, Rtcm3Observations& out) {
    out = Rtcm3Observations{};
    BitReader r(body);
    MsmHeader h;
    if (!ReadMsmHeader(r, h, out)) return false;
    MsmSatellite sats[64];
    ReadMsmSatellites(r, h, sats);
    int cellCount = 0;
    for (int i = 0; i < h.satCount * h.sigCount; ++i) cellCount += h.cells[i] ? 1 : 0;
    MsmCell cells[kMaxMsmCells];
    ReadMsmCells(r, h, cells, cellCount);
    if (!r.ok()) return false;

    int cell = 0;
    for (int i = 0; i < h.satCount; ++i) {
        SatelliteData sat;
        sat.sysCode = h.sysCode;
        sat.prn = h.satIds[i];
        const bool placed = SatelliteIndex(sat.sysCode, sat.prn) >= 0;
        int k = kUnknownGlonassChannel;
        if (h.sysCode == kSysGlonass && placed) {
            k = MsmGlonassChannel(sat.prn, sats[i], h, known);
            sat.glonassChannel = k;
            if (k != kUnknownGlonassChannel) out.glonassFrequencies.push_back({sat.prn, k});
        }
        for (int j = 0; j < h.sigCount; ++j) {
            if (!h.cells[i * h.sigCount + j]) continue;
            const MsmCell& c = cells[cell++];
            const int slot = MsmSignalSlot(h.sysCode, h.sigIds[j]);
            if (!placed || slot < 0) continue;
            AddBlockOnce(sat, MsmBlock(h, sats[i], c, h.sysCode, slot, k));
        }
        if (placed && !sat.blocks.empty()) out.sats.push_back(std::move(sat));
    }
    return true;
}

bool DecodeRtcm3GpsEphemeris(ByteView body, int referenceWeek, KeplerEphemeris& eph) {
    eph.Init();
    BitReader r(body);
    if (r.U(12) != 1019) return false;
    eph.sysCode = kSysGps;
    eph.prn = static_cast<int32_t>(r.U(6));
    const int week10 = static_cast<int>(r.U(10));
    eph.accuracy = UraMeters(static_cast<int>(r.U(4)));
    eph.codesOnL2 = static_cast<double>(r.U(2));
    eph.idot = Semicircles(r, 14, -43);
    eph.iode = static_cast<double>(r.U(8));
    const double toc = Unsigned(r, 16, 4);
    eph.af2 = Signed(r, 8, -55);
    eph.af1 = Signed(r, 16, -43);
    eph.af0 = Signed(r, 22, -31);
    eph.iodc = static_cast<double>(r.U(10));
    eph.crs = Signed(r, 16, -5);
    eph.deltaN = Semicircles(r, 16, -43);
    eph.m0 = Semicircles(r, 32, -31);
    eph.cuc = Signed(r, 16, -29);
    eph.e = Unsigned(r, 32, -33);
    eph.cus = Signed(r, 16, -29);
    eph.sqrtA = Unsigned(r, 32, -19);
    eph.toe = Unsigned(r, 16, 4);
    eph.cic = Signed(r, 16, -29);
    eph.omega0 = Semicircles(r, 32, -31);
    eph.cis = Signed(r, 16, -29);
    eph.i0 = Semicircles(r, 32, -31);
    eph.crc = Signed(r, 16, -5);
    eph.omega = Semicircles(r, 32, -31);
    eph.omegaDot = Semicircles(r, 24, -43);
    eph.tgd = Signed(r, 8, -31);
    eph.health = static_cast<double>(r.U(6));
    eph.l2PFlag = static_cast<double>(r.U(1));
    eph.fitInterval = r.U(1) ? 6.0 : 4.0;
    if (!r.ok() || SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    const int week = FullWeek(week10, referenceWeek);
    eph.week = week;
    eph.transmissionTime = eph.toe;
    eph.toc = TimeOf(week, toc, false);
    return true;
}

bool DecodeRtcm3QzssEphemeris(ByteView body, int referenceWeek, KeplerEphemeris& eph) {
    eph.Init();
    BitReader r(body);
    if (r.U(12) != 1044) return false;
    eph.sysCode = kSysQzss;
    eph.prn = static_cast<int32_t>(r.U(4));
    const double toc = Unsigned(r, 16, 4);
    eph.af2 = Signed(r, 8, -55);
    eph.af1 = Signed(r, 16, -43);
    eph.af0 = Signed(r, 22, -31);
    eph.iode = static_cast<double>(r.U(8));
    eph.crs = Signed(r, 16, -5);
    eph.deltaN = Semicircles(r, 16, -43);
    eph.m0 = Semicircles(r, 32, -31);
    eph.cuc = Signed(r, 16, -29);
    eph.e = Unsigned(r, 32, -33);
    eph.cus = Signed(r, 16, -29);
    eph.sqrtA = Unsigned(r, 32, -19);
    eph.toe = Unsigned(r, 16, 4);
    eph.cic = Signed(r, 16, -29);
    eph.omega0 = Semicircles(r, 32, -31);
    eph.cis = Signed(r, 16, -29);
    eph.i0 = Semicircles(r, 32, -31);
    eph.crc = Signed(r, 16, -5);
    eph.omega = Semicircles(r, 32, -31);
    eph.omegaDot = Semicircles(r, 24, -43);
    eph.idot = Semicircles(r, 14, -43);
    eph.codesOnL2 = static_cast<double>(r.U(2));
    const int week10 = static_cast<int>(r.U(10));
    eph.accuracy = UraMeters(static_cast<int>(r.U(4)));
    eph.health = static_cast<double>(r.U(6));
    eph.tgd = Signed(r, 8, -31);
    eph.iodc = static_cast<double>(r.U(10));
    eph.fitInterval = r.U(1) ? 6.0 : 4.0;
    if (!r.ok() || SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    const int week = FullWeek(week10, referenceWeek);
    eph.week = week;
    eph.transmissionTime = eph.toe;
    eph.toc = TimeOf(week, toc, false);
    return true;
}

bool DecodeRtcm3GalileoEphemeris(ByteView body, KeplerEphemeris& eph) {
    eph.Init();
    BitReader r(body);
    const uint64_t number = r.U(12);
    if (number != 1045 && number != 1046) return false;
    const bool inav = number == 1046;
    eph.sysCode = kSysGalileo;
    eph.prn = static_cast<int32_t>(r.U(6));
    const int week = static_cast<int>(r.U(12)) + 1024;
    eph.iode = static_cast<double>(r.U(10));
    eph.accuracy = SisaMeters(static_cast<int>(r.U(8)));
    eph.idot = Semicircles(r, 14, -43);
    const double toc = static_cast<double>(r.U(14)) * 60.0;
    eph.af2 = Signed(r, 6, -59);
    eph.af1 = Signed(r, 21, -46);
    eph.af0 = Signed(r, 31, -34);
    eph.crs = Signed(r, 16, -5);
    eph.deltaN = Semicircles(r, 16, -43);
    eph.m0 = Semicircles(r, 32, -31);
    eph.cuc = Signed(r, 16, -29);
    eph.e = Unsigned(r, 32, -33);
    eph.cus = Signed(r, 16, -29);
    eph.sqrtA = Unsigned(r, 32, -19);
    eph.toe = static_cast<double>(r.U(14)) * 60.0;
    eph.cic = Signed(r, 16, -29);
    eph.omega0 = Semicircles(r, 32, -31);
    eph.cis = Signed(r, 16, -29);
    eph.i0 = Semicircles(r, 32, -31);
    eph.crc = Signed(r, 16, -5);
    eph.omega = Semicircles(r, 32, -31);
    eph.omegaDot = Semicircles(r, 24, -43);
    eph.tgd = Signed(r, 10, -32);  // BGD E5a/E1
    uint32_t health = 0;
    if (inav) {
        eph.tgd2 = Signed(r, 10, -32);  // BGD E5b/E1
        const uint32_t e5bHs = static_cast<uint32_t>(r.U(2)),
                       e5bDvs = static_cast<uint32_t>(r.U(1));
        const uint32_t e1bHs = static_cast<uint32_t>(r.U(2)),
                       e1bDvs = static_cast<uint32_t>(r.U(1));
        health = e1bDvs | e1bHs << 1 | e5bDvs << 6 | e5bHs << 7;
        eph.dataSources = 517;  // I/NAV from E1-B and E5b
    } else {
        const uint32_t e5aHs = static_cast<uint32_t>(r.U(2)),
                       e5aDvs = static_cast<uint32_t>(r.U(1));
        health = e5aDvs << 3 | e5aHs << 4;
        eph.dataSources = 258;  // F/NAV from E5a
    }
    eph.health = health;
    if (!r.ok() || SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    eph.week = week;
    eph.transmissionTime = eph.toe;
    eph.toc = TimeOf(week, toc, false);
    return true;
}

bool DecodeRtcm3BdsEphemeris(ByteView body, KeplerEphemeris& eph) {
    eph.Init();
    BitReader r(body);
    const uint64_t number = r.U(12);
    if (number != 1042 && number != 1047) return false;
    eph.sysCode = kSysBds;
    eph.prn = static_cast<int32_t>(r.U(6));
    const int week = static_cast<int>(r.U(13));
    eph.accuracy = UraMeters(static_cast<int>(r.U(4)));
    eph.idot = Semicircles(r, 14, -43);
    eph.iode = static_cast<double>(r.U(5));
    const double toc = Unsigned(r, 17, 3);
    eph.af2 = Signed(r, 11, -66);
    eph.af1 = Signed(r, 22, -50);
    eph.af0 = Signed(r, 24, -33);
    eph.iodc = static_cast<double>(r.U(5));
    eph.crs = Signed(r, 18, -6);
    eph.deltaN = Semicircles(r, 16, -43);
    eph.m0 = Semicircles(r, 32, -31);
    eph.cuc = Signed(r, 18, -31);
    eph.e = Unsigned(r, 32, -33);
    eph.cus = Signed(r, 18, -31);
    eph.sqrtA = Unsigned(r, 32, -19);
    eph.toe = Unsigned(r, 17, 3);
    eph.cic = Signed(r, 18, -31);
    eph.omega0 = Semicircles(r, 32, -31);
    eph.cis = Signed(r, 18, -31);
    eph.i0 = Semicircles(r, 32, -31);
    eph.crc = Signed(r, 18, -6);
    eph.omega = Semicircles(r, 32, -31);
    eph.omegaDot = Semicircles(r, 24, -43);
    eph.tgd = static_cast<double>(r.S(10)) * 1e-10;
    eph.tgd2 = static_cast<double>(r.S(10)) * 1e-10;
    eph.health = static_cast<double>(r.U(1));
    if (!r.ok() || SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;
    eph.week = week;
    eph.transmissionTime = eph.toe;
    eph.toc = TimeOf(week, toc, true);
    return true;
}

bool DecodeRtcm3GlonassEphemeris(ByteView body, const GnssTime& reference, int leapSeconds,
                                 gEphemeris& eph, int& frequencyNumber) {
    eph.Init();
    BitReader r(body);
    if (r.U(12) != 1020) return false;
    eph.sysCode = kSysGlonass;
    eph.prn = static_cast<int32_t>(r.U(6));
    const int channel = static_cast<int>(r.U(5));
    r.Skip(1 + 1 + 2);  // almanac health, its availability, P1
    const int hours = static_cast<int>(r.U(5)), minutes = static_cast<int>(r.U(6));
    const int halfMinute = static_cast<int>(r.U(1));
    eph.health = static_cast<double>(r.U(1));  // Bn (its top bit: unhealthy)
    r.Skip(1);                                 // P2
    const int tb = static_cast<int>(r.U(7));
    eph.vx = SignMag(r, 24, -20);
    eph.x = SignMag(r, 27, -11);
    eph.ax = SignMag(r, 5, -30);
    eph.vy = SignMag(r, 24, -20);
    eph.y = SignMag(r, 27, -11);
    eph.ay = SignMag(r, 5, -30);
    eph.vz = SignMag(r, 24, -20);
    eph.z = SignMag(r, 27, -11);
    eph.az = SignMag(r, 5, -30);
    r.Skip(1);  // P3
    eph.gammaN = SignMag(r, 11, -40);
    r.Skip(2 + 1);  // P, ln
    eph.tauN = SignMag(r, 22, -30);
    r.Skip(5);  // delta tau
    eph.ageOrIodn = static_cast<double>(r.U(5));
    r.Skip(1 + 4);  // P4, FT
    const int nt = static_cast<int>(r.U(11));
    r.Skip(2 + 1 + 11 + 32);  // M, additional data flag, NA, tau c
    const int n4 = static_cast<int>(r.U(5));
    if (!r.ok() || eph.prn == 0 || SatelliteIndex(eph.sysCode, eph.prn) < 0 || channel > 20)
        return false;
    frequencyNumber = channel - 7;
    eph.frequencyNumber = frequencyNumber;
    // Frame time: seconds of the UTC day (the broadcast hours count Moscow time).
    double tk = hours * 3600.0 + minutes * 60.0 + 30.0 * halfMinute - 10800.0;
    eph.tk = tk < 0 ? tk + 86400.0 : tk;
    GnssTime utc;
    const bool dated = n4 >= 1 && nt >= 1 && GlonassReferenceUtc(n4, nt, tb, utc);
    if (!dated && !GlonassTbNear(reference, leapSeconds, tb, utc)) return false;
    eph.epoch = utc;
    return true;
}

}  // namespace kestrin
