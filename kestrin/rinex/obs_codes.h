// Observation-code tables: the RINEX-3 code of every (system, signal slot).
#pragma once

#include <string>

namespace kestrin {

// The default RINEX-3 observation code of a signal slot; empty for an unused slot.
std::string DefaultObsCode(int systemIndex, int slot);

}  // namespace kestrin
