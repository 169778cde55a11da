// The records of the Trimble raw-data packets, decoded from bounded views into the shared
// records: RAWDATA pages reassembled into records, RT17 (GPS) and RT27 (multi-system)
// observation records, event records, and the RETSVDATA navigation subtypes.
//
// All numbers are big-endian. Every offset below counts from the STX byte of the packet (for
// a reassembled record: of its first page), so a record view keeps the 4-byte packet header
// and the 4-byte record header (record type, page byte, reply number, interpretation flags).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "decoders/byte_view.h"
#include "kestrin/records.h"

namespace kestrin {

constexpr size_t kRt17PageBufferSize = 4096;

enum Rt17RecordType : uint8_t {
    kRt17Observations = 0,
    kRt17EventRecord = 2,
    kRt27Observations = 6,
};

enum RetsvSubtype : uint8_t {
    kRetsvGpsEphemeris = 1,
    kRetsvIonoUtc = 3,
    kRetsvGlonassEphemeris = 9,
    kRetsvGalileoEphemeris = 11,
    kRetsvQzssEphemeris = 14,
    kRetsvBdsEphemeris = 21,
};

// Reassembles the pages of RAWDATA packets into one record. A page is accepted only as the
// next page of the record in progress (same reply number, page number one above the last,
// same page count); anything else drops the partial record, so a lost page never yields a
// record with a hole in it.
class Rt17PageAssembler {
  public:
    enum class Result { kPending, kComplete, kDropped };

    // `packet`: one whole packet from STX to ETX.
    Result Add(ByteView packet);
    // The record completed by the last Add (valid until the next Add or Reset).
    ByteView Record() const { return {buffer_.data(), fill_}; }
    void Reset();

  private:
    std::array<uint8_t, kRt17PageBufferSize> buffer_{};
    size_t fill_ = 0;
    int received_ = 0;  // pages of the record in progress
    int count_ = 0;
    int reply_ = -1;
};

// ---- RT17 (record type 0) -----------------------------------------------------------------

// Receive time of an RT17 record: the board writes milliseconds of the GPS week; returned in
// seconds. False when the record is too short or the time is not a time of week.
bool ReadRt17ReceiveTime(ByteView record, double& sow);

// One epoch of GPS observations (C1C in slot 0, C2P in slot 9) at the given time. Satellites
// that do not fit in the record end the epoch there. False when the record header is cut.
bool DecodeRt17Observations(ByteView record, const GnssTime& time, OBSERVATIONS& epoch);

// ---- RT27 (record type 6) -----------------------------------------------------------------

// Slip counter last seen per satellite table index and signal slot (-1: not seen yet).
struct Rt27SlipCounters {
    std::array<std::array<int16_t, kSignalSlots>, kSatelliteIndexCount> last;
    Rt27SlipCounters() { Reset(); }
    void Reset() {
        for (auto& row : last) row.fill(-1);
    }
};

// System and number of an RT27 satellite block; false for an unknown system or a number
// outside the system's range.
bool Rt27Satellite(int systemByte, int number, int32_t& sysCode, int32_t& prn);
// Signal slot of (system, band, tracking code); -1 when the pair has no slot.
int Rt27Slot(int32_t sysCode, int band, int trackingCode);

// One epoch of every system; its time comes from the record's own week and time. False when
// the record header is cut or its week / time are not usable.
bool DecodeRt27Observations(ByteView record, Rt27SlipCounters& slips, OBSERVATIONS& epoch);

// ---- events (record type 2) -----------------------------------------------------------------

// Kind, port, number and time of week (eventTime.sow) of an event record; the caller sets the
// week and the calendar fields. False when the record is too short.
bool DecodeRt17Event(ByteView record, EventMark& mark);

// ---- RETSVDATA ------------------------------------------------------------------------------

bool DecodeRetsvGpsEphemeris(ByteView packet, KeplerEphemeris& eph);
bool DecodeRetsvQzssEphemeris(ByteView packet, KeplerEphemeris& eph);
bool DecodeRetsvBdsEphemeris(ByteView packet, KeplerEphemeris& eph);
bool DecodeRetsvGalileoEphemeris(ByteView packet, KeplerEphemeris& eph);
// GLONASS ephemeris; leapSeconds: the GPS - UTC count the record carries.
bool DecodeRetsvGlonassEphemeris(ByteView packet, gEphemeris& eph, int32_t& leapSeconds);
// GPS ionosphere / UTC parameters. utcWeek is the broadcast 8-bit week as stored; leapSeconds
// the current GPS - UTC count.
bool DecodeRetsvIonoUtc(ByteView packet, IonoUtcParams& set, int32_t& leapSeconds);

// The full week of an 8-bit broadcast week (WNt) nearest to a known full week; the value
// itself when no week is known or it already is a full week.
int32_t ExpandEightBitWeek(int32_t week, int32_t knownWeek);

}  // namespace kestrin
