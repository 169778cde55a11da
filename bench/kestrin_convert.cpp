// Conversion speed and memory: converts each given raw static file (default RINEX 3.02
// options) in a fresh child process and reports the input rate in MB/s, observation epochs
// per second and the child's peak resident memory, so that runs over files of different sizes
// show whether memory grows with the file size.
//   kestrin_convert FILE...
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "kestrin/kestrin.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kDefaultOptions = 16782911;

struct Result {
    int converted = 0;
    long long epochs = 0;
    double seconds = 0.0;
};

// Epoch records of the RINEX 3 observation files in `folder` (lines starting with '>').
long long CountEpochs(const fs::path& folder) {
    long long epochs = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path());
        std::string line;
        bool observationFile = false, body = false;
        while (std::getline(in, line)) {
            if (!body) {
                if (line.find("OBSERVATION DATA") != std::string::npos) observationFile = true;
                if (line.find("END OF HEADER") != std::string::npos) {
                    if (!observationFile) break;
                    body = true;
                }
            } else if (!line.empty() && line[0] == '>') {
                ++epochs;
            }
        }
    }
    return epochs;
}

Result ConvertInChild(const std::string& input) {
    Result result;
    std::string pattern = (fs::temp_directory_path() / "kestrin_bench_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return result;
    const auto start = std::chrono::steady_clock::now();
    result.converted =
        ParseDataToRinexFormat(input.c_str(), pattern.c_str(), kDefaultOptions, nullptr);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.epochs = CountEpochs(pattern);
    fs::remove_all(pattern);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kestrin_convert FILE...\n");
        return 2;
    }
    std::printf("%-28s %9s %8s %9s %9s %11s %9s\n", "file", "MB", "s", "MB/s", "epochs", "epochs/s",
                "peak MB");
    int status = 0;
    double smallestMb = 0, smallestPeak = 0, largestMb = 0, largestPeak = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string input = argv[i];
        std::error_code ec;
        const double megabytes = static_cast<double>(fs::file_size(input, ec)) / 1e6;
        if (ec) {
            std::fprintf(stderr, "kestrin_convert: cannot read %s\n", input.c_str());
            status = 1;
            continue;
        }
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return 1;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeFds[0]);
            const Result result = ConvertInChild(input);
            const bool sent = ::write(pipeFds[1], &result, sizeof result) == sizeof result;
            ::_exit(sent ? 0 : 1);
        }
        ::close(pipeFds[1]);
        Result result;
        const bool received = ::read(pipeFds[0], &result, sizeof result) == sizeof result;
        ::close(pipeFds[0]);
        int childStatus = 0;
        rusage usage{};
        ::wait4(child, &childStatus, 0, &usage);
        if (!received || !WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
            std::fprintf(stderr, "kestrin_convert: the conversion of %s did not finish\n",
                         input.c_str());
            status = 1;
            continue;
        }
        if (result.converted == 0) {
            std::fprintf(stderr, "kestrin_convert: %s was not converted\n", input.c_str());
            status = 1;
        }
        std::printf("%-28s %9.1f %8.2f %9.2f %9lld %11.0f %9.1f\n",
                    fs::path(input).filename().c_str(), megabytes, result.seconds,
                    megabytes / result.seconds, result.epochs, result.epochs / result.seconds,
                    usage.ru_maxrss / 1024.0);
        const double peak = usage.ru_maxrss / 1024.0;
        if (smallestMb == 0 || megabytes < smallestMb) smallestMb = megabytes, smallestPeak = peak;
        if (megabytes > largestMb) largestMb = megabytes, largestPeak = peak;
    }
    if (largestMb > smallestMb) {
        std::printf("peak memory %.1f MB for %.1f MB of input, %.1f MB for %.1f MB (%+.1f MB)\n",
                    smallestPeak, smallestMb, largestPeak, largestMb, largestPeak - smallestPeak);
    }
    return status;
}
