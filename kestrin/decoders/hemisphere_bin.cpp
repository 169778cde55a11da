#include "decoders/hemisphere_bin.h"

#include <cmath>
#include <string>

#include "core/gnss_time.h"
#include "decoders/framing.h"

namespace kestrin {

namespace {

constexpr size_t kHemHeader = 8;  // "$BIN", block ID, data length
constexpr double kSameTime = 1e-6;

GnssTime GpsTimeOf(int week, double sow) {
    GnssTime t;
    t.week = week;
    t.sow = sow;
    GpsToCalendar(t);
    return t;
}

bool SameTime(int weekA, double sowA, int weekB, double sowB) {
    return weekA == weekB && std::fabs(sowA - sowB) <= kSameTime;
}

}  // namespace

HemisphereBinDecoder::HemisphereBinDecoder() : glonassSlots(InitialGlonassSlotTable()) {
    // The channels carry cycle-slip counters, which the block decoding compares itself.
    lockReporting.fill({LockEvidence::kSignalPresence, 0.0});
}

HemisphereBinDecoder& ProcessHemisphereBinDecoder() {
    static HemisphereBinDecoder decoder;
    return decoder;
}

void HemisphereBinDecoder::ResetRunState() {
    current_.Init();
    level_ = 1;
    eventPending_ = false;
    eventWeek_ = 0;
    eventSow_ = 0;
    eventCount_ = 0;
    ResetHemSlipTable(slips_);
}

DecoderFrame::ScanResult HemisphereBinDecoder::ScanAt(ByteView rest) {
    const Frame frame = HemisphereFrameAt(rest);
    switch (frame.status) {
        case FrameStatus::kNone:
            return {Step::kNoFrame, 0};
        case FrameStatus::kIncomplete:
            return {Step::kIncomplete, frame.length};
        case FrameStatus::kBadTerminator:
            return {Step::kSkip, 1};  // no CR LF behind the data: resynchronise byte by byte
        case FrameStatus::kBadChecksum:
            return {Step::kSkip, frame.length};
        case FrameStatus::kValid:
            break;
    }
    const size_t dataLength = rest.U16(6);
    Dispatch(rest.U16(4), rest.Sub(kHemHeader, dataLength));
    return {Step::kDecoded, frame.length};
}

void HemisphereBinDecoder::Dispatch(uint16_t blockId, ByteView data) {
    KeplerEphemeris kepler;
    gEphemeris glonass;
    IonoUtcParams iono;
    int32_t leap = 0;
    std::string line;

    switch (blockId) {
        case kHemGpsL1:
        case kHemGpsL1L2:
        case kHemGlonassObs:
        case kHemBdsObs:
        case kHemObsMulti:
            DecodeObservations(blockId, data);
            break;
        case kHemGpsEphemeris:
            if (DecodeHemLnavEphemeris(data, kSysGps, ReferenceWeek(), kepler))
                AddKeplerEphemeris(kepler);
            break;
        case kHemQzssEphemeris:
            if (DecodeHemLnavEphemeris(data, kSysQzss, ReferenceWeek(), kepler))
                AddKeplerEphemeris(kepler);
            break;
        case kHemBdsEphemeris:
            if (DecodeHemBdsEphemeris(data, kepler)) AddKeplerEphemeris(kepler);
            break;
        case kHemGlonassEphemeris:
            DecodeGlonassEphemeris(data);
            break;
        case kHemSbasEphemeris:
            if (DecodeHemSbasEphemeris(data, glonass)) AddGlonassEphemeris(glonass);
            break;
        case kHemIonUtc:
            if (DecodeHemIonUtc(data, iono, leap)) {
                SetIonoUtc(0, iono);
                SetLeapSeconds(leap);
            }
            break;
        case kHemSbasMessage:
            if (FormatHemSbasMessage(data, current_.time.week, line)) AddSbasMessageText(line);
            break;
        case kHemEvent: {
            int week = 0;
            double sow = 0;
            if (DecodeHemEvent(data, week, sow)) {
                eventPending_ = true;
                eventWeek_ = week;
                eventSow_ = sow;
                ++eventCount_;
            }
            break;
        }
        case kHemGalileoEphemeris:
        case kHemGpsAlmanac:
        case kHemBdsAlmanac:
        case kHemGalileoAlmanac:
        case kHemQzssAlmanac:
        case kHemGlonassAlmanac:
            break;  // no published field layout at hand: passed over rather than guessed
        default:
            break;
    }
}

// The GPS week the data lie in: the current epoch's, else the observation date of the header.
int HemisphereBinDecoder::ReferenceWeek() const {
    if (current_.time.week > 0) return current_.time.week;
    const HeaderInfo& header = Header();
    if (header.obsYear < 1980 || header.obsMonth < 1 || header.obsMonth > 12 || header.obsDay < 1 ||
        header.obsDay > 31) {
        return 0;
    }
    GnssTime t;
    t.year = header.obsYear;
    t.month = header.obsMonth;
    t.day = header.obsDay;
    CalendarToGps(t);
    return t.week;
}

void HemisphereBinDecoder::DecodeObservations(uint16_t blockId, ByteView data) {
    int week = 0;
    double sow = 0;
    if (!HemisphereObsTime(blockId, data, week, sow)) return;
    // A board without a time fix stamps its blocks with week 0: such epochs have no time.
    if (week == 0) return;
    CloseEpochBefore(week, sow);

    if (blockId == kHemGpsL1L2 && level_ < 2) level_ = 2;
    if (blockId == kHemObsMulti) level_ = 3;
    bool use = false;
    switch (blockId) {
        case kHemGpsL1:
            use = level_ == 1;
            break;
        case kHemGpsL1L2:
            use = level_ == 2;
            break;
        case kHemGlonassObs:
        case kHemBdsObs:
            use = level_ < 3;
            break;
        default:
            use = true;
            break;
    }
    if (!use) return;

    if (!SameTime(week, sow, current_.time.week, current_.time.sow))
        current_.time = GpsTimeOf(week, sow);
    HemObsContext ctx{info, glonassSlots, slips_};
    switch (blockId) {
        case kHemGpsL1:
            DecodeHemGpsL1(data, ctx, current_);
            break;
        case kHemGpsL1L2:
            DecodeHemGpsL1L2(data, ctx, current_);
            break;
        case kHemGlonassObs:
            DecodeHemGlonassObs(data, ctx, current_);
            break;
        case kHemBdsObs:
            DecodeHemBdsObs(data, ctx, current_);
            break;
        default:
            DecodeHemMultiObs(data, ctx, current_);
            break;
    }
}

void HemisphereBinDecoder::CloseEpochBefore(int week, double sow) {
    if (current_.time.week == 0) return;
    if (SameTime(week, sow, current_.time.week, current_.time.sow)) return;
    HandOnCurrent();
}

// Hands on the epoch being assembled (with a pending event of its time in front of it) and
// empties it; its time stays for the comparison with the next block.
void HemisphereBinDecoder::HandOnCurrent() {
    if (eventPending_ && SameTime(eventWeek_, eventSow_, current_.time.week, current_.time.sow)) {
        EventMark mark;
        mark.eventTime = GpsTimeOf(eventWeek_, eventSow_);
        mark.kind = 5;
        mark.eventNumber = eventCount_;
        AddEvent(mark);  // placed after the last epoch handed in: in front of this one
        current_.epochFlag = 5;
        eventPending_ = false;
    }
    if (!current_.sats.empty()) {
        OBSERVATIONS epoch = current_;
        AddEpoch(std::move(epoch));
    }
    current_.sats.clear();
    current_.epochFlag = 0;
    current_.clockOffset = 0.0;
}

void HemisphereBinDecoder::EndOfData() {
    if (current_.time.week != 0) HandOnCurrent();
}

void HemisphereBinDecoder::DecodeGlonassEphemeris(ByteView data) {
    gEphemeris eph;
    int k = 0;
    if (!DecodeHemGlonassEphemeris(data, eph, k)) return;
    if (k >= -7 && k <= 13) {
        SetGlonassChannel(eph.prn, k);
        if (eph.prn < kGlonassSlots && glonassSlots[static_cast<size_t>(eph.prn)] != k)
            glonassSlots[static_cast<size_t>(eph.prn)] = static_cast<int8_t>(k);
    }
    AddGlonassEphemeris(eph);
}

}  // namespace kestrin
