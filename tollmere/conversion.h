// What the "Export" button does apart from the dialog: the option word of the controls, and
// the single-point step that writes a computed position into an observation header.
#pragma once

#include <cstdint>
#include <string>

namespace tollmere {

// The state of the option controls.
struct OptionControls {
    bool gps = true, glonass = true, beidou = true, sbas = true, qzss = true, galileo = true;
    bool singleFrequency = false;
    bool phaseCenter = true;
    bool ionoCorrections = true;
    bool mixedV302 = false;
    bool flagCycleSlip = true;
    bool singlePoint = false;
    int intervalIndex = 0;  // "Automatic"
    int versionIndex = 1;   // "Rinex3.02"
};

inline constexpr int32_t kSinglePointBit = 0x2000;

// Bits 0-5 of the six system boxes.
int32_t SystemMask(const OptionControls& c);
// The whole option word (the caller has refused an empty system mask and a missing version).
int32_t OptionWord(const OptionControls& c);

// The observation file a conversion wrote for base (output folder + input title): the first
// file of base's folder, in listing order, whose path contains base and ends in 'O' or 'o'.
bool FindObservationFile(std::string& base);

// The base of the single-point step: outputFolder + the input's name from its last separator,
// cut before the last period; empty when inputPath has no separator.
std::string ObservationBase(const std::string& inputPath, const std::string& outputFolder);

// Rewrites every "APPROX POSITION XYZ" line of the header in place. A line is replaced only
// by one of exactly its length; false (the file untouched from there on) otherwise.
bool WriteApproxPosition(const std::string& path, const double xyz[3]);

}  // namespace tollmere
