// Splitting record and file text into lines for the writer tests.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The lines of a text without their line feeds.
std::vector<std::string> Lines(const std::string& text);

}  // namespace testsupport
