// Cycle-slip marking speed and memory: runs DetectSlp on a copy of each given RINEX
// observation file in a fresh child process and reports the time, the epochs and satellites
// read, the characters changed (loss-of-lock digits) and the child's peak resident memory
// up to the end of DetectSlp. Each file runs twice: as it is and with the Doppler codes of its
// header renamed (so that no Doppler is read).
//   kestrin_detect_slip FILE...
// tools/bench_slips.sh makes a one-hour 1 Hz multi-system file from a real recording.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kestrin/kestrin.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int marked = 0;
    double seconds = 0.0;
    long long epochs = 0;
    long long satellites = 0;
    long long changed = 0;
    double peakMb = 0.0;  // resident memory peak of the child up to the end of DetectSlp
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The "D" codes of the "SYS / # / OBS TYPES" and "# / TYPES OF OBSERV" lines become "X"
// codes, which no test reads.
void HideDoppler(const std::string& path) {
    std::string text = ReadAll(path);
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        const size_t end = text.find('\n', lineStart);
        const size_t lineEnd = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(lineStart, lineEnd - lineStart);
        if (line.find("END OF HEADER") != std::string::npos) break;
        if (line.find("OBS TYPES") != std::string::npos ||
            line.find("TYPES OF OBSERV") != std::string::npos) {
            for (size_t i = 1; i + 1 < line.size() && i < 60; ++i) {
                if (line[i] == 'D' && line[i - 1] == ' ' && line[i + 1] >= '1' &&
                    line[i + 1] <= '9')
                    text[lineStart + i] = 'X';
            }
        }
        lineStart = lineEnd + 1;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

Result DetectInChild(const std::string& input) {
    Result result;
    std::string folder = (fs::temp_directory_path() / "kestrin_slip_XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) return result;
    const std::string copy = folder + "/" + fs::path(input).filename().string();
    std::error_code ec;
    fs::copy_file(input, copy, ec);
    if (!ec) {
        const auto start = std::chrono::steady_clock::now();
        result.marked = DetectSlp(copy.c_str(), nullptr);
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage self{};
        ::getrusage(RUSAGE_SELF, &self);
        result.peakMb = self.ru_maxrss / 1024.0;
        // What the model held and what changed (outside the timed part).
        HeaderInfo* header = nullptr;
        std::vector<OBSERVATIONS>* epochs = nullptr;
        if (ReadRinexFile(input.c_str(), nullptr, &header, &epochs) == 1) {
            result.epochs = static_cast<long long>(epochs->size());
            for (const OBSERVATIONS& e : *epochs) result.satellites += e.sats.size();
        }
        const std::string before = ReadAll(input), after = ReadAll(copy);
        for (size_t i = 0; i < before.size() && i < after.size(); ++i)
            result.changed += before[i] != after[i];
    }
    fs::remove_all(folder, ec);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kestrin_detect_slip FILE...\n");
        return 2;
    }
    std::printf("%-24s %8s %8s %8s %12s %8s %9s\n", "file", "MB", "s", "epochs", "sat-epochs",
                "marks", "peak MB");
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string input = argv[i];
        std::error_code ec;
        const double megabytes = static_cast<double>(fs::file_size(input, ec)) / 1e6;
        if (ec) {
            std::fprintf(stderr, "kestrin_detect_slip: cannot read %s\n", input.c_str());
            status = 1;
            continue;
        }
        // The copy without Doppler is made here, so that the child's memory is its own.
        std::string hidden = (fs::temp_directory_path() / "kestrin_slip_XXXXXX").string();
        if (::mkdtemp(hidden.data()) == nullptr) return 1;
        const std::string withoutDopplerPath = hidden + "/" + fs::path(input).filename().string();
        fs::copy_file(input, withoutDopplerPath, ec);
        HideDoppler(withoutDopplerPath);
        for (bool withoutDoppler : {false, true}) {
            int pipeFds[2];
            if (::pipe(pipeFds) != 0) return 1;
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(pipeFds[0]);
                const Result result = DetectInChild(withoutDoppler ? withoutDopplerPath : input);
                const bool sent = ::write(pipeFds[1], &result, sizeof result) == sizeof result;
                ::_exit(sent ? 0 : 1);
            }
            ::close(pipeFds[1]);
            Result result;
            const bool received = ::read(pipeFds[0], &result, sizeof result) == sizeof result;
            ::close(pipeFds[0]);
            int childStatus = 0;
            ::waitpid(child, &childStatus, 0);
            if (!received || !WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0 ||
                result.marked != 1) {
                std::fprintf(stderr, "kestrin_detect_slip: %s failed\n", input.c_str());
                status = 1;
                continue;
            }
            const std::string name =
                fs::path(input).filename().string() + (withoutDoppler ? " (no D)" : "");
            std::printf("%-24s %8.1f %8.2f %8lld %12lld %8lld %9.1f\n", name.c_str(), megabytes,
                        result.seconds, result.epochs, result.satellites, result.changed,
                        result.peakMb);
        }
        fs::remove_all(hidden, ec);
    }
    return status;
}
