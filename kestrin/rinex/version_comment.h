// The header line that names the release which wrote a file, so that a data centre can
// trace which Tollmere produced it.
#pragma once

#include <string>

namespace kestrin {

// "converted by Tollmere X.Y.Z" as a whole COMMENT record (80 columns and the line end).
std::string ConvertedByLine();

}  // namespace kestrin
