// Framing of OEM binary logs (sync AA 44 12, header length, message length, CRC-32) for the
// tools that read or rewrite real recordings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tollmere::tools {

// Reflected CRC-32, polynomial 0xEDB88320, initial value 0, no final XOR.
inline uint32_t OemCrc32(const uint8_t* data, size_t length) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

template <typename T>
inline T ReadLe(const uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <typename T>
inline void WriteLe(uint8_t* p, T value) {
    std::memcpy(p, &value, sizeof value);
}

// One verified log inside a byte stream.
struct OemFrame {
    size_t offset = 0;
    size_t length = 0;  // header + body + 4 CRC bytes
    uint16_t messageId = 0;
    uint16_t week = 0;
    int32_t milliseconds = 0;
    uint8_t headerLength = 0;
};

// Finds the next frame at or after `from` whose CRC verifies; false when none is left.
inline bool NextOemFrame(const std::vector<uint8_t>& data, size_t from, OemFrame& frame) {
    for (size_t n = from; n + 28 <= data.size(); ++n) {
        if (data[n] != 0xAA || data[n + 1] != 0x44 || data[n + 2] != 0x12) continue;
        const size_t h = data[n + 3];
        const size_t m = ReadLe<uint16_t>(&data[n + 8]);
        if (h < 28 || n + h + m + 4 > data.size()) continue;
        if (OemCrc32(&data[n], h + m) != ReadLe<uint32_t>(&data[n + h + m])) continue;
        frame.offset = n;
        frame.length = h + m + 4;
        frame.headerLength = static_cast<uint8_t>(h);
        frame.messageId = ReadLe<uint16_t>(&data[n + 4]);
        frame.week = ReadLe<uint16_t>(&data[n + 14]);
        frame.milliseconds = ReadLe<int32_t>(&data[n + 16]);
        return true;
    }
    return false;
}

}  // namespace tollmere::tools
