// Encoders of BINEX messages, written from the public BINEX record definitions, for decoder
// tests: observation subrecord 0x7F-05 of a session epoch and the ephemeris subrecords.
#pragma once

#include <cstdint>
#include <string>

#include "kestrin/records.h"
#include "support/gnss_session.h"

namespace testsupport {

// Message of record 0x7F, subrecord 0x05 (subrecord byte included), of an epoch: the first
// signal of a satellite with a 5-byte range, the others as 20-bit differences, phases as
// 24-bit differences to the range at 0.1 mm, Doppler at 1/256 Hz, strengths at 0.1 dB-Hz,
// GLONASS channels in the flag bytes and the slip counter of `slip` on every signal. Signals
// that do not fit the fields are left out. `sent` receives the values as the message carries
// them (phases still in metres).
std::string BinexObs05Message(const SessionEpoch& epoch, bool bigEndian, SessionEpoch* sent,
                              uint8_t slip = 0);
// The BINEX observation code the decoder maps to a slot of a system (the first listed).
int BinexCodeOfSlot(int32_t sysCode, int slot);

// Ephemeris messages of record 0x01 (subrecord byte included).
std::string BinexGpsEphMessage(const KeplerEphemeris& eph, double transmissionTime, bool bigEndian);
// GLONASS: the reference time as day number since the GPS time origin and seconds of the
// (UTC) day; tk as Moscow time of day.
std::string BinexGlonassEphMessage(const gEphemeris& eph, int day, uint32_t tod, uint32_t tkMoscow,
                                   bool bigEndian);

}  // namespace testsupport
