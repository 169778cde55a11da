// Bounded views of receiver bytes and the field readers every decoder uses.
//
// Receiver files are untrusted: every read goes through a view that knows its length.
// Offset readers (U16(off), F64Be(off), ...) return 0 for any field that does not lie
// wholly inside the view, so a corrupt length can never turn into an out-of-bounds read;
// callers that must tell "absent" from "zero" check Has(off, n) first or use a cursor,
// whose ok() flag stays false once any read ran past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kestrin {

enum class Endian { kLittle, kBig };

class ByteView {
  public:
    constexpr ByteView() = default;
    constexpr ByteView(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    ByteView(const char* data, size_t size)
        : ByteView(reinterpret_cast<const uint8_t*>(data), size) {}
    explicit ByteView(std::string_view bytes) : ByteView(bytes.data(), bytes.size()) {}

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // True when count bytes starting at offset lie inside the view (overflow-safe).
    bool Has(size_t offset, size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    // The count bytes at offset, cut to what the view holds (empty when offset is past it).
    ByteView Sub(size_t offset, size_t count) const {
        if (offset >= size_) return {};
        return {data_ + offset, count < size_ - offset ? count : size_ - offset};
    }
    ByteView From(size_t offset) const { return Sub(offset, size_); }
    // True when the view starts with the given bytes.
    bool StartsWith(std::string_view prefix) const {
        return Has(0, prefix.size()) && std::memcmp(data_, prefix.data(), prefix.size()) == 0;
    }

    uint8_t U8(size_t offset) const { return offset < size_ ? data_[offset] : 0; }
    int8_t I8(size_t offset) const { return static_cast<int8_t>(U8(offset)); }

    // Unsigned integer of width bytes (1..8) in the given byte order; 0 when out of range.
    uint64_t UInt(size_t offset, size_t width, Endian order) const {
        if (width == 0 || width > 8 || !Has(offset, width)) return 0;
        uint64_t value = 0;
        const uint8_t* p = data_ + offset;
        if (order == Endian::kLittle) {
            for (size_t i = width; i-- > 0;) value = (value << 8) | p[i];
        } else {
            for (size_t i = 0; i < width; ++i) value = (value << 8) | p[i];
        }
        return value;
    }
    // Two's-complement integer of width bytes (1..8).
    int64_t SInt(size_t offset, size_t width, Endian order) const {
        if (width == 0 || width > 8 || !Has(offset, width)) return 0;
        const uint64_t raw = UInt(offset, width, order);
        if (width == 8) return static_cast<int64_t>(raw);
        const uint64_t sign = uint64_t{1} << (8 * width - 1);
        return static_cast<int64_t>((raw ^ sign) - sign);
    }

    uint16_t U16(size_t o) const { return static_cast<uint16_t>(UInt(o, 2, Endian::kLittle)); }
    uint32_t U32(size_t o) const { return static_cast<uint32_t>(UInt(o, 4, Endian::kLittle)); }
    uint64_t U64(size_t o) const { return UInt(o, 8, Endian::kLittle); }
    int16_t I16(size_t o) const { return static_cast<int16_t>(U16(o)); }
    int32_t I32(size_t o) const { return static_cast<int32_t>(U32(o)); }
    int64_t I64(size_t o) const { return static_cast<int64_t>(U64(o)); }
    float F32(size_t o) const { return FloatOf(U32(o)); }
    double F64(size_t o) const { return DoubleOf(U64(o)); }

    uint16_t U16Be(size_t o) const { return static_cast<uint16_t>(UInt(o, 2, Endian::kBig)); }
    uint32_t U32Be(size_t o) const { return static_cast<uint32_t>(UInt(o, 4, Endian::kBig)); }
    uint64_t U64Be(size_t o) const { return UInt(o, 8, Endian::kBig); }
    int16_t I16Be(size_t o) const { return static_cast<int16_t>(U16Be(o)); }
    int32_t I32Be(size_t o) const { return static_cast<int32_t>(U32Be(o)); }
    int64_t I64Be(size_t o) const { return static_cast<int64_t>(U64Be(o)); }
    float F32Be(size_t o) const { return FloatOf(U32Be(o)); }
    double F64Be(size_t o) const { return DoubleOf(U64Be(o)); }

    float F32(size_t o, Endian order) const {
        return FloatOf(static_cast<uint32_t>(UInt(o, 4, order)));
    }
    double F64(size_t o, Endian order) const { return DoubleOf(UInt(o, 8, order)); }

    static float FloatOf(uint32_t bits) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    static double DoubleOf(uint64_t bits) {
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

  private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Value of a sign-magnitude field of width bits: the top bit is the sign.
inline int64_t SignMagnitude(uint64_t raw, unsigned width) {
    if (width == 0 || width > 64) return 0;
    const uint64_t sign = uint64_t{1} << (width - 1);
    const uint64_t magnitude = raw & (sign - 1);
    return (raw & sign) ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

// Two's-complement value of a field of width bits (1..64).
inline int64_t SignExtend(uint64_t raw, unsigned width) {
    if (width == 0 || width >= 64) return static_cast<int64_t>(raw);
    const uint64_t mask = (uint64_t{1} << width) - 1;
    const uint64_t sign = uint64_t{1} << (width - 1);
    return static_cast<int64_t>(((raw & mask) ^ sign) - sign);
}

// Bit fields numbered from the most significant bit of byte 0 (RTCM, navigation words).
// width 1..64; 0 when the field does not lie inside the view.
inline bool HasBits(ByteView v, size_t bitPos, unsigned width) {
    return width <= 64 && bitPos / 8 <= v.size() && (bitPos + width + 7) / 8 <= v.size();
}
inline uint64_t BitsMsb(ByteView v, size_t bitPos, unsigned width) {
    if (width == 0 || !HasBits(v, bitPos, width)) return 0;
    uint64_t value = 0;
    for (size_t i = bitPos; i < bitPos + width; ++i)
        value = (value << 1) | ((v.data()[i / 8] >> (7 - i % 8)) & 1u);
    return value;
}
inline int64_t SBitsMsb(ByteView v, size_t bitPos, unsigned width) {
    return SignExtend(BitsMsb(v, bitPos, width), width);
}
inline int64_t SignMagBitsMsb(ByteView v, size_t bitPos, unsigned width) {
    return SignMagnitude(BitsMsb(v, bitPos, width), width);
}

// Bit fields of little-endian data counted from the least significant bit of byte 0
// (packed fields of OEM compressed logs).
inline uint64_t BitsLsb(ByteView v, size_t bitPos, unsigned width) {
    if (width == 0 || !HasBits(v, bitPos, width)) return 0;
    uint64_t value = 0;
    for (size_t k = width; k-- > 0;) {
        const size_t i = bitPos + k;
        value = (value << 1) | ((v.data()[i / 8] >> (i % 8)) & 1u);
    }
    return value;
}
inline int64_t SBitsLsb(ByteView v, size_t bitPos, unsigned width) {
    return SignExtend(BitsLsb(v, bitPos, width), width);
}

// BINEX ubnxi: 1..4 bytes; in the first three the top bit announces another byte and the
// low 7 bits are data, a fourth byte carries 8 bits. Little-endian records put the first
// byte's bits lowest, big-endian records highest. Returns the number of bytes used, 0 when
// the value is cut off by the end of the view.
inline size_t ReadUbnxi(ByteView v, size_t offset, Endian order, uint32_t& value) {
    value = 0;
    uint32_t parts[4] = {0, 0, 0, 0};
    size_t count = 0;
    while (true) {
        if (!v.Has(offset + count, 1)) return 0;
        const uint8_t b = v.U8(offset + count);
        if (count == 3) {
            parts[count++] = b;
            break;
        }
        parts[count++] = b & 0x7Fu;
        if (!(b & 0x80u)) break;
    }
    if (order == Endian::kLittle) {
        for (size_t i = 0; i < count; ++i) value |= parts[i] << (7 * i);
    } else {
        for (size_t i = 0; i < count; ++i) value = (value << (i == 3 ? 8 : 7)) | parts[i];
    }
    return count;
}

// Sequential reader over a view; any read past the end yields 0 and clears ok() for good.
class ByteCursor {
  public:
    explicit ByteCursor(ByteView view, Endian order = Endian::kLittle, size_t pos = 0)
        : view_(view), order_(order), pos_(pos), ok_(pos <= view.size()) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return pos_ < view_.size() ? view_.size() - pos_ : 0; }
    Endian order() const { return order_; }
    ByteView view() const { return view_; }

    bool Skip(size_t count) {
        if (!Take(count)) return false;
        pos_ += count;
        return true;
    }
    uint64_t UInt(size_t width) {
        return Take(width) ? Advance(view_.UInt(pos_, width, order_), width) : 0;
    }
    int64_t SInt(size_t width) {
        return Take(width) ? Advance(view_.SInt(pos_, width, order_), width) : 0;
    }
    uint8_t U8() { return static_cast<uint8_t>(UInt(1)); }
    int8_t I8() { return static_cast<int8_t>(SInt(1)); }
    uint16_t U16() { return static_cast<uint16_t>(UInt(2)); }
    int16_t I16() { return static_cast<int16_t>(SInt(2)); }
    uint32_t U32() { return static_cast<uint32_t>(UInt(4)); }
    int32_t I32() { return static_cast<int32_t>(SInt(4)); }
    uint64_t U64() { return UInt(8); }
    float F32() { return ByteView::FloatOf(static_cast<uint32_t>(UInt(4))); }
    double F64() { return ByteView::DoubleOf(UInt(8)); }
    uint32_t Ubnxi() {
        uint32_t value = 0;
        const size_t used = ok_ ? ReadUbnxi(view_, pos_, order_, value) : 0;
        if (used == 0) {
            ok_ = false;
            return 0;
        }
        pos_ += used;
        return value;
    }

  private:
    bool Take(size_t count) {
        if (ok_ && view_.Has(pos_, count)) return true;
        ok_ = false;
        return false;
    }
    template <class T>
    T Advance(T value, size_t width) {
        pos_ += width;
        return value;
    }

    ByteView view_;
    Endian order_;
    size_t pos_;
    bool ok_;
};

// Sequential reader of MSB-first bit fields; any read past the end yields 0 and clears ok().
class BitReader {
  public:
    explicit BitReader(ByteView view, size_t bitPos = 0) : view_(view), pos_(bitPos) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return view_.size() * 8 > pos_ ? view_.size() * 8 - pos_ : 0; }

    uint64_t U(unsigned width) {
        return Take(width) ? Advance(BitsMsb(view_, pos_, width), width) : 0;
    }
    int64_t S(unsigned width) { return SignExtend(U(width), width); }
    int64_t SignMag(unsigned width) { return SignMagnitude(U(width), width); }
    void Skip(unsigned width) {
        if (Take(width)) pos_ += width;
    }

  private:
    bool Take(unsigned width) {
        if (ok_ && HasBits(view_, pos_, width)) return true;
        ok_ = false;
        return false;
    }
    uint64_t Advance(uint64_t value, unsigned width) {
        pos_ += width;
        return value;
    }

    ByteView view_;
    size_t pos_;
    bool ok_ = true;
};

}  // namespace kestrin
