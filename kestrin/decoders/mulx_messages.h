// The "@MULX" messages decoded into the shared records: observation epochs (ID 1001), GPS
// and BeiDou ephemerides (ID 1002) and GLONASS ephemerides (ID 1003). Each decoder takes the
// whole checked message (from the "@MULX" sync) and reads only inside it.
#pragma once

#include <cstdint>

#include "decoders/byte_view.h"
#include "kestrin/records.h"

namespace kestrin {

enum MulxMessageId : uint16_t {
    kMulxObservations = 1001,
    kMulxGpsBdsEphemeris = 1002,
    kMulxGlonassEphemeris = 1003,
};

// Common header: ID at 9, time of week in ms at 11, GPS week at 15.
uint16_t MulxMessageId(ByteView message);
GnssTime MulxMessageTime(ByteView message);

// Signal slot of a MULX signal type of a system; 0 for types without one.
int MulxSignalSlot(int32_t sysCode, int signalType);

// ID 1001: one epoch; satellites are decoded as far as the message holds them. Slot usage,
// systems present and GLONASS channels go to `info`. False when the message does not hold
// its satellite count.
bool DecodeMulxObservations(ByteView message, HeaderInfo& info, OBSERVATIONS& epoch);
// ID 1002 and 1003. False for satellite number 0, an unknown satellite or a short message.
bool DecodeMulxGpsBdsEphemeris(ByteView message, KeplerEphemeris& eph);
bool DecodeMulxGlonassEphemeris(ByteView message, int32_t leapSeconds, gEphemeris& eph);

}  // namespace kestrin
