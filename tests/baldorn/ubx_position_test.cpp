// End to end: a real u-blox recording converted to RINEX, then positioned from the converted
// observation and navigation files; the result must agree with the receiver's own solutions
// (UBX NAV-PVT) of the same span.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "baldorn/baldorn.h"
#include "decoders/byte_view.h"
#include "kestrin/kestrin.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

struct Ecef {
    double x = 0, y = 0, z = 0;
};

Ecef FromGeodetic(double latDeg, double lonDeg, double h) {
    const double a = 6378137.0, f = 1.0 / 298.257223563, e2 = f * (2.0 - f);
    const double lat = latDeg * M_PI / 180.0, lon = lonDeg * M_PI / 180.0;
    const double n = a / std::sqrt(1.0 - e2 * std::sin(lat) * std::sin(lat));
    return {(n + h) * std::cos(lat) * std::cos(lon), (n + h) * std::cos(lat) * std::sin(lon),
            (n * (1.0 - e2) + h) * std::sin(lat)};
}

// Mean of the receiver's NAV-PVT positions (class 01, ID 07: lon, lat in 1e-7 deg at payload
// offsets 24 and 28, height above the ellipsoid in mm at 32).
Ecef MeanReceiverPosition(const std::string& data, int& count) {
    Ecef sum;
    count = 0;
    const kestrin::ByteView all(data);
    for (size_t at = 0; at + 8 <= all.size();) {
        if (all.U8(at) != 0xB5 || all.U8(at + 1) != 0x62) {
            ++at;
            continue;
        }
        const size_t length = all.U16(at + 4);
        if (all.U8(at + 2) == 0x01 && all.U8(at + 3) == 0x07 && length >= 36) {
            const kestrin::ByteView p = all.Sub(at + 6, length);
            const Ecef e = FromGeodetic(p.I32(28) * 1e-7, p.I32(24) * 1e-7, p.I32(32) * 1e-3);
            sum.x += e.x;
            sum.y += e.y;
            sum.z += e.z;
            ++count;
        }
        at += length + 8;
    }
    if (count > 0) sum = {sum.x / count, sum.y / count, sum.z / count};
    return sum;
}

TEST(UbxPosition, ConvertedWalkAgreesWithTheReceiverSolution) {
    const std::string data = testsupport::ReadTestData("ubx/gnss_1730_1hz.ubx");
    ASSERT_FALSE(data.empty());
    int fixes = 0;
    const Ecef receiver = MeanReceiverPosition(data, fixes);
    ASSERT_GT(fixes, 100);

    testsupport::TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    testsupport::StaticHeaderFields fields;
    fields.year = 2025;
    fields.month = 8;
    fields.day = 28;
    const std::string path = testsupport::WriteStaticFile(in.path(), "walk.dat", fields, data);
    const int converted =
        ParseDataToRinexFormat(path.c_str(), out.path().c_str(), (1 << 24) | 0x163F, nullptr);
    unsetenv("TMPDIR");
    ASSERT_EQ(converted, 1);

    double xyz[3] = {0, 0, 0};
    ASSERT_EQ(SinglePosition(out.File("walk.25O").c_str(), xyz, nullptr), 1);
    const double dx = xyz[0] - receiver.x, dy = xyz[1] - receiver.y, dz = xyz[2] - receiver.z;
    // A walk of about 15 m, single-frequency code solutions with broadcast ionosphere.
    EXPECT_LT(std::sqrt(dx * dx + dy * dy + dz * dz), 10.0)
        << xyz[0] << " " << xyz[1] << " " << xyz[2];
}

}  // namespace
