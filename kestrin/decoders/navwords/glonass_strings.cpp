#include "decoders/navwords/glonass_strings.h"

#include <cmath>

#include "core/gnss_time.h"

namespace kestrin {

namespace {

constexpr size_t kStringBytes = 11;

// Position in the view of interface bit n (the field's first, most significant bit).
size_t Pos(int n) {
    return static_cast<size_t>(88 - n);
}

double SignMag(ByteView v, int firstBit, unsigned width, int scaleExp) {
    return std::ldexp(static_cast<double>(SignMagBitsMsb(v, Pos(firstBit), width)), scaleExp);
}

}  // namespace

bool DecodeGlonassStrings(ByteView s1, ByteView s2, ByteView s3, ByteView s4,
                          GlonassImmediateData& out) {
    if (!s1.Has(0, kStringBytes) || !s2.Has(0, kStringBytes) || !s3.Has(0, kStringBytes) ||
        !s4.Has(0, kStringBytes)) {
        return false;
    }
    out = GlonassImmediateData{};

    // String 1: tk (bits 76-65), x-dot (64-41), x-dot-dot (40-36), x (35-9).
    out.tkHours = static_cast<int>(BitsMsb(s1, Pos(76), 5));
    out.tkMinutes = static_cast<int>(BitsMsb(s1, Pos(71), 6));
    out.tkHalfMinute = static_cast<int>(BitsMsb(s1, Pos(65), 1));
    out.tk = out.tkHours * 3600.0 + out.tkMinutes * 60.0 + out.tkHalfMinute * 30.0;
    out.vx = SignMag(s1, 64, 24, -20);
    out.ax = SignMag(s1, 40, 5, -30);
    out.x = SignMag(s1, 35, 27, -11);

    // String 2: Bn (80-78), tb (76-70), then the Y terms at the same places as string 1.
    out.bn = static_cast<int>(BitsMsb(s2, Pos(80), 3));
    out.tb = static_cast<int>(BitsMsb(s2, Pos(76), 7));
    out.vy = SignMag(s2, 64, 24, -20);
    out.ay = SignMag(s2, 40, 5, -30);
    out.y = SignMag(s2, 35, 27, -11);

    // String 3: gamma-n (79-69), then the Z terms.
    out.gammaN = SignMag(s3, 79, 11, -40);
    out.vz = SignMag(s3, 64, 24, -20);
    out.az = SignMag(s3, 40, 5, -30);
    out.z = SignMag(s3, 35, 27, -11);

    // String 4: tau-n (80-59, 22 bits with sign), En (53-49), NT (26-16).
    out.tauN = SignMag(s4, 80, 22, -30);
    out.en = static_cast<int>(BitsMsb(s4, Pos(53), 5));
    out.nt = static_cast<int>(BitsMsb(s4, Pos(26), 11));
    out.n = static_cast<int>(BitsMsb(s4, Pos(15), 5));
    out.ft = static_cast<int>(BitsMsb(s4, Pos(33), 4));
    return true;
}

bool GlonassStringPasses(ByteView s) {
    if (!s.Has(0, kStringBytes)) return false;
    // Data bits 9..85 sit at the Hamming positions that are not powers of two (3, 5, 6, 7,
    // 9, ...); check sum i covers check bit i and every data bit whose position has bit i set.
    unsigned sums[7] = {};
    unsigned overall = 0;
    for (int n = 1; n <= 8; ++n) {
        const unsigned bit = static_cast<unsigned>(BitsMsb(s, Pos(n), 1));
        overall ^= bit;
        if (n <= 7) sums[n - 1] ^= bit;
    }
    unsigned position = 2;
    for (int n = 9; n <= 85; ++n) {
        do {
            ++position;
        } while ((position & (position - 1)) == 0);
        const unsigned bit = static_cast<unsigned>(BitsMsb(s, Pos(n), 1));
        overall ^= bit;
        for (int i = 0; i < 7; ++i) {
            if ((position >> i) & 1u) sums[i] ^= bit;
        }
    }
    int nonzero = 0;
    for (unsigned sum : sums) nonzero += sum != 0 ? 1 : 0;
    return (nonzero == 0 && overall == 0) || (nonzero == 1 && overall == 1);
}

bool GlonassDate(int n4, int nt, int& year, int& month, int& day) {
    if (n4 < 1 || n4 > 31 || nt < 1 || nt > 1461) return false;
    int j;  // year within the interval, 0 = the leap year
    int dayOfYear;
    if (nt <= 366) {
        j = 0;
        dayOfYear = nt;
    } else {
        j = 1 + (nt - 367) / 365;
        dayOfYear = nt - 366 - (j - 1) * 365;
    }
    year = 1996 + 4 * (n4 - 1) + j;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static const int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int d = dayOfYear;
    for (int m = 0; m < 12; ++m) {
        int len = kLengths[m] + (m == 1 && leap ? 1 : 0);
        if (d <= len) {
            month = m + 1;
            day = d;
            return true;
        }
        d -= len;
    }
    return false;
}

bool GlonassReferenceUtc(int n4, int nt, int tb, GnssTime& utc) {
    if (tb < 1 || tb > 96) return false;
    int seconds = tb * 900 - 10800;
    if (seconds < 0) {
        seconds += 86400;
        nt -= 1;
        if (nt < 1) {  // the last day of the previous interval
            n4 -= 1;
            nt = 1461;
        }
    }
    int year = 0, month = 0, day = 0;
    if (!GlonassDate(n4, nt, year, month, day)) return false;
    utc = GnssTime{};
    utc.year = year;
    utc.month = month;
    utc.day = day;
    utc.hour = seconds / 3600;
    utc.minute = seconds % 3600 / 60;
    utc.second = seconds % 60;
    CalendarToGps(utc);
    return true;
}

}  // namespace kestrin
