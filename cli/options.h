// Command-line options of `tollmere-cli convert` and their packing into the option word of
// ParseDataToRinexFormat. The word is built exactly as the desktop dialog builds it from its
// controls, so a command line and the dialog with the same choices convert alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tollmere::cli {

// Entries of the dialog's "Rinex Version" list, in list order (the index goes into bits 24-31).
inline constexpr const char* kFormatNames[] = {"rinex2.10", "rinex3.02", "leica3.02", "brevak2.10",
                                               "brevak3.02"};
// Entries of the dialog's "time Interval" list, in list order (the index goes into bits 16-23).
inline constexpr const char* kIntervalNames[] = {"auto", "10hz", "5hz", "2hz", "1hz", "2",
                                                 "5",    "10",   "15",  "20",  "30",  "60"};
// Letters of the export systems, bit i of the system mask = letter i.
inline constexpr char kSystemLetters[] = "GRCSJE";

// The choices of one conversion; the member defaults are the dialog's initial controls.
struct ConvertChoices {
    int formatIndex = 1;    // "Rinex3.02"
    int intervalIndex = 0;  // "Automatic"
    uint32_t systems = 63;  // all six systems
    bool singleFrequency = false;
    bool phaseCenter = true;
    bool ionoCorrections = true;
    bool mixed = false;
    bool flagCycleSlips = true;
    bool singlePoint = false;  // "Set Station Coordinate With Single Point Position"
};

// The option word of the choices: bits 0-5 systems, 8 single frequency, 9 phase centre,
// 10 ionosphere lines, 11 mixed (only for the RINEX 3 list entries 1, 2 and 4), 12 loss-of-lock
// flags, 13 single-point step (the library does not read it), 16-23 interval index, 24-31
// format index.
int32_t OptionWord(const ConvertChoices& choices);

// True when --mixed is honoured with the chosen format (a RINEX 3 entry).
bool MixedAllowed(int formatIndex);

// Index of a --format / --interval value (case-insensitive; an interval may carry a trailing
// "s", and the rate entries also take their interval in seconds), or -1 when it names no
// list entry.
int FormatIndex(const std::string& name);
int IntervalIndex(const std::string& name);

// System mask of a --systems value such as "GRE" (case-insensitive, repeats allowed), or -1
// when it is empty or holds a letter outside GRCSJE.
int SystemMask(const std::string& letters);

// Most conversions a --jobs value may run at a time.
inline constexpr int kMaxJobs = 256;

// The value of --jobs: a whole number 1..kMaxJobs, or -1.
int JobCount(const std::string& text);

// A parsed `convert` command line.
struct ConvertCommand {
    ConvertChoices choices;
    std::string outputFolder;  // empty: each input's own folder
    std::vector<std::string> inputs;
    int jobs = 1;           // conversions running at a time, each in a process of its own
    bool json = false;      // one JSON object per input on standard output
    bool position = false;  // single-point position into each observation file written
    bool help = false;
    std::vector<std::string> warnings;
};

// Result of parsing: `error` is empty on success, else it says what is wrong (usage error).
struct ParseResult {
    ConvertCommand command;
    std::string error;
};

// Parses the arguments that follow the word "convert". Options and inputs may be mixed; "--"
// ends the options. Every option also accepts the "--name=value" spelling.
ParseResult ParseConvertArguments(const std::vector<std::string>& args);

// The text of `tollmere-cli --help`.
std::string HelpText();

}  // namespace tollmere::cli
