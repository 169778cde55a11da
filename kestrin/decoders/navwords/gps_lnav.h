// GPS / QZSS LNAV subframes 1-3 (parity removed: ten 24-bit words per subframe, 30 bytes,
// most significant bit first) decoded into the field values of the broadcast ephemeris, in
// the units of the RINEX navigation record (seconds, metres, radians).
#pragma once

#include <cstdint>

#include "decoders/byte_view.h"

namespace kestrin {

struct LnavEphemeris {
    // Subframe 1
    int week10 = 0;  // 10-bit transmitted week
    int codesOnL2 = 0;
    int uraIndex = 0;
    int health = 0;
    int iodc = 0;
    int l2PFlag = 0;
    double tgd = 0;
    double toc = 0;
    double af2 = 0, af1 = 0, af0 = 0;
    // Subframe 2
    int iode = 0;
    double crs = 0, deltaN = 0, m0 = 0, cuc = 0, e = 0, cus = 0, sqrtA = 0, toe = 0;
    int fitFlag = 0;
    // Subframe 3
    int iode3 = 0;
    double cic = 0, omega0 = 0, cis = 0, i0 = 0, crc = 0, omega = 0, omegaDot = 0, idot = 0;
};

// One 30-bit LNAV word as transmitted (data bits d1..d24 in bits 29..6, parity in 5..0) with
// the last two parity bits D29*, D30* of the word before it: false when the parity fails;
// otherwise the 24 source data bits (inverted back when D30* is set).
bool LnavWordData(uint32_t word, unsigned d29Star, unsigned d30Star, uint32_t& data);

// Ionosphere and UTC parameters of subframe 4 page 18 (SV ID 56).
struct LnavIonoUtc {
    double alpha[4] = {0, 0, 0, 0}, beta[4] = {0, 0, 0, 0};
    double a0 = 0, a1 = 0;
    int tot = 0;       // seconds of the UTC reference week
    int wnt = 0;       // UTC reference week, 8 bits
    int deltaTls = 0;  // GPS - UTC, seconds
};
// False unless the view holds a subframe 4 of page 18 (30 bytes without parity).
bool DecodeLnavIonoUtc(ByteView sf4, LnavIonoUtc& out);

// Each view must hold at least 30 bytes (one subframe without parity); false otherwise.
bool DecodeLnavSubframes(ByteView sf1, ByteView sf2, ByteView sf3, LnavEphemeris& out);

}  // namespace kestrin
