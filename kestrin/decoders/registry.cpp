#include "decoders/registry.h"

#include "decoders/oem_binary.h"
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
        default:
            return 0;
    }
}

}  // namespace kestrin
