// Sessions of realistic observations for the board-format encoders: epochs read from a RINEX
// 3 observation file (ranges, phases in metres, Doppler, strengths), and the reading back of
// the RINEX 3 observation files a conversion writes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "kestrin/records.h"

namespace testsupport {

// One signal of a session in the units the board formats carry: metres for the phase.
struct SessionSignal {
    int slot = 0;  // slot of the satellite's system
    double range = 0, phaseMetres = 0, doppler = 0, snr = 0;
};
struct SessionSat {
    int32_t sysCode = 0, prn = 0;
    int glonassChannel = kUnknownGlonassChannel;
    std::vector<SessionSignal> signals;
};
struct SessionEpoch {
    GnssTime time;  // GPS time with week and seconds of week
    double clockOffset = 0;
    std::vector<SessionSat> sats;
};

// The first `count` epochs of a RINEX 3 observation file (GPS C1C/L1C/D1C/S1C and
// C2W/L2W/D2W/S2W, GLONASS C1C.. and C2P..), with GLONASS channels from the slot table given
// (phases turned into metres with them).
std::vector<SessionEpoch> ReadRinex3Session(const std::string& text, size_t count,
                                            const int8_t (&glonassChannels)[25]);

// Values of a converted RINEX 3 observation file: epoch line text ("> 2021 01 01 ...") ->
// satellite ("G01") -> code ("C1C") -> value; a loss-of-lock digit is kept under "LLI " + code.
using ObsValues = std::map<std::string, std::map<std::string, std::map<std::string, double>>>;
ObsValues ReadRinex3Values(const std::string& text);

// The text of an output file without its "PGM / RUN BY / DATE" line (the run date varies) and
// its "converted by Tollmere" comment (the release number).
std::string WithoutProgramLine(const std::string& text);

// "> yyyy mm dd hh mm ss.sssssss" of a time, as the epoch lines start.
std::string EpochKey(const GnssTime& t);
// "G01" of a satellite.
std::string SatKey(int32_t sysCode, int32_t prn);

}  // namespace testsupport
