// The unpacked options of one conversion.
#pragma once

#include <cstdint>
#include <string>

namespace kestrin {

struct ConvertOptions {
    std::string fileTitle;       // input file name without folder and extension
    int32_t rinex3 = 1;          // 1 = RINEX 3.02, 0 = RINEX 2.10
    int32_t leica = 0;           // "Leica3.02" flavour
    int32_t brevak = 0;          // "Brevak2.10" / "Brevak3.02" flavour
    int32_t ionoCorrections = 1; // ionosphere / time-correction lines in navigation headers
    uint8_t systemMask = 63;     // bit i = export system index i
    int32_t phaseCenter = 1;     // antenna height reduced to the L1 phase centre
    int32_t singleFrequency = 0; // keep only band-1 signals
    int32_t mixedV302 = 0;       // long names and one mixed navigation file (RINEX 3 only)
    double interval = 0.0;       // requested output interval, seconds; 0 = every epoch
    int32_t* yearOverride = nullptr;  // year whose last two digits go into short names
    int32_t writeLli = 1;        // 0 = loss-of-lock digits written blank
    int32_t reserved13 = 0;      // copy of option bit 13, not used by the library
};

}  // namespace kestrin
