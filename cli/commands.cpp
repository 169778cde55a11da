#include "commands.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include "baldorn/baldorn.h"
#include "kestrin/kestrin.h"
#include "options.h"
#include "report.h"

namespace fs = std::filesystem;

namespace tollmere::cli {

namespace {

constexpr size_t kStaticHeaderSize = 512;
constexpr char kStaticMagic[] = "QVT-GPS ";
constexpr double kMaxHeight = 32.767;  // the header keeps millimetres in a signed 16-bit field

// A command line of one of the file commands: options (with or without a value) and files.
struct Arguments {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> files;
    bool help = false;
    std::string error;
};

Arguments ParseArguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
                         const std::set<std::string>& valued) {
    Arguments parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = equals == std::string::npos ? arg : arg.substr(0, equals);
        if (flags.count(name) != 0 && equals == std::string::npos) {
            parsed.flags.insert(name);
        } else if (valued.count(name) != 0) {
            if (equals != std::string::npos) {
                parsed.values[name] = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                parsed.values[name] = args[++i];
            } else {
                parsed.error = "option " + name + " needs a value";
                return parsed;
            }
        } else {
            parsed.error = flags.count(name) != 0 ? "option " + name + " takes no value"
                                                  : "unknown option " + name;
            return parsed;
        }
    }
    return parsed;
}

int Usage(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "tollmere-cli: %s: %s\nTry 'tollmere-cli %s --help'.\n",
                 command.c_str(), message.c_str(), command.c_str());
    return kExitUsage;
}

void Fail(const Console& console, const std::string& path, const std::string& reason) {
    std::fprintf(console.err, "tollmere-cli: %s: %s\n", path.c_str(), reason.c_str());
}

// Why a path cannot be read as a file; empty when it can.
std::string ReadableFileProblem(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return "no such file";
    if (fs::is_directory(status)) return "is a folder, not a file";
    if (!fs::is_regular_file(status)) return "not a regular file";
    // Opened without waiting, in case a FIFO took the file's place since the check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::string("cannot read the file: ") + std::strerror(errno);
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular ? std::string() : "not a regular file";
}

bool EndsInO(const std::string& path) {
    return !path.empty() && (path.back() == 'o' || path.back() == 'O');
}

// Why a file is not a RINEX observation file (its first record names the type); empty when
// it is one.
std::string ObservationFileProblem(const std::string& path) {
    std::string problem = ReadableFileProblem(path);
    if (!problem.empty()) return problem;
    std::ifstream in(path, std::ios::binary);
    char first[81] = {};
    in.read(first, 80);
    const std::string line(first, static_cast<size_t>(in.gcount()));
    if (!NamesObservationData(line)) {
        return line.rfind(kStaticMagic, 0) == 0
                   ? "a raw static file, not a RINEX observation file"
                   : "not a RINEX observation file";
    }
    return {};
}

// The 512-byte static header of a file, or the reason there is none.
std::string ReadStaticHeader(const std::string& path, unsigned char (&header)[kStaticHeaderSize]) {
    std::string problem = ReadableFileProblem(path);
    if (!problem.empty()) return problem;
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(header), kStaticHeaderSize);
    const auto got = static_cast<size_t>(in.gcount());
    if (got < 8 || std::memcmp(header, kStaticMagic, 8) != 0) {
        return ObservationFileProblem(path).empty()
                   ? "a RINEX observation file, not a raw static file"
                   : "not a static file (no static header)";
    }
    if (got < kStaticHeaderSize) {
        return "the static header is truncated (" + std::to_string(got) + " of 512 bytes)";
    }
    return {};
}

std::string Trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return {};
    return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

std::string MethodText(int method) {
    if (method >= 0 && method <= 4) {
        return std::to_string(method) + " (" + kMethodNames[method] + ")";
    }
    return std::to_string(method);
}

int DayOfYear(int year, int month, int day) {
    static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12) return day;
    return kBefore[month - 1] + day + (leap && month > 2 ? 1 : 0);
}

// Renames without replacing an existing file.
bool RenameNoReplace(const std::string& from, const std::string& to, int& error) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    error = errno;
    if (error != EINVAL && error != ENOSYS) return false;
    // File systems without that rename: a hard link cannot replace a file either.
    if (::link(from.c_str(), to.c_str()) != 0) {
        error = errno;
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

// Phases whose loss-of-lock value has bit 0 set, over the whole file; -1 when it cannot be
// loaded.
long MarkedPhases(const std::string& path) {
    HeaderInfo* header = nullptr;
    std::vector<OBSERVATIONS>* epochs = nullptr;
    if (ReadRinexFile(path.c_str(), nullptr, &header, &epochs) == 0 || epochs == nullptr) {
        return -1;
    }
    long marked = 0;
    for (const OBSERVATIONS& epoch : *epochs) {
        for (const SatelliteData& satellite : epoch.sats) {
            for (const BlockData& block : satellite.blocks) {
                marked += block.carrierPhase != 0.0 && (block.lli & 1u) != 0;
            }
        }
    }
    return marked;
}

// The point ANTENNA: DELTA H of a RINEX observation header reaches, from the header's
// antenna-height comment.
std::string HeightReference(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    for (int n = 0; n < 500 && std::getline(in, line); ++n) {
        if (line.find("END OF HEADER") != std::string::npos) break;
        if (line.find("COMMENT") == std::string::npos) continue;
        if (line.find("from mark to PHASE CENTER") != std::string::npos)
            return "to the L1 phase centre (an antenna calibration must not add the offset again)";
        if (line.find("from mark to ANTENNA BOTTOM") != std::string::npos)
            return "to the antenna bottom (antenna reference point)";
    }
    return "reference not stated (RINEX: the antenna reference point)";
}

}  // namespace

int MethodNumber(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '4') return text[0] - '0';
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (int i = 0; i < 5; ++i) {
        if (lower == kMethodNames[i]) return i;
    }
    return -1;
}

bool IsTimeText(const std::string& text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return false;
    for (size_t i : {0, 1, 3, 4, 6, 7}) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return std::atoi(text.substr(0, 2).c_str()) < 24 && text[3] < '6' && text[6] < '6';
}

namespace {

// The stem of a file name taken from file contents: path separators and control characters
// become '_', and so does a dot that leads, follows a dot or ends the stem, so that the name
// never leaves its folder, goes up or hides.
std::string SafeStem(std::string stem) {
    for (size_t i = 0; i < stem.size(); ++i) {
        char& c = stem[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7f) c = '_';
        if (c == '.' && (i == 0 || stem[i - 1] == '.' || i + 1 == stem.size())) c = '_';
    }
    return stem;
}

}  // namespace

std::string EditorFileName(const std::string& path, const std::string& pointName, int year,
                           int month, int day) {
    std::string name = pointName;
    while (name.size() < 4) name += '0';
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", DayOfYear(year, month, day) % 1000);
    name += digits;
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1)) {
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(path[dot - 1])));
    }
    return SafeStem(name) + ".dat";
}

int RunPositionCommand(const std::vector<std::string>& args, const Console& console) {
    const Arguments parsed = ParseArguments(args, {"--write"}, {});
    if (!parsed.error.empty()) return Usage("position", parsed.error);
    if (parsed.help) {
        std::fputs(HelpText().c_str(), console.out);
        return 0;
    }
    if (parsed.files.empty()) return Usage("position", "no observation file given");
    const bool write = parsed.flags.count("--write") != 0;
    int failed = 0;
    for (const std::string& path : parsed.files) {
        std::string problem = ObservationFileProblem(path);
        if (problem.empty() && write && !EndsInO(path)) {
            problem = "--write needs an observation file whose name ends in O or o";
        }
        double xyz[3] = {0, 0, 0};
        if (problem.empty() && SinglePosition(path.c_str(), xyz, nullptr) == 0) {
            problem = "no position could be computed (too few usable satellites, or no "
                      "navigation file beside it)";
        }
        if (problem.empty() && write && ModifyStationCoord(path.c_str(), xyz) == 0) {
            problem = "the position was computed but the header could not be rewritten";
        }
        if (!problem.empty()) {
            Fail(console, path, problem);
            ++failed;
            continue;
        }
        double latitude = 0, longitude = 0, height = 0;
        EcefToGeodetic(xyz, latitude, longitude, height);
        std::fprintf(console.out,
                     "%s\n  X Y Z (m)          %14.4f %14.4f %14.4f\n"
                     "  lat lon (deg) h (m) %14.9f %14.9f %14.4f\n",
                     path.c_str(), xyz[0], xyz[1], xyz[2], latitude, longitude, height);
        if (write) std::fprintf(console.out, "  written as APPROX POSITION XYZ\n");
    }
    return failed == 0 ? 0 : 1;
}

int RunInfoCommand(const std::vector<std::string>& args, const Console& console) {
    const Arguments parsed = ParseArguments(args, {}, {});
    if (!parsed.error.empty()) return Usage("info", parsed.error);
    if (parsed.help) {
        std::fputs(HelpText().c_str(), console.out);
        return 0;
    }
    if (parsed.files.empty()) return Usage("info", "no file given");
    int failed = 0;
    for (const std::string& path : parsed.files) {
        const bool rinex = EndsInO(path);
        std::string problem = rinex ? ObservationFileProblem(path) : ReadableFileProblem(path);
        char first[KESTRIN_TEXT_CAPACITY], last[KESTRIN_TEXT_CAPACITY],
            marker[KESTRIN_TEXT_CAPACITY], receiver[KESTRIN_TEXT_CAPACITY],
            antenna[KESTRIN_TEXT_CAPACITY];
        int antennaNumber = 0, method = 0;
        double measured = 0, deltaH = 0, r = 0, h = 0, l1 = 0, l2 = 0, xyz[3] = {0, 0, 0};
        if (problem.empty() &&
            ReadHeadInfo(path.c_str(), first, last, marker, receiver, antenna, &antennaNumber,
                         &measured, &method, &deltaH, &r, &h, &l1, &l2, &xyz[0], &xyz[1],
                         &xyz[2]) == 0) {
            problem = !rinex && ObservationFileProblem(path).empty()
                          ? "a RINEX observation file is read as one only when its name ends "
                            "in O or o"
                          : "not a static file (no static header, or an unknown header format "
                            "code)";
        }
        if (!problem.empty()) {
            Fail(console, path, problem);
            ++failed;
            continue;
        }
        std::fprintf(console.out, "%s (%s)\n", path.c_str(),
                     rinex ? "RINEX observation file" : "static file");
        std::fprintf(console.out, "  marker name        %s\n", marker);
        std::fprintf(console.out, "  receiver           %s\n", Trimmed(receiver).c_str());
        std::fprintf(console.out, "  antenna            %s (number %d)\n",
                     Trimmed(antenna).c_str(), antennaNumber);
        std::fprintf(console.out, "  first observation  %s\n", Trimmed(first).c_str());
        std::fprintf(console.out, "  last observation   %s\n", Trimmed(last).c_str());
        std::fprintf(console.out, "  position X Y Z (m) %.4f %.4f %.4f\n", xyz[0], xyz[1],
                     xyz[2]);
        std::fprintf(console.out, "  antenna height     %.4f m measured, method %s\n", measured,
                     MethodText(method).c_str());
        if (rinex) {
            std::fprintf(console.out, "  antenna dH         %.4f m, %s\n", deltaH,
                         HeightReference(path).c_str());
        } else {
            std::fprintf(console.out, "  phase centre (dH)  %.4f m\n", deltaH);
            std::fprintf(console.out,
                         "  antenna bottom     %.4f m (the dH written with --no-phase-center)\n",
                         CorrectAntennaHgt(path.c_str(), method, measured, 0));
        }
        std::fprintf(console.out, "  antenna R H L1 L2  %.4f %.4f %.4f %.4f m\n", r, h, l1, l2);
    }
    return failed == 0 ? 0 : 1;
}

namespace {

// The checked values of an antenna command.
struct AntennaEdit {
    std::string path;
    bool antenna = false;  // height, method or point name given
    double height = 0;
    int method = 0;
    std::string point;
    std::string start, stop;
    bool rename = false;
    bool bottom = false;
};

// Reads the edit from the command line; returns the usage error or empty.
std::string ParseAntennaEdit(const Arguments& parsed, AntennaEdit& edit,
                             std::set<std::string>& given) {
    if (parsed.files.size() != 1) return "antenna takes exactly one FILE";
    edit.path = parsed.files.front();
    for (const auto& [name, value] : parsed.values) given.insert(name);
    if (given.empty()) return "nothing to change: give --height, --method, --point, --start or --stop";
    if (given.count("--height") != 0) {
        const std::string& text = parsed.values.at("--height");
        char* end = nullptr;
        edit.height = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(edit.height)) {
            return "--height takes a number of metres, not \"" + text + "\"";
        }
        if (edit.height < 0 || edit.height > kMaxHeight) {
            return "--height " + text + " is outside the header's range 0 to 32.767 m";
        }
    }
    if (given.count("--method") != 0) {
        edit.method = MethodNumber(parsed.values.at("--method"));
        if (edit.method < 0) {
            return "unknown method \"" + parsed.values.at("--method") +
                   "\" (use 0-4 or phase-center|slant|vertical|altimetry|bottom)";
        }
    }
    if (given.count("--point") != 0) {
        edit.point = parsed.values.at("--point");
        if (edit.point.size() > 4) return "--point takes at most 4 characters";
        for (char c : edit.point) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                return "--point takes letters and digits only";
            }
        }
    }
    for (const char* name : {"--start", "--stop"}) {
        if (given.count(name) == 0) continue;
        std::string& text = std::string(name) == "--start" ? edit.start : edit.stop;
        text = parsed.values.at(name);
        if (!IsTimeText(text)) return std::string(name) + " takes a time HH:MM:SS, not \"" + text + "\"";
    }
    edit.antenna = given.count("--height") + given.count("--method") + given.count("--point") > 0;
    edit.rename = parsed.flags.count("--rename") != 0;
    return {};
}

}  // namespace

int RunAntennaCommand(const std::vector<std::string>& args, const Console& console) {
    const Arguments parsed = ParseArguments(
        args, {"--rename"}, {"--height", "--method", "--point", "--start", "--stop"});
    if (!parsed.error.empty()) return Usage("antenna", parsed.error);
    if (parsed.help) {
        std::fputs(HelpText().c_str(), console.out);
        return 0;
    }
    AntennaEdit edit;
    std::set<std::string> given;
    if (parsed.files.size() == 1 && parsed.values.empty() && parsed.flags.count("--rename")) {
        // --rename alone renames after the header's own point name.
        given.insert("--rename");
        edit.path = parsed.files.front();
        edit.rename = true;
    } else {
        const std::string error = ParseAntennaEdit(parsed, edit, given);
        if (!error.empty()) return Usage("antenna", error);
    }

    // Everything about the file is checked before anything of it changes.
    unsigned char header[kStaticHeaderSize] = {};
    const std::string problem = ReadStaticHeader(edit.path, header);
    if (!problem.empty()) {
        Fail(console, edit.path, problem);
        return 1;
    }
    double storedHeight = 0;
    const int storedMethod = AntMeasInfo(edit.path.c_str(), &storedHeight);
    const std::string storedPoint(reinterpret_cast<const char*>(header + 181),
                                  strnlen(reinterpret_cast<const char*>(header + 181), 20));
    if (given.count("--height") == 0) edit.height = storedHeight;
    if (given.count("--method") == 0) edit.method = storedMethod;
    // The header's own point name is written back whole when no other is given.
    if (given.count("--point") == 0) edit.point = storedPoint;
    const uint8_t offered = header[201];
    if (given.count("--method") != 0 && offered != 0 && (offered & (1u << edit.method)) == 0) {
        std::fprintf(console.err,
                     "tollmere-cli: warning: %s: method %s is not among those the header "
                     "offers for this receiver\n",
                     edit.path.c_str(), MethodText(edit.method).c_str());
    }

    std::string target;
    if (edit.rename) {
        int year = 0, month = 0, day = 0;
        if (GetStaticHead(edit.path.c_str(), &year, &month, &day) == 0) {
            Fail(console, edit.path, "cannot rename: the static header holds no valid date");
            return 1;
        }
        std::string point = edit.point.substr(0, 4);
        if (point.empty()) point = fs::path(edit.path).filename().string().substr(0, 4);
        target = (fs::path(FolderOf(edit.path)) /
                  EditorFileName(edit.path, point, year, month, day))
                     .string();
        std::error_code ec;
        if (fs::exists(target, ec) && !fs::equivalent(target, edit.path, ec)) {
            Fail(console, edit.path, "not changed: " + target + " already exists");
            return 1;
        }
    }

    if (edit.antenna &&
        ModifyAnteHeightInfo(edit.path.c_str(), edit.point.c_str(), edit.method, edit.height) == 0) {
        Fail(console, edit.path, "cannot write the static header");
        return 1;
    }
    if ((!edit.start.empty() || !edit.stop.empty()) &&
        ModifyFileTime(edit.path.c_str(), edit.start.c_str(), edit.stop.c_str()) == 0) {
        Fail(console, edit.path, "cannot write the static header times");
        return 1;
    }
    if (edit.antenna) {
        const double phase = CorrectAntennaHgt(edit.path.c_str(), edit.method, edit.height, 1);
        const double bottom = CorrectAntennaHgt(edit.path.c_str(), edit.method, edit.height, 0);
        std::fprintf(console.out,
                     "%s: point %s, measured height %.4f m, method %s\n"
                     "  height to the phase centre %.4f m, to the antenna bottom %.4f m\n",
                     edit.path.c_str(), edit.point.c_str(), edit.height,
                     MethodText(edit.method).c_str(), phase, bottom);
    }
    if (!edit.start.empty() || !edit.stop.empty()) {
        std::fprintf(console.out, "%s: times%s%s%s%s\n", edit.path.c_str(),
                     edit.start.empty() ? "" : " start ", edit.start.c_str(),
                     edit.stop.empty() ? "" : " stop ", edit.stop.c_str());
    }
    if (!target.empty() && fs::path(target).filename() != fs::path(edit.path).filename()) {
        int error = 0;
        if (!RenameNoReplace(edit.path, target, error)) {
            Fail(console, edit.path,
                 "header written, but not renamed to " + target + ": " + std::strerror(error));
            return 1;
        }
        std::fprintf(console.out, "%s: renamed to %s\n", edit.path.c_str(), target.c_str());
    }
    return 0;
}

namespace {

// The slips of one file as DetectSlpReport hands them over.
struct SlipEntry {
    std::string satellite;
    int band = 0;
    std::string time;
    std::string test;
};

void CollectSlip(void* context, const KestrinCycleSlip* slip) {
    char time[48];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%010.7f", slip->year, slip->month,
                  slip->day, slip->hour, slip->minute, slip->second);
    static_cast<std::vector<SlipEntry>*>(context)->push_back(
        SlipEntry{slip->satellite, slip->band, time, slip->test ? slip->test : ""});
}

// Per satellite and band (in that order), the entries of the file.
std::map<std::pair<std::string, int>, std::vector<const SlipEntry*>> BySatelliteAndBand(
    const std::vector<SlipEntry>& slips) {
    std::map<std::pair<std::string, int>, std::vector<const SlipEntry*>> groups;
    for (const SlipEntry& s : slips) groups[{s.satellite, s.band}].push_back(&s);
    return groups;
}

void PrintSlipReport(FILE* out, const std::string& path, const std::vector<SlipEntry>& slips,
                     bool dryRun) {
    std::fprintf(out, "%s: %zu phase%s %s as cycle slips\n", path.c_str(), slips.size(),
                 slips.size() == 1 ? "" : "s", dryRun ? "would be marked" : "marked");
    for (const auto& [key, entries] : BySatelliteAndBand(slips)) {
        std::fprintf(out, "  %s band %d: %zu\n", key.first.c_str(), key.second, entries.size());
        for (const SlipEntry* e : entries)
            std::fprintf(out, "    %s  %s\n", e->time.c_str(), e->test.c_str());
    }
}

void PrintSlipJson(FILE* out, const std::string& path, const std::vector<SlipEntry>& slips,
                   bool dryRun) {
    std::string json = "{\"file\":" + JsonString(path) + ",\"ok\":true,\"dry_run\":" +
                       (dryRun ? "true" : "false") +
                       ",\"marked\":" + std::to_string(slips.size()) + ",\"satellites\":[";
    bool first = true;
    for (const auto& [key, entries] : BySatelliteAndBand(slips)) {
        json += first ? "" : ",";
        first = false;
        json += "{\"satellite\":" + JsonString(key.first) +
                ",\"band\":" + std::to_string(key.second) + ",\"slips\":[";
        for (size_t i = 0; i < entries.size(); ++i) {
            json += (i ? "," : "") + std::string("{\"epoch\":") + JsonString(entries[i]->time) +
                    ",\"test\":" + JsonString(entries[i]->test) + "}";
        }
        json += "]}";
    }
    json += "]}";
    std::fprintf(out, "%s\n", json.c_str());
}

}  // namespace

int RunSlipsCommand(const std::vector<std::string>& args, const Console& console) {
    const Arguments parsed = ParseArguments(args, {"--dry-run", "--json"}, {});
    if (!parsed.error.empty()) return Usage("slips", parsed.error);
    if (parsed.help) {
        std::fputs(HelpText().c_str(), console.out);
        return 0;
    }
    if (parsed.files.empty()) return Usage("slips", "no observation file given");
    const bool dryRun = parsed.flags.count("--dry-run") > 0;
    const bool json = parsed.flags.count("--json") > 0;
    int failed = 0;
    for (const std::string& path : parsed.files) {
        std::string problem = ObservationFileProblem(path);
        if (problem.empty() && MarkedPhases(path) < 0)
            problem = "cannot read the observation records";
        std::vector<SlipEntry> slips;
        if (problem.empty() &&
            DetectSlpReport(path.c_str(), dryRun ? 1 : 0, nullptr, CollectSlip, &slips) == 0) {
            problem = "cannot rewrite the file; it was left as it was";
        }
        if (!problem.empty()) {
            Fail(console, path, problem);
            if (json) {
                std::fprintf(console.out, "{\"file\":%s,\"ok\":false,\"error\":%s}\n",
                             JsonString(path).c_str(), JsonString(problem).c_str());
            }
            ++failed;
            continue;
        }
        if (json) {
            PrintSlipJson(console.out, path, slips, dryRun);
        } else {
            PrintSlipReport(console.out, path, slips, dryRun);
        }
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace tollmere::cli
