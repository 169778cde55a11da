// The in-memory RINEX observation file of the editing services: GPS, GLONASS and BDS
// observations of a RINEX 2 or 3 file on three bands per satellite, its header values, and
// where the loss-of-lock digit of every phase it holds stands in the file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kestrin/kestrin.h"
#include "kestrin/records.h"

namespace kestrin {

// Band of a block: 0 = band 1 (code band digit "1"), 1 = band 2 (digits "2" and "7"), 2 = any
// other band.
constexpr int kModelBands = 3;

struct CodeSlot {
    int kind = -1;  // 0 pseudorange, 1 phase, 2 Doppler, 3 strength; -1 no slot
    int band = 2;
    bool weak = false;  // "C" and "I" codes give way to the other codes of the band
};
CodeSlot ClassifyCode(std::string_view code);

// Where a phase's loss-of-lock digit stands: the line (its start and its length without
// line end) and the column. line = -1 when the phase did not come from the file.
struct LliSpot {
    int64_t lineStart = -1;
    uint32_t lineLength = 0;
    uint32_t column = 0;
};

class RinexObsFile {
  public:
    std::vector<OBSERVATIONS> epochs;
    HeaderInfo header;
    std::vector<std::string> gpsCodes, glonassCodes, bdsCodes;
    // Band-1 and band-2 carrier wavelength (m) per SatelliteIndex; 0 = unknown.
    std::vector<std::array<double, 2>> wavelengths =
        std::vector<std::array<double, 2>>(kSatelliteIndexCount);
    int systemsSeen = 0;  // bit 0 GPS, bit 1 GLONASS, bit 2 BDS
    // Damaged records passed over while reading (a missing or unreadable line): reading goes
    // on at the next epoch line.
    int skippedRecords = 0;
    // Per epoch and satellite: the spots of the phases held in blocks 0 and 1.
    std::vector<std::vector<std::array<LliSpot, 2>>> lliSpots;

    // Empties the model and loads the file; 0 for a name not ending in "O"/"o", a file that
    // cannot be opened, an unsupported version or a header without "END OF HEADER".
    // Progress (percent of the file read) goes to window.
    int Read(const std::string& path, KestrinNotifyTarget* window);
    // Writes the header and epochs as a RINEX 2.10 observation file; 1 on success.
    int Write(const std::string& path, KestrinNotifyTarget* window) const;

    void Clear();
    // The code list of a system code (GPS, GLONASS, BDS); null for any other.
    const std::vector<std::string>* CodesOf(int32_t sysCode) const;
};

// The one model of the library that ReadRinexFile, WriteRinexFile and DetectSlp share.
RinexObsFile& SharedRinexObsFile();

}  // namespace kestrin
