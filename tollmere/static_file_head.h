// The raw files of a folder as the main dialog lists them: the fields of their 512-byte static
// headers, and the texts of the list columns.
#pragma once

#include <cstddef>
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
    // Fields beyond the scan's own: the header's measuring method (-1 without a header) and
    // point name, and why the file cannot be read as a recording.
    bool hasHeader = false;
    int measureMethod = -1;
    std::string pointName;
    enum class Problem { None, NotRegular, Unreadable } problem = Problem::None;
    int problemErrno = 0;
};

// What the first bytes of a file say about it before a conversion.
struct InputCheck {
    enum class Kind {
        Recording,        // a regular file with data (with or without a header)
        Missing,          // vanished
        NotRegular,       // a FIFO, device, socket or folder
        Unreadable,       // open or read failed (error)
        Empty,            // zero bytes
        TruncatedHeader,  // the magic, but fewer than 512 bytes (got)
        UnknownCode,      // a header whose format code is not 0, 1000 or 1099 (formatCode)
        HeaderOnly,       // a header and nothing behind it
    } kind = Kind::Recording;
    bool hasHeader = false;
    int error = 0;
    int64_t got = 0;
    int formatCode = 0;
};

// Reads up to size bytes from the start of a regular file without blocking; -1 (errno set,
// ENODEV for a pipe, device or folder) when it cannot.
long ReadFilePrefix(const std::string& path, unsigned char* bytes, size_t size);

// Reads at most the first 513 bytes without ever blocking: a FIFO or device is refused
// before it is read.
InputCheck CheckInput(const std::string& path);

// True when the extension after the last period is one of the raw-file kinds (any case).
bool IsRawFileName(const std::string& name);

// Reads the record of one file; nullopt when it does not exist (any more). Only the first 512
// bytes are read, never blocking: a FIFO, device or unreadable file is listed with its
// problem. A file without the header magic, shorter files included, gets the current local
// date and time.
std::optional<StaticFile_Head> ReadStaticFileHead(const std::string& path);

// Lists the raw files of a folder in enumeration order; nullopt when it cannot be listed.
// Safe to run on any thread.
std::optional<std::vector<StaticFile_Head>> ScanFolder(const std::string& folder);

// Column texts.
std::string FormatDate(int year, int month, int day);  // "%d-%d-%d"
std::string FormatClock(const std::tm& local);         // "%d:%d:%d"

// Joins a folder and a name with one '/'.
std::string JoinPath(const std::string& folder, const std::string& name);
// The part of a path after its last '/' or '\'.
std::string FileNameOf(const std::string& path);

}  // namespace tollmere
