// Observation-code tables: the RINEX-3 code of every (system, signal slot), the carrier band
// and wavelength of a slot, the quarter-cycle phase shifts and the signal-strength digit.
#pragma once

#include <cstdint>
#include <string>

namespace kestrin {

// The default RINEX-3 observation code of a signal slot; empty for an unused slot.
std::string DefaultObsCode(int systemIndex, int slot);

// The first slot 0..21 of the system whose default code equals `code`; -1 when none, when the
// code is empty or the system code is not one of the six systems.
int FindSlotOfCode(int32_t sysCode, const std::string& code);

// Carrier band of a slot: 1 (L1/G1/B1/E1), 2 (L2/G2/B2), 5 (every other band: L5, G3, B3,
// LEX, E5a/b, E6); 0 for a slot the system does not use.
int CarrierBand(int systemIndex, int slot);

// True for the slots kept by the single-frequency filter.
bool IsBandOneSlot(int systemIndex, int slot);

// Phase shift of a slot in cycles (the value of the 3.02 header and the correction added to
// 2.10 phases); 0 for every slot without a shift.
double PhaseShift(int systemIndex, int slot);

// The column of a slot in the 2.10 records.
enum class Rinex2Column { kNone, kC1, kP1, kC2, kP2 };
Rinex2Column Rinex2ColumnOf(int systemIndex, int slot);

// Carrier wavelength in metres of (system code, slot, GLONASS frequency number); 0 when unknown.
double CarrierWavelength(int32_t sysCode, int slot, int glonassChannel);

// RINEX signal-strength digit 1..9 of a carrier-to-noise density in dB-Hz.
int SignalStrengthIndicator(double snr);

// The observation code with its first letter replaced ("C1C" with 'L' gives "L1C").
std::string WithObsType(const std::string& code, char type);

}  // namespace kestrin
