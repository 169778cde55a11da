#include "child_conversion.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#include "baldorn/baldorn.h"
#include "kestrin/kestrin.h"

namespace fs = std::filesystem;

namespace tollmere::cli {
namespace {

// The children that run now. The lock is held while a child is started and registered, and
// taken for good by StopChildConversions, so that no child escapes the interrupt: either it
// is registered (and killed) or it is never started. A child leaves the registry before it is
// reaped, so its process id cannot have been reused by another process when it is killed.
std::mutex childrenLock;
std::set<pid_t> children;

// The child's end of the pipe, as the exec'd child finds it.
constexpr int kChildFd = 3;

// Message kinds on the pipe from child to parent.
enum : char {
    kProgress = 'P',
    kFailure = 'F',
    kWritten = 'W',
    kPosition = 'X',
    kResult = 'R'
};

bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void SendRecord(int fd, char kind, int64_t a, int64_t b, const std::string& text = {}) {
    const uint32_t length = static_cast<uint32_t>(text.size());
    WriteAll(fd, &kind, 1);
    WriteAll(fd, &a, sizeof a);
    WriteAll(fd, &b, sizeof b);
    WriteAll(fd, &length, sizeof length);
    if (length > 0) WriteAll(fd, text.data(), length);
}

struct ChildContext {
    int fd = -1;
    std::vector<std::string> written;
};

void ForwardNotification(void* context, unsigned int message, long wparam, long lparam) {
    ChildContext& child = *static_cast<ChildContext*>(context);
    const int fd = child.fd;
    if (message == KESTRIN_MSG_PROGRESS) {
        SendRecord(fd, kProgress, wparam, 0);
    } else if (message == KESTRIN_MSG_FAILURE) {
        SendRecord(fd, kFailure, wparam, lparam);
    } else if (message == KESTRIN_MSG_FILE_WRITTEN && lparam != 0) {
        child.written.push_back(reinterpret_cast<const char*>(lparam));
        SendRecord(fd, kWritten, 0, 0, child.written.back());
    }
}

// The single-point step: the position of the observation file just written goes into its
// "APPROX POSITION XYZ" record. Reported as state, coordinates and the file used.
void RunPositionStep(int fd, const std::vector<std::string>& written) {
    const std::string observation = ObservationFileOf(written);
    if (observation.empty()) {
        SendRecord(fd, kPosition, kPositionNoFile, 0);
        return;
    }
    double xyz[3] = {0, 0, 0};
    int state = kPositionFailed;
    if (SinglePosition(observation.c_str(), xyz, nullptr) != 0) {
        // The positioning library takes a name not ending in O for a static file.
        const char last = observation.back();
        const bool rinexName = last == 'O' || last == 'o';
        state = rinexName && ModifyStationCoord(observation.c_str(), xyz) != 0
                    ? kPositionWritten
                    : kPositionNotWritten;
    }
    char text[128];
    std::snprintf(text, sizeof text, "%.17g %.17g %.17g", xyz[0], xyz[1], xyz[2]);
    SendRecord(fd, kPosition, state, 0, std::string(text) + "\n" + observation);
}

// The child's side: convert, report, end without running exit handlers.
[[noreturn]] void RunChild(int fd, const std::string& input, const std::string& folder,
                           int32_t word, const std::string& tempFolder, bool positionStep) {
    if (!tempFolder.empty()) ::setenv("TMPDIR", tempFolder.c_str(), 1);
    ChildContext context;
    context.fd = fd;
    KestrinNotifyTarget target{&ForwardNotification, &context};
    const int result = ParseDataToRinexFormat(input.c_str(), folder.c_str(), word, &target);
    if (result != 0 && positionStep) RunPositionStep(fd, context.written);
    SendRecord(fd, kResult, result, 0);
    ::close(fd);
    ::_exit(0);
}

// A private temporary folder for one child under $TMPDIR; empty when none can be made (the
// child then uses $TMPDIR itself and the library reports what fails there).
std::string MakeChildTempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/conversion-XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

void ReadReports(int fd, ConversionOutcome& outcome, const std::function<void(int)>& progress) {
    for (;;) {
        char kind = 0;
        int64_t a = 0, b = 0;
        uint32_t length = 0;
        if (!ReadAll(fd, &kind, 1) || !ReadAll(fd, &a, sizeof a) || !ReadAll(fd, &b, sizeof b) ||
            !ReadAll(fd, &length, sizeof length) || length > 65536) {
            return;
        }
        std::string text(length, '\0');
        if (length > 0 && !ReadAll(fd, text.data(), length)) return;
        switch (kind) {
            case kProgress:
                outcome.sawProgress = true;
                if (progress && a >= 0 && a <= 100) progress(static_cast<int>(a));
                break;
            case kFailure:
                outcome.failureReason = static_cast<int>(a);
                outcome.failureError = static_cast<int>(b);
                break;
            case kWritten:
                outcome.written.push_back(text);
                break;
            case kPosition: {
                outcome.positionState = static_cast<int>(a);
                const size_t newline = text.find('\n');
                if (newline != std::string::npos) {
                    std::sscanf(text.c_str(), "%lf %lf %lf", &outcome.xyz[0], &outcome.xyz[1],
                                &outcome.xyz[2]);
                    outcome.positionFile = text.substr(newline + 1);
                }
                break;
            }
            case kResult:
                outcome.result = static_cast<int>(a);
                outcome.reported = true;
                break;
            default:
                return;
        }
    }
}

}  // namespace

ConversionOutcome ConvertInChild(const std::string& input, const std::string& folder,
                                 int32_t optionWord, const std::function<void(int)>& progress,
                                 bool positionStep) {
    ConversionOutcome outcome;
    // The child runs this program afresh (exec) rather than a copy of this process: other
    // threads may hold locks of the allocator or the C library at the moment of the fork, and
    // a copy would inherit them locked. Everything the child needs is prepared before the
    // fork; between fork and exec it only calls functions that are safe there. The pipe is
    // closed on exec, so a conversion started in parallel never holds another one's pipe.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        outcome.failureError = errno;
        return outcome;
    }
    const std::string tempFolder = MakeChildTempFolder();
    const std::string wordText = std::to_string(optionWord);
    const char* argv[] = {"tollmere-cli",       kChildCommand,      input.c_str(),
                          folder.c_str(),       wordText.c_str(),   positionStep ? "1" : "0",
                          tempFolder.c_str(),   nullptr};
    std::fflush(nullptr);
    pid_t pid = -1;
    {
        std::lock_guard<std::mutex> lock(childrenLock);
        pid = ::fork();
        if (pid == 0) {
            // dup2 clears close-on-exec on the copy; a pipe end already on the number
            // keeps it and loses it through fcntl.
            const bool placed = fds[1] == kChildFd ? ::fcntl(kChildFd, F_SETFD, 0) == 0
                                                   : ::dup2(fds[1], kChildFd) == kChildFd;
            if (!placed) ::_exit(127);
            ::execv("/proc/self/exe", const_cast<char* const*>(argv));
            ::_exit(127);
        }
        if (pid > 0) children.insert(pid);
    }
    ::close(fds[1]);
    if (pid < 0) {
        outcome.failureError = errno;
        ::close(fds[0]);
        return outcome;
    }
    ReadReports(fds[0], outcome, progress);
    ::close(fds[0]);

    // Wait for the end without reaping, leave the registry, then reap.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    {
        std::lock_guard<std::mutex> lock(childrenLock);
        children.erase(pid);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) outcome.exitSignal = WTERMSIG(status);
    if (!outcome.reported || outcome.exitSignal != 0) RemoveUnfinishedFiles(folder, pid);
    if (!tempFolder.empty()) {
        std::error_code ec;
        fs::remove_all(tempFolder, ec);
    }
    return outcome;
}

int RunConversionChild(int argc, char** argv) {
    if (argc != 7) ::_exit(2);
    RunChild(kChildFd, argv[2], argv[3], static_cast<int32_t>(std::strtol(argv[4], nullptr, 10)),
             argv[6], std::strcmp(argv[5], "1") == 0);
}

std::string ObservationFileOf(const std::vector<std::string>& written) {
    for (const std::string& path : written) {
        FILE* file = std::fopen(path.c_str(), "r");
        if (file == nullptr) continue;
        char line[100] = {};
        const bool read = std::fgets(line, sizeof line, file) != nullptr;
        std::fclose(file);
        if (read && std::strstr(line, "OBSERVATION DATA") != nullptr) return path;
    }
    return {};
}

std::vector<pid_t> StopChildConversions() {
    childrenLock.lock();  // held until the process ends: no child starts any more
    std::vector<pid_t> stopped(children.begin(), children.end());
    for (pid_t pid : stopped) ::kill(pid, SIGKILL);
    for (pid_t pid : stopped) {
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
               errno == EINTR) {
        }
    }
    return stopped;
}

void RemoveUnfinishedFiles(const std::string& folder, pid_t pid) {
    const std::string tail = "." + std::to_string(pid) + ".";
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 5 && name[0] == '.' && name.find(tail) != std::string::npos &&
            name.compare(name.size() - 5, 5, ".part") == 0) {
            std::error_code removeError;
            fs::remove(it->path(), removeError);
        }
    }
}

}  // namespace tollmere::cli
