// The one interface through which a board-format decoder hands on what it decoded. The
// decoder frame implements it on top of the writer object; a test can implement it with a
// recorder. A decoder reaches nothing of the writer or of the header record but this.
#pragma once

#include <cstdint>
#include <string>

#include "core/options.h"
#include "kestrin/records.h"

namespace kestrin {

struct AlmanacRecord;  // rinex/nav_records.h

class DecoderSink {
  public:
    virtual ~DecoderSink() = default;

    // --- What the decoder reads -----------------------------------------------------------

    // The conversion options and the header record as read from the static header (the
    // observation date there is the starting point of formats that carry only a time of week).
    virtual const ConvertOptions& Options() const = 0;
    virtual const HeaderInfo& Header() const = 0;
    // Time of the last epoch handed in; year 0 when none yet.
    virtual GnssTime LastEpochTime() const = 0;

    // --- What the decoder hands on --------------------------------------------------------

    // Records that a signal slot of a satellite occurs in the data (header code lists,
    // systems present, satellites seen). A sink without a header (a test recorder) may ignore
    // it.
    virtual void MarkSignalUsed(int32_t /*sysCode*/, int32_t /*prn*/, int /*slot*/) {}
    // A complete epoch, in time order. The lock-time slip rule is applied on the way in.
    virtual void AddEpoch(OBSERVATIONS&& epoch) = 0;
    // One signal block of a satellite of an epoch the decoder hands on: the system, the
    // satellite and the signal slot occur in the data, and the block's measurements count in
    // the header's observation tallies. For formats whose header lists those tallies.
    virtual void NoteSignal(int32_t /*sysCode*/, int32_t /*prn*/, const BlockData& /*block*/) {}
    // Broadcast ephemerides: GPS, BDS, QZSS and Galileo; GLONASS and SBAS. The navigation
    // writer drops repeats and unselected systems.
    virtual void AddKeplerEphemeris(const KeplerEphemeris& eph) = 0;
    virtual void AddGlonassEphemeris(const gEphemeris& eph) = 0;
    // Ionosphere / UTC parameter sets (0 GPS, 1 BDS, 2 QZSS, 3 Galileo) for the navigation
    // headers. IonoUtc gives the set as stored so far (valid 0 = none yet).
    virtual const IonoUtcParams& IonoUtc(int set) const = 0;
    virtual void SetIonoUtc(int set, const IonoUtcParams& params) = 0;
    // GPS - UTC in whole seconds; values outside 1..99 are not plausible and are ignored.
    // LeapSeconds gives 0 while none is known.
    virtual void SetLeapSeconds(int32_t seconds) = 0;
    virtual int32_t LeapSeconds() const = 0;
    // An event mark. A mark whose placeTime is unset (year 0) is placed after the last epoch
    // handed in so far.
    virtual void AddEvent(EventMark mark) = 0;
    // GLONASS frequency number (-7..13) of a slot, for the header and the wavelengths; other
    // slots or numbers are ignored.
    virtual void SetGlonassChannel(int slot, int frequencyNumber) = 0;
    // One SBAS message line for the SBAS message side file (text as written, with its line
    // end) and one almanac for the almanac side file.
    virtual void AddSbasMessageText(const std::string& text) = 0;
    virtual void AddAlmanac(const AlmanacRecord& almanac) = 0;
    // The board variant found in the data (an OEM sub-format, say), as a data type number:
    // it selects the output profile of the conversion.
    virtual void SetBoardVariant(int32_t dataType) = 0;
};

}  // namespace kestrin
