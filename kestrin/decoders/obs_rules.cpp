#include "decoders/obs_rules.h"

#include <cmath>

#include "core/gnss_time.h"

namespace kestrin {

namespace {
constexpr int kSystemBits[kSystemCount] = {1, 2, 4, 8, 0x10, 0x20};
}

bool InSatelliteTable(int32_t sysCode, int32_t prn) {
    return SatelliteIndex(sysCode, prn) > 0;
}

int SbasPrnOfNumber(int number) {
    if (number > 163) return number - 163;
    if (number >= 120) return number - 119;
    return number;
}

GlonassSlotTable InitialGlonassSlotTable() {
    // Slots 25..27 are spares without a fixed frequency number.
    return {100, 1, -4, 5, 6,  1, -4, 5, 6,  -2, -7, 0,   -1,  -2,
            -7,  0, -1, 4, -3, 3, 2,  4, -3, 3,  2,  100, 100, 100};
}

void MarkSlotUsed(HeaderInfo& info, int32_t sysCode, int32_t prn, int slot) {
    int system = SystemIndex(sysCode);
    if (system < 0) return;
    info.systemsPresent |= kSystemBits[system];
    const int index = SatelliteIndex(sysCode, prn);
    if (index > 0) info.satSeen[index] = 1;
    info.SetDefaultObsCode(system, slot);
}

void CountObservations(HeaderInfo& info, int32_t sysCode, int32_t prn, const BlockData& block) {
    if (!InSatelliteTable(sysCode, prn)) return;
    const int number = sysCode + prn;  // the tallies share the numbering of satSeen
    const int slot = block.signalType;
    if (number <= 0 || number >= static_cast<int>(info.obsCounts.size())) return;
    if (slot < 0 || slot >= kSignalSlots) return;
    std::array<int32_t, 4>& counts =
        info.obsCounts[static_cast<size_t>(number)][static_cast<size_t>(slot)];
    const double values[4] = {block.pseudorange, block.carrierPhase, block.doppler, block.snr};
    for (size_t i = 0; i < 4; ++i) {
        if (std::fabs(values[i]) > 1e-6) ++counts[i];
    }
}

double PhaseRangeMisfit(const BlockData& block, double wavelength) {
    return std::fabs(block.carrierPhase * wavelength - block.pseudorange);
}

void AddOrReplaceBlock(SatelliteData& sat, const BlockData& block, double wavelength,
                       bool keepLaterOnTie) {
    for (BlockData& existing : sat.blocks) {
        if (existing.signalType != block.signalType) continue;
        double old = PhaseRangeMisfit(existing, wavelength);
        double fresh = PhaseRangeMisfit(block, wavelength);
        if (old > fresh || (keepLaterOnTie && old == fresh)) existing = block;
        return;
    }
    sat.blocks.push_back(block);
}

SatelliteLockHistory* LockTimeTable::Find(int32_t sysCode, int32_t prn) {
    const int index = SatelliteIndex(sysCode, prn);
    if (index <= 0 || index >= static_cast<int>(sats_.size())) return nullptr;
    return &sats_[static_cast<size_t>(index)];
}

namespace {

// Lock times and epoch spacings are compared with this much slack (board rounding).
constexpr double kLockSlack = 1e-3;
// A wrapped lock time must match the stored one grown by the elapsed time this closely.
constexpr double kWrapSlack = 0.5;
// Phases at or below this magnitude are absent.
constexpr double kNoPhase = 1e-6;

// Seconds since the GPS epoch of an epoch time (calendar fields when week / sow are unset).
double ContinuousSeconds(const GnssTime& time) {
    GnssTime t = time;
    if (t.week == 0 && t.sow == 0.0 && t.year != 0) CalendarToGps(t);
    return t.week * kSecondsPerWeek + t.sow;
}

// True when `lock` is the stored lock time grown by `elapsed` and wrapped by the field.
bool IsWrap(double lock, double stored, double elapsed, double wrap) {
    if (!(wrap > 0.0) || lock >= stored) return false;
    const double expected = std::fmod(stored + elapsed, wrap);
    return std::fabs(expected - lock) <= kWrapSlack;
}

// Whether the signal lost lock between its last sighting and `now`.
bool LostLock(const BlockData& block, const SignalLockHistory& signal,
              const SatelliteLockHistory& sat, double now, const LockReporting& reporting) {
    const LockEvidence evidence = reporting.evidence;
    const double lock = block.lockTime;
    if (evidence == LockEvidence::kFallingLockTime) return signal.lockTime > lock;
    if (signal.lastSeen < sat.lastEpoch) return true;  // missing at the previous epoch
    if (evidence == LockEvidence::kSignalPresence) return false;

    const double elapsed = now - signal.lastSeen;
    if (!std::isfinite(lock) || lock < 0.0 || !std::isfinite(elapsed) || elapsed < 0.0) {
        return true;
    }
    double continuous = lock;
    if (lock < signal.lockTime) {
        if (!IsWrap(lock, signal.lockTime, elapsed, reporting.wrapSeconds)) return true;
        continuous += reporting.wrapSeconds;
    }
    return continuous + kLockSlack < elapsed;
}

}  // namespace

void ApplyLockTimeSlips(OBSERVATIONS& epoch, LockTimeTable& table,
                        const LockReportingBySystem& reporting) {
    const double now = ContinuousSeconds(epoch.time);
    for (SatelliteData& sat : epoch.sats) {
        SatelliteLockHistory* history = table.Find(sat.sysCode, sat.prn);
        const int system = SystemIndex(sat.sysCode);
        if (history == nullptr || system < 0) continue;
        const LockReporting& rule = reporting[static_cast<size_t>(system)];
        for (BlockData& block : sat.blocks) {
            if (block.signalType < 0 || block.signalType >= kSignalSlots) continue;
            SignalLockHistory& signal = history->signals[static_cast<size_t>(block.signalType)];
            // A block without a phase has no cycles to slip: it only updates the history.
            const bool hasPhase = std::fabs(block.carrierPhase) > kNoPhase;
            if (signal.seen && hasPhase && LostLock(block, signal, *history, now, rule)) {
                block.lli |= 1u;
            }
            signal.seen = true;
            signal.lockTime = std::isfinite(block.lockTime) ? block.lockTime : 0.0;
            signal.lastSeen = now;
        }
        history->seen = true;
        history->lastEpoch = now;
    }
}

}  // namespace kestrin
