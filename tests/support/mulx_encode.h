// Encoders of "@MULX" messages, written from the message tables of the format, for decoder
// tests: observation epochs (ID 1001) and ephemerides (IDs 1002, 1003).
#pragma once

#include <cstdint>
#include <string>

#include "kestrin/records.h"
#include "support/gnss_session.h"

namespace testsupport {

// The MULX signal type of a slot of a system (the inverse of the decoder's table); -1 when
// the format has none.
int MulxSignalType(int32_t sysCode, int slot);

// Message 1001 of an epoch: ranges in mm (further signals as 16-bit differences), phases in
// 0.001 cycles (sign-magnitude), Doppler in 0.0001 Hz, strengths in 0.25 dB-Hz, lock time
// `lockTime` on BeiDou signals. Signals that do not fit are left out; `sent` receives what
// the message carries (phases in metres, computed back with the decoder's wavelengths).
std::string MulxObservationMessage(const SessionEpoch& epoch, uint16_t lockTime,
                                   SessionEpoch* sent);
// Message 1002 of a GPS (number = PRN) or BeiDou (number = PRN + 160) ephemeris, stamped
// with the given message time.
std::string MulxGpsBdsEphemerisMessage(const KeplerEphemeris& eph, uint32_t number, uint32_t flags,
                                       uint32_t towMs, uint16_t week);
// Message 1003 of a GLONASS ephemeris (slot as given, frequency number from the record).
std::string MulxGlonassEphemerisMessage(const gEphemeris& eph, uint16_t slotField, uint32_t towMs,
                                        uint16_t week);

}  // namespace testsupport
