// printf-style formatting into std::string, for the fixed-column RINEX records.
#pragma once

#include <string>

namespace kestrin {

// Appends the formatted text to `out`.
void AppendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Returns the formatted text.
std::string StringFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kestrin
