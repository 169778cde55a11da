#include "decoders/navwords/galileo_inav.h"

#include <cmath>

#include "decoders/framing.h"

namespace kestrin {

namespace {

constexpr double kGalPi = 3.1415926535898;

void CopyBits(ByteView from, size_t fromPos, uint8_t* to, size_t toPos, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (BitsMsb(from, fromPos + i, 1))
            to[(toPos + i) / 8] |= static_cast<uint8_t>(0x80u >> ((toPos + i) % 8));
    }
}

class Word {
  public:
    explicit Word(const GalileoWord& w) : v_(w.data(), w.size()) {}
    uint64_t U(size_t pos, unsigned n) const { return BitsMsb(v_, pos, n); }
    double U(size_t pos, unsigned n, int e) const {
        return std::ldexp(static_cast<double>(U(pos, n)), e);
    }
    double S(size_t pos, unsigned n, int e) const {
        return std::ldexp(static_cast<double>(SBitsMsb(v_, pos, n)), e);
    }

  private:
    ByteView v_;
};

}  // namespace

bool ReadGalileoInavPage(ByteView page, GalileoWord& word, int& type) {
    if (!page.Has(0, 32)) return false;
    const ByteView even = page.Sub(0, 16), odd = page.Sub(16, 16);
    if (BitsMsb(even, 0, 1) != 0 || BitsMsb(odd, 0, 1) != 1) return false;
    if (BitsMsb(even, 1, 1) != 0 || BitsMsb(odd, 1, 1) != 0) return false;  // alert page

    // The CRC covers the 114 bits of the even part and the first 82 of the odd part,
    // right-aligned in 25 bytes.
    std::array<uint8_t, 25> covered{};
    CopyBits(even, 0, covered.data(), 4, 114);
    CopyBits(odd, 0, covered.data(), 118, 82);
    if (Crc24q(ByteView(covered.data(), covered.size())) != BitsMsb(odd, 82, 24)) return false;

    word.fill(0);
    CopyBits(even, 2, word.data(), 0, 112);
    CopyBits(odd, 2, word.data(), 112, 16);
    type = static_cast<int>(BitsMsb(ByteView(word.data(), word.size()), 0, 6));
    return true;
}

bool DecodeGalileoIono(const GalileoWord& word5, double ai[3]) {
    const Word w(word5);
    if (w.U(0, 6) != 5) return false;
    ai[0] = w.U(6, 11, -2);
    ai[1] = w.S(17, 11, -8);
    ai[2] = w.S(28, 14, -15);
    return true;
}

bool DecodeGalileoInav(const std::array<GalileoWord, 6>& words, GalileoEphemeris& out) {
    const Word w0(words[0]), w1(words[1]), w2(words[2]), w3(words[3]), w4(words[4]), w5(words[5]);
    if (w0.U(0, 6) != 0 || w0.U(6, 2) != 2) return false;
    const uint64_t iod = w1.U(6, 10);
    const Word* iodWords[] = {&w1, &w2, &w3, &w4};
    for (uint64_t t = 1; t <= 4; ++t) {
        if (iodWords[t - 1]->U(0, 6) != t || iodWords[t - 1]->U(6, 10) != iod) return false;
    }
    if (w5.U(0, 6) != 5) return false;
    if (w4.U(16, 6) == 0) return false;

    out = GalileoEphemeris{};
    out.iodNav = static_cast<int>(iod);
    out.wn = static_cast<int>(w0.U(96, 12));
    out.tow = static_cast<double>(w0.U(108, 20));

    out.toe = w1.U(16, 14, 0) * 60.0;
    out.m0 = w1.S(30, 32, -31) * kGalPi;
    out.e = w1.U(62, 32, -33);
    out.sqrtA = w1.U(94, 32, -19);

    out.omega0 = w2.S(16, 32, -31) * kGalPi;
    out.i0 = w2.S(48, 32, -31) * kGalPi;
    out.omega = w2.S(80, 32, -31) * kGalPi;
    out.idot = w2.S(112, 14, -43) * kGalPi;

    out.omegaDot = w3.S(16, 24, -43) * kGalPi;
    out.deltaN = w3.S(40, 16, -43) * kGalPi;
    out.cuc = w3.S(56, 16, -29);
    out.cus = w3.S(72, 16, -29);
    out.crc = w3.S(88, 16, -5);
    out.crs = w3.S(104, 16, -5);
    out.sisa = static_cast<int>(w3.U(120, 8));

    out.svid = static_cast<int>(w4.U(16, 6));
    out.cic = w4.S(22, 16, -29);
    out.cis = w4.S(38, 16, -29);
    out.toc = w4.U(54, 14, 0) * 60.0;
    out.af0 = w4.S(68, 31, -34);
    out.af1 = w4.S(99, 21, -46);
    out.af2 = w4.S(120, 6, -59);

    // Word 5: ionosphere (ai0..ai2, five region flags), BGDs, health, WN and TOW.
    out.bgdE5a = w5.S(47, 10, -32);
    out.bgdE5b = w5.S(57, 10, -32);
    out.e5bHs = static_cast<int>(w5.U(67, 2));
    out.e1bHs = static_cast<int>(w5.U(69, 2));
    out.e5bDvs = static_cast<int>(w5.U(71, 1));
    out.e1bDvs = static_cast<int>(w5.U(72, 1));
    return true;
}

}  // namespace kestrin
