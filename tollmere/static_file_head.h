// The raw files of a folder as the main dialog lists them: the fields of their 512-byte static
// headers, and the texts of the list columns.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tollmere {

inline constexpr int kStaticHeaderSize = 512;

struct StaticFile_Head {
    std::string fileName;
    std::string headerText;
    int year = 0, month = 0, day = 0;
    std::string startTime, stopTime;
    double latitude = 0.0, longitude = 0.0;
    double height = 0.0;
    double antennaHeight = 0.0;
    uint8_t antennaNumber = 0;
    int64_t fileSize = 0;
};

// True when the extension after the last period is one of the raw-file kinds (any case).
bool IsRawFileName(const std::string& name);

// Reads the record of one file; nullopt when the file cannot be opened. A file without the
// header magic, shorter files included, gets the current local date and time.
std::optional<StaticFile_Head> ReadStaticFileHead(const std::string& path);

// Lists the raw files of a folder in enumeration order; nullopt when it cannot be listed.
std::optional<std::vector<StaticFile_Head>> ScanFolder(const std::string& folder);

// Column texts.
std::string FormatAntennaHeight(double metres);        // "%.3fM"
std::string FormatFileSize(int64_t bytes);             // "%dB", "%.3fK", "%.3fM"
std::string FormatDate(int year, int month, int day);  // "%d-%d-%d"
std::string FormatClock(const std::tm& local);         // "%d:%d:%d"

// Joins a folder and a name with one '/'.
std::string JoinPath(const std::string& folder, const std::string& name);
// The part of a path after its last '/' or '\'.
std::string FileNameOf(const std::string& path);

}  // namespace tollmere
