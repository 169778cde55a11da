#include "decoders/registry.h"

#include "decoders/binex.h"
#include "decoders/hemisphere_bin.h"
#include "decoders/mulx.h"
#include "decoders/oem_binary.h"
#include "decoders/rt17_decoder.h"
#include "decoders/rtcm3.h"
#include "decoders/ubx_decoder.h"

namespace kestrin {

namespace {

DecoderFrame& OemObject() {
    return ProcessOemBinaryDecoder();
}
DecoderFrame& Rt17Object() {
    return ProcessRt17Decoder();
}
DecoderFrame& HemisphereObject() {
    return ProcessHemisphereBinDecoder();
}
DecoderFrame& MulxObject() {
    return ProcessMulxDecoder();
}
DecoderFrame& BinexObject() {
    return ProcessBinexDecoder();
}
DecoderFrame& Rtcm3Object() {
    return ProcessRtcm3Decoder();
}
DecoderFrame& UbxObject() {
    return ProcessUbxDecoder();
}

// One row per data type. A format adds its row here and nowhere else.
constexpr DecoderEntry kDecoders[] = {
    {1, DecoderKind::kOem, &OemObject},     {2, DecoderKind::kOem, &OemObject},
    {3, DecoderKind::kMulx, &MulxObject},   {4, DecoderKind::kHemisphere, &HemisphereObject},
    {6, DecoderKind::kOem, &OemObject},     {7, DecoderKind::kRtcm3, &Rtcm3Object},
    {8, DecoderKind::kBinex, &BinexObject}, {9, DecoderKind::kRt17, &Rt17Object},
    {10, DecoderKind::kUbx, &UbxObject},
};

// Hands the header, options and progress target of this call to a decoder object and runs it.
int RunOn(DecoderFrame& decoder, const HeaderInfo& info, const ConvertOptions& options,
          KestrinNotifyTarget* window, const std::string& inputPath,
          const std::string& outputFolder) {
    decoder.info.Assign(info);
    decoder.writer.options = options;
    decoder.progressTarget = window;
    int result = decoder.Convert(inputPath, outputFolder);
    if (result == 0 && window && window->notify) {
        const int reason = decoder.writer.FailureReason();
        window->notify(window->context, KESTRIN_MSG_FAILURE,
                       reason != 0 ? reason : KESTRIN_FAILURE_NO_OBSERVATIONS,
                       decoder.writer.FailureError());
    }
    decoder.progressTarget = nullptr;  // the caller's target does not outlive the call
    return result != 0 ? 1 : 0;
}

}  // namespace

const DecoderEntry* FindDecoder(int32_t dataType) {
    for (const DecoderEntry& entry : kDecoders) {
        if (entry.dataType == dataType) return &entry;
    }
    return nullptr;
}

DecoderKind DecoderFor(int dataType) {
    const DecoderEntry* entry = FindDecoder(dataType);
    return entry != nullptr ? entry->kind : DecoderKind::kNone;
}

int RunDecoder(const HeaderInfo& info, const ConvertOptions& options, KestrinNotifyTarget* window,
               const std::string& inputPath, const std::string& outputFolder) {
    const DecoderEntry* entry = FindDecoder(info.dataType);
    if (entry == nullptr || entry->object == nullptr) {
        if (window && window->notify) {
            window->notify(window->context, KESTRIN_MSG_FAILURE, KESTRIN_FAILURE_FORMAT, 0);
        }
        return 0;
    }
    return RunOn(entry->object(), info, options, window, inputPath, outputFolder);
}

}  // namespace kestrin
