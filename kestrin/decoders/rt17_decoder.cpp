#include "decoders/rt17_decoder.h"

#include <cmath>

#include "core/gnss_time.h"
#include "decoders/framing.h"

namespace kestrin {

namespace {

constexpr double kHalfWeek = kSecondsPerWeek / 2.0;
constexpr size_t kPacketHeader = 4;

}  // namespace

Rt17Decoder& ProcessRt17Decoder() {
    static Rt17Decoder decoder;
    return decoder;
}

void Rt17Decoder::ResetRunState() {
    pages_.Reset();
    slips_.Reset();
    eventCounter_ = 0;
    haveReference_ = false;
    // Until the data tells the week, the recording is taken to lie around the observation
    // date of the static header (its midday, so that the whole day resolves to that week).
    const HeaderInfo& header = Header();
    if (header.obsYear >= 1980 && header.obsMonth >= 1 && header.obsMonth <= 12 &&
        header.obsDay >= 1 && header.obsDay <= 31) {
        GnssTime t;
        t.year = header.obsYear;
        t.month = header.obsMonth;
        t.day = header.obsDay;
        t.hour = 12;
        CalendarToGps(t);
        if (t.week > 0) {
            haveReference_ = true;
            referenceWeek_ = t.week;
            referenceSow_ = t.sow;
        }
    }
}

DecoderFrame::ScanResult Rt17Decoder::ScanAt(ByteView rest) {
    const Frame frame = Rt17PacketAt(rest);
    switch (frame.status) {
        case FrameStatus::kNone:
            return {Step::kNoFrame, 0};
        case FrameStatus::kIncomplete:
            return {Step::kIncomplete, frame.length};
        case FrameStatus::kValid:
            break;
        default:
            // A missing ETX or a failed sum: most likely an STX met inside other bytes. Move on
            // by one byte so that no real packet behind it is lost.
            return {Step::kSkip, 1};
    }
    ByteView packet = rest.Sub(0, frame.length);
    if (packet.U8(2) == kRt17RawData) {
        HandleRawData(packet);
    } else if (packet.U8(2) == kRt17NavigationData) {
        HandleNavigationData(packet);
    }
    return {Step::kDecoded, frame.length};
}

void Rt17Decoder::HandleRawData(ByteView packet) {
    if (pages_.Add(packet) != Rt17PageAssembler::Result::kComplete) return;
    ByteView record = pages_.Record();
    switch (record.U8(kPacketHeader)) {
        case kRt17Observations:
            DecodeRt17(record);
            break;
        case kRt27Observations:
            DecodeRt27(record);
            break;
        case kRt17EventRecord:
            DecodeEvent(record);
            break;
        default:
            break;
    }
    pages_.Reset();
}

bool Rt17Decoder::WeekOf(double sow, int32_t& week) const {
    if (!haveReference_) return false;
    week = referenceWeek_;
    const double difference = sow - referenceSow_;
    if (difference < -kHalfWeek) ++week;
    if (difference > kHalfWeek) --week;
    return week > 0;
}

void Rt17Decoder::LearnTime(int32_t week, double sow) {
    if (week <= 0) return;
    haveReference_ = true;
    referenceWeek_ = week;
    referenceSow_ = sow;
}

void Rt17Decoder::DecodeRt17(ByteView record) {
    double sow = 0.0;
    int32_t week = 0;
    if (!ReadRt17ReceiveTime(record, sow) || !WeekOf(sow, week)) return;
    GnssTime time;
    time.week = week;
    time.sow = sow;
    GpsToCalendar(time);
    OBSERVATIONS epoch;
    if (!DecodeRt17Observations(record, time, epoch)) return;
    HandOnEpoch(epoch);
}

void Rt17Decoder::DecodeRt27(ByteView record) {
    OBSERVATIONS epoch;
    if (!DecodeRt27Observations(record, slips_, epoch)) return;
    for (const SatelliteData& sat : epoch.sats) {
        if (sat.sysCode == kSysGlonass) SetGlonassChannel(sat.prn, sat.glonassChannel);
    }
    HandOnEpoch(epoch);
}

void Rt17Decoder::HandOnEpoch(OBSERVATIONS& epoch) {
    for (const SatelliteData& sat : epoch.sats) {
        for (const BlockData& block : sat.blocks) NoteSignal(sat.sysCode, sat.prn, block);
    }
    LearnTime(epoch.time.week, epoch.time.sow);
    AddEpoch(std::move(epoch));
}

void Rt17Decoder::DecodeEvent(ByteView record) {
    EventMark mark;
    if (!DecodeRt17Event(record, mark)) return;
    int32_t week = 0;
    if (!WeekOf(mark.eventTime.sow, week)) return;
    mark.eventTime.week = week;
    GpsToCalendar(mark.eventTime);
    ++eventCounter_;
    AddEvent(mark);  // placed behind the last epoch handed on
}

void Rt17Decoder::HandleNavigationData(ByteView packet) {
    KeplerEphemeris kepler;
    gEphemeris glonass;
    IonoUtcParams iono;
    int32_t leap = 0;
    switch (packet.U8(kPacketHeader)) {
        case kRetsvGpsEphemeris:
            if (!DecodeRetsvGpsEphemeris(packet, kepler)) break;
            LearnTime(static_cast<int32_t>(kepler.week), kepler.toc.sow);
            AddKeplerEphemeris(kepler);
            break;
        case kRetsvQzssEphemeris:
            if (DecodeRetsvQzssEphemeris(packet, kepler)) AddKeplerEphemeris(kepler);
            break;
        case kRetsvBdsEphemeris:
            if (DecodeRetsvBdsEphemeris(packet, kepler)) AddKeplerEphemeris(kepler);
            break;
        case kRetsvGalileoEphemeris:
            if (DecodeRetsvGalileoEphemeris(packet, kepler)) AddKeplerEphemeris(kepler);
            break;
        case kRetsvGlonassEphemeris:
            if (!DecodeRetsvGlonassEphemeris(packet, glonass, leap)) break;
            SetLeapSeconds(leap);
            SetGlonassChannel(glonass.prn, static_cast<int>(glonass.frequencyNumber));
            AddGlonassEphemeris(glonass);
            break;
        case kRetsvIonoUtc:
            if (!DecodeRetsvIonoUtc(packet, iono, leap)) break;
            SetLeapSeconds(leap);
            // The board stores the broadcast 8-bit week of the UTC parameters.
            if (haveReference_) iono.utcWeek = ExpandEightBitWeek(iono.utcWeek, referenceWeek_);
            if (!IonoUtc(0).valid) SetIonoUtc(0, iono);
            break;
        default:
            break;
    }
}

}  // namespace kestrin
