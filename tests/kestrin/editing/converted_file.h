// A real OEM recording wrapped in a static header and converted to RINEX 2.10 in a test
// folder: the raw static file and the observation file written from it.
#pragma once

#include <string>

#include "support/static_file.h"
#include "support/temp_dir.h"

namespace editingtest {

struct ConvertedFile {
    std::string staticPath;       // the raw static file
    std::string observationPath;  // the observation file written from it; empty on failure
};

// Converts tests/data/novatel/oemv_200911218_part.gps (GPS L1/L2, GLONASS, 1 Hz) into dir,
// as RINEX 2.10 or 3.02, with loss-of-lock digits.
ConvertedFile ConvertRealRecording(const testsupport::TempDir& dir,
                                   const testsupport::StaticHeaderFields& fields,
                                   bool rinex3 = false);

}  // namespace editingtest
