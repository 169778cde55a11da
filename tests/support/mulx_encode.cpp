#include "support/mulx_encode.h"

#include <cmath>

#include "rinex/obs_codes.h"
#include "support/bytes.h"
#include "support/frames.h"

namespace testsupport {

namespace {

int SatelliteNumber(int32_t sysCode, int32_t prn) {
    if (sysCode == kSysGlonass) return prn + 37;
    if (sysCode == kSysBds) return prn + 160;
    return prn;
}

uint64_t SignMagnitude64(long long v) {
    const uint64_t magnitude = static_cast<uint64_t>(v < 0 ? -v : v);
    return magnitude | (v < 0 ? (uint64_t{1} << 63) : 0);
}

}  // namespace

int MulxSignalType(int32_t sysCode, int slot) {
    switch (sysCode) {
        case kSysGps:
            return slot == 0 ? 1 : slot == 12 ? 16 : slot == 9 ? 17 : -1;
        case kSysGlonass:
            return slot == 1 ? 0 : slot == 3 ? 16 : slot == 2 ? 17 : -1;
        case kSysBds:
            return slot == 0 ? 1 : slot == 3 ? 5 : slot == 6 ? 6 : -1;
        default:
            return -1;
    }
}

std::string MulxObservationMessage(const SessionEpoch& epoch, uint16_t lockTime,
                                   SessionEpoch* sent) {
    SessionEpoch out;
    out.time = epoch.time;
    const long clockMs = std::lround(epoch.clockOffset * 1000.0);
    out.clockOffset = clockMs * 0.001;
    Bytes blocks;
    int count = 0;
    for (const SessionSat& sat : epoch.sats) {
        std::vector<SessionSignal> fit;
        for (const SessionSignal& s : sat.signals) {
            if (MulxSignalType(sat.sysCode, s.slot) < 0) continue;
            if (!fit.empty() &&
                std::fabs(std::round(s.range * 1000) - std::round(fit[0].range * 1000)) > 32767)
                continue;
            fit.push_back(s);
        }
        if (fit.empty() || count == 255) continue;
        ++count;
        SessionSat q = sat;
        q.signals.clear();
        blocks.U8(0).U8(0).U8(SatelliteNumber(sat.sysCode, sat.prn));
        const long long firstMm = std::llround(fit[0].range * 1000.0);
        for (size_t i = 0; i < fit.size(); ++i) {
            const SessionSignal& s = fit[i];
            const int type = MulxSignalType(sat.sysCode, s.slot);
            SessionSignal v;
            v.slot = s.slot;
            if (i == 0) {
                blocks.U8(type).U8(static_cast<uint8_t>(firstMm >> 32)).U32(firstMm & 0xFFFFFFFF);
                v.range = firstMm * 0.001;
            } else {
                const long long diff = std::llround(s.range * 1000.0) - firstMm;
                blocks.U8(0).U8(type).U8(0).U16(static_cast<uint16_t>(diff));
                v.range = (firstMm + diff) * 0.001;
            }
            const long long doppler = std::llround(s.doppler * 10000.0);
            blocks.U32(static_cast<uint32_t>(doppler));
            v.doppler = doppler * 0.0001;
            const double lambda =
                kestrin::CarrierWavelength(sat.sysCode, s.slot, sat.glonassChannel);
            const long long phase = std::llround(s.phaseMetres / lambda * 1000.0);
            blocks.U64(SignMagnitude64(phase));
            v.phaseMetres = phase * 0.001 * lambda;
            const long strength = std::lround(s.snr * 4.0);
            blocks.U8(static_cast<uint8_t>(strength));
            v.snr = strength * 0.25;
            blocks.U16(sat.sysCode == kSysBds ? lockTime : 0);
            if (i == 0) {
                blocks.U8(static_cast<uint8_t>(sat.glonassChannel)).U8(0).U8(0).U8(fit.size() - 1);
            }
            q.signals.push_back(v);
        }
        out.sats.push_back(q);
    }
    Bytes body;
    body.U16(static_cast<uint16_t>(clockMs)).U8(count).Raw(blocks.str());
    if (sent) *sent = out;
    const uint32_t towMs = static_cast<uint32_t>(std::llround(epoch.time.sow * 1000.0));
    return MulxFrame(1001, body.str(), towMs, static_cast<uint16_t>(epoch.time.week));
}

std::string MulxGpsBdsEphemerisMessage(const KeplerEphemeris& e, uint32_t number, uint32_t flags,
                                       uint32_t towMs, uint16_t week) {
    Bytes b;
    b.U32(flags).U32(number).U16(static_cast<uint16_t>(e.iodc)).U16(static_cast<uint16_t>(e.iode));
    b.F32(static_cast<float>(e.tgd)).F32(static_cast<float>(e.tgd2));
    b.U32(static_cast<uint32_t>(e.transmissionTime));
    b.F32(static_cast<float>(e.af2)).F32(static_cast<float>(e.af1)).F32(static_cast<float>(e.af0));
    b.F32(static_cast<float>(e.crs)).F32(static_cast<float>(e.deltaN)).F64(e.m0);
    b.F32(static_cast<float>(e.cuc)).F64(e.e).F32(static_cast<float>(e.cus)).F64(e.sqrtA);
    b.U32(static_cast<uint32_t>(e.toe)).F32(static_cast<float>(e.cic)).F64(e.omega0);
    b.F32(static_cast<float>(e.cis)).F64(e.i0).F32(static_cast<float>(e.crc)).F64(e.omega);
    b.F32(static_cast<float>(e.omegaDot)).F32(static_cast<float>(e.idot));
    return MulxFrame(1002, b.str(), towMs, week);
}

std::string MulxGlonassEphemerisMessage(const gEphemeris& e, uint16_t slotField, uint32_t towMs,
                                        uint16_t week) {
    Bytes b;
    b.U32(0).U16(slotField).U8(static_cast<uint8_t>(static_cast<int>(e.frequencyNumber)));
    b.F64(e.x).F64(e.y).F64(e.z);
    for (double v : {e.vx, e.vy, e.vz, e.ax, e.ay, e.az, e.gammaN, e.tauN})
        b.F32(static_cast<float>(v));
    b.U32(static_cast<uint32_t>(e.tk)).U16(static_cast<uint16_t>(e.health));
    b.U16(static_cast<uint16_t>(e.ageOrIodn));
    return MulxFrame(1003, b.str(), towMs, week);
}

}  // namespace testsupport
