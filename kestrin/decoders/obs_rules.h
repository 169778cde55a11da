// Rules every decoder applies to the observations it builds: slot usage in the header
// information, the choice between two blocks of the same signal, and loss-of-lock marking
// from falling lock times.
#pragma once

#include <array>

#include "kestrin/records.h"

namespace kestrin {

// Lock time last reported per satellite number and signal slot.
using LockTimeTable = std::array<std::array<float, kSignalSlots>, kSatelliteSlots>;

// Records that the satellite's system, the satellite and (system, slot) occur in the data.
void MarkSlotUsed(HeaderInfo& info, int32_t sysCode, int32_t prn, int slot);

// |phase x wavelength - pseudorange|: how far a block's phase strays from its range.
double PhaseRangeMisfit(const BlockData& block, double wavelength);

// Adds a block to a satellite. A block of a slot the satellite already has replaces the
// existing one only when it fits its range better (keepLaterOnTie: also on equal misfit).
void AddOrReplaceBlock(SatelliteData& sat, const BlockData& block, double wavelength,
                       bool keepLaterOnTie);

// Sets the loss-of-lock bit of every block whose lock time fell below the last one stored
// for its satellite and slot, then stores the new lock times.
void ApplyLockTimeSlips(OBSERVATIONS& epoch, LockTimeTable& table);

}  // namespace kestrin
