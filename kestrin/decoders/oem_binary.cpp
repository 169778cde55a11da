#include "decoders/oem_binary.h"

#include "decoders/framing.h"

namespace kestrin {

namespace {

// Bytes the scan needs before it tests a sync: the whole fixed header.
constexpr size_t kOemScanWindow = 28;

}  // namespace

OemBinaryDecoder::OemBinaryDecoder() : glonassSlots(InitialGlonassSlotTable()) {
    // Every range log carries lock times; the compressed one holds them in 21 bits of 1/32 s.
    lockReporting.fill({LockEvidence::kLockTime, 65536.0});
}

OemBinaryDecoder& ProcessOemBinaryDecoder() {
    static OemBinaryDecoder decoder;
    return decoder;
}

DecoderFrame::ScanResult OemBinaryDecoder::ScanAt(ByteView rest) {
    if (rest.size() < kOemScanWindow) {
        // Too few bytes for a log header: wait for more, except at an in-stream site record,
        // which can be shorter than a log header and end the file (an occupation end).
        if (rest.U8(0) == 0xB7 && rest.U8(1) == 0x59) return {Step::kNoFrame, 0};
        return {Step::kIncomplete, 0};
    }
    Frame frame = OemFrameAt(rest);
    switch (frame.status) {
        case FrameStatus::kNone:
            return {Step::kNoFrame, 0};
        case FrameStatus::kIncomplete:
            return {Step::kIncomplete, frame.length};
        case FrameStatus::kValid:
            break;
        default:
            // A frame that fails its CRC may be a sync pattern met by chance inside other
            // bytes: move on by one byte so that no real frame behind it is lost.
            return {Step::kSkip, 1};
    }
    OemFrameHeader header;
    if (!ReadOemFrameHeader(rest, header)) return {Step::kSkip, 1};
    Dispatch(header, rest.Sub(header.headerLength, header.messageLength));
    return {Step::kDecoded, frame.length};
}

void OemBinaryDecoder::DecodeObservations(const OemFrameHeader& header, ByteView body) {
    // A receiver without a time fix stamps its logs with week 0: such epochs have no time.
    if (header.week == 0) return;
    OemObsContext ctx{workingDataType, glonassSlots, info, phaseBlanking};
    OBSERVATIONS epoch;
    bool ok = header.messageId == kOemRange
                  ? DecodeOemRange(body, OemFrameTime(header), ctx, epoch)
                  : DecodeOemRangeCmp(body, OemFrameTime(header), ctx, epoch);
    if (ok) AddEpoch(std::move(epoch));
}

void OemBinaryDecoder::Dispatch(const OemFrameHeader& header, ByteView body) {
    KeplerEphemeris kepler;
    gEphemeris glonass;
    OemGlonassContext gloCtx{writer.leapSeconds, glonassSlots, info};
    std::array<IonoUtcParams, kIonoSets>& iono = Navigation().iono;
    int32_t leap = 0;

    switch (header.messageId) {
        case kOemRange:
        case kOemRangeCmp:
            DecodeObservations(header, body);
            break;

        case kOemGpsEphem:
            if (DecodeOemGpsEphem(body, kepler)) writer.WriteKeplerNavRecord(kepler);
            break;
        case kOemRawEphem:
            if (DecodeOemRawEphem(body, kepler)) writer.WriteKeplerNavRecord(kepler);
            break;
        case kOemDecodedEphem:
            workingDataType = 5;
            if (DecodeOemDecodedEphem(body, kepler)) writer.WriteKeplerNavRecord(kepler);
            break;
        case kOemSubFormat5A:
        case kOemSubFormat5B:
            workingDataType = 5;
            break;
        case kOemGloEphemeris:
            if (DecodeOemGloEphemeris(body, gloCtx, glonass)) writer.WriteGlonassNavRecord(glonass);
            break;
        case kOemGloRawEphem:
            if (DecodeOemGloRawEphem(body, gloCtx, glonass)) writer.WriteGlonassNavRecord(glonass);
            break;
        case kOemBdsEphemOld:
            if (DecodeOemBdsEphemOld(body, kepler)) {
                workingDataType = 6;
                writer.WriteKeplerNavRecord(kepler);
            }
            break;
        case kOemGalEphemeris:
            if (DecodeOemGalEphemeris(body, header.week, header.msOfWeek * 0.001, kepler))
                writer.WriteKeplerNavRecord(kepler);
            break;
        case kOemQzssEphemeris:
            if (DecodeOemQzssEphemeris(body, kepler)) writer.WriteKeplerNavRecord(kepler);
            break;
        case kOemBdsEphemeris:
            if (DecodeOemBdsEphemeris(body, kepler)) writer.WriteKeplerNavRecord(kepler);
            break;

        case kOemIonUtc:
            // The first GPS set of the file is kept; it also gives GPS - UTC.
            if (!iono[0].valid && DecodeOemIonUtc(body, iono[0], leap) && leap > 0 && leap < 100)
                writer.leapSeconds = leap;
            break;
        case kOemQzssIonUtc:
            if (DecodeOemIonUtc(body, iono[2], leap) && leap > 0 && leap < 100)
                writer.leapSeconds = leap;
            break;
        case kOemBdsIonUtc:
            // Its leap-second field counts BDS - UTC, not GPS - UTC: not taken for the headers.
            if (!iono[1].valid && DecodeOemIonUtc(body, iono[1], leap)) workingDataType = 6;
            break;
        case kOemBdsIono:
            DecodeOemBdsIono(body, iono[1]);
            break;
        case kOemGalIono:
            DecodeOemGalIono(body, iono[3]);
            break;

        case kOemMarkTime:
        case kOemMark2Time:
        case kOemMark3Time:
        case kOemMark4Time: {
            EventMark mark;
            if (!DecodeOemMark(body, header.messageId, static_cast<uint16_t>(eventCounter_ + 1),
                               mark)) {
                break;
            }
            ++eventCounter_;
            if (!Epochs().empty()) mark.placeTime = Epochs().back().time;
            writer.events.push_back(mark);
            break;
        }
        default:
            break;
    }
}

}  // namespace kestrin
