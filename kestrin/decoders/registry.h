// The decoders behind the conversion entry points: one table maps each data type to its
// decoder, so that the entry point's test ("is there a decoder?") and the dispatch agree.
#pragma once

#include <cstdint>
#include <string>

#include "core/options.h"
#include "kestrin/kestrin.h"
#include "kestrin/records.h"

namespace kestrin {

class DecoderFrame;

// Kind of decoder of a data type; kNone when the data type has no decoder.
enum class DecoderKind { kNone, kRt17, kOem, kHemisphere, kMulx, kRtcm3, kBinex, kUbx };

struct DecoderEntry {
    int32_t dataType = 0;
    DecoderKind kind = DecoderKind::kNone;
    // The format's process-wide decoder object; null while the format is not decoded yet
    // (the conversion then fails).
    DecoderFrame& (*object)() = nullptr;
};

// The table row of a data type; null when the data type has none.
const DecoderEntry* FindDecoder(int32_t dataType);
DecoderKind DecoderFor(int dataType);

// Runs the decoder of info.dataType over the input file, writing into outputFolder.
// Returns nonzero when it converted something, 0 on failure or when no decoder exists for
// the data type.
int RunDecoder(const HeaderInfo& info, const ConvertOptions& options, KestrinNotifyTarget* window,
               const std::string& inputPath, const std::string& outputFolder);

}  // namespace kestrin
