// Helpers of the observation epoch records (the formatters themselves are operations of
// RawConverter: FormatEpoch210, FormatEpoch302).
#pragma once

#include <cstdint>

namespace kestrin {

// The number printed after the system letter in an epoch record: the PRN, or for SBAS
// PRN + 19 (PRN <= 19) / PRN + 63. -1 when the satellite cannot be written: PRN below 1, an
// unknown system, or a number that does not fit the identifier's two digits.
int RecordSatelliteNumber(int32_t sysCode, int32_t prn);

}  // namespace kestrin
