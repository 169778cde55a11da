// The conversion entry points behind the three conversion exports: option unpacking,
// the leap-second table beside the input, the static header and the decoder dispatch.
#pragma once

#include <cstdint>
#include <string>

#include "core/options.h"
#include "decoders/registry.h"  // DecoderFor: the data types that have a decoder
#include "kestrin/kestrin.h"

namespace kestrin {

// Output interval in seconds of an interval code (bits 16..23 of the option word).
double IntervalOfCode(int code);

// Unpacks the option word of ParseDataToRinexFormat: flavour first, then interval, then the
// flag bits; mixedV302 is cleared for RINEX 2. fileTitle and yearOverride are left as they
// are.
void UnpackOptionWord(int32_t word, ConvertOptions& options);

// The input path split at its last "/" or "\": the file title (name without folder and
// extension) and the path of "leap.sec" in its folder. Without a separator both are empty.
struct InputLocation {
    std::string fileTitle;
    std::string leapTablePath;
};
InputLocation LocateInput(const std::string& inputPath);

// path itself when it exists; otherwise the first entry of its folder (in name order)
// whose name matches case-insensitively; otherwise path unchanged.
std::string FindExistingPath(const std::string& path);

// The common sequence of the conversion exports. options are complete except fileTitle,
// which this fills from the input path. Returns 1 when the decoder converted, else 0.
int Convert(const char* inputPath, const char* outputFolder, ConvertOptions options,
            KestrinNotifyTarget* window);

}  // namespace kestrin
