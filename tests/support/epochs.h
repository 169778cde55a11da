// Builders of synthetic epochs for the writer tests.
#pragma once

#include <initializer_list>

#include "kestrin/records.h"

namespace testsupport {

// A time of calendar fields only (week and seconds of week left 0).
GnssTime CalendarTime(int year, int month, int day, int hour, int minute, double second);

// A GPS time from calendar fields, with week and seconds of week filled.
GnssTime MakeTime(int year, int month, int day, int hour, int minute, double second);

// One signal: slot, pseudorange (m), phase (cycles), Doppler (Hz), C/N0 (dB-Hz), LLI.
BlockData MakeBlock(int slot, double range, double phase, double doppler, double snr,
                    uint32_t lli = 0);

SatelliteData MakeSat(int32_t sysCode, int32_t prn, std::initializer_list<BlockData> blocks);

OBSERVATIONS MakeEpoch(const GnssTime& time, std::initializer_list<SatelliteData> sats,
                       double clockOffset = 0.0);

// A GPS satellite with one C1C signal (slot 0), enough to make an epoch writable.
SatelliteData SimpleGps(int32_t prn);

}  // namespace testsupport
