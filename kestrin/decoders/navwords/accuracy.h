// User range accuracy of the broadcast messages in metres: the URA index of GPS, QZSS and
// BDS, and the SISA index of Galileo.
#pragma once

namespace kestrin {

// URA index 0..15 in metres (index 15 and above: 32767, no accuracy prediction).
double UraMeters(int index);

// Galileo SISA index in metres: 0..49 in 1 cm steps, 50..74 in 2 cm steps from 0.5 m,
// 75..99 in 4 cm steps from 1 m, 100..125 in 16 cm steps from 2 m; -1 for "no accuracy
// prediction available" (255) and the spare values.
double SisaMeters(int index);

}  // namespace kestrin
