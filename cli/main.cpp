// tollmere-cli: converts raw static recordings to RINEX from the command line.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "convert.h"
#include "options.h"

namespace {

constexpr int kUsageError = 2;

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
        return RunConvert(parsed.command, console);
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
