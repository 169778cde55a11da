// BeiDou D1 (MEO/IGSO satellites) and D2 (GEO satellites) navigation messages of the B1I
// open service: subframe and page checks and the broadcast ephemeris they carry, in the units
// of the RINEX navigation record (seconds, metres, radians).
//
// A subframe is ten 30-bit words (bits 29..0 of each value), as the receiver demodulated them:
// word 1 carries 26 data bits and 4 parity bits, words 2..10 carry 22 data bits and 8 parity
// bits each. Parity bits are not read.
#pragma once

#include <array>
#include <cstdint>

namespace kestrin {

using BdsSubframeWords = std::array<uint32_t, 10>;

struct BdsEphemeris {
    int week = 0;    // 13-bit BDS week
    double sow = 0;  // seconds of week of subframe 1 (D1) or page 1 (D2)
    int satH1 = 0;
    int aodc = 0;
    int urai = 0;
    double toc = 0;
    double tgd1 = 0, tgd2 = 0;  // seconds
    double a0 = 0, a1 = 0, a2 = 0;
    int aode = 0;
    double deltaN = 0, cuc = 0, m0 = 0, e = 0, cus = 0, crc = 0, crs = 0, sqrtA = 0, toe = 0;
    double i0 = 0, cic = 0, omegaDot = 0, cis = 0, idot = 0, omega0 = 0, omega = 0;
    // Klobuchar coefficients of D1 subframe 1 (D2 carries them elsewhere: zero there).
    double alpha[4] = {0, 0, 0, 0}, beta[4] = {0, 0, 0, 0};
};

// Subframe ID 1..5 of a subframe (other values for a corrupt one), its seconds of week, and
// the page number of a D2 subframe 1.
int BdsSubframeId(const BdsSubframeWords& words);
uint32_t BdsSecondsOfWeek(const BdsSubframeWords& words);
int BdsD2PageNumber(const BdsSubframeWords& words);

// D1 subframes 1, 2, 3: false unless they carry IDs 1, 2, 3 and their seconds of week rise
// by 6 s from one to the next.
bool DecodeBdsD1(const BdsSubframeWords& sf1, const BdsSubframeWords& sf2,
                 const BdsSubframeWords& sf3, BdsEphemeris& out);

// D2 subframe-1 pages 1..10 (index 0 = page 1): false unless every entry is a subframe 1 with
// its own page number and the seconds of week rise by 3 s from page to page.
bool DecodeBdsD2(const std::array<BdsSubframeWords, 10>& pages, BdsEphemeris& out);

}  // namespace kestrin
