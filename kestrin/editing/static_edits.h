// In-place edits of the 512-byte static file header and the antenna-height services that
// read it. Every edit overwrites only its own header bytes: the file keeps its length and
// every other byte.
#pragma once

#include <string>

namespace kestrin {

// The antenna measuring method byte of the header (0 when the file cannot be used) and the
// measured height in metres (0 then).
int ReadAntennaMeasureInfo(const std::string& path, double& measuredHeight);

// Writes the measured height (metres, truncated to millimetres). 1 also for a file without
// the header magic (then nothing is written); 0 for a file that cannot be edited, one
// shorter than the header, or a height that does not fit the field.
int WriteStaticAntennaHeight(const std::string& path, double height);

// Writes the 8-character start and stop time texts (hours:minutes:seconds); an empty text
// leaves its field alone, a shorter one is padded with zero bytes.
int WriteStaticFileTimes(const std::string& path, const std::string& startText,
                         const std::string& stopText);

// Marks the phase offsets as counted from the antenna bottom and writes the measured height
// (rounded to millimetres), the measuring method and the point name (at most 8 characters).
// Offsets that counted from the measuring edge are recounted from the bottom (H added), so
// that they keep their meaning; 0, writing nothing, when the recounted offsets do not fit.
int WriteStaticAntennaSetup(const std::string& path, const std::string& pointName, int method,
                            double measuredHeight);

}  // namespace kestrin
