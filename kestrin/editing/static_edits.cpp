#include "editing/static_edits.h"

#include <array>
#include <cstdint>

#include "core/static_header.h"
#include "editing/static_file_io.h"

namespace kestrin {
namespace {

constexpr uint64_t kShortestEditable = 200;
constexpr size_t kPointNameChars = 8;

// Result of the opening every header writer shares.
enum class Opening { kFailed, kNoMagic, kReady };

// Opens the file for writing and checks its length and magic: a file without the magic is
// left alone but counts as done.
Opening OpenForEdit(StaticHeaderFile& file, const std::string& path, uint64_t minimumLength) {
    if (!file.Open(path, true)) return Opening::kFailed;
    if (file.FileSize() < minimumLength) return Opening::kFailed;
    return file.HasMagic() ? Opening::kReady : Opening::kNoMagic;
}

int Done(Opening opening) {
    return opening == Opening::kNoMagic ? 1 : 0;
}

// Format codes 0 and 1000: the phase-centre offsets count from the measuring edge.
bool IsEdgeFormat(ByteView h) {
    const int code = h.I16(header::kFormatCode);
    return code == 0 || code == kFormatEdge;
}

// The L1 and L2 offsets of a header whose offsets count from the measuring edge, recounted
// from the antenna bottom (the edge stands H above it; all three share the geometry unit).
// False when the header's offsets already count from the bottom, or the sums do not fit.
bool PhaseOffsetsFromBottom(ByteView h, std::array<int32_t, 2>& out) {
    if (!IsEdgeFormat(h)) return false;
    const int64_t edge = h.I32(header::kEdgeHeight);
    const size_t at[2] = {header::kL1Offset, header::kL2Offset};
    for (size_t i = 0; i < 2; ++i) {
        const int64_t sum = h.I32(at[i]) + edge;
        if (sum < INT32_MIN || sum > INT32_MAX) return false;
        out[i] = static_cast<int32_t>(sum);
    }
    return true;
}

}  // namespace

int ReadAntennaMeasureInfo(const std::string& path, double& measuredHeight) {
    measuredHeight = 0.0;
    StaticHeaderFile file;
    if (!file.Open(path, false) || file.FileSize() < kShortestEditable) return 0;
    measuredHeight = file.Header().I16(header::kAntennaHeightMm) * 0.001;
    return file.Header().U8(header::kMeasureMethod);
}

int WriteStaticAntennaHeight(const std::string& path, double height) {
    StaticHeaderFile file;
    const Opening opening = OpenForEdit(file, path, kStaticHeaderSize);
    if (opening != Opening::kReady) return Done(opening);
    int64_t millimetres = 0;
    if (!ScaledInteger(height, 1000.0, false, INT16_MIN, INT16_MAX, millimetres)) return 0;
    return file.WriteI16(header::kAntennaHeightMm, static_cast<int16_t>(millimetres)) ? 1 : 0;
}

int WriteStaticFileTimes(const std::string& path, const std::string& startText,
                         const std::string& stopText) {
    StaticHeaderFile file;
    const Opening opening = OpenForEdit(file, path, kShortestEditable);
    if (opening != Opening::kReady) return Done(opening);
    bool ok = true;
    if (!startText.empty())
        ok = file.WriteText(header::kStartTime, startText, header::kTimeWidth) && ok;
    if (!stopText.empty())
        ok = file.WriteText(header::kStopTime, stopText, header::kTimeWidth) && ok;
    return ok ? 1 : 0;
}

int WriteStaticAntennaSetup(const std::string& path, const std::string& pointName, int method,
                            double measuredHeight) {
    StaticHeaderFile file;
    const Opening opening = OpenForEdit(file, path, kShortestEditable);
    if (opening != Opening::kReady) return Done(opening);
    int64_t millimetres = 0;
    if (!ScaledInteger(measuredHeight, 1000.0, true, INT16_MIN, INT16_MAX, millimetres)) return 0;
    std::array<int32_t, 2> offsets{};
    const bool fromEdge = PhaseOffsetsFromBottom(file.Header(), offsets);
    if (!fromEdge && IsEdgeFormat(file.Header())) return 0;  // the offsets would not fit
    bool ok = file.WriteI16(header::kFormatCode, static_cast<int16_t>(kFormatBottom));
    if (fromEdge) {
        ok = file.WriteI32(header::kL1Offset, offsets[0]) && ok;
        ok = file.WriteI32(header::kL2Offset, offsets[1]) && ok;
    }
    ok = file.WriteI16(header::kAntennaHeightMm, static_cast<int16_t>(millimetres)) && ok;
    ok = file.WriteU8(header::kMeasureMethod, static_cast<uint8_t>(method & 0xFF)) && ok;
    ok = file.WriteText(header::kPointName, pointName.substr(0, kPointNameChars),
                        header::kPointNameWidth) &&
         ok;
    return ok ? 1 : 0;
}

}  // namespace kestrin
