#include "decoders/navwords/gps_lnav.h"

#include <cmath>

namespace kestrin {

namespace {

constexpr double kPi = 3.1415926535898;  // the value the GPS interface defines
constexpr size_t kSubframeBytes = 30;

double U(ByteView v, size_t pos, unsigned n, int scaleExp) {
    return std::ldexp(static_cast<double>(BitsMsb(v, pos, n)), scaleExp);
}
double S(ByteView v, size_t pos, unsigned n, int scaleExp) {
    return std::ldexp(static_cast<double>(SBitsMsb(v, pos, n)), scaleExp);
}

}  // namespace

bool LnavWordData(uint32_t word, unsigned d29Star, unsigned d30Star, uint32_t& data) {
    // The data bits d1..d24 that enter each of the six parity bits D25..D30 (0 ends a list).
    static constexpr int kTerms[6][16] = {
        {1, 2, 3, 5, 6, 10, 11, 12, 13, 14, 17, 18, 20, 23},
        {2, 3, 4, 6, 7, 11, 12, 13, 14, 15, 18, 19, 21, 24},
        {1, 3, 4, 5, 7, 8, 12, 13, 14, 15, 16, 19, 20, 22},
        {2, 4, 5, 6, 8, 9, 13, 14, 15, 16, 17, 20, 21, 23},
        {1, 3, 5, 6, 7, 9, 10, 14, 15, 16, 17, 18, 21, 22, 24},
        {3, 5, 6, 8, 9, 10, 11, 13, 15, 19, 22, 23, 24},
    };
    static constexpr bool kUsesD29[6] = {true, false, true, false, false, true};
    d29Star &= 1u;
    d30Star &= 1u;
    data = (word >> 6) & 0xFFFFFFu;
    if (d30Star) data ^= 0xFFFFFFu;
    for (int i = 0; i < 6; ++i) {
        unsigned parity = kUsesD29[i] ? d29Star : d30Star;
        for (int term : kTerms[i]) {
            if (term == 0) break;
            parity ^= (data >> (24 - term)) & 1u;
        }
        if (parity != ((word >> (5 - i)) & 1u)) return false;
    }
    return true;
}

// Bit positions count from the first data bit of word 1 (TLM); word k starts at 24 (k - 1).
bool DecodeLnavSubframes(ByteView sf1, ByteView sf2, ByteView sf3, LnavEphemeris& out) {
    if (!sf1.Has(0, kSubframeBytes) || !sf2.Has(0, kSubframeBytes) || !sf3.Has(0, kSubframeBytes)) {
        return false;
    }
    out = LnavEphemeris{};

    out.week10 = static_cast<int>(BitsMsb(sf1, 48, 10));
    out.codesOnL2 = static_cast<int>(BitsMsb(sf1, 58, 2));
    out.uraIndex = static_cast<int>(BitsMsb(sf1, 60, 4));
    out.health = static_cast<int>(BitsMsb(sf1, 64, 6));
    out.iodc = static_cast<int>((BitsMsb(sf1, 70, 2) << 8) | BitsMsb(sf1, 168, 8));
    out.l2PFlag = static_cast<int>(BitsMsb(sf1, 72, 1));
    out.tgd = S(sf1, 160, 8, -31);
    out.toc = U(sf1, 176, 16, 4);
    out.af2 = S(sf1, 192, 8, -55);
    out.af1 = S(sf1, 200, 16, -43);
    out.af0 = S(sf1, 216, 22, -31);

    out.iode = static_cast<int>(BitsMsb(sf2, 48, 8));
    out.crs = S(sf2, 56, 16, -5);
    out.deltaN = S(sf2, 72, 16, -43) * kPi;
    out.m0 = S(sf2, 88, 32, -31) * kPi;
    out.cuc = S(sf2, 120, 16, -29);
    out.e = U(sf2, 136, 32, -33);
    out.cus = S(sf2, 168, 16, -29);
    out.sqrtA = U(sf2, 184, 32, -19);
    out.toe = U(sf2, 216, 16, 4);
    out.fitFlag = static_cast<int>(BitsMsb(sf2, 232, 1));

    out.cic = S(sf3, 48, 16, -29);
    out.omega0 = S(sf3, 64, 32, -31) * kPi;
    out.cis = S(sf3, 96, 16, -29);
    out.i0 = S(sf3, 112, 32, -31) * kPi;
    out.crc = S(sf3, 144, 16, -5);
    out.omega = S(sf3, 160, 32, -31) * kPi;
    out.omegaDot = S(sf3, 192, 24, -43) * kPi;
    out.iode3 = static_cast<int>(BitsMsb(sf3, 216, 8));
    out.idot = S(sf3, 224, 14, -43) * kPi;
    return true;
}

bool DecodeLnavIonoUtc(ByteView sf4, LnavIonoUtc& out) {
    if (!sf4.Has(0, kSubframeBytes)) return false;
    if (BitsMsb(sf4, 43, 3) != 4 || BitsMsb(sf4, 50, 6) != 56) return false;
    out = LnavIonoUtc{};
    static constexpr int kAlphaScale[4] = {-30, -27, -24, -24}, kBetaScale[4] = {11, 14, 16, 16};
    for (size_t i = 0; i < 4; ++i) {
        out.alpha[i] = S(sf4, 56 + 8 * i, 8, kAlphaScale[i]);
        out.beta[i] = S(sf4, 88 + 8 * i, 8, kBetaScale[i]);
    }
    out.a1 = S(sf4, 120, 24, -50);
    out.a0 = S(sf4, 144, 32, -30);
    out.tot = static_cast<int>(BitsMsb(sf4, 176, 8)) << 12;
    out.wnt = static_cast<int>(BitsMsb(sf4, 184, 8));
    out.deltaTls = static_cast<int>(SBitsMsb(sf4, 192, 8));
    return true;
}

}  // namespace kestrin
