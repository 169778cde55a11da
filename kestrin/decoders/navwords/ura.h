// The GPS / QZSS user range accuracy index (0..15) as the upper bound in metres that
// navigation records carry; indices outside 0..15 give the "no accuracy" value 32767.
#pragma once

namespace kestrin {

inline double GpsUraMetres(int index) {
    static constexpr double kMetres[16] = {2.4,  3.4,   4.85,  6.85,  9.65,  13.65, 24.0,  48.0,
                                           96.0, 192.0, 384.0, 768.0, 1536., 3072., 6144., 32767.0};
    return index >= 0 && index < 16 ? kMetres[index] : 32767.0;
}

}  // namespace kestrin
