#include "decoders/binex.h"

#include "decoders/framing.h"

namespace kestrin {

namespace {

// Bytes a record needs after its sync before it can be judged: the shortest record (one-byte
// ID and length, XOR checksum) with a few message bytes.
constexpr size_t kBinexScanWindow = 9;

constexpr uint32_t kSiteMetadata = 0x00, kNavigation = 0x01, kObservations = 0x7F;

bool IsBinexSync(uint8_t b) {
    return b == 0xC2 || b == 0xD2 || b == 0xE2 || b == 0xF2;
}

}  // namespace

BinexDecoder::BinexDecoder() : glonassSlots(InitialGlonassSlotTable()) {
    // Slip counters and slip flags are turned into loss-of-lock bits by the record decoding.
    lockReporting.fill({LockEvidence::kSignalPresence, 0.0});
}

BinexDecoder& ProcessBinexDecoder() {
    static BinexDecoder decoder;
    return decoder;
}

void BinexDecoder::ResetRunState() {
    slips_ = NewBinexSlipTable();
}

DecoderFrame::ScanResult BinexDecoder::ScanAt(ByteView rest) {
    if (!IsBinexSync(rest.U8(0))) return {Step::kNoFrame, 0};
    if (rest.size() < kBinexScanWindow) return {Step::kIncomplete, 0};
    const BinexRecord record = ParseBinexRecord(rest);
    switch (record.status) {
        case FrameStatus::kNone:
            return {Step::kNoFrame, 0};
        case FrameStatus::kIncomplete:
            return {Step::kIncomplete, record.length};
        case FrameStatus::kValid:
            break;
        default:
            // A sync byte met by chance in other data: move on by one byte.
            return {Step::kSkip, 1};
    }
    const ByteView message = record.Message(rest);
    uint32_t subrecord = 0;
    const size_t used = ReadUbnxi(message, 0, record.order, subrecord);
    if (record.id == kObservations && used > 0) {
        DecodeObservations(subrecord, message.From(used), record.order);
    } else if (record.id == kNavigation && used > 0) {
        DecodeNavigation(subrecord, message.From(used), record.order);
    } else if (record.id == kSiteMetadata) {
        WalkBinexSiteMetadata(message, record.order);
    }
    return {Step::kDecoded, record.length};
}

void BinexDecoder::DecodeObservations(uint32_t subrecord, ByteView body, Endian order) {
    BinexObsContext ctx{info, glonassSlots, slips_};
    OBSERVATIONS epoch;
    bool ok = false;
    switch (subrecord) {
        case 0x05:
            ok = DecodeBinexObs05(body, order, ctx, epoch);
            break;
        case 0x03:
            ok = DecodeBinexObs03(body, order, ctx, epoch);
            break;
        case 0x00:
            ok = DecodeBinexObs00(body, order, ctx, epoch);
            break;
        default:
            return;
    }
    if (ok && !epoch.sats.empty()) AddEpoch(std::move(epoch));
}

void BinexDecoder::DecodeNavigation(uint32_t subrecord, ByteView body, Endian order) {
    KeplerEphemeris kepler;
    gEphemeris glonass;
    switch (subrecord) {
        case 0x01:
            if (DecodeBinexGpsEph(body, order, kepler)) AddKeplerEphemeris(kepler);
            break;
        case 0x02:
            if (DecodeBinexGlonassEph(body, order, glonass)) {
                const int slot = glonass.prn;
                const int k = static_cast<int>(glonass.frequencyNumber);
                if (slot > 0 && slot < kGlonassSlots && k >= -7 && k <= 13 &&
                    glonassSlots[static_cast<size_t>(slot)] != k)
                    glonassSlots[static_cast<size_t>(slot)] = static_cast<int8_t>(k);
                SetGlonassChannel(slot, k);
                AddGlonassEphemeris(glonass);
            }
            break;
        case 0x03:
            if (DecodeBinexSbasEph(body, order, glonass)) AddGlonassEphemeris(glonass);
            break;
        case 0x04:
            if (DecodeBinexGalileoEph(body, order, kepler)) AddKeplerEphemeris(kepler);
            break;
        case 0x05:
            if (DecodeBinexBdsEph(body, order, kepler)) AddKeplerEphemeris(kepler);
            break;
        case 0x06:
            if (DecodeBinexQzssEph(body, order, kepler)) AddKeplerEphemeris(kepler);
            break;
        default:
            break;
    }
}

}  // namespace kestrin
