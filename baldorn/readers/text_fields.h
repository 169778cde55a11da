// Column access and number parsing for fixed-column RINEX text. Columns are 1-based; any part
// of a field beyond the end of the line reads as absent.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace baldorn {

std::string_view Columns(std::string_view line, size_t first, size_t count);
std::string_view ColumnsFrom(std::string_view line, size_t first);
// Decimal integer after leading blanks; unreadable text gives 0.
int ParseInt(std::string_view text);
// Decimal real whose exponent letter may be E, e, D or d; the longest readable prefix counts,
// unreadable or non-finite text gives 0.
double ParseReal(std::string_view text);
std::string Trim(std::string_view text);
bool Contains(std::string_view line, std::string_view label);

// Longest line kept; far beyond any RINEX record (80 columns, or 3 + 16 per observation code).
inline constexpr size_t kMaxLineLength = 65536;

// Reads one line without its line end (LF or CR LF), cut to kMaxLineLength characters. False
// at end of file.
bool ReadLine(std::FILE* file, std::string& line);

}  // namespace baldorn
