// Cycle-slip detection on the RINEX observation model: three tests over the carrier phases of
// every satellite whose wavelengths are known, marks in bit 0 of the phases' loss-of-lock
// values, and the marks carried into the file's own loss-of-lock digits.
#pragma once

#include <string>
#include <string_view>

#include "editing/rinex_obs_file.h"
#include "kestrin/kestrin.h"

namespace kestrin {

// Loads the file, marks its slips and writes the marks into it (beside it, renamed into
// place); every other character stays. 0 when the file cannot be loaded or written.
int DetectSlips(const std::string& path, KestrinNotifyTarget* window);

// Band-1/band-2 wavelengths of GPS and BDS satellites from the carrier frequencies of the
// phase codes each band holds (none when a band mixes carriers).
void FillCarrierWavelengths(RinexObsFile& model);
// Wavelengths of a GLONASS satellite from its frequency channel, estimated from the ratio of
// its pseudorange and phase; false for other satellites or an implausible channel.
bool EstimateGlonassWavelengths(RinexObsFile& model, const SatelliteData& sat);

void DopplerSlipTest(RinexObsFile& model, KestrinNotifyTarget* window);
void CodeCarrierSlipTest(RinexObsFile& model, KestrinNotifyTarget* window);
void TimeSeriesSlipTest(RinexObsFile& model, KestrinNotifyTarget* window);

// Sets bit 0 of the loss-of-lock digit of every marked phase in the file the model was read
// from; the rest of the file stays byte for byte. True when done (or nothing to change).
// The file is refused (false, unchanged) when a mark would change anything but a
// loss-of-lock digit, checked again on the finished copy byte for byte.
bool WriteSlipMarks(const std::string& path, const RinexObsFile& model);

// True when `after` differs from `before` only in loss-of-lock digits (a blank or digit in a
// loss-of-lock column that became a digit), or not at all.
bool OnlyLliDigitsChanged(std::string_view before, std::string_view after);

}  // namespace kestrin
