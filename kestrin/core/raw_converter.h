// The writer object every decoder owns: conversion options, the header information, the
// temporary files that collect record text while the data are decoded, the epoch buffer
// bookkeeping (interval, first and last epoch), events and site segments.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/options.h"
#include "kestrin/records.h"

namespace kestrin {

struct AlmanacRecord;  // rinex/nav_records.h
class OutputSet;       // rinex/final_file.h

// Indices of the seven temporary files.
enum TempFileIndex : int {
    kTempObs = 0,     // "_TEMP.O" observation records
    kTempGpsNav = 1,  // "_TEMP.N" GPS navigation records (every system with mixedV302)
    kTempGlonassNav,  // "_TEMP.G"
    kTempBdsNav,      // "_TEMP.C"
    kTempGalileoNav,  // "_TEMP.L"
    kTempSbasNav,     // "_TEMP.H"
    kTempQzssNav,     // "_TEMP.Q"
    kTempFileCount
};

// Suffixes of the temporary files, by TempFileIndex.
extern const char* const kTempSuffixes[kTempFileCount];

// The navigation block a decoder owns for one conversion: the ionosphere / UTC sets
// (0 GPS, 1 BDS, 2 QZSS, 3 Galileo) and its epoch list.
struct NavigationBlock {
    std::array<IonoUtcParams, kIonoSets> iono{};
    std::vector<OBSERVATIONS> epochs;
};

// Epoch-buffer thresholds of the flush rule.
constexpr size_t kFirstBlockEpochs = 501;
constexpr size_t kNextBlockEpochs = 31;
// Epochs an open site occupation may hold back in the buffer before it is started without
// knowing its end (keeps the memory of a conversion bounded).
constexpr size_t kMaxHeldEpochs = 3600;
// startEpoch of a segment whose new-site text has been written before its end was known.
constexpr int32_t kOccupationStarted = -2;

class RawConverter {
  public:
    RawConverter();
    ~RawConverter();
    RawConverter(const RawConverter&) = delete;
    RawConverter& operator=(const RawConverter&) = delete;

    // --- Temporary files -----------------------------------------------------------------

    // Resets the per-conversion state, creates a private temporary folder and opens the seven
    // temporary files in it. False when the folder or a file cannot be created; the caller
    // then calls CloseTempFiles, which removes whatever was created.
    bool OpenTempFiles();
    // Closes and deletes the temporary files and the side files, removes the private folder
    // with everything in it and empties the code lists, segments and events. Safe to call
    // at any time, also repeatedly.
    void CloseTempFiles();
    // The private temporary folder of the running conversion (with a trailing '/'), empty
    // when none is open. Decoders create their side files (smsTempPath, almanacTempPath)
    // here, as TempPath(".._TEMP.ems") etc.
    const std::string& TempFolder() const { return tempFolder_; }
    // TempFolder() + options.fileTitle + suffix; empty when no folder is open.
    std::string TempPath(const std::string& suffix) const;
    // Appends text to one temporary file; false when it is not open or the write failed.
    bool AppendTempText(int index, const std::string& text);
    // Size in bytes of a temporary file's content; 0 when it is not open.
    long TempFileSize(int index);
    // True once a write to the temporary file has failed in this conversion (a full disk):
    // its content is then incomplete and no final file is made from it.
    bool TempFileFailed(int index) const;
    // Copies the whole content of a temporary file to `out`; false on a read or write error.
    bool CopyTempFile(int index, std::FILE* out);

    // --- Epoch pipeline ------------------------------------------------------------------

    // The flush rule, checked by a decoder after every decoded message.
    void FlushEpochs(const HeaderInfo& decoderInfo, AfterTreatment& currentSegment,
                     std::vector<OBSERVATIONS>& epochs);
    // Thins, filters and formats the buffered epochs, places the site and event records,
    // appends the text to the observation temporary file, removes the written epochs from
    // the buffer and returns the text. Epochs from the start of a site occupation whose end
    // is not yet known stay in the buffer. With lastBlock (the final call at the end of the
    // data, also with an empty buffer) nothing is held back: an occupation still open is
    // started and its epochs are written, and events later than the last epoch are written
    // at the end.
    std::string WriteEpochBlock(std::vector<OBSERVATIONS>& epochs, bool lastBlock = false);
    double DetectInterval(const std::vector<OBSERVATIONS>& epochs) const;
    GnssTime FirstAlignedEpoch(const std::vector<OBSERVATIONS>& epochs);
    bool DropByInterval(const GnssTime& epochTime);  // true = do not write
    void FilterSystems(OBSERVATIONS& epoch) const;
    void KeepBandOne(OBSERVATIONS& epoch) const;
    void BuildCodeLists();
    static void SortSatellites(std::vector<SatelliteData>& sats);
    // Number of epochs written to the observation temporary file in this conversion.
    long EpochsWritten() const { return epochsWritten_; }

    // --- Why a conversion failed ---------------------------------------------------------

    // Keeps the first reason (KESTRIN_FAILURE_*) and system error number of this conversion.
    void NoteFailure(int reason, int error);
    int FailureReason() const { return failureReason_; }
    int FailureError() const { return failureError_; }

    // --- Record formatters ---------------------------------------------------------------

    std::string FormatEpoch210(OBSERVATIONS epoch) const;
    std::string FormatEpoch302(OBSERVATIONS epoch) const;
    // In-stream site record at buffer[offset]; 0 = incomplete, 1 = CRC mismatch, otherwise
    // the record length.
    int ParseSiteRecord(const uint8_t* buffer, int fill, int offset, int epochCount,
                        AfterTreatment& currentSegment);
    std::string FormatSiteOccupation(const AfterTreatment& segment, int kind) const;
    std::string FormatEventRecord(const EventMark& event) const;

    // --- Output files --------------------------------------------------------------------

    // Writes the observation file at `path`: header from `info` and the writer state, then the
    // records of the observation temporary file. False when the file could not be written
    // completely, or when there are no records; in both cases no file is left at `path`.
    bool WriteObsFile(const std::string& path);

    // Navigation record writers: format, file (AppendNavText) and return one record; empty
    // when nothing is written.
    std::string WriteKeplerNavRecord(const KeplerEphemeris& eph);
    std::string WriteGlonassNavRecord(const gEphemeris& eph);
    void AppendNavText(const std::string& text, int32_t sysCode);
    // One almanac record for the almanac side file in the conversion's version; empty when
    // its system is not selected. Writes nothing.
    std::string FormatAlmanacRecord(const AlmanacRecord& alm) const;
    // Names and writes the final files of the conversion, all of them or none: every file is
    // written under a hidden name first and renamed into place once all are complete.
    // `published` is called with the path of each file in place. False (with the reason
    // noted) when a temporary file lost records or an output file could not be written; the
    // output folder is then as it was.
    bool WriteOutputFiles(const std::string& basePath, const NavigationBlock* navBlock,
                          const std::function<void(const std::string&)>& published = {});

    // --- State ---------------------------------------------------------------------------

    HeaderInfo info;
    std::string smsTempPath;      // SBAS message side file; empty = none
    std::string almanacTempPath;  // almanac side file; empty = none
    std::vector<AfterTreatment> segments;
    std::vector<EventMark> events;
    int32_t leapSeconds = 0;  // GPS - UTC for the headers; 0 = not yet known
    int32_t firstBlockDone = 0;
    ConvertOptions options;
    GnssTime firstEpoch;     // aligned first written epoch; year 0 = not yet known
    GnssTime lastEpoch;      // last epoch kept by the thinning
    GnssTime thinReference;  // epoch from which the thinning measures
    double detectedInterval = 0.0;
    double outputInterval = 0.0;
    double tolerance = 0.0;
    std::array<std::string, kTempFileCount> tempNames;
    std::array<std::FILE*, kTempFileCount> tempFiles{};
    std::array<std::vector<std::string>, kSystemCount> codesInUse;
    std::array<GnssTime, kSatelliteIndexCount> lastNavEpoch{};
    // Galileo I/NAV records are repeats only of I/NAV records: a satellite's F/NAV and I/NAV
    // sets of the same epoch are both written.
    std::array<GnssTime, kSatelliteIndexCount> lastInavEpoch{};

  private:
    bool StageObsFile(OutputSet& outputs, const std::string& path, int* error);

    std::string tempFolder_;
    long epochsWritten_ = 0;
    int failureReason_ = 0;
    int failureError_ = 0;
    std::array<bool, kTempFileCount> tempFailed_{};
};

}  // namespace kestrin
