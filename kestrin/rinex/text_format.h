// printf-style formatting into std::string, for the fixed-column RINEX records.
#pragma once

#include <string>

namespace kestrin {

// Appends the formatted text to `out`. The text is exactly what vsnprintf gives; the
// conversions the records use (%d, %c, %s and %f with the '-' and '0' flags, a width and a
// precision) are written without the C library, which is several times faster for %f.
void AppendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Returns the formatted text.
std::string StringFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends `value` as printf's "%<width>.<precision>f" writes it (right-justified, rounded
// half to even on the exact binary value, "-" kept for negative zero and for negative values
// that round to zero).
void AppendFixed(std::string& out, double value, int width, int precision);

}  // namespace kestrin
