#include "decoders/mulx.h"

#include "decoders/framing.h"
#include "decoders/mulx_messages.h"

namespace kestrin {

MulxDecoder& ProcessMulxDecoder() {
    static MulxDecoder decoder;
    return decoder;
}

DecoderFrame::ScanResult MulxDecoder::ScanAt(ByteView rest) {
    if (rest.U8(0) != '@') return {Step::kNoFrame, 0};
    const Frame frame = MulxFrameAt(rest);
    switch (frame.status) {
        case FrameStatus::kNone:
            return {Step::kNoFrame, 0};
        case FrameStatus::kIncomplete:
            return {Step::kIncomplete, frame.length};
        case FrameStatus::kValid:
            break;
        default:
            // A damaged length would make a skip by the message length drop the good
            // messages behind it: move on by one byte and let the sync search find them.
            return {Step::kSkip, 1};
    }
    Dispatch(rest.Sub(0, frame.length));
    return {Step::kDecoded, frame.length};
}

void MulxDecoder::Dispatch(ByteView message) {
    switch (MulxMessageId(message)) {
        case kMulxObservations: {
            OBSERVATIONS epoch;
            if (DecodeMulxObservations(message, info, epoch) && !epoch.sats.empty())
                AddEpoch(std::move(epoch));
            break;
        }
        case kMulxGpsBdsEphemeris: {
            KeplerEphemeris eph;
            if (DecodeMulxGpsBdsEphemeris(message, eph)) AddKeplerEphemeris(eph);
            break;
        }
        case kMulxGlonassEphemeris: {
            gEphemeris eph;
            if (DecodeMulxGlonassEphemeris(message, LeapSeconds(), eph)) {
                SetGlonassChannel(eph.prn, static_cast<int>(eph.frequencyNumber));
                AddGlonassEphemeris(eph);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace kestrin
