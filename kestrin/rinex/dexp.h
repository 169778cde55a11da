// Numbers in the "D" exponent notation of RINEX navigation files.
#pragma once

#include <string>

namespace kestrin {

// One number as a mantissa below 1 and a "D" exponent, e.g. " 0.123456789012D+03" for
// (123.456789012, 19, 12). The field is `width` characters while the exponent has two digits;
// a three-digit exponent widens it. A magnitude of exactly 0.1 is scaled once more, so 0.1 is
// written " 1.000000000000D-01".
std::string FormatDExponent(double value, int width, int precision);

}  // namespace kestrin
