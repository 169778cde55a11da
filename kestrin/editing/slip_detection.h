// Cycle-slip detection on the RINEX observation model. Detection only reads the model and
// returns the slips it found (per satellite and band: the epoch and the test that fired);
// marking sets bit 0 of the phases' loss-of-lock values, and WriteSlipMarks carries the marks
// into the file's own loss-of-lock digits.
//
// Each satellite's epochs form arcs; an arc restarts after a gap of more than a few sampling
// intervals, at an epoch that is out of order, or where the receiver already flagged a loss
// of lock. Satellites with phases on two bands are tested with the geometry-free combination
// (the next value predicted from a line through the last few, the limit scaled with the
// interval and the noise of the residuals) and the Melbourne-Wuebbena combination (running
// mean and spread of the arc); a jump counts as a slip when the next epoch stays at the new
// level, as an outlier (not marked) when it returns. Phases on one band are tested with the
// code-minus-carrier difference and, at intervals of a few seconds, with the phase change the
// Doppler predicts (common receiver-clock part removed over the epoch's satellites).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "editing/rinex_obs_file.h"
#include "kestrin/kestrin.h"

namespace kestrin {

enum class SlipTest { kGeometryFree, kMelbourneWuebbena, kCodeCarrier, kDoppler };

// "geometry-free", "Melbourne-Wuebbena", "code-minus-carrier" or "Doppler".
const char* SlipTestName(SlipTest test);

// One slip: the phase of block `band` (0 band 1, 1 band 2) of satellite `satellite` of epoch
// `epoch` of the model (indices into RinexObsFile::epochs and OBSERVATIONS::sats).
struct CycleSlip {
    size_t epoch = 0;
    size_t satellite = 0;
    int band = 0;
    SlipTest test = SlipTest::kGeometryFree;
};

// The cycle slips of every satellite of the model whose wavelengths are known, in epoch order
// (within an epoch by satellite, then band). Phases the file already flags are not reported.
// The model is not changed. Progress (percent of the satellites done) goes to window.
std::vector<CycleSlip> FindCycleSlips(const RinexObsFile& model, KestrinNotifyTarget* window);

// Sets bit 0 of the loss-of-lock value of every slip's phase; bits already set stay.
void MarkCycleSlips(RinexObsFile& model, const std::vector<CycleSlip>& slips);

// Loads the file into the library's shared model, finds its slips (into `found` when given)
// and, when `write` is set, marks them and writes the marks into the file (beside it, renamed
// into place; every other character stays). 0 when the file cannot be loaded or written; a
// dry run never writes.
int DetectSlips(const std::string& path, KestrinNotifyTarget* window, bool write = true,
                std::vector<CycleSlip>* found = nullptr);

// Band-1/band-2 wavelengths of GPS and BDS satellites from the carrier frequencies of the
// phase codes each band holds (none when a band mixes carriers).
void FillCarrierWavelengths(RinexObsFile& model);
// Wavelengths of a GLONASS satellite from its frequency channel (the one the file states, else
// one estimated from the ratio of its pseudorange and phase); false for other satellites or
// an implausible channel.
bool GlonassWavelengths(const SatelliteData& sat, std::array<double, 2>& wavelengths);
// The same, stored into the model's table.
bool EstimateGlonassWavelengths(RinexObsFile& model, const SatelliteData& sat);

// Sets bit 0 of the loss-of-lock digit of every marked phase in the file the model was read
// from; the rest of the file stays byte for byte. True when done (or nothing to change).
// The file is refused (false, unchanged) when a mark would change anything but a
// loss-of-lock digit, checked again on the finished copy byte for byte.
bool WriteSlipMarks(const std::string& path, const RinexObsFile& model);

// True when `after` differs from `before` only in loss-of-lock digits (a blank or digit in a
// loss-of-lock column that became a digit), or not at all.
bool OnlyLliDigitsChanged(std::string_view before, std::string_view after);

}  // namespace kestrin
