// GLONASS navigation strings 1-4 (the immediate data of one satellite) decoded with the
// field positions and sign-magnitude numbers of the GLONASS interface, and the calendar date
// of a GLONASS day from N4 / NT.
#pragma once

#include <cstdint>

#include "decoders/byte_view.h"
#include "kestrin/records.h"

namespace kestrin {

// One string as 85 bits right-aligned in 11 bytes: interface bit n (85 = first transmitted,
// 1 = last Hamming bit) is bit (88 - n) of the view counted MSB-first.
struct GlonassImmediateData {
    int tkHours = 0, tkMinutes = 0, tkHalfMinute = 0;
    double tk = 0;                 // seconds of the day, Moscow time (hours x 3600 + ...)
    double x = 0, vx = 0, ax = 0;  // km, km/s, km/s^2
    double y = 0, vy = 0, ay = 0;
    double z = 0, vz = 0, az = 0;
    int bn = 0;  // health word Bn (3 bits; the top bit flags unhealthy)
    int tb = 0;  // index of the reference time (15-minute units)
    double gammaN = 0;
    double tauN = 0;  // seconds
    int en = 0;       // age of the data, days
    int nt = 0;       // day within the four-year interval (string 4)
    int n = 0;        // slot of the transmitting satellite (string 4)
    int ft = 0;       // accuracy index FT (string 4)
    int n4 = 0;       // four-year interval (string 5); 0 = not known
};

// Each view holds one string (at least 11 bytes); false when one is shorter.
bool DecodeGlonassStrings(ByteView s1, ByteView s2, ByteView s3, ByteView s4,
                          GlonassImmediateData& out);

// The Hamming check of one string (as above): true when the eight check sums are all 0, or
// when the only nonzero ones are one of the seven and the overall sum (an error confined to a
// check bit). Strings with errors in their data bits are not corrected here.
bool GlonassStringPasses(ByteView s);

// Calendar date of day nt (1..1461) of the four-year interval n4 (1 = 1996..1999).
// False when either value is out of range.
bool GlonassDate(int n4, int nt, int& year, int& month, int& day);

// UTC calendar time of the reference time tb (15-minute units of the Moscow day nt of the
// interval n4, 1..96): three hours before the Moscow time, on the day before when that
// crosses midnight. Week and seconds of week are filled from the calendar fields. False when
// a value is out of range.
bool GlonassReferenceUtc(int n4, int nt, int tb, GnssTime& utc);

}  // namespace kestrin
