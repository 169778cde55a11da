// The 512-byte static file header in front of the board data of a raw static file:
// layout, validation, unpacking into HeaderInfo, and the antenna-height reduction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "decoders/byte_view.h"
#include "kestrin/records.h"

namespace kestrin {

constexpr size_t kStaticHeaderSize = 512;
constexpr std::string_view kStaticMagic = "QVT-GPS ";

// Field offsets of the header (integers little-endian; texts zero-padded). The editing
// services rewrite some of them in place.
namespace header {
constexpr size_t kMagic = 0;
constexpr size_t kIdentificationEnd = 53;          // magic + identification text: bytes 0..52
constexpr size_t kFormatCode = 53;                 // int16: 0, 1000 or 1099
constexpr size_t kDay = 58, kMonth = 59;           // uint8
constexpr size_t kYear = 60;                       // int16
constexpr size_t kLatitude = 80, kLongitude = 88;  // double
constexpr size_t kHeight = 96;                     // float, metres
constexpr size_t kAngleUnit = 104;                 // 0 = radians, other = degrees
constexpr size_t kAntennaHeightMm = 105;           // int16
constexpr size_t kStartTime = 107, kStopTime = 115, kTimeWidth = 8;
constexpr size_t kAntennaNumber = 123;
constexpr size_t kAntennaType = 125, kAntennaTypeWidth = 20;
constexpr size_t kMeasureMethod = 145;
constexpr size_t kGeometryUnit = 146;  // 1 = 0.1 mm units, other = 0.1 m
constexpr size_t kRadius = 147, kEdgeHeight = 151, kL1Offset = 155, kL2Offset = 159;  // int32
constexpr size_t kStationKind = 165;
constexpr size_t kFirmware = 166, kFirmwareWidth = 15;
constexpr size_t kPointName = 181, kPointNameWidth = 20;
constexpr size_t kMarkerWidth = 4;
constexpr size_t kSession = 186, kSessionWidth = 15;
constexpr size_t kMethodMask = 201;
constexpr size_t kReceiverType = 202, kReceiverTypeWidth = 20;
}  // namespace header

// Header format codes: L1/L2 offsets from the measuring edge (0, 1000) or the bottom (1099).
constexpr int kFormatEdge = 1000, kFormatBottom = 1099;
bool IsKnownFormatCode(int code);

// Antenna measuring methods (offset 145).
enum AntennaMethod : int {
    kToPhaseCenter = 0,
    kSlantToEdge = 1,
    kVerticalToEdge = 2,
    kSlantToTab = 3,
    kVerticalToBottom = 4,
};

// True when the header starts with the magic "QVT-GPS ".
bool IsStaticHeader(ByteView header);

// A zero-padded text field: the bytes up to the first zero, at most width.
std::string FieldText(ByteView header, size_t offset, size_t width);
// Blanks removed at both ends, then line feeds removed at both ends.
std::string TrimField(std::string_view text);
// The receiver number inside the identification text (bytes 0..52): the text between the
// first ":" and the next "V", without characters below "0" after its first, trimmed.
std::string ReceiverNumberOf(std::string_view identification);

// Fills info from a header that carries the magic; false when its format code is unknown.
bool UnpackStaticHeader(ByteView header, HeaderInfo& info);

// Reads the header of the file into info and detects the data type of its first 1 MiB;
// true when a data type was found. A file without the magic is sniffed from offset 0 and
// dated today; a file shorter than the header, or with an unknown format code, fails.
bool ReadStaticHeader(const std::string& path, HeaderInfo& info);

// block = latitude (deg), longitude (deg), height (m), X, Y, Z: fills X, Y, Z on GRS 80;
// all three 0 for coordinates out of range.
void GeodeticToEcef(std::array<double, 6>& block);

// Antenna height of a static file: its format code and antenna geometry (always read in
// units of 0.1 mm) applied to the measured height; 0 when the file is no static file.
double ComputeAntennaHeight(const std::string& path, double measuredHeight, int method,
                            int toPhaseCenter);
// kind 1: phase offsets from the measuring edge, 2: from the antenna bottom, 0: none.
// Returns the L1 phase-centre height (toPhaseCenter != 0) or the antenna-bottom height.
double AntennaHeightFormula(int kind, double measuredHeight, int method, double R, double H,
                            double L1, double L2, int toPhaseCenter);

// Today's local date.
void TodayLocal(int32_t& year, int32_t& month, int32_t& day);

}  // namespace kestrin
