// Reading RINEX 2.xx/3.xx observation and navigation files into the library's records.
#pragma once

#include "baldorn/baldorn.h"
#include "readers/records.h"

namespace baldorn {

class RinexReader {
  public:
    // Reads the header and up to maxEpochs observation epochs (maxEpochs <= 0: no limit).
    static int ReadObservationFile(const char* path, ObsFile& obsFile, int maxEpochs,
                                   BaldornNotifyTarget* progressWindow);
    // Appends the records of one navigation file to navFile.
    static int ReadNavigationFile(const char* path, NavFile& navFile,
                                  BaldornNotifyTarget* progressWindow);
};

// Fills a satellite's five slots from its observation text (16 columns per code).
void ParseSatelliteValues(std::string_view text, const std::vector<std::string>& codes,
                          int systemIndex, SatelliteData& sat);

}  // namespace baldorn
