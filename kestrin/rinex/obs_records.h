// Helpers of the observation epoch records (the formatters themselves are operations of
// RawConverter: FormatEpoch210, FormatEpoch302).
#pragma once

#include <cstdint>
#include <string>

#include "kestrin/records.h"

namespace kestrin {

// The number printed after the system letter in an epoch record: the PRN, for SBAS PRN + 19
// (S20..S58), for QZSS 193..202 PRN - 192. -1 when the satellite cannot be written: a PRN
// outside its system's range (see SatelliteIndex) or an unknown system.
int RecordSatelliteNumber(int32_t sysCode, int32_t prn);

// A plain 2.10 record of an epoch read from a RINEX file: band 1 from each satellite's first
// signal, band 2 from its second, no phase shift applied.
std::string FormatModelEpoch210(const OBSERVATIONS& epoch);

}  // namespace kestrin
