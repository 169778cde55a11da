#include "decoders/registry.h"

#include "decoders/binex.h"
#include "decoders/hemisphere_bin.h"
#include "decoders/mulx.h"
#include "decoders/oem_binary.h"
#include "decoders/rt17_decoder.h"
#include "decoders/ubx_decoder.h"
#include "decoders/rtcm3.h"

namespace kestrin {

namespace {

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

int RunDecoder(const HeaderInfo& info, const ConvertOptions& options, KestrinNotifyTarget* window,
               const std::string& inputPath, const std::string& outputFolder) {
    switch (info.dataType) {
        case 1:
        case 2:
        case 6:
            return RunOn(ProcessOemBinaryDecoder(), info, options, window, inputPath, outputFolder);
        case 7:
            return RunOn(ProcessRtcm3Decoder(), info, options, window, inputPath, outputFolder);
        case 9:
            return RunOn(ProcessRt17Decoder(), info, options, window, inputPath, outputFolder);
        case 4:
            return RunOn(ProcessHemisphereBinDecoder(), info, options, window, inputPath,
                         outputFolder);
        case 3:
            return RunOn(ProcessMulxDecoder(), info, options, window, inputPath, outputFolder);
        case 8:
            return RunOn(ProcessBinexDecoder(), info, options, window, inputPath, outputFolder);
        case 10:
            return RunOn(ProcessUbxDecoder(), info, options, window, inputPath, outputFolder);
        default:
            if (window && window->notify) {
                window->notify(window->context, KESTRIN_MSG_FAILURE, KESTRIN_FAILURE_FORMAT, 0);
            }
            return 0;
    }
}

}  // namespace kestrin
