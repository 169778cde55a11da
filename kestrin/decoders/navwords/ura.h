// User range accuracy of the broadcast URA index (GPS, QZSS, SBAS; also used by boards for
// BeiDou) in metres: 2.4 m for index 0 up to 6144 m for index 14; index 15 and above give
// 32767 m (no accuracy prediction), a negative index 2.4 m.
#pragma once

namespace kestrin {

inline double UraIndexToMeters(int index) {
    constexpr double kMeters[16] = {2.4,  3.4,   4.85,  6.85,  9.65,   13.65,  24.0,   48.0,
                                    96.0, 192.0, 384.0, 768.0, 1536.0, 3072.0, 6144.0, 32767.0};
    if (index < 0) index = 0;
    if (index > 15) index = 15;
    return kMeters[index];
}

}  // namespace kestrin
