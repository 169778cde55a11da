// Galileo signal-in-space accuracy (SISA) index as broadcast, in metres as navigation records
// carry it: 0..49 in steps of 1 cm from 0, 50..74 in steps of 2 cm from 0.5 m, 75..99 in steps
// of 4 cm from 1 m, 100..125 in steps of 16 cm from 2 m. 255 ("no accuracy prediction
// available"), the spare indices 126..254 and anything outside 0..255 give -1.0.
#pragma once

namespace kestrin {

inline double SisaIndexToMeters(int index) {
    if (index < 0) return -1.0;
    if (index < 50) return index * 0.01;
    if (index < 75) return 0.5 + (index - 50) * 0.02;
    if (index < 100) return 1.0 + (index - 75) * 0.04;
    if (index < 126) return 2.0 + (index - 100) * 0.16;
    return -1.0;
}

}  // namespace kestrin
