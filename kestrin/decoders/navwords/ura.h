// User range accuracy of the broadcast URA index (GPS, QZSS, SBAS; also used by boards for
// BeiDou) in metres, the upper bound that navigation records carry: 2.4 m for index 0 up to
// 6144 m for index 14; index 15 and any index outside 0..15 give 32767 m (no accuracy
// prediction).
#pragma once

namespace kestrin {

inline double UraIndexToMeters(int index) {
    static constexpr double kMeters[16] = {2.4,    3.4,    4.85,   6.85,   9.65,  13.65,
                                           24.0,   48.0,   96.0,   192.0,  384.0, 768.0,
                                           1536.0, 3072.0, 6144.0, 32767.0};
    return index >= 0 && index < 16 ? kMeters[index] : 32767.0;
}

}  // namespace kestrin
