// The blocks of the Hemisphere "$BIN" format, decoded from a bounded block body (the L data
// bytes of a frame) into the shared records: observation blocks of every richness (96, 76,
// 66, 36, 16) added into an epoch being assembled, broadcast ephemerides (95, 25, 65, 35, 93),
// the ionosphere / UTC block (94), SBAS messages (80) as lines of the SBAS message file and
// event times (6). Each handler reads only inside the body it is given.
// The Galileo ephemeris block (45) and the almanac blocks (92 GPS, 32 BeiDou, 42 Galileo,
// 22 QZSS, 62 GLONASS) are recognised but not decoded: no published definition of their field
// layout was at hand, and a guessed layout would write wrong orbits. They are passed over like
// any other block the decoder does not use, so no almanac side file is produced.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "decoders/byte_view.h"
#include "decoders/obs_rules.h"
#include "kestrin/records.h"

namespace kestrin {

enum HemisphereBlockId : uint16_t {
    kHemEvent = 6,
    kHemObsMulti = 16,
    kHemQzssEphemeris = 25,
    kHemBdsEphemeris = 35,
    kHemBdsObs = 36,
    kHemGlonassEphemeris = 65,
    kHemGlonassObs = 66,
    kHemGpsL1L2 = 76,
    kHemSbasMessage = 80,
    kHemSbasEphemeris = 93,
    kHemIonUtc = 94,
    kHemGpsEphemeris = 95,
    kHemGpsL1 = 96,
    // Recognised, not decoded (see above).
    kHemQzssAlmanac = 22,
    kHemBdsAlmanac = 32,
    kHemGalileoAlmanac = 42,
    kHemGalileoEphemeris = 45,
    kHemGlonassAlmanac = 62,
    kHemGpsAlmanac = 92,
};

// Last cycle-slip counter per satellite and signal slot; -1 = satellite and signal not seen yet.
using HemSlipTable = std::array<std::array<int16_t, kSignalSlots>, kSatelliteIndexCount>;
void ResetHemSlipTable(HemSlipTable& table);

// What the observation blocks read and update besides the epoch.
struct HemObsContext {
    HeaderInfo& info;  // slot usage, systems present, satellites seen
    const GlonassSlotTable& glonassSlots;
    HemSlipTable& slips;
};

// GPS week and seconds of week of an observation block; false when the block is too short
// to hold them or the ID is not an observation block.
bool HemisphereObsTime(uint16_t blockId, ByteView data, int& week, double& sow);

// Satellite of a GPS/SBAS number of the observation blocks: 1..32 GPS, 120..158 SBAS
// (S20..S58), above 163 SBAS counted from 164. False for any other number.
bool HemGpsOrSbas(int number, int32_t& sysCode, int32_t& prn);

// Observation blocks: the block's channels are added to `epoch` (whose time the caller has
// set). False when the block is shorter than its layout (nothing is added then).
bool DecodeHemGpsL1(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch);       // 96
bool DecodeHemGpsL1L2(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch);     // 76
bool DecodeHemGlonassObs(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch);  // 66
bool DecodeHemBdsObs(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch);      // 36
bool DecodeHemMultiObs(ByteView data, HemObsContext& ctx, OBSERVATIONS& epoch);    // 16

// Phase (cycles) from the channel's phase modulo 8192 cycles in 1/1024-cycle units, placed
// next to the reference (pseudorange / wavelength, cycles).
double ReconstructHemPhase(uint32_t phase1024, double reference);
// A second-signal pseudorange brought within 128 m of the first signal's one (both carry the
// same code word, so they differ only by multiples of 256 m).
double AlignHemRange(double range, double firstRange);

// Accuracy in metres of a URA index: 2^(1 + N/2) below 6, 2^(N - 2) from 6 to 14, else
// 68888888.
double HemUraMetres(int index);

// GPS (95) and QZSS (25) ephemeris: LNAV subframes 1-3. refWeek (0 = unknown) resolves the
// ten-bit broadcast week.
bool DecodeHemLnavEphemeris(ByteView data, int32_t sysCode, int refWeek, KeplerEphemeris& eph);
// BDS ephemeris (35).
bool DecodeHemBdsEphemeris(ByteView data, KeplerEphemeris& eph);
// SBAS ephemeris (93).
bool DecodeHemSbasEphemeris(ByteView data, gEphemeris& eph);
// GLONASS ephemeris (65): five navigation strings. frequencyNumber is the broadcast one.
bool DecodeHemGlonassEphemeris(ByteView data, gEphemeris& eph, int& frequencyNumber);
// Ionosphere / UTC (94): the GPS set and GPS - UTC in seconds.
bool DecodeHemIonUtc(ByteView data, IonoUtcParams& set, int32_t& leapSeconds);
// Event time (6).
bool DecodeHemEvent(ByteView data, int& week, double& sow);

// SBAS message (80) as one line of the SBAS message file, dated in `week`; false when the
// block is short, the preamble or the parity is wrong, or the date lies before 2001.
bool FormatHemSbasMessage(ByteView data, int week, std::string& line);

}  // namespace kestrin
