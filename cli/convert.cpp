#include "convert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "child_conversion.h"
#include "report.h"
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

namespace {

// One input of a convert run: what is known before its conversion and what it came to.
struct FileJob {
    InputFile file;
    InputCheck check;
    std::string folder;
    std::string error;  // why it failed (before or after the conversion); empty when converted
    ConversionOutcome outcome;
    std::vector<std::string> written;  // names of the files written, sorted
    double seconds = 0.0;
    long epochs = -1;
    bool converts = false;  // passed the checks and goes to a child process
    bool done = false;
};

FileJob NewJob(const std::string& path, const std::string& origin) {
    FileJob job;
    job.file = {path, origin};
    return job;
}

// The inputs of the command line with folders expanded into their raw files; an input named
// twice is converted once. Folders that give no file are failed jobs.
std::vector<FileJob> ExpandInputs(const std::vector<std::string>& inputs) {
    std::vector<FileJob> jobs;
    std::set<std::string> seen;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            const std::string key = fs::weakly_canonical(input, ec).string();
            if (seen.insert(ec ? input : key).second) jobs.push_back(NewJob(input, input));
            continue;
        }
        std::string error;
        const std::vector<std::string> paths = RawFilesInFolder(input, error);
        if (error.empty() && paths.empty()) {
            error = "the folder holds no raw files (*.DAT, *.RAW, *.RT17, *.RT27, *.STH, "
                    "*.ZHD, *.BIN)";
        }
        if (!error.empty()) {
            FileJob failed = NewJob(input, input);
            failed.error = error;
            failed.done = true;
            jobs.push_back(failed);
            continue;
        }
        for (const std::string& path : paths) {
            if (seen.insert(fs::weakly_canonical(path, ec).string()).second) {
                jobs.push_back(NewJob(path, input));
            }
        }
    }
    return jobs;
}

// The checks before converting: the input itself and its output folder.
void CheckJobs(std::vector<FileJob>& jobs, const ConvertCommand& command) {
    const std::string outputError = command.outputFolder.empty()
                                        ? std::string()
                                        : CheckOutputFolder(command.outputFolder, true);
    for (FileJob& job : jobs) {
        if (job.done) continue;
        job.check = CheckInput(job.file.path);
        job.folder = command.outputFolder.empty() ? FolderOf(job.file.path) : command.outputFolder;
        job.error = job.check.error;
        if (job.error.empty()) {
            job.error = command.outputFolder.empty() ? CheckOutputFolder(job.folder, false)
                                                     : outputError;
        }
        job.converts = job.error.empty();
        job.done = !job.converts;
    }
}

// Converts one job in a child process and settles its result.
void ConvertJob(FileJob& job, const ConvertCommand& command, const Console& console,
                ProgressBoard& board) {
    const auto started = std::chrono::steady_clock::now();
    const int line = board.Add(fs::path(job.file.path).filename().string());
    job.outcome = ConvertInChild(
        LibraryPath(job.file.path), job.folder, OptionWord(command.choices),
        [&board, line](int percent) { board.Update(line, percent); }, command.position);
    board.Remove(line);
    job.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const std::string& path : job.outcome.written) {
        job.written.push_back(fs::path(path).filename().string());
    }
    std::sort(job.written.begin(), job.written.end());
    if (job.outcome.result == 0) {
        job.error = FailureReason(job.outcome, job.check, job.folder, console);
    } else if (job.written.empty()) {
        // The library reports the assembly as done even when no final file could be
        // created; without a file there is nothing converted.
        job.error = "no RINEX file could be written into " + job.folder;
    } else if (command.json) {
        job.epochs = CountObservationEpochs(ObservationFileOf(job.outcome.written));
    }
}

// What the single-point step of a job came to, for the report; empty when it wrote the
// position.
std::string PositionProblem(const ConversionOutcome& outcome) {
    switch (outcome.positionState) {
        case kPositionNoFile:
            return "no observation file was written";
        case kPositionFailed:
            return "no position could be computed from " + outcome.positionFile;
        case kPositionNotWritten:
            return "the header of " + outcome.positionFile + " could not be rewritten";
        default:
            return {};
    }
}

std::string JsonRecord(const FileJob& job, const ConvertCommand& command) {
    std::string json = "{\"input\":" + JsonString(job.file.path) + ",\"result\":" +
                       (job.error.empty() ? "\"converted\"" : "\"failed\"") + ",\"files\":[";
    for (size_t i = 0; i < job.written.size() && job.error.empty(); ++i) {
        json += (i > 0 ? "," : "") + JsonString(JoinPath(job.folder, job.written[i]));
    }
    json += "],\"error\":" + (job.error.empty() ? std::string("null") : JsonString(job.error));
    json += ",\"epochs\":" + (job.epochs >= 0 ? std::to_string(job.epochs) : "null");
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", job.seconds);
    json += std::string(",\"seconds\":") + seconds;
    if (command.position) {
        json += ",\"position\":";
        if (job.error.empty() && job.outcome.positionState == kPositionWritten) {
            char xyz[128];
            std::snprintf(xyz, sizeof xyz, "[%.4f,%.4f,%.4f]", job.outcome.xyz[0],
                          job.outcome.xyz[1], job.outcome.xyz[2]);
            json += xyz;
        } else {
            json += "null";
        }
    }
    return json + "}\n";
}

// The report of one finished job: the files written or the reason on the human stream, and
// its JSON object with --json.
void ReportJob(const FileJob& job, const ConvertCommand& command, const Console& console,
               std::map<std::string, std::string>& writtenBy) {
    if (command.json) {
        std::fputs(JsonRecord(job, command).c_str(), stdout);
        std::fflush(stdout);
    }
    if (!job.error.empty()) {
        std::fprintf(console.err, "tollmere-cli: %s: not converted: %s\n", job.file.path.c_str(),
                     job.error.c_str());
        return;
    }
    std::fprintf(console.out, "%s: %zu file%s written\n", job.file.path.c_str(),
                 job.written.size(), job.written.size() == 1 ? "" : "s");
    for (const std::string& name : job.written) {
        const std::string output = JoinPath(job.folder, name);
        std::fprintf(console.out, "  %s\n", output.c_str());
        const auto earlier = writtenBy.find(output);
        if (earlier != writtenBy.end() && earlier->second != job.file.path) {
            std::fprintf(console.err,
                         "tollmere-cli: warning: %s replaced the file %s written for %s "
                         "(both inputs give the same output name)\n",
                         job.file.path.c_str(), output.c_str(), earlier->second.c_str());
        }
        writtenBy[output] = job.file.path;
    }
    if (command.position) {
        const std::string problem = PositionProblem(job.outcome);
        if (problem.empty()) {
            std::fprintf(console.out, "  position %.4f %.4f %.4f written into %s\n",
                         job.outcome.xyz[0], job.outcome.xyz[1], job.outcome.xyz[2],
                         job.outcome.positionFile.c_str());
        } else {
            std::fprintf(console.err, "tollmere-cli: warning: %s: no position written: %s\n",
                         job.file.path.c_str(), problem.c_str());
        }
    }
    if (!job.check.hasStaticHeader) {
        std::fprintf(console.err,
                     "tollmere-cli: warning: %s has no static header: the marker, receiver, "
                     "antenna and position fields of the observation header are empty, and "
                     "board formats that carry only a time of week (RTCM 3, Trimble RT17) are "
                     "dated in the current week; wrap such data in a static header with its "
                     "observation date\n",
                     job.file.path.c_str());
    }
    std::fflush(console.out);
}

}  // namespace

int RunConvert(const ConvertCommand& command, const Console& console) {
    for (const std::string& warning : command.warnings) {
        std::fprintf(console.err, "tollmere-cli: warning: %s\n", warning.c_str());
    }
    std::vector<FileJob> jobs = ExpandInputs(command.inputs);
    CheckJobs(jobs, command);

    // Up to `jobs` workers take the inputs in order, each converting one at a time in a child
    // process; the report follows the input order, so it reads as that of a serial run.
    ProgressBoard board(console.out, console.progressBar);
    std::mutex mutex;
    std::condition_variable finished;
    size_t next = 0;
    auto work = [&] {
        for (;;) {
            FileJob* job = nullptr;
            {
                std::lock_guard<std::mutex> lock(mutex);
                while (next < jobs.size() && !jobs[next].converts) ++next;
                if (next == jobs.size()) return;
                job = &jobs[next++];
            }
            ConvertJob(*job, command, console, board);
            std::lock_guard<std::mutex> lock(mutex);
            job->done = true;
            finished.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < command.jobs; ++i) workers.emplace_back(work);

    int failed = 0;
    std::map<std::string, std::string> writtenBy;  // output path -> input that wrote it
    for (const FileJob& job : jobs) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&job] { return job.done; });
        }
        failed += !job.error.empty();
        board.Print([&] { ReportJob(job, command, console, writtenBy); });
    }
    for (std::thread& worker : workers) worker.join();

    const int converted = static_cast<int>(jobs.size()) - failed;
    if (jobs.size() > 1) {
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
        // Opened without waiting: a FIFO or device under the name is refused, never read.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            std::fprintf(console.err, "tollmere-cli: %s: cannot read the file: %s\n", path.c_str(),
                         std::strerror(errno));
            ++failed;
            continue;
        }
        struct stat st {};
        const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        ::close(fd);
        if (!regular) {
            std::fprintf(console.err, "tollmere-cli: %s: not a regular file\n", path.c_str());
            ++failed;
            continue;
        }
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
