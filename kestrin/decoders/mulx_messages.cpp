#include "decoders/mulx_messages.h"

#include <cmath>

#include "core/gnss_time.h"
#include "decoders/navwords/accuracy.h"
#include "decoders/obs_rules.h"
#include "rinex/obs_codes.h"

namespace kestrin {

namespace {

constexpr size_t kHeaderSize = 17;
constexpr size_t kFirstEntry = 25;    // 6-byte head and 19-byte body
constexpr size_t kFurtherEntry = 20;  // 5-byte head and 15-byte body
constexpr size_t kBlockHead = 3;
constexpr size_t kGpsBdsEphemerisSize = 141;
constexpr size_t kGlonassEphemerisSize = 88;
constexpr int kBdsWeekOffset = 1356;
constexpr double kBdsMinusGps = -14.0;  // BDS time = GPS time - 14 s

double Finite(double v) {
    return std::isfinite(v) ? v : 0.0;
}

struct MulxSatellite {
    int32_t sysCode = 0;
    int32_t prn = 0;
};

MulxSatellite SatelliteOfNumber(int number) {
    if (number >= 161) return {kSysBds, number - 160};
    if (number < 38) return {kSysGps, number};
    return {kSysGlonass, number - 37};
}

// The measurement body shared by the first and the further signal entries.
void ReadSignalBody(ByteView body, int32_t sysCode, BlockData& b) {
    b.doppler = body.I32(0) * 0.0001;
    b.carrierPhase = static_cast<double>(SignMagnitude(body.U64(4), 64)) * 0.001;
    b.snr = body.U8(12) * 0.25;
    if (sysCode == kSysBds) b.lockTime = body.U16(13);
}

double WavelengthOf(const SatelliteData& sat, int slot) {
    return CarrierWavelength(sat.sysCode, slot, sat.glonassChannel);
}

// One satellite block; `size` receives the bytes it takes (0 when its first entry is cut).
void DecodeBlock(ByteView block, HeaderInfo& info, SatelliteData& sat, size_t& size) {
    size = 0;
    if (!block.Has(0, kBlockHead + kFirstEntry)) return;
    const MulxSatellite id = SatelliteOfNumber(block.U8(2));
    sat.sysCode = id.sysCode;
    sat.prn = id.prn;
    const ByteView first = block.Sub(kBlockHead, kFirstEntry);
    const ByteView firstBody = first.From(6);
    if (sat.sysCode == kSysGlonass) sat.glonassChannel = firstBody.I8(15);
    const size_t further = firstBody.U8(18);
    size = kBlockHead + kFirstEntry + further * kFurtherEntry;

    BlockData b;
    b.signalType = MulxSignalSlot(sat.sysCode, first.U8(0));
    const double range = (static_cast<double>(first.U8(1)) * 4294967296.0 + first.U32(2)) * 0.001;
    b.pseudorange = range;
    ReadSignalBody(firstBody, sat.sysCode, b);
    std::vector<BlockData> blocks{b};
    for (size_t i = 0; i < further; ++i) {
        const size_t at = kBlockHead + kFirstEntry + i * kFurtherEntry;
        if (!block.Has(at, kFurtherEntry)) break;  // entries beyond the message
        const ByteView entry = block.Sub(at, kFurtherEntry);
        BlockData n;
        n.signalType = MulxSignalSlot(sat.sysCode, entry.U8(1));
        n.pseudorange = range + entry.I16(3) * 0.001;
        ReadSignalBody(entry.From(5), sat.sysCode, n);
        blocks.push_back(n);
    }
    if (SatelliteIndex(sat.sysCode, sat.prn) < 0) return;
    for (const BlockData& blk : blocks) {
        AddOrReplaceBlock(sat, blk, WavelengthOf(sat, blk.signalType), false);
        MarkSlotUsed(info, sat.sysCode, sat.prn, blk.signalType);
    }
    if (sat.sysCode == kSysGlonass && sat.prn < kGlonassSlots && sat.glonassChannel >= -7 &&
        sat.glonassChannel <= 13)
        info.glonassChannels[static_cast<size_t>(sat.prn)] =
            static_cast<int16_t>(sat.glonassChannel);
}

// The week of a time of week near a reference time of week of a known week.
int WeekNear(int week, double sow, double referenceSow) {
    if (sow - referenceSow > kSecondsPerWeek / 2) return week - 1;
    if (referenceSow - sow > kSecondsPerWeek / 2) return week + 1;
    return week;
}

}  // namespace

uint16_t MulxMessageId(ByteView message) {
    return message.U16(9);
}

GnssTime MulxMessageTime(ByteView message) {
    GnssTime t;
    t.week = message.U16(15);
    t.sow = message.U32(11) * 0.001;
    GpsToCalendar(t);
    return t;
}

int MulxSignalSlot(int32_t sysCode, int signalType) {
    switch (sysCode) {
        case kSysGps:
            return signalType == 16 ? 12 : signalType == 17 ? 9 : 0;
        case kSysGlonass:
            return signalType == 0 ? 1 : signalType == 16 ? 3 : signalType == 17 ? 2 : 0;
        case kSysBds:
            return signalType == 5 ? 3 : signalType == 6 ? 6 : 0;
        default:
            return 0;
    }
}

bool DecodeMulxObservations(ByteView message, HeaderInfo& info, OBSERVATIONS& epoch) {
    epoch.Init();
    if (!message.Has(0, kHeaderSize + 3)) return false;
    epoch.time = MulxMessageTime(message);
    epoch.clockOffset = message.I16(17) * 0.001;
    const size_t count = message.U8(19);
    size_t at = kHeaderSize + 3;
    for (size_t i = 0; i < count; ++i) {
        SatelliteData sat;
        size_t size = 0;
        DecodeBlock(message.From(at), info, sat, size);
        if (size == 0) break;  // the block is cut off by the end of the message
        if (!sat.blocks.empty()) epoch.sats.push_back(std::move(sat));
        at += size;
    }
    return true;
}

bool DecodeMulxGpsBdsEphemeris(ByteView m, KeplerEphemeris& eph) {
    eph.Init();
    if (!m.Has(0, kGpsBdsEphemerisSize)) return false;
    const uint32_t number = m.U32(21);
    if (number == 0) return false;
    const bool bds = number >= 161;
    eph.sysCode = bds ? kSysBds : kSysGps;
    eph.prn = bds ? static_cast<int32_t>(number - 160) : static_cast<int32_t>(number);
    if (SatelliteIndex(eph.sysCode, eph.prn) < 0) return false;

    const uint32_t flags = m.U32(17);
    eph.l2PFlag = flags & 1u;
    eph.codesOnL2 = (flags >> 1) & 3u;
    eph.health = (flags >> 4) & 0x3Fu;
    eph.fitInterval = (flags & (1u << 10)) ? 6.0 : 4.0;
    eph.accuracy = UraMeters(static_cast<int>((flags >> 11) & 0x0Fu));
    eph.iodc = m.U16(25);
    eph.iode = m.U16(27);
    eph.tgd = Finite(m.F32(29));
    if (bds) eph.tgd2 = Finite(m.F32(33));
    eph.transmissionTime = m.U32(37);
    eph.af2 = Finite(m.F32(41));
    eph.af1 = Finite(m.F32(45));
    eph.af0 = Finite(m.F32(49));
    eph.crs = Finite(m.F32(53));
    eph.deltaN = Finite(m.F32(57));
    eph.m0 = Finite(m.F64(61));
    eph.cuc = Finite(m.F32(69));
    eph.e = Finite(m.F64(73));
    eph.cus = Finite(m.F32(81));
    eph.sqrtA = Finite(m.F64(85));
    eph.toe = m.U32(93);
    eph.cic = Finite(m.F32(97));
    eph.omega0 = Finite(m.F64(101));
    eph.cis = Finite(m.F32(109));
    eph.i0 = Finite(m.F64(113));
    eph.crc = Finite(m.F32(121));
    eph.omega = Finite(m.F64(125));
    eph.omegaDot = Finite(m.F32(133));
    eph.idot = Finite(m.F32(137));

    // The message carries no clock reference time: the broadcast one equals the time of
    // ephemeris, in the week around the message time.
    const GnssTime sent = MulxMessageTime(m);
    const double sentSow = sent.sow + (bds ? kBdsMinusGps : 0.0);
    const int sentWeek = sent.week - (bds ? kBdsWeekOffset : 0);
    if (sentWeek < 0 || eph.toe >= kSecondsPerWeek) return false;
    const int week = WeekNear(sentWeek, eph.toe, sentSow);
    eph.week = week;
    eph.toc.week = week;
    eph.toc.sow = eph.toe;
    if (bds) {
        BdsToCalendar(eph.toc);
    } else {
        GpsToCalendar(eph.toc);
    }
    return true;
}

bool DecodeMulxGlonassEphemeris(ByteView m, int32_t leapSeconds, gEphemeris& eph) {
    eph.Init();
    if (!m.Has(0, kGlonassEphemerisSize)) return false;
    int slot = m.U16(21);
    if (slot == 0) return false;
    if (slot > 37) slot -= 37;
    eph.sysCode = kSysGlonass;
    eph.prn = slot;
    if (SatelliteIndex(kSysGlonass, slot) < 0) return false;
    eph.frequencyNumber = m.I8(23);
    eph.x = Finite(m.F64(24));
    eph.y = Finite(m.F64(32));
    eph.z = Finite(m.F64(40));
    eph.vx = Finite(m.F32(48));
    eph.vy = Finite(m.F32(52));
    eph.vz = Finite(m.F32(56));
    eph.ax = Finite(m.F32(60));
    eph.ay = Finite(m.F32(64));
    eph.az = Finite(m.F32(68));
    eph.gammaN = Finite(m.F32(72));
    eph.tauN = Finite(m.F32(76));
    eph.tk = m.U32(80);
    eph.health = m.U16(84);
    eph.ageOrIodn = m.U16(86);
    // GLONASS records are stamped in UTC; the message time is GPS time.
    const GnssTime sent = MulxMessageTime(m);
    const int leap = leapSeconds > 0 ? leapSeconds : LeapSecondsAt(sent);
    eph.epoch = ShiftTime(sent, -leap);
    GpsToCalendar(eph.epoch);
    return true;
}

}  // namespace kestrin
