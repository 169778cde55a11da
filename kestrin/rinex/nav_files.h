// Final navigation, SBAS message and almanac files: a header text followed by the records
// collected in a temporary file, every line ending in CR LF.
#pragma once

#include <string>

namespace kestrin {

// Writes `header` and the content of `bodyPath` to `path`, with every line feed as CR LF when
// `crlf` is set and byte for byte otherwise. Returns 1 when the file was written
// with records; 0 when the body is empty or missing or a write failed. Whenever the result is
// 0 no file of that name remains (a file from an earlier run is removed as well).
int WriteHeaderAndBody(const std::string& path, const std::string& header,
                       const std::string& bodyPath, bool crlf = true);

}  // namespace kestrin
