#include "support/binex_encode.h"

#include <cmath>

#include "decoders/binex_records.h"
#include "support/bytes.h"

namespace testsupport {

namespace {

constexpr double kPi = 3.141592653589793;

int BinexSystemNumber(int32_t sysCode) {
    switch (sysCode) {
        case kSysGps:
            return 0;
        case kSysGlonass:
            return 1;
        case kSysSbas:
            return 2;
        case kSysGalileo:
            return 3;
        case kSysBds:
            return 4;
        case kSysQzss:
            return 5;
        default:
            return 15;
    }
}

int BinexSatelliteNumber(int32_t sysCode, int32_t prn) {
    if (sysCode == kSysSbas) return prn + 119;
    if (sysCode == kSysQzss) return prn + 192;
    return prn;
}

struct Strength {
    int byte = 0, extra = 0;
    double value = 0;
};
Strength QuantiseStrength(double snr) {
    const long tenths = std::lround(snr * 10.0);
    Strength s;
    s.byte = static_cast<int>(std::min(255L, tenths / 4));
    s.extra = static_cast<int>(tenths - 4L * s.byte);
    if (s.extra > 3 || s.extra < 0) s.extra = 0;
    s.value = s.byte * 0.4 + s.extra * 0.1;
    return s;
}

}  // namespace

int BinexCodeOfSlot(int32_t sysCode, int slot) {
    for (int code = 1; code < 32; ++code) {
        if (kestrin::BinexCodeSlot(sysCode, code) == slot) return code;
    }
    return 0;
}

std::string BinexObs05Message(const SessionEpoch& epoch, bool bigEndian, SessionEpoch* sent,
                              uint8_t slip) {
    Bytes b(bigEndian);
    b.U8(0x05);
    const double minutes = std::floor(epoch.time.sow / 60.0);
    b.U32(static_cast<uint32_t>(epoch.time.week) * 10080u + static_cast<uint32_t>(minutes));
    b.U16(static_cast<uint16_t>(std::lround((epoch.time.sow - minutes * 60.0) * 1000.0)));
    const size_t count = epoch.sats.size() > 64 ? 64 : epoch.sats.size();
    const bool clock = epoch.clockOffset != 0.0;
    b.U8(((count - 1) & 0x3F) | (clock ? 0x80 : 0));
    SessionEpoch out;
    out.time = epoch.time;
    if (clock) {
        const long ns = std::lround(epoch.clockOffset * 1e9);
        b.Int((uint64_t{1} << 22) | (static_cast<uint64_t>(ns) & 0x3FFFFFu), 3);
        out.clockOffset = ns * 1e-9;
    }
    for (size_t s = 0; s < count; ++s) {
        const SessionSat& sat = epoch.sats[s];
        // Signals that fit: codes known, differences inside their fields.
        std::vector<SessionSignal> fit;
        const double firstRange =
            sat.signals.empty() ? 0 : std::round(sat.signals[0].range * 1000.0);
        for (const SessionSignal& sig : sat.signals) {
            if (fit.size() == 7) break;
            if (sig.slot != 0 && BinexCodeOfSlot(sat.sysCode, sig.slot) == 0) continue;
            if (!fit.empty() && std::fabs(std::round(sig.range * 1000.0) - firstRange) > 524287)
                continue;
            fit.push_back(sig);
        }
        if (fit.empty()) continue;
        SessionSat sentSat = sat;
        sentSat.signals.clear();
        b.U8(BinexSatelliteNumber(sat.sysCode, sat.prn));
        b.U8(BinexSystemNumber(sat.sysCode) | (fit.size() << 4));
        const long firstMm = std::lround(fit[0].range * 1000.0);
        for (size_t i = 0; i < fit.size(); ++i) {
            const SessionSignal& sig = fit[i];
            const int code = sig.slot == 0 ? 31 : BinexCodeOfSlot(sat.sysCode, sig.slot);
            const bool glonassFirst = i == 0 && sat.sysCode == kSysGlonass;
            b.U8(0x80 | (i == 0 ? 0x40 : 0) | code);
            b.U8(0x40 | 0x20 | 0x08 | 0x04 | (glonassFirst ? 0x80 : 0));
            if (glonassFirst) b.U8(2 | ((sat.glonassChannel & 0x0F) << 2));
            const Strength st = QuantiseStrength(sig.snr);
            b.U8(st.byte);
            SessionSignal q;
            q.slot = sig.slot;
            q.snr = st.value;
            if (i == 0) {
                b.Int((static_cast<uint64_t>(st.extra) << 38) | static_cast<uint64_t>(firstMm), 5);
                q.range = firstMm * 0.001;
            } else {
                const long diff = std::lround(sig.range * 1000.0) - firstMm;
                b.Int((static_cast<uint64_t>(st.extra) << 22) |
                          (static_cast<uint64_t>(diff) & 0xFFFFFu),
                      3);
                q.range = (firstMm + diff) * 0.001;
            }
            long delta = std::lround((sig.phaseMetres - q.range) / 0.0001);
            if (delta > 8388607 || delta < -8388607) delta = 0;  // the phase cannot be carried
            b.Int(static_cast<uint64_t>(delta) & 0xFFFFFFu, 3);
            q.phaseMetres = q.range + delta * 0.0001;
            const long doppler = std::lround(sig.doppler * 256.0);
            b.Int(static_cast<uint64_t>(doppler) & 0xFFFFFFu, 3);
            q.doppler = doppler / 256.0;
            b.U8(slip);
            sentSat.signals.push_back(q);
        }
        out.sats.push_back(sentSat);
    }
    if (sent) *sent = out;
    return b.str();
}

std::string BinexGpsEphMessage(const KeplerEphemeris& e, double transmissionTime, bool bigEndian) {
    Bytes b(bigEndian);
    b.U8(0x01).U8(e.prn - 1).U16(static_cast<uint16_t>(e.week));
    b.U32(static_cast<uint32_t>(static_cast<int32_t>(transmissionTime)));
    b.U32(static_cast<uint32_t>(static_cast<int32_t>(e.toe)));
    b.F32(static_cast<float>(e.tgd)).U32(static_cast<uint32_t>(e.iodc));
    b.F32(static_cast<float>(e.af2)).F32(static_cast<float>(e.af1)).F32(static_cast<float>(e.af0));
    b.U32(static_cast<uint32_t>(e.iode)).F32(static_cast<float>(e.deltaN / kPi));
    b.F64(e.m0).F64(e.e).F64(e.sqrtA);
    for (double v : {e.cic, e.crc, e.cis, e.crs, e.cuc, e.cus}) b.F32(static_cast<float>(v));
    b.F64(e.omega0).F64(e.omega).F64(e.i0);
    b.F32(static_cast<float>(e.omegaDot / kPi)).F32(static_cast<float>(e.idot / kPi));
    b.F32(static_cast<float>(e.accuracy / 0.1)).U16(static_cast<uint16_t>(e.health));
    b.U16((static_cast<uint16_t>(e.fitInterval) & 0xFF) | (static_cast<uint16_t>(e.l2PFlag) << 8) |
          (static_cast<uint16_t>(e.codesOnL2) << 9));
    return b.str();
}

std::string BinexGlonassEphMessage(const gEphemeris& e, int day, uint32_t tod, uint32_t tkMoscow,
                                   bool bigEndian) {
    Bytes b(bigEndian);
    b.U8(0x02).U8(e.prn - 1).U16(static_cast<uint16_t>(day)).U32(tod);
    b.F64(-e.tauN).F64(e.gammaN).U32(tkMoscow);
    for (double v : {e.x, e.vx, e.ax, e.y, e.vy, e.ay, e.z, e.vz, e.az}) b.F64(v);
    b.U8(static_cast<uint8_t>(e.health))
        .U8(static_cast<uint8_t>(static_cast<int>(e.frequencyNumber)));
    b.U8(static_cast<uint8_t>(e.ageOrIodn)).U8(18).F64(0.0).F64(0.0);
    return b.str();
}

}  // namespace testsupport
