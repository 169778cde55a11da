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

#include "convert.h"
#include "options.h"

namespace {

constexpr int kUsageError = 2;

namespace fs = std::filesystem;

// An interrupted conversion (Ctrl-C, a terminated job, a closed terminal) leaves nothing
// behind. The library keeps its temporary files in a private folder under $TMPDIR and writes
// each final file under a hidden name ".<name>.<pid>.<n>.part" before renaming it, so this
// program points $TMPDIR at a private folder of its own and, on the signal, removes that
// folder and its own ".part" files from the output folders before it exits with 128 + the
// signal number. The signals are taken by a thread of their own (sigwait), so the removal
// runs as ordinary code and not inside a signal handler. Whichever comes first, the signal or
// the end of the command (Finish), takes the lock and keeps it, so the program never ends
// half-way through the removal. The object lives until the process ends.
class InterruptCleanup {
  public:
    explicit InterruptCleanup(std::set<std::string> outputFolders)
        : outputFolders_(std::move(outputFolders)) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tollmere-cli-XXXXXX";
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
        // Twice: the conversion goes on while the first pass runs and may create a file.
        for (int pass = 0; pass < 2; ++pass) {
            RemoveTempRoot();
            RemovePartFiles();
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

    void RemovePartFiles() const {
        const std::string tail = "." + std::to_string(::getpid()) + ".";
        for (const std::string& folder : outputFolders_) {
            std::error_code ec;
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
                const std::string name = it->path().filename().string();
                const size_t at = name.rfind(tail);
                if (name.size() > 5 && name[0] == '.' && at != std::string::npos &&
                    name.compare(name.size() - 5, 5, ".part") == 0) {
                    std::error_code removeError;
                    fs::remove(it->path(), removeError);
                }
            }
        }
    }

    std::set<std::string> outputFolders_;
    std::string tempRoot_;
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
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return UsageError("no command given (convert or header)");

    const std::string command = args.front();
    args.erase(args.begin());
    Console console;
    console.progressBar = ::isatty(STDOUT_FILENO) == 1;

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
        interruptCleanup = new InterruptCleanup(OutputFoldersOf(parsed.command));
        const int status = RunConvert(parsed.command, console);
        interruptCleanup->Finish();
        return status;
    }
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
