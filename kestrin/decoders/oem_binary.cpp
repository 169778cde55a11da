#include "decoders/oem_binary.h"

#include "decoders/framing.h"

namespace kestrin {

namespace {

// Bytes the scan needs before it tests a sync: the whole fixed header.
constexpr size_t kOemScanWindow = 28;

void HandleObservations(const OemFrameHeader& header, ByteView body, OemRunState& state,
                        const GlonassSlotTable& glonassSlots, DecoderSink& sink) {
    // A receiver without a time fix stamps its logs with week 0: such epochs have no time.
    if (header.week == 0) return;
    OemObsContext ctx{state.variant, glonassSlots, sink, state.phaseBlanking};
    OBSERVATIONS epoch;
    bool ok = header.messageId == kOemRange
                  ? DecodeOemRange(body, OemFrameTime(header), ctx, epoch)
                  : DecodeOemRangeCmp(body, OemFrameTime(header), ctx, epoch);
    if (ok) sink.AddEpoch(std::move(epoch));
}

// Ionosphere / UTC logs: the set they carry and, for the GPS and QZSS layouts, GPS - UTC.
void HandleIonoUtc(const OemFrameHeader& header, ByteView body, OemRunState& state,
                   DecoderSink& sink) {
    IonoUtcParams set;
    int32_t leap = 0;
    switch (header.messageId) {
        case kOemIonUtc:
            // The first GPS set of the file is kept; it also gives GPS - UTC.
            if (!sink.IonoUtc(0).valid && DecodeOemIonUtc(body, set, leap)) {
                sink.SetIonoUtc(0, set);
                sink.SetLeapSeconds(leap);
            }
            break;
        case kOemQzssIonUtc:
            if (DecodeOemIonUtc(body, set, leap)) {
                sink.SetIonoUtc(2, set);
                sink.SetLeapSeconds(leap);
            }
            break;
        case kOemBdsIonUtc:
            // Its leap-second field counts BDS - UTC, not GPS - UTC: not taken for the headers.
            if (!sink.IonoUtc(1).valid && DecodeOemIonUtc(body, set, leap)) {
                sink.SetIonoUtc(1, set);
                state.variant = 6;
            }
            break;
        case kOemBdsIono:
            if (DecodeOemBdsIono(body, set)) sink.SetIonoUtc(1, set);
            break;
        case kOemGalIono:
            if (DecodeOemGalIono(body, set)) sink.SetIonoUtc(3, set);
            break;
        default:
            break;
    }
}

// Keplerian ephemeris logs of every system; some reveal the board variant.
void HandleKepler(const OemFrameHeader& header, ByteView body, OemRunState& state,
                  DecoderSink& sink) {
    KeplerEphemeris kepler;
    bool ok = false;
    switch (header.messageId) {
        case kOemGpsEphem:
            ok = DecodeOemGpsEphem(body, kepler);
            break;
        case kOemRawEphem:
            ok = DecodeOemRawEphem(body, kepler);
            break;
        case kOemDecodedEphem:
            state.variant = 5;
            ok = DecodeOemDecodedEphem(body, kepler);
            break;
        case kOemBdsEphemOld:
            ok = DecodeOemBdsEphemOld(body, kepler);
            if (ok) state.variant = 6;
            break;
        case kOemGalEphemeris:
            ok = DecodeOemGalEphemeris(body, header.week, header.msOfWeek * 0.001, kepler);
            break;
        case kOemQzssEphemeris:
            ok = DecodeOemQzssEphemeris(body, kepler);
            break;
        case kOemBdsEphemeris:
            ok = DecodeOemBdsEphemeris(body, kepler);
            break;
        default:
            break;
    }
    if (ok) sink.AddKeplerEphemeris(kepler);
}

void HandleGlonass(const OemFrameHeader& header, ByteView body, GlonassSlotTable& glonassSlots,
                   DecoderSink& sink) {
    OemGlonassContext ctx{glonassSlots, sink};
    gEphemeris glonass;
    bool ok = header.messageId == kOemGloEphemeris ? DecodeOemGloEphemeris(body, ctx, glonass)
                                                   : DecodeOemGloRawEphem(body, ctx, glonass);
    if (ok) sink.AddGlonassEphemeris(glonass);
}

void HandleMark(const OemFrameHeader& header, ByteView body, OemRunState& state,
                DecoderSink& sink) {
    EventMark mark;
    if (!DecodeOemMark(body, header.messageId, static_cast<uint16_t>(state.eventCounter + 1),
                       mark)) {
        return;
    }
    ++state.eventCounter;
    sink.AddEvent(mark);  // placed after the last epoch so far
}

}  // namespace

void HandleOemLog(const OemFrameHeader& header, ByteView body, OemRunState& state,
                  GlonassSlotTable& glonassSlots, DecoderSink& sink) {
    const int32_t variantBefore = state.variant;
    switch (header.messageId) {
        case kOemRange:
        case kOemRangeCmp:
            HandleObservations(header, body, state, glonassSlots, sink);
            break;
        case kOemGpsEphem:
        case kOemRawEphem:
        case kOemDecodedEphem:
        case kOemBdsEphemOld:
        case kOemGalEphemeris:
        case kOemQzssEphemeris:
        case kOemBdsEphemeris:
            HandleKepler(header, body, state, sink);
            break;
        case kOemSubFormat5A:
        case kOemSubFormat5B:
            state.variant = 5;
            break;
        case kOemGloEphemeris:
        case kOemGloRawEphem:
            HandleGlonass(header, body, glonassSlots, sink);
            break;
        case kOemIonUtc:
        case kOemQzssIonUtc:
        case kOemBdsIonUtc:
        case kOemBdsIono:
        case kOemGalIono:
            HandleIonoUtc(header, body, state, sink);
            break;
        case kOemMarkTime:
        case kOemMark2Time:
        case kOemMark3Time:
        case kOemMark4Time:
            HandleMark(header, body, state, sink);
            break;
        default:
            break;
    }
    if (state.variant != variantBefore) sink.SetBoardVariant(state.variant);
}

OemBinaryDecoder::OemBinaryDecoder() : glonassSlots(InitialGlonassSlotTable()) {
    // Every range log carries lock times; the compressed one holds them in 21 bits of 1/32 s.
    lockReporting.fill({LockEvidence::kLockTime, 65536.0});
}

OemBinaryDecoder& ProcessOemBinaryDecoder() {
    static OemBinaryDecoder decoder;
    return decoder;
}

void OemBinaryDecoder::ResetRunState() {
    run_ = OemRunState{};
    run_.variant = Header().dataType;
    run_.phaseBlanking = phaseBlanking;
}

DecoderFrame::ScanResult OemBinaryDecoder::ScanAt(ByteView rest) {
    // Too few bytes for a log header: wait for more (the shared scan reads a short site
    // record here instead).
    if (rest.size() < kOemScanWindow) return {Step::kIncomplete, 0};
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
    HandleOemLog(header, rest.Sub(header.headerLength, header.messageLength), run_, glonassSlots,
                 *this);
    return {Step::kDecoded, frame.length};
}

}  // namespace kestrin
