// Observation-code tables: the RINEX-3 code of every (system, signal slot).
#pragma once

#include <cstdint>
#include <string>

namespace kestrin {

// The default RINEX-3 observation code of a signal slot; empty for an unused slot.
std::string DefaultObsCode(int systemIndex, int slot);

// Carrier wavelength in metres of (system code, slot, GLONASS frequency number); 0 when unknown.
double CarrierWavelength(int32_t sysCode, int slot, int glonassChannel);

}  // namespace kestrin
