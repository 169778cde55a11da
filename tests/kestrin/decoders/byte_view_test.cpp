#include <gtest/gtest.h>

#include <vector>

#include "decoders/byte_view.h"
#include "support/bytes.h"
#include "support/frames.h"

using namespace kestrin;

TEST(ByteView, FixedWidthReadsInBothOrdersAndNothingPastTheEnd) {
    const std::vector<uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE};
    ByteView v(bytes.data(), bytes.size());
    EXPECT_EQ(v.U16(0), 0x0201);
    EXPECT_EQ(v.U16Be(0), 0x0102);
    EXPECT_EQ(v.U32(0), 0x04030201u);
    EXPECT_EQ(v.U32Be(2), 0x0304FFFEu);
    EXPECT_EQ(v.I16(4), static_cast<int16_t>(0xFEFF));
    EXPECT_EQ(v.SInt(4, 1, Endian::kLittle), -1);
    EXPECT_EQ(v.SInt(3, 3, Endian::kBig), static_cast<int64_t>(0x04FFFE));
    // Fields that do not lie wholly inside the view read as 0.
    EXPECT_EQ(v.U32(3), 0u);
    EXPECT_EQ(v.U16(5), 0u);
    EXPECT_EQ(v.U8(6), 0u);
    EXPECT_EQ(v.U64(SIZE_MAX - 2), 0u);
    EXPECT_FALSE(v.Has(SIZE_MAX, 2));
    EXPECT_TRUE(v.Has(6, 0));
    EXPECT_EQ(v.Sub(4, 100).size(), 2u);
    EXPECT_TRUE(v.Sub(7, 1).empty());
}

TEST(ByteView, FloatsInBothOrders) {
    const std::string le = testsupport::Bytes().F64(23456789.012).F32(-1.5f).str();
    const std::string be = testsupport::Bytes(true).F64(23456789.012).F32(-1.5f).str();
    EXPECT_EQ(ByteView(le).F64(0), 23456789.012);
    EXPECT_EQ(ByteView(be).F64Be(0), 23456789.012);
    EXPECT_EQ(ByteView(le).F32(8), -1.5f);
    EXPECT_EQ(ByteView(be).F32(8, Endian::kBig), -1.5f);
}

TEST(ByteView, BitFields) {
    testsupport::BitWriter w;
    w.U(0x3FF, 10).S(-5, 6).SignMag(-9, 8).U(0x123456789ull, 38).U(1, 2);
    const ByteView v(w.str());
    EXPECT_EQ(BitsMsb(v, 0, 10), 0x3FFu);
    EXPECT_EQ(SBitsMsb(v, 10, 6), -5);
    EXPECT_EQ(SignMagBitsMsb(v, 16, 8), -9);
    EXPECT_EQ(BitsMsb(v, 24, 38), 0x123456789ull);
    BitReader r(v);
    EXPECT_EQ(r.U(10), 0x3FFu);
    EXPECT_EQ(r.S(6), -5);
    EXPECT_EQ(r.SignMag(8), -9);
    EXPECT_EQ(r.U(38), 0x123456789ull);
    EXPECT_EQ(r.U(2), 1u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.U(9), 0u);  // only 8 bits left
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.U(1), 0u);  // stays failed

    // LSB-first fields of little-endian data: 28-bit signed then 36-bit unsigned.
    const uint64_t doppler = static_cast<uint64_t>(-1000) & 0xFFFFFFF;
    const uint64_t range = 0x987654321ull;
    const std::string packed = testsupport::Bytes().U64(doppler | (range << 28)).str();
    EXPECT_EQ(SBitsLsb(ByteView(packed), 0, 28), -1000);
    EXPECT_EQ(BitsLsb(ByteView(packed), 28, 36), range);
    EXPECT_EQ(BitsLsb(ByteView(packed), 60, 5), 0u);  // runs past the 64 bits
}

TEST(ByteView, UbnxiBothOrdersAndCutOff) {
    for (uint32_t value : {0u, 1u, 127u, 128u, 16383u, 16384u, 2097151u, 2097152u, 536870911u}) {
        for (bool big : {false, true}) {
            const std::string bytes = testsupport::Ubnxi(value, big);
            uint32_t decoded = 99;
            EXPECT_EQ(ReadUbnxi(ByteView(bytes), 0, big ? Endian::kBig : Endian::kLittle, decoded),
                      bytes.size());
            EXPECT_EQ(decoded, value) << "big " << big;
            if (bytes.size() > 1) {
                EXPECT_EQ(ReadUbnxi(ByteView(bytes).Sub(0, bytes.size() - 1), 0, Endian::kLittle,
                                    decoded),
                          0u);
            }
        }
    }
    // 0x81 0x01 little-endian: 1 + (1 << 7); big-endian: (1 << 7) + 1.
    const std::string two = "\x81\x02";
    uint32_t v = 0;
    ReadUbnxi(ByteView(two), 0, Endian::kLittle, v);
    EXPECT_EQ(v, 1u + (2u << 7));
    ReadUbnxi(ByteView(two), 0, Endian::kBig, v);
    EXPECT_EQ(v, (1u << 7) + 2u);
}

TEST(ByteView, CursorStopsAtTheEnd) {
    const std::string bytes = testsupport::Bytes(true).U16(0x1234).U32(7).U8(9).str();
    ByteCursor c(ByteView(bytes), Endian::kBig);
    EXPECT_EQ(c.U16(), 0x1234);
    EXPECT_EQ(c.U32(), 7u);
    EXPECT_EQ(c.remaining(), 1u);
    EXPECT_EQ(c.U16(), 0);
    EXPECT_FALSE(c.ok());
    EXPECT_EQ(c.U8(), 0);  // the byte that is there is not read after a failure
    EXPECT_EQ(SignMagnitude(0x8000000000000005ull, 64), -5);
    EXPECT_EQ(SignMagnitude(0x5, 64), 5);
}
