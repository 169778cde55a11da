#include "support/epochs.h"

#include "core/gnss_time.h"

namespace testsupport {

GnssTime CalendarTime(int year, int month, int day, int hour, int minute, double second) {
    GnssTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

GnssTime MakeTime(int year, int month, int day, int hour, int minute, double second) {
    GnssTime t = CalendarTime(year, month, day, hour, minute, second);
    kestrin::CalendarToGps(t);
    return t;
}

BlockData MakeBlock(int slot, double range, double phase, double doppler, double snr,
                    uint32_t lli) {
    BlockData b;
    b.signalType = slot;
    b.pseudorange = range;
    b.carrierPhase = phase;
    b.doppler = doppler;
    b.snr = snr;
    b.lli = lli;
    return b;
}

SatelliteData MakeSat(int32_t sysCode, int32_t prn, std::initializer_list<BlockData> blocks) {
    SatelliteData s;
    s.sysCode = sysCode;
    s.prn = prn;
    s.blocks = blocks;
    return s;
}

OBSERVATIONS MakeEpoch(const GnssTime& time, std::initializer_list<SatelliteData> sats,
                       double clockOffset) {
    OBSERVATIONS e;
    e.time = time;
    e.sats = sats;
    e.clockOffset = clockOffset;
    return e;
}

SatelliteData SimpleGps(int32_t prn) {
    return MakeSat(kSysGps, prn,
                   {MakeBlock(0, 20000000.0 + prn, 105000000.0 + prn, -1000.0, 45.0)});
}

}  // namespace testsupport
