#include "support/static_file.h"

#include <fstream>

#include "support/bytes.h"
#include "support/temp_dir.h"

namespace testsupport {

std::string StaticHeaderBytes(const StaticHeaderFields& f) {
    Bytes b;
    b.Text(f.magic ? "QVT-GPS " : "", 8)
        .Text(f.identification, 45)
        .U16(static_cast<uint16_t>(f.formatCode))
        .Zeros(3)
        .U8(f.day)
        .U8(f.month)
        .U16(static_cast<uint16_t>(f.year))
        .Zeros(18)
        .F64(f.latitude)
        .F64(f.longitude)
        .F32(f.height)
        .Zeros(4)
        .U8(f.angleUnit)
        .U16(static_cast<uint16_t>(f.antennaHeightMm))
        .Text(f.startTime, 8)
        .Text(f.stopTime, 8)
        .U8(f.antennaNumber)
        .Zeros(1)
        .Text(f.antennaType, 20)
        .U8(f.measureMethod)
        .U8(f.geometryUnit)
        .U32(static_cast<uint32_t>(f.radius))
        .U32(static_cast<uint32_t>(f.edgeHeight))
        .U32(static_cast<uint32_t>(f.l1Offset))
        .U32(static_cast<uint32_t>(f.l2Offset))
        .Zeros(2)
        .U8(f.stationKind)
        .Text(f.firmwareVersion, 15)
        .Text(f.pointName, 20)
        .U8(f.methodMask)
        .Text(f.receiverType, 20);
    std::string header = b.str();
    header.resize(512, '\0');
    return header;
}

std::string WriteStaticFile(const std::string& dir, const std::string& name,
                            const StaticHeaderFields& fields, std::string_view data) {
    const std::string path = dir + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string header = StaticHeaderBytes(fields);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return path;
}

std::string ReadTestData(const std::string& relative) {
    return ReadFile(std::string(TOLLMERE_TEST_DATA) + "/" + relative);
}

}  // namespace testsupport
