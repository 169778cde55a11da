// Helpers of the observation epoch records (the formatters themselves are operations of
// RawConverter: FormatEpoch210, FormatEpoch302).
#pragma once

#include <cstdint>
#include <string>

#include "kestrin/records.h"

namespace kestrin {

// The number printed after the system letter in an epoch record: the PRN, or for SBAS
// PRN + 19 (PRN <= 19) / PRN + 63. -1 when the satellite cannot be written: PRN below 1, an
// unknown system, or a number that does not fit the identifier's two digits.
int RecordSatelliteNumber(int32_t sysCode, int32_t prn);

// A plain 2.10 record of an epoch read from a RINEX file: band 1 from each satellite's first
// signal, band 2 from its second, no phase shift applied.
std::string FormatModelEpoch210(const OBSERVATIONS& epoch);

}  // namespace kestrin
