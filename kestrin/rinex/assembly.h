// The last step of a conversion: naming and assembling the final files.
#pragma once

#include <functional>
#include <string>

#include "core/raw_converter.h"

namespace kestrin {

// What every decoder does after its last epoch block: reduces the antenna height of its
// header as the options ask (0 for an input without static header), builds the base path
// from the output folder and the input file title, hands its header to the writer and lets
// RawConverter::WriteOutputFiles produce the files (`published` hears of each file in place).
// Returns that result.
bool FinishConversion(RawConverter& writer, HeaderInfo& decoderInfo, const std::string& inputPath,
                      const std::string& outputFolder, const NavigationBlock* navBlock,
                      const std::function<void(const std::string&)>& published = {});

}  // namespace kestrin
