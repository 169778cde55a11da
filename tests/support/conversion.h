// Converting board data wrapped in a static header through the exported entry point, with
// the output files and what was left in the temporary area collected for the checks.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ConversionRun {
    int result = 0;
    std::vector<long> progress;
    std::map<std::string, std::string> files;  // output name -> content
    std::vector<std::string> leftovers;        // entries left in the temporary area
    // Content of the one output file whose name ends with suffix; empty when none.
    std::string FileEndingWith(const std::string& suffix) const;
};

ConversionRun ConvertWithHeader(const std::string& data, const std::string& name,
                                int32_t optionWord);

}  // namespace testsupport
