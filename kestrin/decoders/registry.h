// The decoders behind the conversion entry points, selected by data type.
#pragma once

#include <string>

#include "core/options.h"
#include "kestrin/kestrin.h"
#include "kestrin/records.h"

namespace kestrin {

// Runs the decoder of info.dataType over the input file, writing into outputFolder.
// Returns nonzero when it converted something, 0 on failure or when no decoder exists for
// the data type.
int RunDecoder(const HeaderInfo& info, const ConvertOptions& options, KestrinNotifyTarget* window,
               const std::string& inputPath, const std::string& outputFolder);

}  // namespace kestrin
