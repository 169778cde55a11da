#include "decoders/ubx_messages.h"

#include <cmath>

#include "core/gnss_time.h"
#include "decoders/framing.h"
#include "decoders/navwords/accuracy.h"
#include "decoders/navwords/glonass_strings.h"
#include "decoders/navwords/gps_lnav.h"
#include "decoders/obs_rules.h"
#include "rinex/obs_codes.h"

namespace kestrin {

namespace {

// RXM-RAWX: 16-byte header, then 32 bytes per measurement.
constexpr size_t kRawxHeader = 16;
constexpr size_t kRawxMeasurement = 32;
// RXM-SFRBX: 8-byte header, then the data words (32 bits each).
constexpr size_t kSfrbxHeader = 8;

// Tracking status bits of a measurement.
constexpr uint8_t kPseudorangeValid = 0x01, kPhaseValid = 0x02, kHalfCycleResolved = 0x04;
// RINEX loss-of-lock bit for a phase whose half-cycle ambiguity is not resolved.
constexpr uint32_t kHalfCycleFlag = 0x02;

struct SignalEntry {
    int sigId;
    int slot;
};

int Lookup(const SignalEntry* table, size_t count, int sigId) {
    for (size_t i = 0; i < count; ++i) {
        if (table[i].sigId == sigId) return table[i].slot;
    }
    return -1;
}

template <size_t N>
int Lookup(const SignalEntry (&table)[N], int sigId) {
    return Lookup(table, N, sigId);
}

bool ValidTime(int week, double sow) {
    return week > 0 && std::isfinite(sow) && sow >= 0.0 && sow < kSecondsPerWeek;
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

// Reads measurement i of a RAWX payload into a block; false for a measurement to skip.
bool ReadMeasurement(ByteView m, SatelliteData& sat, BlockData& block) {
    const int gnssId = m.U8(20);
    const int32_t sysCode = UbxSystemCode(gnssId);
    const int32_t prn = UbxPrn(gnssId, m.U8(21));
    if (sysCode < 0 || prn == 0 || SatelliteIndex(sysCode, prn) < 0) return false;
    const int slot = UbxSignalSlot(gnssId, m.U8(22));
    if (slot < 0) return false;
    sat = SatelliteData{};
    sat.sysCode = sysCode;
    sat.prn = prn;
    if (sysCode == kSysGlonass) {
        const int freqId = m.U8(23);
        if (freqId > 13) return false;  // outside the GLONASS frequency numbers -7..+6
        sat.glonassChannel = freqId - 7;
    }

    const uint8_t status = m.U8(30);
    block = BlockData{};
    block.signalType = slot;
    const double range = m.F64(0), phase = m.F64(8), doppler = m.F32(16);
    if ((status & kPseudorangeValid) && std::isfinite(range)) block.pseudorange = range;
    if ((status & kPhaseValid) && std::isfinite(phase)) {
        block.carrierPhase = phase;
        if (!(status & kHalfCycleResolved)) block.lli |= kHalfCycleFlag;
    }
    if (std::isfinite(doppler)) block.doppler = doppler;
    block.snr = m.U8(26);
    block.lockTime = m.U16(24) * 0.001;
    return true;
}

int FindSatelliteOf(const std::vector<SatelliteData>& sats, int32_t sysCode, int32_t prn) {
    for (size_t i = 0; i < sats.size(); ++i) {
        if (sats[i].sysCode == sysCode && sats[i].prn == prn) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

int32_t UbxSystemCode(int gnssId) {
    switch (gnssId) {
        case kUbxGps:
            return kSysGps;
        case kUbxSbas:
            return kSysSbas;
        case kUbxGalileo:
            return kSysGalileo;
        case kUbxBeidou:
            return kSysBds;
        case kUbxQzss:
            return kSysQzss;
        case kUbxGlonass:
            return kSysGlonass;
        default:
            return -1;
    }
}

int32_t UbxPrn(int gnssId, int svId) {
    int32_t prn = svId;
    if (gnssId == kUbxSbas) prn = svId >= 120 ? svId - 119 : 0;
    if (gnssId == kUbxQzss && svId >= 193) prn = svId - 192;
    const int32_t sysCode = UbxSystemCode(gnssId);
    return sysCode >= 0 && SatelliteIndex(sysCode, prn) >= 0 ? prn : 0;
}

int UbxSignalSlot(int gnssId, int sigId) {
    // Slots of the code tables: GPS C1C 0, C2S 16, C2L 17, C5I 19, C5Q 20; Galileo C1C 0,
    // C1B 2, C5I 5, C5Q 6, C7I 8, C7Q 9, C6A 14, C6B 15, C6C 16; BDS C1I 0, C7I 3, C6I 6;
    // QZSS C1C 0, C1Z 4, C2S 5, C2L 6, C5I 8, C5Q 9; GLONASS C1C 1, C2C 3; SBAS C1C 0.
    static const SignalEntry kGps[] = {{0, 0}, {3, 17}, {4, 16}, {6, 19}, {7, 20}};
    static const SignalEntry kSbas[] = {{0, 0}};
    static const SignalEntry kGalileo[] = {{0, 0}, {1, 2},  {3, 5},  {4, 6},  {5, 8},
                                           {6, 9}, {8, 15}, {9, 16}, {10, 14}};
    // B1I and B2I of D1 and D2 satellites, B3I of both; B1C and B2a have no code slot.
    static const SignalEntry kBeidou[] = {{0, 0}, {1, 0}, {2, 3}, {3, 3}, {4, 6}, {10, 6}};
    static const SignalEntry kQzss[] = {{0, 0}, {1, 4}, {4, 5}, {5, 6}, {8, 8}, {9, 9}};
    static const SignalEntry kGlonass[] = {{0, 1}, {2, 3}};
    switch (gnssId) {
        case kUbxGps:
            return Lookup(kGps, sigId);
        case kUbxSbas:
            return Lookup(kSbas, sigId);
        case kUbxGalileo:
            return Lookup(kGalileo, sigId);
        case kUbxBeidou:
            return Lookup(kBeidou, sigId);
        case kUbxQzss:
            return Lookup(kQzss, sigId);
        case kUbxGlonass:
            return Lookup(kGlonass, sigId);
        default:
            return -1;
    }
}

bool DecodeUbxRawx(ByteView payload, UbxRawxEpoch& out) {
    if (!payload.Has(0, kRawxHeader)) return false;
    const size_t count = payload.U8(11);
    if (!payload.Has(kRawxHeader, count * kRawxMeasurement)) return false;
    const double tow = payload.F64(0);
    const int week = payload.U16(8);
    if (!ValidTime(week, tow)) return false;

    out = UbxRawxEpoch{};
    out.epoch.time = TimeOf(week, tow, false);
    out.leapSeconds = payload.I8(10);
    out.leapSecondsValid = (payload.U8(12) & 0x01) != 0;

    std::vector<SatelliteData>& sats = out.epoch.sats;
    for (size_t i = 0; i < count; ++i) {
        SatelliteData sat;
        BlockData block;
        if (!ReadMeasurement(payload.Sub(kRawxHeader + i * kRawxMeasurement, kRawxMeasurement), sat,
                             block)) {
            continue;
        }
        int at = FindSatelliteOf(sats, sat.sysCode, sat.prn);
        if (at < 0) {
            sats.push_back(sat);
            at = static_cast<int>(sats.size()) - 1;
        }
        SatelliteData& target = sats[static_cast<size_t>(at)];
        const double wavelength =
            CarrierWavelength(target.sysCode, block.signalType, target.glonassChannel);
        AddOrReplaceBlock(target, block, wavelength, false);
    }
    return true;
}

// ---- Navigation words ----------------------------------------------------------------------

UbxNavAssembler::UbxNavAssembler() {
    Reset();
}

void UbxNavAssembler::Reset() {
    stores_.assign(static_cast<size_t>(kSatelliteIndexCount), SatelliteStore{});
    gpsEphemerisTime_ = GnssTime{};
}

void UbxNavAssembler::Add(ByteView payload, DecoderSink& sink) {
    if (!payload.Has(0, kSfrbxHeader)) return;
    const int gnssId = payload.U8(0);
    const int svId = payload.U8(1);
    const size_t wordCount = payload.U8(4);
    if (svId == 0 || svId == 255) return;
    const int32_t sysCode = UbxSystemCode(gnssId);
    const int32_t prn = UbxPrn(gnssId, svId);
    const int index = sysCode >= 0 && prn > 0 ? SatelliteIndex(sysCode, prn) : -1;
    if (index < 0) return;
    const ByteView words = payload.Sub(kSfrbxHeader, wordCount * 4);
    if (words.size() != wordCount * 4) return;  // fewer words than announced
    SatelliteStore& store = stores_[static_cast<size_t>(index)];

    // Only the signals that carry the messages decoded here: L1 C/A (LNAV), B1I / B2I / B3I
    // (D1, D2), E1-B / E5b-I (I/NAV) and the GLONASS strings. Receivers without signal
    // identifiers report 0.
    const int sigId = payload.U8(2);
    switch (sysCode) {
        case kSysGps:
        case kSysQzss:
            if (sigId == 0) AddLnav(sysCode, prn, words, store, sink);
            break;
        case kSysBds:
            if (sigId <= 4 || sigId == 10) AddBds(prn, words, store, sink);
            break;
        case kSysGalileo:
            if (sigId == 0 || sigId == 1 || sigId == 5) AddGalileo(prn, sigId, words, store, sink);
            break;
        case kSysGlonass:
            AddGlonass(prn, static_cast<int>(payload.U8(3)) - 7, words, store, sink);
            break;
        default:
            break;  // SBAS messages carry no ephemeris decoded here
    }
}

int UbxNavAssembler::ReferenceWeek(const DecoderSink& sink) const {
    const GnssTime last = sink.LastEpochTime();
    if (last.year != 0 && last.week > 0) return last.week;
    const HeaderInfo& header = sink.Header();
    if (header.obsYear < 1980) return 0;
    GnssTime t;
    t.year = header.obsYear;
    t.month = header.obsMonth;
    t.day = header.obsDay;
    t.hour = 12;
    CalendarToGps(t);
    return t.week;
}

GnssTime UbxNavAssembler::ReferenceTime(const DecoderSink& sink) const {
    const GnssTime last = sink.LastEpochTime();
    if (last.year != 0 && last.week > 0) return last;
    if (gpsEphemerisTime_.week > 0) return gpsEphemerisTime_;
    const HeaderInfo& header = sink.Header();
    GnssTime t;
    if (header.obsYear < 1980) return t;
    t.year = header.obsYear;
    t.month = header.obsMonth;
    t.day = header.obsDay;
    t.hour = 12;
    CalendarToGps(t);
    return t;
}

void UbxNavAssembler::AddLnavIonoUtc(int32_t sysCode, ByteView subframe, DecoderSink& sink) {
    LnavIonoUtc iono;
    if (!DecodeLnavIonoUtc(subframe, iono)) return;
    const int set = sysCode == kSysQzss ? 2 : 0;
    if (sink.IonoUtc(set).valid) return;  // the first set of the recording is kept
    IonoUtcParams p;
    p.alpha0 = iono.alpha[0];
    p.alpha1 = iono.alpha[1];
    p.alpha2 = iono.alpha[2];
    p.alpha3 = iono.alpha[3];
    p.beta0 = iono.beta[0];
    p.beta1 = iono.beta[1];
    p.beta2 = iono.beta[2];
    p.beta3 = iono.beta[3];
    p.a0 = iono.a0;
    p.a1 = iono.a1;
    p.utcTime = iono.tot;
    // The eight-bit reference week, taken to the one nearest to the recording.
    const int refWeek = ReferenceWeek(sink);
    p.utcWeek = refWeek > 0
                    ? iono.wnt + 256 * static_cast<int>(std::lround((refWeek - iono.wnt) / 256.0))
                    : iono.wnt;
    p.valid = 1;
    sink.SetIonoUtc(set, p);
    if (sysCode == kSysGps && sink.LeapSeconds() == 0) sink.SetLeapSeconds(iono.deltaTls);
}

void UbxNavAssembler::AddLnav(int32_t sysCode, int32_t prn, ByteView words, SatelliteStore& store,
                              DecoderSink& sink) {
    if (words.size() < 40) return;
    // Each word as received: the 30 transmitted bits with D29*, D30* of the word before it in
    // its two top bits.
    std::array<uint8_t, 30> subframe{};
    for (size_t k = 0; k < 10; ++k) {
        const uint32_t word = words.U32(4 * k);
        uint32_t data = 0;
        if (!LnavWordData(word & 0x3FFFFFFFu, word >> 31, (word >> 30) & 1u, data)) return;
        subframe[3 * k] = static_cast<uint8_t>(data >> 16);
        subframe[3 * k + 1] = static_cast<uint8_t>(data >> 8);
        subframe[3 * k + 2] = static_cast<uint8_t>(data);
    }
    const int id = (subframe[5] >> 2) & 7;
    if (id < 1 || id > 5) return;
    store.lnav[static_cast<size_t>(id - 1)] = subframe;
    if (id == 4) AddLnavIonoUtc(sysCode, ByteView(subframe.data(), subframe.size()), sink);
    // Any of subframes 1..3 completes a set: a recording that starts after subframe 3 of a
    // frame has its ephemeris once subframe 1 arrives. The IODE test keeps sets of one issue.
    if (id > 3) return;

    auto view = [&](int n) { return ByteView(store.lnav[static_cast<size_t>(n - 1)].data(), 30); };
    for (int n = 1; n <= 3; ++n) {
        if (((store.lnav[static_cast<size_t>(n - 1)][5] >> 2) & 7) != n) return;
    }
    LnavEphemeris lnav;
    if (!DecodeLnavSubframes(view(1), view(2), view(3), lnav)) return;
    if (lnav.iode3 != lnav.iode || lnav.iode != (lnav.iodc & 0xFF)) return;

    KeplerEphemeris eph;
    eph.sysCode = sysCode;
    eph.prn = prn;
    // The ten-bit week is taken to the rollover nearest to the recording.
    const int refWeek = ReferenceWeek(sink);
    int week = lnav.week10 + 1024;
    if (refWeek > 0)
        week = lnav.week10 + 1024 * static_cast<int>(std::lround((refWeek - lnav.week10) / 1024.0));
    double transmission = static_cast<double>(BitsMsb(view(1), 24, 17)) * 6.0;
    if (transmission - 302400.0 > lnav.toe) {
        week += 1;
        transmission -= kSecondsPerWeek;
    } else if (lnav.toe > transmission + 302400.0) {
        week -= 1;
        transmission += kSecondsPerWeek;
    }
    LnavToKepler(lnav, eph);
    eph.week = week;
    eph.transmissionTime = transmission;
    // A group delay of -128 units is the broadcast "not available".
    eph.tgd = BitsMsb(view(1), 160, 8) == 0x80 ? 0.0 : lnav.tgd;
    eph.fitInterval = lnav.fitFlag == 0 ? 4.0 : 0.0;
    if (!ValidTime(week, lnav.toc)) return;
    eph.toc = TimeOf(week, lnav.toc, false);
    if (gpsEphemerisTime_.week == 0) gpsEphemerisTime_ = eph.toc;
    sink.AddKeplerEphemeris(eph);
}

namespace {

BdsSubframeWords BdsWords(ByteView words) {
    BdsSubframeWords w{};
    for (size_t k = 0; k < w.size(); ++k) w[k] = words.U32(4 * k) & 0x3FFFFFFFu;
    return w;
}

void FillBds(int32_t prn, const BdsEphemeris& b, KeplerEphemeris& eph) {
    eph.sysCode = kSysBds;
    eph.prn = prn;
    eph.week = b.week;
    eph.accuracy = UraMeters(b.urai);
    eph.health = b.satH1;
    eph.tgd = b.tgd1;
    eph.tgd2 = b.tgd2;
    eph.iodc = b.aodc;
    eph.iode = b.aode;
    eph.af0 = b.a0;
    eph.af1 = b.a1;
    eph.af2 = b.a2;
    eph.deltaN = b.deltaN;
    eph.cuc = b.cuc;
    eph.m0 = b.m0;
    eph.e = b.e;
    eph.cus = b.cus;
    eph.crc = b.crc;
    eph.crs = b.crs;
    eph.sqrtA = b.sqrtA;
    eph.toe = b.toe;
    eph.i0 = b.i0;
    eph.cic = b.cic;
    eph.omegaDot = b.omegaDot;
    eph.cis = b.cis;
    eph.idot = b.idot;
    eph.omega0 = b.omega0;
    eph.omega = b.omega;
    eph.transmissionTime = b.sow;
}

}  // namespace

void UbxNavAssembler::AddBds(int32_t prn, ByteView words, SatelliteStore& store,
                             DecoderSink& sink) {
    if (words.size() < 40) return;
    const BdsSubframeWords w = BdsWords(words);
    const int id = BdsSubframeId(w);
    if (id < 1 || id > 5) return;

    BdsEphemeris b;
    if (prn > 5 && prn < 59) {
        // MEO / IGSO satellites broadcast D1.
        store.bds[static_cast<size_t>(id - 1)] = w;
        if (id > 3 || !DecodeBdsD1(store.bds[0], store.bds[1], store.bds[2], b)) return;
    } else {
        // GEO satellites (C01..C05, C59..C63) broadcast D2: the ephemeris is in the pages of
        // subframe 1.
        if (id != 1) return;
        const int page = BdsD2PageNumber(w);
        if (page < 1 || page > 10) return;
        store.geo[static_cast<size_t>(page - 1)] = w;
        if (page != 10 || !DecodeBdsD2(store.geo, b)) return;
    }
    if (!ValidTime(b.week, b.toc)) return;
    if (prn > 5 && prn < 59 && !sink.IonoUtc(1).valid) {
        IonoUtcParams p;
        p.alpha0 = b.alpha[0];
        p.alpha1 = b.alpha[1];
        p.alpha2 = b.alpha[2];
        p.alpha3 = b.alpha[3];
        p.beta0 = b.beta[0];
        p.beta1 = b.beta[1];
        p.beta2 = b.beta[2];
        p.beta3 = b.beta[3];
        p.valid = 1;
        sink.SetIonoUtc(1, p);
    }
    KeplerEphemeris eph;
    FillBds(prn, b, eph);
    eph.toc = TimeOf(b.week, b.toc, true);
    if (b.sow + 302400.0 < b.toe) {
        eph.week -= 1;
    } else if (b.toe < b.sow - 302400.0) {
        eph.week += 1;
    }
    sink.AddKeplerEphemeris(eph);
}

void UbxNavAssembler::AddGalileo(int32_t prn, int sigId, ByteView words, SatelliteStore& store,
                                 DecoderSink& sink) {
    if (words.size() < 32) return;
    std::array<uint8_t, 32> page{};
    for (size_t k = 0; k < 8; ++k) {
        const uint32_t w = words.U32(4 * k);
        page[4 * k] = static_cast<uint8_t>(w >> 24);
        page[4 * k + 1] = static_cast<uint8_t>(w >> 16);
        page[4 * k + 2] = static_cast<uint8_t>(w >> 8);
        page[4 * k + 3] = static_cast<uint8_t>(w);
    }
    GalileoWord word;
    int type = -1;
    if (!ReadGalileoInavPage(ByteView(page.data(), page.size()), word, type)) return;
    if (type < 0 || type > 6) return;
    if (type == 2) store.galileoMask = 0;
    store.galileo[static_cast<size_t>(type)] = word;
    double ai[3];
    if (type == 5 && !sink.IonoUtc(3).valid && DecodeGalileoIono(word, ai)) {
        IonoUtcParams p;
        p.alpha0 = ai[0];
        p.alpha1 = ai[1];
        p.alpha2 = ai[2];
        p.valid = 1;
        sink.SetIonoUtc(3, p);
    }
    store.galileoMask |= static_cast<uint8_t>(1u << type);
    if (store.galileoMask != 0x7F) return;

    std::array<GalileoWord, 6> set;
    for (size_t i = 0; i < set.size(); ++i) set[i] = store.galileo[i];
    GalileoEphemeris g;
    if (!DecodeGalileoInav(set, g)) return;

    KeplerEphemeris eph;
    eph.sysCode = kSysGalileo;
    eph.prn = g.svid;
    if (g.svid != prn || SatelliteIndex(kSysGalileo, g.svid) < 0) return;
    eph.toe = g.toe;
    eph.m0 = g.m0;
    eph.e = g.e;
    eph.sqrtA = g.sqrtA;
    eph.omega0 = g.omega0;
    eph.i0 = g.i0;
    eph.omega = g.omega;
    eph.idot = g.idot;
    eph.omegaDot = g.omegaDot;
    eph.deltaN = g.deltaN;
    eph.cuc = g.cuc;
    eph.cus = g.cus;
    eph.crc = g.crc;
    eph.crs = g.crs;
    eph.cic = g.cic;
    eph.cis = g.cis;
    eph.af0 = g.af0;
    eph.af1 = g.af1;
    eph.af2 = g.af2;
    eph.tgd = g.bgdE5a;
    eph.tgd2 = g.bgdE5b;
    eph.accuracy = SisaMeters(g.sisa);
    eph.health = g.e5bHs * 128 + g.e5bDvs * 64 + g.e1bHs * 2 + g.e1bDvs;
    eph.iode = eph.iodc = g.iodNav;
    // I/NAV from E1-B (bit 0) or E5b (bit 2); its clock refers to E5b,E1 (bit 9).
    eph.dataSources = (sigId == 5 ? 4 : 1) | 512;
    eph.transmissionTime = g.tow;
    int week = g.wn + 1024;
    if (g.toe - g.tow > 302400.0) week -= 1;
    if (g.toe - g.tow < -302400.0) week += 1;
    eph.week = week;
    if (!ValidTime(week, g.toc)) return;
    eph.toc = TimeOf(week, g.toc, false);
    sink.AddKeplerEphemeris(eph);
}

void UbxNavAssembler::AddGlonass(int32_t slot, int frequencyNumber, ByteView words,
                                 SatelliteStore& store, DecoderSink& sink) {
    if (words.size() < 16) return;
    // 85 string bits after one idle bit, most significant first; right-aligned in 11 bytes.
    std::array<uint8_t, 16> raw{};
    for (size_t k = 0; k < 4; ++k) {
        const uint32_t w = words.U32(4 * k);
        for (size_t j = 0; j < 4; ++j) raw[4 * k + j] = static_cast<uint8_t>(w >> (24 - 8 * j));
    }
    std::array<uint8_t, 11> string{};
    const ByteView rawView(raw.data(), raw.size());
    for (size_t i = 0; i < 85; ++i) {
        if (BitsMsb(rawView, i, 1))
            string[(3 + i) / 8] |= static_cast<uint8_t>(0x80u >> ((3 + i) % 8));
    }
    const ByteView view(string.data(), string.size());
    if (!GlonassStringPasses(view)) return;
    const int number = static_cast<int>(BitsMsb(view, 4, 4));
    if (number < 1 || number > 15) return;
    if (number > 4) return;

    const uint32_t superframe = words.U32(12) >> 16;
    if (superframe != store.superframe) {
        store.glonassMask = 0;
        store.superframe = superframe;
    }
    store.glonass[static_cast<size_t>(number - 1)] = string;
    store.glonassMask |= static_cast<uint8_t>(1u << (number - 1));
    if (number != 4 || store.glonassMask != 0x0F) return;

    auto s = [&](int n) { return ByteView(store.glonass[static_cast<size_t>(n - 1)].data(), 11); };
    GlonassImmediateData d;
    if (!DecodeGlonassStrings(s(1), s(2), s(3), s(4), d)) return;
    if (d.n == 0 || d.n != slot || d.tb < 1 || d.tb > 96) return;
    if (frequencyNumber < -7 || frequencyNumber > 6) return;

    // The ephemeris epoch: tb counts 15 minutes of the Moscow day (UTC + 3 h); the day is the
    // one nearest to a time of the recording.
    const GnssTime ref = ReferenceTime(sink);
    if (ref.week <= 0) return;
    const int leap = sink.LeapSeconds() > 0 ? sink.LeapSeconds() : LeapSecondsAt(ref);
    const double refMoscow = ref.week * kSecondsPerWeek + ref.sow - leap + 10800.0;
    double t = std::floor(refMoscow / 86400.0) * 86400.0 + d.tb * 900.0;
    if (t - refMoscow > 43200.0) t -= 86400.0;
    if (t - refMoscow < -43200.0) t += 86400.0;
    t -= 10800.0;
    const int week = static_cast<int>(std::floor(t / kSecondsPerWeek));

    gEphemeris eph;
    eph.sysCode = kSysGlonass;
    eph.prn = slot;
    eph.frequencyNumber = frequencyNumber;
    eph.epoch = TimeOf(week, t - week * kSecondsPerWeek, false);
    const double tk = d.tk - 10800.0;
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
    eph.health = (d.bn >> 2) & 1;
    eph.gammaN = d.gammaN;
    eph.tauN = d.tauN;
    eph.ageOrIodn = d.en;
    eph.ura = d.ft;
    sink.SetGlonassChannel(slot, frequencyNumber);
    sink.AddGlonassEphemeris(eph);
}

}  // namespace kestrin
