// Rules and tables every decoder applies to the observations it builds: the places of the
// satellite tables, the GLONASS slot table, slot usage in the header information, the choice
// between two blocks of the same signal, and loss-of-lock marking from falling lock times.
#pragma once

#include <array>

#include "kestrin/records.h"

namespace kestrin {

// True when a PRN has a place in its system's part of the satellite numbers 1..150
// (GPS 1-32, GLONASS 1-24, BDS 1-20, SBAS 1-24, QZSS 1-20, Galileo 1-30).
bool InSatelliteTable(int32_t sysCode, int32_t prn);

// The GLONASS frequency number assumed for each slot (index 0 unused) where a message carries
// none. Each decoder owns one copy, learns from its ephemerides and keeps it for the life of
// the process.
using GlonassSlotTable = std::array<int8_t, kGlonassSlots>;
GlonassSlotTable InitialGlonassSlotTable();

// Lock time last reported per satellite number and signal slot.
using LockTimeTable = std::array<std::array<float, kSignalSlots>, kSatelliteSlots>;

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

// Sets the loss-of-lock bit of every block whose lock time fell below the last one stored
// for its satellite and slot, then stores the new lock times.
void ApplyLockTimeSlips(OBSERVATIONS& epoch, LockTimeTable& table);

}  // namespace kestrin
