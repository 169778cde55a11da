// Raw static files for tests: a 512-byte static header with chosen fields in front of any
// board data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

struct StaticHeaderFields {
    bool magic = true;                          // "QVT-GPS " at offset 0
    std::string identification = ":A1234V1.0";  // continues the magic at offset 8 (45 bytes)
    int16_t formatCode = 0;                     // 0, 1000 or 1099
    int year = 2023, month = 9, day = 19;
    double latitude = 30.5, longitude = 114.25;  // in the unit of angleUnit
    uint8_t angleUnit = 1;                       // 0 = radians, other = degrees
    float height = 25.5f;                        // ellipsoidal, metres
    int16_t antennaHeightMm = 1500;
    std::string startTime = "08:00:00";
    std::string stopTime = "09:30:00";
    uint8_t antennaNumber = 1;
    std::string antennaType = "ANT-TEST";
    uint8_t measureMethod = 1;
    uint8_t geometryUnit = 1;  // 1 = 0.1 mm units, other = 0.1 m units
    int32_t radius = 1000, edgeHeight = 500, l1Offset = 800, l2Offset = 700;
    uint8_t stationKind = 0;  // 1 = rover
    std::string firmwareVersion = "FW1.23";
    std::string pointName = "ABCD-3";
    uint8_t methodMask = 0x1F;
    std::string receiverType = "RX-TEST";
};

// The 512 header bytes of the fields.
std::string StaticHeaderBytes(const StaticHeaderFields& fields);
// Writes header + data as dir/name and returns the path.
std::string WriteStaticFile(const std::string& dir, const std::string& name,
                            const StaticHeaderFields& fields, std::string_view data);
// Bytes of a file under the test-data folder (tests/data/<relative>); empty when missing.
std::string ReadTestData(const std::string& relative);

}  // namespace testsupport
