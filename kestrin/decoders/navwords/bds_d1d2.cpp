#include "decoders/navwords/bds_d1d2.h"

#include <cmath>

#include "decoders/byte_view.h"

namespace kestrin {

namespace {

constexpr double kBdsPi = 3.1415926535898;

// The 224 data bits of a subframe, parity removed, most significant bit first: word 1 gives
// bits 0..25, word k (2..10) bits 26 + 22 (k - 2) onward. The fields of the interface lie
// contiguously in this stream.
class DataBits {
  public:
    explicit DataBits(const BdsSubframeWords& words) {
        size_t pos = 0;
        Put(words[0] >> 4, 26, pos);
        for (size_t k = 1; k < words.size(); ++k) Put(words[k] >> 8, 22, pos);
    }
    uint64_t U(size_t pos, unsigned n) const { return BitsMsb(View(), pos, n); }
    int64_t S(size_t pos, unsigned n) const { return SBitsMsb(View(), pos, n); }
    double U(size_t pos, unsigned n, int scaleExp) const {
        return std::ldexp(static_cast<double>(U(pos, n)), scaleExp);
    }
    double S(size_t pos, unsigned n, int scaleExp) const {
        return std::ldexp(static_cast<double>(S(pos, n)), scaleExp);
    }
    // A field split over two pages: high part of the first, low part of the second.
    static int64_t Joined(const DataBits& hi, size_t hiPos, unsigned hiBits, const DataBits& lo,
                          size_t loPos, unsigned loBits) {
        const uint64_t raw = (hi.U(hiPos, hiBits) << loBits) | lo.U(loPos, loBits);
        return SignExtend(raw, hiBits + loBits);
    }
    static uint64_t JoinedU(const DataBits& hi, size_t hiPos, unsigned hiBits, const DataBits& lo,
                            size_t loPos, unsigned loBits) {
        return (hi.U(hiPos, hiBits) << loBits) | lo.U(loPos, loBits);
    }

  private:
    void Put(uint32_t value, unsigned n, size_t& pos) {
        for (unsigned i = n; i-- > 0; ++pos) {
            if ((value >> i) & 1u) bytes_[pos / 8] |= static_cast<uint8_t>(0x80u >> (pos % 8));
        }
    }
    ByteView View() const { return ByteView(bytes_.data(), bytes_.size()); }

    std::array<uint8_t, 28> bytes_{};
};

constexpr size_t kSowPos = 18;

void ReadClockPart(const DataBits& b, size_t at, BdsEphemeris& out) {
    // SatH1, AODC, URAI, WN, toc, TGD1, TGD2 (D1 subframe 1 from bit 38, D2 page 1 from 42).
    out.satH1 = static_cast<int>(b.U(at, 1));
    out.aodc = static_cast<int>(b.U(at + 1, 5));
    out.urai = static_cast<int>(b.U(at + 6, 4));
    out.week = static_cast<int>(b.U(at + 10, 13));
    out.toc = b.U(at + 23, 17, 3);
    out.tgd1 = static_cast<double>(b.S(at + 40, 10)) * 1e-10;
    out.tgd2 = static_cast<double>(b.S(at + 50, 10)) * 1e-10;
}

}  // namespace

int BdsSubframeId(const BdsSubframeWords& words) {
    return static_cast<int>((words[0] >> 12) & 7u);
}

uint32_t BdsSecondsOfWeek(const BdsSubframeWords& words) {
    return static_cast<uint32_t>(DataBits(words).U(kSowPos, 20));
}

int BdsD2PageNumber(const BdsSubframeWords& words) {
    return static_cast<int>((words[1] >> 14) & 15u);
}

bool DecodeBdsD1(const BdsSubframeWords& sf1, const BdsSubframeWords& sf2,
                 const BdsSubframeWords& sf3, BdsEphemeris& out) {
    if (BdsSubframeId(sf1) != 1 || BdsSubframeId(sf2) != 2 || BdsSubframeId(sf3) != 3) return false;
    const DataBits b1(sf1), b2(sf2), b3(sf3);
    const uint64_t sow1 = b1.U(kSowPos, 20), sow2 = b2.U(kSowPos, 20), sow3 = b3.U(kSowPos, 20);
    if (sow2 != sow1 + 6 || sow3 != sow2 + 6) return false;
    out = BdsEphemeris{};
    out.sow = static_cast<double>(sow1);

    ReadClockPart(b1, 38, out);
    static constexpr int kAlphaScale[4] = {-30, -27, -24, -24}, kBetaScale[4] = {11, 14, 16, 16};
    for (size_t i = 0; i < 4; ++i) {
        out.alpha[i] = b1.S(98 + 8 * i, 8, kAlphaScale[i]);
        out.beta[i] = b1.S(130 + 8 * i, 8, kBetaScale[i]);
    }
    out.a2 = b1.S(162, 11, -66);
    out.a0 = b1.S(173, 24, -33);
    out.a1 = b1.S(197, 22, -50);
    out.aode = static_cast<int>(b1.U(219, 5));

    out.deltaN = b2.S(38, 16, -43) * kBdsPi;
    out.cuc = b2.S(54, 18, -31);
    out.m0 = b2.S(72, 32, -31) * kBdsPi;
    out.e = b2.U(104, 32, -33);
    out.cus = b2.S(136, 18, -31);
    out.crc = b2.S(154, 18, -6);
    out.crs = b2.S(172, 18, -6);
    out.sqrtA = b2.U(190, 32, -19);
    out.toe = static_cast<double>(DataBits::JoinedU(b2, 222, 2, b3, 38, 15)) * 8.0;

    out.i0 = b3.S(53, 32, -31) * kBdsPi;
    out.cic = b3.S(85, 18, -31);
    out.omegaDot = b3.S(103, 24, -43) * kBdsPi;
    out.cis = b3.S(127, 18, -31);
    out.idot = b3.S(145, 14, -43) * kBdsPi;
    out.omega0 = b3.S(159, 32, -31) * kBdsPi;
    out.omega = b3.S(191, 32, -31) * kBdsPi;
    return true;
}

bool DecodeBdsD2(const std::array<BdsSubframeWords, 10>& pages, BdsEphemeris& out) {
    uint64_t lastSow = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (BdsSubframeId(pages[i]) != 1 || BdsD2PageNumber(pages[i]) != static_cast<int>(i + 1))
            return false;
        const uint64_t sow = DataBits(pages[i]).U(kSowPos, 20);
        if (i > 0 && sow != lastSow + 3) return false;
        lastSow = sow;
    }
    const DataBits p1(pages[0]), p3(pages[2]), p4(pages[3]), p5(pages[4]), p6(pages[5]),
        p7(pages[6]), p8(pages[7]), p9(pages[8]), p10(pages[9]);
    out = BdsEphemeris{};
    out.sow = static_cast<double>(p1.U(kSowPos, 20));

    // Every page's content starts after its 4-bit page number, at bit 42.
    ReadClockPart(p1, 42, out);
    out.a0 = p3.S(80, 24, -33);
    out.a1 = std::ldexp(static_cast<double>(DataBits::Joined(p3, 104, 4, p4, 42, 18)), -50);
    out.a2 = p4.S(60, 11, -66);
    out.aode = static_cast<int>(p4.U(71, 5));
    out.deltaN = p4.S(76, 16, -43) * kBdsPi;
    out.cuc = std::ldexp(static_cast<double>(DataBits::Joined(p4, 92, 14, p5, 42, 4)), -31);
    out.m0 = p5.S(46, 32, -31) * kBdsPi;
    out.cus = p5.S(78, 18, -31);
    out.e = std::ldexp(static_cast<double>(DataBits::JoinedU(p5, 96, 10, p6, 42, 22)), -33);
    out.sqrtA = p6.U(64, 32, -19);
    out.cic = std::ldexp(static_cast<double>(DataBits::Joined(p6, 96, 10, p7, 42, 8)), -31);
    out.cis = p7.S(50, 18, -31);
    out.toe = p7.U(68, 17, 3);
    out.i0 =
        std::ldexp(static_cast<double>(DataBits::Joined(p7, 85, 21, p8, 42, 11)), -31) * kBdsPi;
    out.crc = p8.S(53, 18, -6);
    out.crs = p8.S(71, 18, -6);
    out.omegaDot =
        std::ldexp(static_cast<double>(DataBits::Joined(p8, 89, 19, p9, 42, 5)), -43) * kBdsPi;
    out.omega0 = p9.S(47, 32, -31) * kBdsPi;
    out.omega =
        std::ldexp(static_cast<double>(DataBits::Joined(p9, 79, 27, p10, 42, 5)), -31) * kBdsPi;
    out.idot = p10.S(47, 14, -43) * kBdsPi;
    return true;
}

}  // namespace kestrin
