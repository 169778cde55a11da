// The logs of the OEM binary format, decoded from a bounded log body into the shared
// records: observations (RANGE, RANGECMP), broadcast ephemerides, ionosphere / UTC sets and
// event marks. Each handler reads only inside the body it is given; a log shorter than its
// layout is not decoded (observation logs: only the blocks that fit are decoded).
#pragma once

#include <array>
#include <cstdint>

#include "decoders/byte_view.h"
#include "decoders/obs_rules.h"
#include "decoders/sink.h"
#include "kestrin/records.h"

namespace kestrin {

// Message IDs the decoder acts on.
enum OemMessageId : uint16_t {
    kOemGpsEphem = 7,
    kOemIonUtc = 8,
    kOemRawEphem = 41,
    kOemRange = 43,
    kOemDecodedEphem = 71,
    kOemRangeCmp = 140,
    kOemMarkTime = 231,
    kOemSubFormat5A = 412,
    kOemMark2Time = 616,
    kOemGloEphemeris = 723,
    kOemGloRawEphem = 792,
    kOemSubFormat5B = 973,
    kOemBdsEphemOld = 1047,
    kOemMark3Time = 1075,
    kOemMark4Time = 1076,
    kOemGalEphemeris = 1122,
    kOemGalIono = 1127,
    kOemQzssEphemeris = 1336,
    kOemQzssIonUtc = 1347,
    kOemBdsIono = 1590,
    kOemBdsEphemeris = 1696,
    kOemBdsIonUtc = 2010,
};

// Frame layout: sync AA 44 12, header length at 3, ID at 4, body length at 8, GPS week at
// 14, milliseconds of week at 16; body at the header length; CRC-32 after the body.
struct OemFrameHeader {
    uint32_t headerLength = 0;
    uint16_t messageId = 0;
    uint32_t messageLength = 0;
    uint16_t week = 0;
    int32_t msOfWeek = 0;
    size_t FrameLength() const { return headerLength + messageLength + 4; }
};
// True when the view starts with the sync bytes and holds the header fields up to the
// milliseconds of week.
bool ReadOemFrameHeader(ByteView frame, OemFrameHeader& header);
// The frame's epoch time (GPS week, seconds of week and calendar fields).
GnssTime OemFrameTime(const OemFrameHeader& header);

// What the observation logs read and update besides the epoch.
struct OemObsContext {
    int32_t& dataType;  // working sub-format: 1, 2 (as dispatched), 5 or 6 (detected)
    const GlonassSlotTable& glonassSlots;
    DecoderSink& sink;  // receives the GLONASS frequency numbers the RANGE log carries
    bool phaseBlanking = false;
};

// Satellite of a tracking-status word and a raw PRN field: false when the system is not one
// of the six or the number falls outside the system's satellite table. May switch the
// working sub-format (BeiDou numbering).
bool OemSatellite(uint32_t status, int rawPrn, bool compressed, int32_t& dataType, int32_t& sysCode,
                  int32_t& prn);
// Signal slot of a status word's signal type for a system and sub-format; -1 when the
// sub-format has no mapping for it.
int OemSignalSlot(int32_t dataType, int32_t sysCode, int signalType);

// RANGE / RANGECMP: one epoch per log, time taken from `time`. The lock-time slip rule is
// the caller's. False when the body does not even hold its block count.
bool DecodeOemRange(ByteView body, const GnssTime& time, OemObsContext& ctx, OBSERVATIONS& epoch);
bool DecodeOemRangeCmp(ByteView body, const GnssTime& time, OemObsContext& ctx,
                       OBSERVATIONS& epoch);

// Keplerian ephemerides. Each clears the record and fills it; false when nothing usable.
bool DecodeOemGpsEphem(ByteView body, KeplerEphemeris& eph);
bool DecodeOemQzssEphemeris(ByteView body, KeplerEphemeris& eph);
bool DecodeOemBdsEphemOld(ByteView body, KeplerEphemeris& eph);   // 1047
bool DecodeOemBdsEphemeris(ByteView body, KeplerEphemeris& eph);  // 1696
bool DecodeOemDecodedEphem(ByteView body, KeplerEphemeris& eph);  // 71
bool DecodeOemRawEphem(ByteView body, KeplerEphemeris& eph);
// The log carries no week: the week is the log header's, moved by one where the time of clock
// lies more than half a week away from the header's time (an ephemeris of the previous or the
// next week logged across the week boundary).
bool DecodeOemGalEphemeris(ByteView body, int headerWeek, double headerSow, KeplerEphemeris& eph);

// GLONASS ephemerides. The sink's GPS - UTC count is set from the leap table when still
// unknown. The frequency number is handed to the sink and, when it differs, stored in the
// slot table.
struct OemGlonassContext {
    GlonassSlotTable& glonassSlots;
    DecoderSink& sink;
};
bool DecodeOemGloEphemeris(ByteView body, OemGlonassContext& ctx, gEphemeris& eph);
bool DecodeOemGloRawEphem(ByteView body, OemGlonassContext& ctx, gEphemeris& eph);

// Ionosphere / UTC layouts. Layout A (IONUTC and its BDS / QZSS twins) also yields the
// leap-second count.
bool DecodeOemIonUtc(ByteView body, IonoUtcParams& set, int32_t& leapSeconds);
bool DecodeOemBdsIono(ByteView body, IonoUtcParams& set);  // 1590
bool DecodeOemGalIono(ByteView body, IonoUtcParams& set);  // 1127

// Event mark logs (MARKTIME .. MARK4TIME): port by message ID, external-event kind.
bool DecodeOemMark(ByteView body, uint16_t messageId, uint16_t eventNumber, EventMark& mark);

}  // namespace kestrin
