#include "convert.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "child_conversion.h"
#include "kestrin/kestrin.h"

namespace fs = std::filesystem;

namespace tollmere::cli {

namespace {

constexpr size_t kStaticHeaderSize = 512;
constexpr char kStaticMagic[] = "QVT-GPS ";

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// Receives the library's progress notifications of one conversion.
struct ProgressState {
    const Console* console = nullptr;
    std::string label;
    bool seen = false;  // any notification arrived: a decoder ran over the data
    int shown = -1;
};

void DrawProgress(ProgressState& state, int percent) {
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    std::fprintf(state.console->out, "\r%s [%s] %3d%%", state.label.c_str(), bar.c_str(), percent);
    std::fflush(state.console->out);
}

void ShowProgress(ProgressState& state, int percent) {
    state.seen = true;
    if (state.console->progressBar && percent != state.shown) {
        state.shown = percent;
        DrawProgress(state, percent);
    }
}

void ClearProgress(const ProgressState& state) {
    if (state.console->progressBar && state.shown >= 0) {
        std::fprintf(state.console->out, "\r\033[K");
        std::fflush(state.console->out);
    }
}

// The path handed to the library: the library takes the file title (the base of some output
// names) and the leap-second table's folder from the text before the last separator, so a
// bare file name gets an explicit "./".
std::string LibraryPath(const std::string& path) {
    if (path.find('/') == std::string::npos) return "./" + path;
    return path;
}

struct InputFile {
    std::string path;
    std::string origin;  // the command-line argument it came from
};

std::string ErrorText(int error) {
    return error != 0 ? std::strerror(error) : "unknown error";
}

// Why a conversion failed, from what the library (or the end of its process) reported.
std::string FailureReason(const ConversionOutcome& outcome, const InputCheck& check,
                          const std::string& folder, const Console& console) {
    if (outcome.exitSignal != 0) {
        return "the conversion ended abnormally (signal " + std::to_string(outcome.exitSignal) +
               ": " + strsignal(outcome.exitSignal) + "); nothing was written";
    }
    if (!outcome.reported && outcome.failureReason == 0) {
        return "cannot start the conversion: " + ErrorText(outcome.failureError);
    }
    const std::string tempDir = console.tempDir.empty() ? "/tmp" : console.tempDir;
    switch (outcome.failureReason) {
        case KESTRIN_FAILURE_INPUT:
            return "cannot read the file: " + ErrorText(outcome.failureError);
        case KESTRIN_FAILURE_TEMPORARY:
            return "cannot write temporary files in " + tempDir +
                   " ($TMPDIR): " + ErrorText(outcome.failureError);
        case KESTRIN_FAILURE_OUTPUT:
            return "cannot write the RINEX files into " + folder + ": " +
                   ErrorText(outcome.failureError) + "; the folder was left as it was";
        case KESTRIN_FAILURE_MEMORY:
            return "out of memory";
        case KESTRIN_FAILURE_NO_OBSERVATIONS:
            return "no observations: no observation epoch could be decoded and written";
        default:
            break;
    }
    if (outcome.failureReason == KESTRIN_FAILURE_FORMAT || !outcome.sawProgress) {
        return check.hasStaticHeader
                   ? "unknown format: no receiver data of a supported board format behind the "
                     "static header"
                   : "not a static file (no static header) and no receiver data of a supported "
                     "board format";
    }
    return "no observations: no observation epoch could be decoded and written";
}

}  // namespace

bool HasRawExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string extension = Upper(name.substr(dot + 1));
    for (const char* raw : kRawExtensions) {
        if (extension == raw) return true;
    }
    return false;
}

std::vector<std::string> RawFilesInFolder(const std::string& folder, std::string& error) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        error = "cannot list the folder: " + ec.message();
        return {};
    }
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            error = "cannot list the folder: " + ec.message();
            return {};
        }
        std::error_code entryError;
        if (it->is_directory(entryError)) continue;
        const std::string name = it->path().filename().string();
        if (HasRawExtension(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(JoinPath(folder, name));
    return paths;
}

InputCheck CheckInput(const std::string& path) {
    InputCheck check;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        check.error = "no such file";
        return check;
    }
    if (!fs::is_regular_file(status)) {
        check.error = "not a regular file";
        return check;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        check.error = std::string("cannot read the file: ") + std::strerror(errno);
        return check;
    }
    unsigned char header[kStaticHeaderSize] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    const bool moreData = got == sizeof header && std::fgetc(file) != EOF;
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        check.error = "cannot read the file: input/output error";
        return check;
    }
    if (got == 0) {
        check.error = "the file is empty";
        return check;
    }
    check.hasStaticHeader = got >= 8 && std::memcmp(header, kStaticMagic, 8) == 0;
    if (!check.hasStaticHeader) return check;
    if (got < kStaticHeaderSize) {
        check.error = "the static header is truncated (" + std::to_string(got) + " of 512 bytes)";
        return check;
    }
    const int formatCode = static_cast<int16_t>(header[53] | (header[54] << 8));
    if (formatCode != 0 && formatCode != 1000 && formatCode != 1099) {
        check.error = "not a valid static file: unknown static header format code " +
                      std::to_string(formatCode) + " (expected 0, 1000 or 1099)";
        return check;
    }
    if (!moreData) check.error = "no receiver data after the static header";
    return check;
}

std::string CheckOutputFolder(const std::string& folder, bool create) {
    std::error_code ec;
    if (!fs::exists(folder, ec)) {
        if (!create) return "the output folder " + folder + " does not exist";
        fs::create_directories(folder, ec);
        if (ec) return "cannot create the output folder " + folder + ": " + ec.message();
    }
    if (!fs::is_directory(folder, ec)) return "the output path " + folder + " is not a folder";
    // Whether a file can be created there is only known by creating one: permission bits
    // say nothing for the superuser, nor for file systems that refuse new files (a
    // read-only mount, /proc).
    std::string probe = JoinPath(folder, ".tollmere-cli-XXXXXX");
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        return "cannot create files in the output folder " + folder + ": " + std::strerror(errno);
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

int RunConvert(const ConvertCommand& command, const Console& console) {
    for (const std::string& warning : command.warnings) {
        std::fprintf(console.err, "tollmere-cli: warning: %s\n", warning.c_str());
    }
    int failed = 0;
    int converted = 0;
    auto fail = [&](const std::string& input, const std::string& reason) {
        std::fprintf(console.err, "tollmere-cli: %s: not converted: %s\n", input.c_str(),
                     reason.c_str());
        ++failed;
    };

    // Expand folders into their raw files; an input named twice is converted once.
    std::vector<InputFile> files;
    std::set<std::string> seen;
    for (const std::string& input : command.inputs) {
        std::error_code ec;
        if (fs::is_directory(input, ec)) {
            std::string error;
            const std::vector<std::string> paths = RawFilesInFolder(input, error);
            if (!error.empty()) {
                fail(input, error);
                continue;
            }
            if (paths.empty()) {
                fail(input,
                     "the folder holds no raw files (*.DAT, *.RAW, *.RT17, *.RT27, "
                     "*.STH, *.ZHD, *.BIN)");
                continue;
            }
            for (const std::string& path : paths) {
                if (seen.insert(fs::weakly_canonical(path, ec).string()).second) {
                    files.push_back({path, input});
                }
            }
        } else {
            const std::string key = fs::weakly_canonical(input, ec).string();
            if (seen.insert(ec ? input : key).second) files.push_back({input, input});
        }
    }

    std::string outputError;
    if (!command.outputFolder.empty()) {
        outputError = CheckOutputFolder(command.outputFolder, true);
    }

    const int32_t word = OptionWord(command.choices);
    std::map<std::string, std::string> writtenBy;  // output path -> input that wrote it
    for (const InputFile& file : files) {
        const InputCheck check = CheckInput(file.path);
        if (!check.error.empty()) {
            fail(file.path, check.error);
            continue;
        }
        const std::string folder =
            command.outputFolder.empty() ? FolderOf(file.path) : command.outputFolder;
        const std::string folderError =
            command.outputFolder.empty() ? CheckOutputFolder(folder, false) : outputError;
        if (!folderError.empty()) {
            fail(file.path, folderError);
            continue;
        }

        ProgressState progress;
        progress.console = &console;
        progress.label = fs::path(file.path).filename().string();
        const ConversionOutcome outcome =
            ConvertInChild(LibraryPath(file.path), folder, word,
                           [&progress](int percent) { ShowProgress(progress, percent); });
        ClearProgress(progress);
        std::vector<std::string> written;
        for (const std::string& path : outcome.written) {
            written.push_back(fs::path(path).filename().string());
        }
        std::sort(written.begin(), written.end());

        if (outcome.result == 0) {
            fail(file.path, FailureReason(outcome, check, folder, console));
            continue;
        }

        if (written.empty()) {
            // The library reports the assembly as done even when no final file could be
            // created; without a file there is nothing converted.
            fail(file.path, "no RINEX file could be written into " + folder);
            continue;
        }
        ++converted;
        std::fprintf(console.out, "%s: %zu file%s written\n", file.path.c_str(), written.size(),
                     written.size() == 1 ? "" : "s");
        for (const std::string& name : written) {
            const std::string output = JoinPath(folder, name);
            std::fprintf(console.out, "  %s\n", output.c_str());
            const auto earlier = writtenBy.find(output);
            if (earlier != writtenBy.end() && earlier->second != file.path) {
                std::fprintf(console.err,
                             "tollmere-cli: warning: %s replaced the file %s written for %s "
                             "(both inputs give the same output name)\n",
                             file.path.c_str(), output.c_str(), earlier->second.c_str());
            }
            writtenBy[output] = file.path;
        }
        if (!check.hasStaticHeader) {
            std::fprintf(console.err,
                         "tollmere-cli: warning: %s has no static header: the marker, receiver, "
                         "antenna and position fields of the observation header are empty\n",
                         file.path.c_str());
        }
    }

    if (converted + failed > 1) {
        std::fprintf(console.out, "%d converted, %d failed\n", converted, failed);
    }
    std::fflush(console.out);
    return failed == 0 ? 0 : 1;
}

int RunHeader(const std::vector<std::string>& files, const Console& console) {
    int failed = 0;
    for (const std::string& path : files) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            std::fprintf(console.err, "tollmere-cli: %s: is a folder, not a static file\n",
                         path.c_str());
            ++failed;
            continue;
        }
        FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            std::fprintf(console.err, "tollmere-cli: %s: cannot read the file: %s\n", path.c_str(),
                         std::strerror(errno));
            ++failed;
            continue;
        }
        std::fclose(file);
        int year = 0, month = 0, day = 0;
        if (GetStaticHead(path.c_str(), &year, &month, &day) == 0) {
            std::fprintf(console.err, "tollmere-cli: %s: not a static file (no static header)\n",
                         path.c_str());
            ++failed;
            continue;
        }
        std::fprintf(console.out, "%s: observation date %04d-%02d-%02d\n", path.c_str(), year,
                     month, day);
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace tollmere::cli
