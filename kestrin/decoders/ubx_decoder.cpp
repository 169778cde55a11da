#include "decoders/ubx_decoder.h"

#include "decoders/framing.h"

namespace kestrin {

UbxDecoder& ProcessUbxDecoder() {
    static UbxDecoder decoder;
    return decoder;
}

DecoderFrame::ScanResult UbxDecoder::ScanAt(ByteView rest) {
    const Frame frame = UbxFrameAt(rest);
    switch (frame.status) {
        case FrameStatus::kNone:
            return {Step::kNoFrame, 0};
        case FrameStatus::kIncomplete:
            return {Step::kIncomplete, frame.length};
        case FrameStatus::kValid:
            break;
        default:
            // A sync met by chance inside other bytes: move on by one byte so that no real
            // frame behind it is lost.
            return {Step::kSkip, 1};
    }
    const ByteView payload = rest.Sub(6, frame.length - 8);
    switch (UbxClassId(rest)) {
        case kUbxRxmRawx:
            DecodeRawx(payload);
            break;
        case kUbxRxmSfrbx:
            navigation_.Add(payload, *this);
            break;
        default:
            break;
    }
    return {Step::kDecoded, frame.length};
}

void UbxDecoder::DecodeRawx(ByteView payload) {
    UbxRawxEpoch rawx;
    if (!DecodeUbxRawx(payload, rawx)) return;
    // The receiver's GPS - UTC; a value it does not yet mark as known only fills a gap.
    if (rawx.leapSecondsValid || LeapSeconds() == 0) SetLeapSeconds(rawx.leapSeconds);
    for (const SatelliteData& sat : rawx.epoch.sats) {
        if (sat.sysCode == kSysGlonass) SetGlonassChannel(sat.prn, sat.glonassChannel);
        for (const BlockData& block : sat.blocks)
            MarkSignalUsed(sat.sysCode, sat.prn, block.signalType);
    }
    AddEpoch(std::move(rawx.epoch));
}

}  // namespace kestrin
