// Rules and tables every decoder applies to the observations it builds: the places of the
// satellite tables, the GLONASS slot table, slot usage in the header information, the choice
// between two blocks of the same signal, and loss-of-lock marking from falling lock times.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "kestrin/records.h"

namespace kestrin {

// True when a PRN lies in its system's range and so has a satellite index (SatelliteIndex).
bool InSatelliteTable(int32_t sysCode, int32_t prn);

// The SBAS prn of a satellite number as boards send it: 120..163 count from 120 (PRN 120 is
// prn 1), numbers above 163 from 164; smaller numbers are taken as the prn itself.
int SbasPrnOfNumber(int number);

// The GLONASS frequency number assumed for each slot (index 0 unused) where a message carries
// none. Each decoder owns one copy, learns from its ephemerides and keeps it for the life of
// the process.
using GlonassSlotTable = std::array<int8_t, kGlonassSlots>;
GlonassSlotTable InitialGlonassSlotTable();

// What a board tells about the continuity of a signal's tracking, per satellite system.
enum class LockEvidence : uint8_t {
    kFallingLockTime,  // lock times, compared with the last one only (a fall marks a slip)
    kLockTime,         // lock times in seconds: falls, gaps and lock times shorter than the
                       // time since the signal was last seen mark slips
    kSignalPresence,   // the decoder marks slips itself (slip counters, flags); a signal that
                       // was missing at its satellite's previous epoch marks a slip
};

struct LockReporting {
    LockEvidence evidence = LockEvidence::kFallingLockTime;
    double wrapSeconds = 0.0;  // period after which the lock-time field starts again at 0
                               // (0 = it never does)
};
using LockReportingBySystem = std::array<LockReporting, kSystemCount>;

// Tracking history of one signal and of one satellite for the loss-of-lock rule.
struct SignalLockHistory {
    bool seen = false;
    double lockTime = 0.0;  // last reported lock time, seconds
    double lastSeen = 0.0;  // time of the epoch that last carried the signal, seconds
};
struct SatelliteLockHistory {
    bool seen = false;
    double lastEpoch = 0.0;  // time of the satellite's last epoch, seconds
    std::array<SignalLockHistory, kSignalSlots> signals{};
};
// Per satellite index (SatelliteIndex); all unseen at the start of a conversion.
class LockTimeTable {
  public:
    LockTimeTable() : sats_(kSatelliteIndexCount) {}
    void Reset() { sats_.assign(kSatelliteIndexCount, SatelliteLockHistory{}); }
    SatelliteLockHistory* Find(int32_t sysCode, int32_t prn);

  private:
    std::vector<SatelliteLockHistory> sats_;
};

// Records that the satellite's system, the satellite and (system, slot) occur in the data.
void MarkSlotUsed(HeaderInfo& info, int32_t sysCode, int32_t prn, int slot);

// Adds the block's pseudorange, phase, Doppler and strength, each when present, to the
// header's observation tallies of the satellite and slot.
void CountObservations(HeaderInfo& info, int32_t sysCode, int32_t prn, const BlockData& block);

// |phase x wavelength - pseudorange|: how far a block's phase strays from its range.
double PhaseRangeMisfit(const BlockData& block, double wavelength);

// Adds a block to a satellite. A block of a slot the satellite already has replaces the
// existing one only when it fits its range better (keepLaterOnTie: also on equal misfit).
void AddOrReplaceBlock(SatelliteData& sat, const BlockData& block, double wavelength,
                       bool keepLaterOnTie);

// Sets the loss-of-lock bit (bit 0) of every block that lost lock since its satellite's last
// epoch, by what its system reports (see LockEvidence), then records the epoch:
// - a signal seen before that was missing at its satellite's previous epoch (every kind but
//   kFallingLockTime);
// - a lock time below the last one stored, unless it is the stored one grown by the elapsed
//   time and wrapped by the field's period;
// - a lock time shorter than the time elapsed since the signal was last seen (kLockTime);
// - time running backwards, or a negative or non-finite lock time (kLockTime).
// The first appearance of a signal in a conversion and a block without a phase are never
// marked.
void ApplyLockTimeSlips(OBSERVATIONS& epoch, LockTimeTable& table,
                        const LockReportingBySystem& reporting = LockReportingBySystem{});

}  // namespace kestrin
