#include "core/detect.h"

#include <array>

#include "decoders/framing.h"

namespace kestrin {
namespace {

// Bytes a pass may run through checksums. Real recordings need about the sample size per
// pass (each valid frame is checked once); a crafted sample of overlapping sync patterns
// with long declared lengths could otherwise cost hundreds of seconds. A pass that uses up
// its budget stops and the counts so far decide.
constexpr size_t kChecksumBudget = size_t{128} << 20;

// Bytes a framing test ran through its checksum.
size_t CheckedBytes(FrameStatus status, size_t length) {
    return status == FrameStatus::kValid || status == FrameStatus::kBadChecksum ? length : 0;
}

}  // namespace

int DetectDataType(ByteView sample) {
    std::array<int, 15> counts{};
    const size_t length = sample.size();

    // Pass 1: the formats with their own sync bytes, first match wins at each position.
    size_t budget = kChecksumBudget;
    for (size_t n = 0; n + 10 <= length;) {
        const ByteView v = sample.From(n);
        Frame f;
        int type = 0;
        switch (v.U8(0)) {
            case 0xAA:
                f = OemFrameAt(v);
                type = kDataOem;
                break;
            case '$':
                f = HemisphereFrameAt(v);
                type = kDataHemisphere;
                break;
            case '@':
                f = MulxFrameAt(v);
                type = kDataMulx;
                break;
            case kRt17Stx:
                if (v.U8(2) == kRt17NavigationData || v.U8(2) == kRt17RawData) {
                    f = Rt17PacketAt(v);
                    type = kDataRt17;
                }
                break;
            case 0xD3:
                f = Rtcm3FrameAt(v);
                type = kDataRtcm3;
                break;
            default:
                break;
        }
        const size_t checked = CheckedBytes(f.status, f.length);
        if (checked > budget) break;
        budget -= checked;
        if (f.valid()) {
            ++counts[type];
            n += f.length;
        } else {
            ++n;
        }
    }

    // Pass 2: UBX raw measurements and navigation subframes.
    budget = kChecksumBudget;
    for (size_t n = 0; n + 6 <= length;) {
        const ByteView v = sample.From(n);
        if (v.U8(0) == 0xB5 && (UbxClassId(v) == kUbxRxmRawx || UbxClassId(v) == kUbxRxmSfrbx)) {
            const Frame f = UbxFrameAt(v);
            const size_t checked = CheckedBytes(f.status, f.length);
            if (checked > budget) break;
            budget -= checked;
            if (f.valid()) {
                ++counts[kDataUbx];
                n += f.length;
                continue;
            }
        }
        ++n;
    }

    // Pass 3: BINEX navigation and observation records (forward-readable syncs).
    budget = kChecksumBudget;
    for (size_t n = 0; n < length;) {
        const uint8_t sync = sample.U8(n);
        if (sync == 0xC2 || sync == 0xE2) {
            const BinexRecord r = ParseBinexRecord(sample.From(n));
            const size_t checked = CheckedBytes(r.status, r.length);
            if (checked > budget) break;
            budget -= checked;
            if (r.valid() && (r.id == 0x01 || r.id == 0x7E || r.id == 0x7F)) {
                ++counts[kDataBinex];
                n += r.length;
                continue;
            }
        }
        ++n;
    }

    int best = 0;
    for (int type = 1; type <= 14; ++type) {
        if (counts[type] > counts[best]) best = type;
    }
    return best;
}

}  // namespace kestrin
