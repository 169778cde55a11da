// Builders of binary test data: byte strings in either byte order and MSB-first bit fields.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace testsupport {

// Appends fixed-width numbers to a byte string, little-endian unless told otherwise.
class Bytes {
  public:
    explicit Bytes(bool bigEndian = false) : big_(bigEndian) {}

    Bytes& U8(uint64_t v) { return Int(v, 1); }
    Bytes& U16(uint64_t v) { return Int(v, 2); }
    Bytes& U24(uint64_t v) { return Int(v, 3); }
    Bytes& U32(uint64_t v) { return Int(v, 4); }
    Bytes& U64(uint64_t v) { return Int(v, 8); }
    Bytes& F32(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        return Int(bits, 4);
    }
    Bytes& F64(double d) {
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        return Int(bits, 8);
    }
    Bytes& Raw(std::string_view s) {
        data_.append(s);
        return *this;
    }
    // Text in a zero-padded field of width bytes (cut when longer).
    Bytes& Text(std::string_view s, size_t width) {
        std::string field(width, '\0');
        field.replace(0, std::min(width, s.size()), s.substr(0, width));
        data_ += field;
        return *this;
    }
    Bytes& Zeros(size_t count) {
        data_.append(count, '\0');
        return *this;
    }
    // Width bytes of v in this builder's byte order.
    Bytes& Int(uint64_t v, size_t width) {
        for (size_t i = 0; i < width; ++i) {
            const size_t shift = 8 * (big_ ? width - 1 - i : i);
            data_.push_back(static_cast<char>((v >> shift) & 0xFF));
        }
        return *this;
    }

    const std::string& str() const { return data_; }
    size_t size() const { return data_.size(); }
    operator std::string() const { return data_; }

  private:
    bool big_;
    std::string data_;
};

// Appends MSB-first bit fields (RTCM messages, navigation words); the last byte is padded
// with zero bits.
class BitWriter {
  public:
    BitWriter& U(uint64_t v, unsigned width) {
        for (unsigned i = width; i-- > 0;) Bit((v >> i) & 1u);
        return *this;
    }
    BitWriter& S(int64_t v, unsigned width) { return U(static_cast<uint64_t>(v), width); }
    // Sign-magnitude: top bit sign, the rest the magnitude.
    BitWriter& SignMag(int64_t v, unsigned width) {
        const uint64_t magnitude = static_cast<uint64_t>(v < 0 ? -v : v);
        Bit(v < 0);
        return U(magnitude, width - 1);
    }
    size_t bits() const { return bits_; }
    const std::string& str() const { return data_; }

  private:
    void Bit(bool b) {
        if (bits_ % 8 == 0) data_.push_back('\0');
        if (b) data_.back() = static_cast<char>(data_.back() | (0x80 >> (bits_ % 8)));
        ++bits_;
    }
    std::string data_;
    size_t bits_ = 0;
};

}  // namespace testsupport
