// Board-format detection: which decoder the data behind a static header need.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoders/byte_view.h"

namespace kestrin {

// Data types (HeaderInfo::dataType). 2, 5 and 6 only arise inside the OEM decoder.
enum DataType : int32_t {
    kDataUnknown = 0,
    kDataOem = 1,
    kDataOemVariant = 2,
    kDataMulx = 3,
    kDataHemisphere = 4,
    kDataOemSub5 = 5,
    kDataOemSub6 = 6,
    kDataRtcm3 = 7,
    kDataBinex = 8,
    kDataRt17 = 9,
    kDataUbx = 10,
};

// The detector looks at no more than this many bytes of a file.
constexpr size_t kDetectSampleLimit = 1 << 20;

// Counts the frames of each board format that pass their framing test in the sample and
// returns the data type with the most (ties go to the lower type), 0 when none passes.
int DetectDataType(ByteView sample);
inline int DetectDataType(const uint8_t* data, size_t length) {
    return DetectDataType(ByteView(data, length));
}

}  // namespace kestrin
