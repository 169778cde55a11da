#include "core/convert.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "core/gnss_time.h"
#include "core/static_header.h"
#include "decoders/registry.h"
#include "kestrin/records.h"

namespace kestrin {

double IntervalOfCode(int code) {
    static constexpr double kIntervals[12] = {0, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 20, 30, 60};
    return code >= 1 && code <= 11 ? kIntervals[code] : 0.0;
}

void UnpackOptionWord(int32_t word, ConvertOptions& options) {
    const uint32_t w = static_cast<uint32_t>(word);
    switch ((w >> KESTRIN_OPT_FLAVOUR_SHIFT) & 0xFFu) {
        case KESTRIN_FLAVOUR_RINEX210:
            options.rinex3 = 0, options.leica = 0, options.brevak = 0;
            break;
        case KESTRIN_FLAVOUR_LEICA302:
            options.rinex3 = 1, options.leica = 1, options.brevak = 0;
            break;
        case KESTRIN_FLAVOUR_BREVAK210:
            options.rinex3 = 0, options.leica = 0, options.brevak = 1;
            break;
        case KESTRIN_FLAVOUR_BREVAK302:
            options.rinex3 = 1, options.leica = 0, options.brevak = 1;
            break;
        default:
            options.rinex3 = 1, options.leica = 0, options.brevak = 0;
            break;  // 1, 5..255
    }
    options.interval = IntervalOfCode(static_cast<int>((w >> KESTRIN_OPT_INTERVAL_SHIFT) & 0xFFu));
    options.systemMask = static_cast<uint8_t>(w & KESTRIN_OPT_SYSTEM_MASK);
    options.singleFrequency = (w & KESTRIN_OPT_SINGLE_FREQUENCY) ? 1 : 0;
    options.phaseCenter = (w & KESTRIN_OPT_PHASE_CENTER) ? 1 : 0;
    options.ionoCorrections = (w & KESTRIN_OPT_IONO_CORRECTIONS) ? 1 : 0;
    options.mixedV302 = (w & KESTRIN_OPT_MIXED_V302) ? 1 : 0;
    options.writeLli = (w & KESTRIN_OPT_WRITE_LLI) ? 1 : 0;
    options.reserved13 = (w & KESTRIN_OPT_SINGLE_POINT) ? 1 : 0;
    if (options.rinex3 == 0) options.mixedV302 = 0;
}

InputLocation LocateInput(const std::string& inputPath) {
    InputLocation location;
    const size_t separator = inputPath.find_last_of("/\\");
    if (separator == std::string::npos) return location;
    location.leapTablePath = inputPath.substr(0, separator + 1) + "leap.sec";
    const std::string name = inputPath.substr(separator + 1);
    const size_t dot = name.rfind('.');
    location.fileTitle = dot == std::string::npos ? name : name.substr(0, dot);
    return location;
}

std::string FindExistingPath(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) == 0) return path;
    const size_t separator = path.find_last_of("/\\");
    const std::string folder = separator == std::string::npos ? "." : path.substr(0, separator + 1);
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    std::vector<std::string> matches;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (strcasecmp(entry.c_str(), name.c_str()) == 0) matches.push_back(entry);
    }
    if (matches.empty()) return path;
    std::sort(matches.begin(), matches.end());
    return separator == std::string::npos ? matches.front()
                                          : path.substr(0, separator + 1) + matches.front();
}

DecoderKind DecoderFor(int dataType) {
    if (dataType == 9) return DecoderKind::kRt17;
    if (dataType == 1 || dataType == 2 || dataType == 6) return DecoderKind::kOem;
    if (dataType == 4) return DecoderKind::kHemisphere;
    if (dataType == 3) return DecoderKind::kMulx;
    if (dataType == 7) return DecoderKind::kRtcm3;
    if (dataType == 8) return DecoderKind::kBinex;
    if (dataType == 10) return DecoderKind::kUbx;
    return DecoderKind::kNone;
}

int Convert(const char* inputPath, const char* outputFolder, ConvertOptions options,
            KestrinNotifyTarget* window) {
    if (!inputPath || !*inputPath) return 0;
    const std::string input(inputPath);
    const InputLocation location = LocateInput(input);
    // A missing or unreadable table keeps the one in use.
    if (!location.leapTablePath.empty()) LoadLeapTable(FindExistingPath(location.leapTablePath));
    options.fileTitle = location.fileTitle;
    if (!std::isfinite(options.interval) || options.interval < 0) options.interval = 0;

    HeaderInfo info;
    if (!ReadStaticHeader(input, info) || DecoderFor(info.dataType) == DecoderKind::kNone) {
        const int error = errno;
        struct stat st;
        const bool readable = ::stat(input.c_str(), &st) == 0 && ::access(input.c_str(), R_OK) == 0;
        if (window && window->notify) {
            window->notify(window->context, KESTRIN_MSG_FAILURE,
                           readable ? KESTRIN_FAILURE_FORMAT : KESTRIN_FAILURE_INPUT,
                           readable ? 0 : error);
        }
        return 0;
    }
    const std::string output = outputFolder ? outputFolder : "";
    return RunDecoder(info, options, window, input, output) != 0 ? 1 : 0;
}

}  // namespace kestrin
