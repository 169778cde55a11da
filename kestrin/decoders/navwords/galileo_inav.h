// Galileo I/NAV nominal pages (E1-B or E5b-I): the checks of an even/odd page pair and the
// broadcast ephemeris of words 0..5, in the units of the RINEX navigation record.
#pragma once

#include <array>
#include <cstdint>

#include "decoders/byte_view.h"

namespace kestrin {

using GalileoWord = std::array<uint8_t, 16>;  // the 128-bit data word, MSB first

// A nominal page pair as 32 bytes, most significant bit first: the even part in bytes 0..15
// (even/odd flag, page type, 112 data bits, 6 tail bits), the odd part in bytes 16..31 (even/odd
// flag, page type, 16 data bits, 64 reserved bits, CRC-24Q, ...). False for an alert page, a
// pair out of order, a failing CRC or a view shorter than 32 bytes; otherwise the data word and
// its type (0..63).
bool ReadGalileoInavPage(ByteView page, GalileoWord& word, int& type);

struct GalileoEphemeris {
    int iodNav = 0;
    int svid = 0;
    double toe = 0, m0 = 0, e = 0, sqrtA = 0;
    double omega0 = 0, i0 = 0, omega = 0, idot = 0;
    double omegaDot = 0, deltaN = 0, cuc = 0, cus = 0, crc = 0, crs = 0;
    int sisa = 0;
    double cic = 0, cis = 0, toc = 0, af0 = 0, af1 = 0, af2 = 0;
    double bgdE5a = 0, bgdE5b = 0;  // seconds
    int e5bHs = 0, e1bHs = 0, e5bDvs = 0, e1bDvs = 0;
    int wn = 0;      // Galileo week of word 0
    double tow = 0;  // seconds of week of word 0
};

// Effective ionisation coefficients ai0 (sfu), ai1 (sfu/deg), ai2 (sfu/deg^2) of word 5;
// false for a word of another type.
bool DecodeGalileoIono(const GalileoWord& word5, double ai[3]);

// Words 0..5 (index = word type): false unless word 0 has type 0 and time field 2, words 1..4
// carry their types and one IODnav, word 5 its type, and the SVID is not 0.
bool DecodeGalileoInav(const std::array<GalileoWord, 6>& words, GalileoEphemeris& out);

}  // namespace kestrin
