// The messages of an RTCM 3 stream, decoded from a bounded message body (the bytes between the
// frame header and the CRC) into the shared records: observations of the legacy GPS / GLONASS
// messages and of the multiple-signal messages (MSM1-7) of five systems, and the broadcast
// ephemerides. Every field is read with the width, sign convention and scale of the RTCM 3
// field tables; a field holding its "invalid" code leaves the value absent (0). Nothing is
// read outside the body: a message cut short yields failure or only the part that fits.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "decoders/byte_view.h"
#include "kestrin/records.h"

namespace kestrin {

// GLONASS frequency number per slot (index 0 unused, slots 1..27); 100 = not known.
using GlonassFrequencyTable = std::array<int8_t, kMaxGlonassSlot + 1>;
GlonassFrequencyTable UnknownGlonassFrequencies();

// The time an observation message carries, in its own system's time scale.
struct Rtcm3ObsTime {
    int32_t sysCode = kSysGps;
    double timeOfWeek = 0;  // GPS, Galileo, QZSS: GPS seconds of week; BDS: BDT seconds
    int glonassDay = 7;     // GLONASS: day of week 0..6 (7 = not known)
    double glonassTod = 0;  // GLONASS: seconds of the UTC(SU) day (Moscow time)
};

// One observation message: its time, the multiple-message flag (1 = more messages of the same
// epoch follow) and its satellites with their signals (slots of the observation-code tables).
struct Rtcm3Observations {
    Rtcm3ObsTime time;
    bool moreFollow = false;
    std::vector<SatelliteData> sats;
    // GLONASS frequency numbers the message carries (slot, number), for the header and the
    // wavelengths of later messages.
    std::vector<std::array<int, 2>> glonassFrequencies;
};

// Signal slot of an MSM signal ID (1..32) of a system; -1 when the ID has no slot.
int MsmSignalSlot(int32_t sysCode, int signalId);

// Legacy observations 1001-1004 (GPS) and 1009-1012 (GLONASS). False when the header does
// not fit; satellites cut off by the end of the body are left out.
bool DecodeRtcm3Legacy(ByteView body, Rtcm3Observations& out);

// MSM1-7 of GPS (1071-1077), GLONASS (1081-1087), Galileo (1091-1097), QZSS (1111-1117) and
// BeiDou (1121-1127). GLONASS phases use the frequency number of the message's extended
// satellite information, else `known`; with neither, the satellite gets no phase or
// Doppler. False when the header, masks or data do not fit the body or the cell mask is
// larger than a message can hold.
bool DecodeRtcm3Msm(ByteView body, const GlonassFrequencyTable& known, Rtcm3Observations& out);

// 1019 (GPS) and 1044 (QZSS): the ten-bit week is resolved to the full week nearest
// `referenceWeek` (the week of the observations; 0 = not known: + 1024).
bool DecodeRtcm3GpsEphemeris(ByteView body, int referenceWeek, KeplerEphemeris& eph);
bool DecodeRtcm3QzssEphemeris(ByteView body, int referenceWeek, KeplerEphemeris& eph);
// 1045 (Galileo F/NAV) and 1046 (Galileo I/NAV).
bool DecodeRtcm3GalileoEphemeris(ByteView body, KeplerEphemeris& eph);
// 1042 and 1047 (BeiDou; two numbers of the same content).
bool DecodeRtcm3BdsEphemeris(ByteView body, KeplerEphemeris& eph);
// 1020 (GLONASS). `reference` (a GPS time near the message) dates the record when the
// message does not carry its four-year interval and day number; leapSeconds is GPS - UTC.
// frequencyNumber receives the satellite's frequency number (-7..13).
bool DecodeRtcm3GlonassEphemeris(ByteView body, const GnssTime& reference, int leapSeconds,
                                 gEphemeris& eph, int& frequencyNumber);

// Minimum lock time in seconds of an MSM lock-time indicator (extended: the 10-bit indicator
// of MSM6/7, else the 4-bit one of MSM1-5); -1 for values the format leaves undefined.
double MsmLockSeconds(int indicator, bool extended);

}  // namespace kestrin
