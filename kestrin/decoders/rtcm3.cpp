#include "decoders/rtcm3.h"

#include <cmath>

#include "core/gnss_time.h"
#include "decoders/framing.h"

namespace kestrin {

namespace {

constexpr double kHalfWeek = kSecondsPerWeek / 2;
// Observation messages of one epoch carry the same time; a message further away than this
// starts another epoch.
constexpr double kSameEpoch = 1e-4;
// BeiDou time runs 14 s behind GPS time.
constexpr double kBdsToGps = 14.0;

double WrapIntoWeek(double sow) {
    sow = std::fmod(sow, kSecondsPerWeek);
    return sow < 0 ? sow + kSecondsPerWeek : sow;
}

bool IsLegacyObservation(uint32_t n) {
    return (n >= 1001 && n <= 1004) || (n >= 1009 && n <= 1012);
}
bool IsMsm(uint32_t n) {
    const uint32_t type = n % 10;
    const uint32_t family = n / 10;
    return type >= 1 && type <= 7 &&
           (family == 107 || family == 108 || family == 109 || family == 111 || family == 112);
}
// MSM of systems whose observations are not converted (SBAS 1101-1107, NavIC 1131-1137):
// their multiple-message flag still ends the epoch they belong to.
bool IsOtherMsm(uint32_t n) {
    const uint32_t type = n % 10;
    return type >= 1 && type <= 7 && (n / 10 == 110 || n / 10 == 113);
}
// Seconds from b to a within a week, in -half week .. +half week.
double WeekDiff(double a, double b) {
    double d = std::fmod(a - b, kSecondsPerWeek);
    if (d > kHalfWeek) d -= kSecondsPerWeek;
    if (d < -kHalfWeek) d += kSecondsPerWeek;
    return d;
}

}  // namespace

Rtcm3Decoder::Rtcm3Decoder() : glonassFrequencies(UnknownGlonassFrequencies()) {
    // Lock-time indicators become minimum lock times in seconds; they stop at their largest
    // value instead of wrapping.
    lockReporting.fill({LockEvidence::kLockTime, 0.0});
}

Rtcm3Decoder& ProcessRtcm3Decoder() {
    static Rtcm3Decoder decoder;
    return decoder;
}

void Rtcm3Decoder::ResetRunState() {
    current_ = OBSERVATIONS{};
    currentTimed_ = false;
    week_ = 0;
    lastSow_ = 0;
    lastTime_ = GnssTime{};
}

DecoderFrame::ScanResult Rtcm3Decoder::ScanAt(ByteView rest) {
    const Frame frame = Rtcm3FrameAt(rest);
    switch (frame.status) {
        case FrameStatus::kNone:
            return {Step::kNoFrame, 0};
        case FrameStatus::kIncomplete:
            return {Step::kIncomplete, frame.length};
        case FrameStatus::kValid:
            break;
        default:
            // D3 met by chance, or a damaged frame: resynchronise one byte further.
            return {Step::kSkip, 1};
    }
    const ByteView message = rest.Sub(3, frame.length - 6);
    Dispatch(Rtcm3MessageNumber(rest), message);
    return {Step::kDecoded, frame.length};
}

void Rtcm3Decoder::Dispatch(uint32_t number, ByteView message) {
    Rtcm3Observations obs;
    KeplerEphemeris kepler;
    if (IsLegacyObservation(number)) {
        if (DecodeRtcm3Legacy(message, obs)) TakeObservations(obs);
    } else if (IsMsm(number)) {
        if (DecodeRtcm3Msm(message, glonassFrequencies, obs)) TakeObservations(obs);
    } else if (number == 1019 || number == 1044) {
        const int reference = ReferenceWeek();
        const bool ok = number == 1019 ? DecodeRtcm3GpsEphemeris(message, reference, kepler)
                                       : DecodeRtcm3QzssEphemeris(message, reference, kepler);
        if (!ok) return;
        if (week_ == 0) {  // no observation date: the first ephemeris gives the week
            week_ = static_cast<int32_t>(kepler.week);
            lastSow_ = kepler.toe;
        }
        AddKeplerEphemeris(kepler);
    } else if (number == 1045 || number == 1046) {
        if (DecodeRtcm3GalileoEphemeris(message, kepler)) AddKeplerEphemeris(kepler);
    } else if (number == 1042 || number == 1047) {
        if (DecodeRtcm3BdsEphemeris(message, kepler)) AddKeplerEphemeris(kepler);
    } else if (number == 1020) {
        TakeGlonassEphemeris(message);
    } else if (IsOtherMsm(number)) {
        const bool moreFollow = BitsMsb(message, 54, 1) != 0;
        if (HasBits(message, 54, 1) && !moreFollow && currentTimed_) CloseEpoch();
    }
}

void Rtcm3Decoder::TakeObservations(const Rtcm3Observations& message) {
    GnssTime time;
    if (!EpochTime(message.time, time)) return;
    lastTime_ = time;
    // An epoch whose closing message was lost must not swallow the next one.
    if (currentTimed_ && std::fabs(TimeDiff(time, current_.time)) > kSameEpoch) CloseEpoch();
    if (!currentTimed_) {
        current_.time = time;
        currentTimed_ = true;
    }
    for (const auto& [slot, k] : message.glonassFrequencies) SetGlonassChannel(slot, k);
    for (const SatelliteData& sat : message.sats) {
        SatelliteData* target = nullptr;
        for (SatelliteData& s : current_.sats)
            if (s.sysCode == sat.sysCode && s.prn == sat.prn) target = &s;
        if (target == nullptr) {
            current_.sats.push_back(SatelliteData{});
            target = &current_.sats.back();
            target->sysCode = sat.sysCode;
            target->prn = sat.prn;
            target->glonassChannel = sat.glonassChannel;
        }
        for (const BlockData& block : sat.blocks) {
            bool present = false;
            for (const BlockData& b : target->blocks) present |= b.signalType == block.signalType;
            if (present) continue;
            target->blocks.push_back(block);
            NoteSignal(sat.sysCode, sat.prn, block);
        }
    }
    if (!message.moreFollow) CloseEpoch();
}

void Rtcm3Decoder::CloseEpoch() {
    AddEpoch(std::move(current_));
    current_ = OBSERVATIONS{};
    currentTimed_ = false;
}

void Rtcm3Decoder::TakeGlonassEphemeris(ByteView message) {
    GnssTime reference = lastTime_;
    if (reference.year == 0 && StartWeek()) reference = FromTimeOfWeek(lastSow_);
    const int leap = reference.year != 0 ? LeapSecondsAt(reference) : 0;
    gEphemeris eph;
    int k = kUnknownGlonassChannel;
    if (!DecodeRtcm3GlonassEphemeris(message, reference, leap, eph, k)) return;
    glonassFrequencies[static_cast<size_t>(eph.prn)] = static_cast<int8_t>(k);
    SetGlonassChannel(eph.prn, k);
    AddGlonassEphemeris(eph);
}

bool Rtcm3Decoder::StartWeek() {
    if (week_ != 0) return true;
    const HeaderInfo& header = Header();
    if (header.obsYear < 1980 || header.obsMonth < 1 || header.obsMonth > 12 || header.obsDay < 1 ||
        header.obsDay > 31)
        return false;
    GnssTime t;
    t.year = header.obsYear;
    t.month = header.obsMonth;
    t.day = header.obsDay;
    CalendarToGps(t);
    if (t.week <= 0) return false;
    week_ = t.week;
    // Noon of the observation day: a time of day without its day falls on that day.
    lastSow_ = t.sow + 43200.0;
    return true;
}

int Rtcm3Decoder::ReferenceWeek() {
    return StartWeek() ? week_ : 0;
}

GnssTime Rtcm3Decoder::FromTimeOfWeek(double sow) {
    sow = WrapIntoWeek(sow);
    // A time of week that jumps back (forward) by more than half a week crossed into the next
    // (previous) week.
    if (lastSow_ - sow > kHalfWeek) {
        ++week_;
    } else if (sow - lastSow_ > kHalfWeek) {
        --week_;
    }
    lastSow_ = sow;
    GnssTime t;
    t.week = week_;
    t.sow = sow;
    GpsToCalendar(t);
    return t;
}

bool Rtcm3Decoder::EpochTime(const Rtcm3ObsTime& time, GnssTime& out) {
    if (!StartWeek()) return false;
    switch (time.sysCode) {
        case kSysBds: {
            // BeiDou time runs 14 s behind GPS time; some receivers stamp their BeiDou
            // messages with the GPS time of the epoch instead: such a message joins the epoch
            // that is open at the same time.
            double sow = time.timeOfWeek + kBdsToGps;
            if (currentTimed_ &&
                std::fabs(WeekDiff(time.timeOfWeek, current_.time.sow)) <= kSameEpoch)
                sow = time.timeOfWeek;
            out = FromTimeOfWeek(sow);
            return true;
        }
        case kSysGlonass: {
            GnssTime reference = lastTime_;
            if (reference.year == 0) {
                reference.week = week_;
                reference.sow = lastSow_;
                GpsToCalendar(reference);
            }
            // Moscow time of day to GPS time: three hours back, then GPS - UTC forward.
            const double ofDay = time.glonassTod - 10800.0 + LeapSecondsAt(reference);
            double sow = 0;
            if (time.glonassDay >= 0 && time.glonassDay <= 6) {
                sow = time.glonassDay * 86400.0 + ofDay;
            } else {  // day not sent: the day that puts the time nearest the last one
                sow = std::floor(lastSow_ / 86400.0) * 86400.0 + ofDay;
                if (sow - lastSow_ > 43200.0) sow -= 86400.0;
                if (lastSow_ - sow > 43200.0) sow += 86400.0;
            }
            out = FromTimeOfWeek(sow);
            return true;
        }
        default:
            out = FromTimeOfWeek(time.timeOfWeek);
            return true;
    }
}

}  // namespace kestrin
