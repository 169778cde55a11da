// tollmere-cli: converts raw static recordings to RINEX from the command line.
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "child_conversion.h"
#include "commands.h"
#include "convert.h"
#include "options.h"
#include "tollmere_version.h"

namespace {

constexpr int kUsageError = 2;

namespace fs = std::filesystem;

// An interrupted conversion (Ctrl-C, a terminated job, a closed terminal) leaves nothing
// behind. Each conversion runs in a child process with a private temporary folder under this
// program's own folder in $TMPDIR; the library writes each final file under a hidden name
// ".<name>.<pid>.<n>.part" before renaming it. On the signal this program first kills the
// running children and waits until they are gone, and only then removes the private folder
// and the children's ".part" files from the output folders, so that no conversion creates a
// file after the removal. It then exits with 128 + the signal number. The signals are taken by
// a thread of their own (sigwait), so the removal runs as ordinary code and not inside a
// signal handler. Whichever comes first, the signal or the end of the command (Finish), takes
// the lock and keeps it, so the program never ends half-way through the removal. The object
// lives until the process ends.
class InterruptCleanup {
  public:
    explicit InterruptCleanup(std::set<std::string> outputFolders)
        : outputFolders_(std::move(outputFolders)) {
        const char* base = std::getenv("TMPDIR");
        userTempDir_ = base && *base ? base : "/tmp";
        std::string pattern = userTempDir_ + "/tollmere-cli-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr && ::setenv("TMPDIR", pattern.c_str(), 1) == 0) {
            tempRoot_ = pattern;
        }
        // A reader of the report that went away (`... | head -1`) does not stop the
        // conversions half-way: writes to it just fail.
        std::signal(SIGPIPE, SIG_IGN);
        sigemptyset(&signals_);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals_, signal);
        if (pthread_sigmask(SIG_BLOCK, &signals_, nullptr) == 0) {
            std::thread([this] { Wait(); }).detach();
        }
    }
    // The $TMPDIR the user gave (or /tmp), for messages.
    const std::string& UserTempDir() const { return userTempDir_; }
    // At the end of the command: the private folder (empty by then) goes.
    void Finish() {
        mutex_.lock();  // held until the process ends
        RemoveTempRoot();
    }
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

  private:
    void Wait() {
        int signal = 0;
        if (sigwait(&signals_, &signal) != 0) return;
        mutex_.lock();  // held until _exit; blocks for good once the command has finished
        const std::vector<pid_t> stopped = tollmere::cli::StopChildConversions();
        RemoveTempRoot();
        for (const std::string& folder : outputFolders_) {
            for (pid_t pid : stopped) tollmere::cli::RemoveUnfinishedFiles(folder, pid);
        }
        const char message[] = "\ntollmere-cli: interrupted; unfinished files removed\n";
        [[maybe_unused]] const ssize_t written =
            ::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(128 + signal);
    }

    void RemoveTempRoot() const {
        if (tempRoot_.empty()) return;
        std::error_code ec;
        for (int attempt = 0; attempt < 3 && fs::exists(tempRoot_, ec); ++attempt) {
            fs::remove_all(tempRoot_, ec);
        }
    }

    std::set<std::string> outputFolders_;
    std::string tempRoot_;
    std::string userTempDir_;
    sigset_t signals_;
    std::mutex mutex_;
};
InterruptCleanup* interruptCleanup = nullptr;  // never deleted: its thread may still wait

// The folders a convert command may write into: the output folder, or each input's own.
std::set<std::string> OutputFoldersOf(const tollmere::cli::ConvertCommand& command) {
    if (!command.outputFolder.empty()) return {command.outputFolder};
    std::set<std::string> folders;
    for (const std::string& input : command.inputs) {
        std::error_code ec;
        folders.insert(fs::is_directory(input, ec) ? input : tollmere::cli::FolderOf(input));
    }
    return folders;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "tollmere-cli: %s\nTry 'tollmere-cli --help'.\n", message.c_str());
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tollmere::cli;
    if (argc > 1 && std::strcmp(argv[1], kChildCommand) == 0) RunConversionChild(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return UsageError("no command given (convert, position, info, antenna, slips or header)");
    }

    const std::string command = args.front();
    args.erase(args.begin());
    Console console;
    console.progressBar = ::isatty(STDOUT_FILENO) == 1;

    if (command == "--version" || command == "version") {
        std::printf("tollmere-cli %s\n", TOLLMERE_VERSION);
        return 0;
    }
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    }
    if (command == "convert") {
        const ParseResult parsed = ParseConvertArguments(args);
        if (!parsed.error.empty()) return UsageError(parsed.error);
        if (parsed.command.help) {
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        }
        if (parsed.command.json) {
            // Standard output carries the JSON records; the person reads standard error.
            console.out = stderr;
            console.progressBar = ::isatty(STDERR_FILENO) == 1;
        }
        interruptCleanup = new InterruptCleanup(OutputFoldersOf(parsed.command));
        console.tempDir = interruptCleanup->UserTempDir();
        const int status = RunConvert(parsed.command, console);
        interruptCleanup->Finish();
        return status;
    }
    if (command == "position") return RunPositionCommand(args, console);
    if (command == "info") return RunInfoCommand(args, console);
    if (command == "antenna") return RunAntennaCommand(args, console);
    if (command == "slips") return RunSlipsCommand(args, console);
    if (command == "header") {
        std::vector<std::string> files;
        for (const std::string& arg : args) {
            if (arg == "-h" || arg == "--help") {
                std::fputs(HelpText().c_str(), stdout);
                return 0;
            }
            if (arg.size() > 1 && arg[0] == '-') return UsageError("unknown option " + arg);
            files.push_back(arg);
        }
        if (files.empty()) return UsageError("header needs a FILE");
        return RunHeader(files, console);
    }
    return UsageError("unknown command " + command);
}
