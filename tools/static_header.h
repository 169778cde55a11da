// Builds the 512-byte static header that precedes the board data of a raw static recording.
// Shared by the sample maker, the benchmark data tool, the fuzz target and the command-line
// tests, which all wrap real board streams in a header of their own.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace tollmere::tools {

struct StaticHeaderFields {
    std::string receiverNumber = "0001";
    std::string version = "1.0";
    int16_t formatCode = 0;  // 0, 1000 or 1099
    int year = 2000, month = 1, day = 1;
    double latitudeDeg = 0.0, longitudeDeg = 0.0;
    float height = 0.0f;          // ellipsoidal height, m
    int16_t antennaHeightMm = 0;  // measured antenna height
    std::string startTime = "00:00:00", stopTime = "00:00:00";
    uint8_t antennaNumber = 0;
    std::string antennaType;
    uint8_t measureMethod = 0;  // 0 = height to the phase centre
    uint8_t stationKind = 0;    // 1 rover, other base
    std::string firmwareVersion;
    std::string pointName = "SITE-1";  // 4-character marker, separator, session number
    uint8_t methodMask = 0x1F;
    std::string receiverType;
};

inline void PutText(std::array<uint8_t, 512>& header, size_t offset, size_t width,
                    const std::string& text) {
    std::memcpy(header.data() + offset, text.data(), std::min(width, text.size()));
}

template <typename T>
inline void PutValue(std::array<uint8_t, 512>& header, size_t offset, T value) {
    std::memcpy(header.data() + offset, &value, sizeof value);  // little-endian host
}

inline std::array<uint8_t, 512> BuildStaticHeader(const StaticHeaderFields& f) {
    std::array<uint8_t, 512> h{};
    PutText(h, 0, 8, "QVT-GPS ");
    PutText(h, 8, 45, "SN:" + f.receiverNumber + " V" + f.version);
    PutValue<int16_t>(h, 53, f.formatCode);
    h[58] = static_cast<uint8_t>(f.day);
    h[59] = static_cast<uint8_t>(f.month);
    PutValue<int16_t>(h, 60, static_cast<int16_t>(f.year));
    PutValue<double>(h, 80, f.latitudeDeg);
    PutValue<double>(h, 88, f.longitudeDeg);
    PutValue<float>(h, 96, f.height);
    h[104] = 1;  // angles in degrees
    PutValue<int16_t>(h, 105, f.antennaHeightMm);
    PutText(h, 107, 8, f.startTime);
    PutText(h, 115, 8, f.stopTime);
    h[123] = f.antennaNumber;
    PutText(h, 125, 20, f.antennaType);
    h[145] = f.measureMethod;
    h[146] = 1;  // antenna geometry in 0.1 mm; radius, edge and offsets stay 0
    h[165] = f.stationKind;
    PutText(h, 166, 15, f.firmwareVersion);
    PutText(h, 181, 20, f.pointName);
    h[201] = f.methodMask;
    PutText(h, 202, 20, f.receiverType);
    return h;
}

}  // namespace tollmere::tools
