#include "options.h"

#include <cctype>
#include <iterator>

namespace tollmere::cli {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

template <size_t N>
int IndexOf(const char* const (&names)[N], const std::string& name) {
    for (size_t i = 0; i < N; ++i) {
        if (name == names[i]) return static_cast<int>(i);
    }
    return -1;
}

std::string JoinNames(const char* const* names, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) text += '|';
        text += names[i];
    }
    return text;
}

}  // namespace

int JobCount(const std::string& text) {
    if (text.empty() || text.size() > 4) return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= kMaxJobs ? value : -1;
}

bool MixedAllowed(int formatIndex) {
    return formatIndex == 1 || formatIndex == 2 || formatIndex == 4;
}

int32_t OptionWord(const ConvertChoices& c) {
    uint32_t word = c.systems & 0x3Fu;
    if (c.singleFrequency) word |= 1u << 8;
    if (c.phaseCenter) word |= 1u << 9;
    if (c.ionoCorrections) word |= 1u << 10;
    if (c.flagCycleSlips) word |= 1u << 12;
    if (c.singlePoint) word |= 1u << 13;
    word |= (static_cast<uint32_t>(c.intervalIndex) & 0xFFu) << 16;
    word |= (static_cast<uint32_t>(c.formatIndex) & 0xFFu) << 24;
    if (c.mixed && MixedAllowed(c.formatIndex)) word |= 1u << 11;
    return static_cast<int32_t>(word);
}

int FormatIndex(const std::string& name) {
    return IndexOf(kFormatNames, Lower(name));
}

int IntervalIndex(const std::string& name) {
    std::string value = Lower(name);
    int index = IndexOf(kIntervalNames, value);
    // "30s" means the entry "30"; only the second-valued entries take the suffix.
    const bool seconds = value.size() > 1 && value.back() == 's';
    if (seconds) value.pop_back();
    if (index < 0 && seconds) {
        index = IndexOf(kIntervalNames, value);
        if (index >= 0 && index < 5) index = -1;
    }
    // The rate entries also answer to their interval in seconds ("1" or "1s" is "1hz").
    if (index < 0) {
        static constexpr const char* kRateSeconds[] = {"0.1", "0.2", "0.5", "1"};
        const int rate = IndexOf(kRateSeconds, value);
        if (rate >= 0) index = rate + 1;
    }
    return index;
}

int SystemMask(const std::string& letters) {
    if (letters.empty()) return -1;
    int mask = 0;
    for (char c : letters) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        int bit = -1;
        for (int i = 0; kSystemLetters[i] != '\0'; ++i) {
            if (kSystemLetters[i] == upper) bit = i;
        }
        if (bit < 0) return -1;
        mask |= 1 << bit;
    }
    return mask;
}

ParseResult ParseConvertArguments(const std::vector<std::string>& args) {
    ParseResult result;
    ConvertCommand& cmd = result.command;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            cmd.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        const bool takesValue = name == "-o" || name == "--output" || name == "--format" ||
                                name == "--interval" || name == "--systems" ||
                                name == "--jobs" || name == "-j";
        if (takesValue && !hasValue) {
            if (i + 1 >= args.size()) {
                result.error = "option " + name + " needs a value";
                return result;
            }
            value = args[++i];
        } else if (!takesValue && hasValue) {
            result.error = "option " + name + " takes no value";
            return result;
        }

        if (name == "-h" || name == "--help") {
            cmd.help = true;
        } else if (name == "-o" || name == "--output") {
            if (value.empty()) {
                result.error = "the output folder is empty";
                return result;
            }
            cmd.outputFolder = value;
        } else if (name == "--format") {
            const int index = FormatIndex(value);
            if (index < 0) {
                result.error = "unknown format \"" + value + "\" (use " +
                               JoinNames(kFormatNames, std::size(kFormatNames)) + ")";
                return result;
            }
            cmd.choices.formatIndex = index;
        } else if (name == "--interval") {
            const int index = IntervalIndex(value);
            if (index < 0) {
                result.error = "unknown interval \"" + value + "\" (use " +
                               JoinNames(kIntervalNames, std::size(kIntervalNames)) + ")";
                return result;
            }
            cmd.choices.intervalIndex = index;
        } else if (name == "--systems") {
            const int mask = SystemMask(value);
            if (mask < 0) {
                result.error = "--systems takes one or more of the letters " +
                               std::string(kSystemLetters) + ", not \"" + value + "\"";
                return result;
            }
            cmd.choices.systems = static_cast<uint32_t>(mask);
        } else if (name == "-j" || name == "--jobs") {
            const int jobs = JobCount(value);
            if (jobs < 0) {
                result.error = "--jobs takes a whole number from 1 to " +
                               std::to_string(kMaxJobs) + ", not \"" + value + "\"";
                return result;
            }
            cmd.jobs = jobs;
        } else if (name == "--json") {
            cmd.json = true;
        } else if (name == "--position") {
            cmd.position = true;
            cmd.choices.singlePoint = true;
        } else if (name == "--single-freq") {
            cmd.choices.singleFrequency = true;
        } else if (name == "--no-phase-center") {
            cmd.choices.phaseCenter = false;
        } else if (name == "--no-iono") {
            cmd.choices.ionoCorrections = false;
        } else if (name == "--mixed") {
            cmd.choices.mixed = true;
        } else if (name == "--no-lli") {
            cmd.choices.flagCycleSlips = false;
        } else {
            result.error = "unknown option " + name;
            return result;
        }
    }
    if (cmd.help) return result;
    if (cmd.inputs.empty()) {
        result.error = "no input given";
        return result;
    }
    if (cmd.choices.mixed && !MixedAllowed(cmd.choices.formatIndex)) {
        cmd.warnings.push_back(std::string("--mixed has no effect with ") +
                               kFormatNames[cmd.choices.formatIndex] +
                               " (only RINEX 3 formats use long names and a mixed "
                               "navigation file)");
    }
    return result;
}

std::string HelpText() {
    return R"(Usage:
  tollmere-cli convert [options] INPUT...
  tollmere-cli position [--write] OBSFILE...
  tollmere-cli info FILE...
  tollmere-cli antenna FILE [--height M] [--method N|NAME] [--point NAME] [--rename]
                            [--start HH:MM:SS] [--stop HH:MM:SS]
  tollmere-cli slips [--dry-run] [--json] OBSFILE...
  tollmere-cli header FILE...
  tollmere-cli --help
  tollmere-cli --version

convert
  Converts raw static recordings (a 512-byte static header followed by receiver board
  data) into RINEX observation and navigation files. INPUT is a raw file or a folder; a
  folder converts the files in it (not in sub-folders) whose extension is DAT, RAW, RT17,
  RT27, STH, ZHD or BIN, in any letter case. For each input the files written are listed;
  an input that cannot be converted is named on standard error with the reason.

  -o, --output DIR     folder for the RINEX files (created when missing);
                       default: the folder of each input
  --format NAME        rinex2.10 | rinex3.02 | leica3.02 | brevak2.10 | brevak3.02
                       (default rinex3.02)
  --interval VALUE     output interval: auto (every epoch, default) | 10hz | 5hz | 2hz |
                       1hz | 2 | 5 | 10 | 15 | 20 | 30 | 60 (seconds; "30s" also works,
                       and 0.1, 0.2, 0.5 and 1 name the rates 10hz, 5hz, 2hz and 1hz)
  --systems LETTERS    satellite systems to export, letters of GRCSJE: G GPS, R GLONASS,
                       C BeiDou, S SBAS, J QZSS, E Galileo (default GRCSJE)
  --single-freq        keep only the first-band signals (default: all bands)
  --no-phase-center    antenna height to the antenna bottom, not to the L1 phase centre
  --no-iono            no ionosphere/time-correction lines in navigation headers
  --mixed              RINEX 3 long file names and one mixed navigation file (only with
                       rinex3.02, leica3.02 and brevak3.02; ignored with a warning otherwise)
  --no-lli             write the loss-of-lock digits blank (no cycle-slip flags)
  --position           after each conversion, compute the single-point position of the
                       observation file written and put it into its APPROX POSITION XYZ
                       record (a failure there is a warning; the conversion stands)
  -j, --jobs N         convert N inputs at a time, each in a process of its own (default
                       1); the report keeps the order of the inputs
  --json               one JSON object per input on standard output: input, result
                       ("converted" or "failed"), files, error, epochs, seconds (and
                       position with --position); the human report goes to standard error
  -h, --help           this text

  Without options the conversion uses the desktop program's defaults (option word
  16782911): RINEX 3.02, every epoch, all systems, all bands, phase centre, ionosphere
  lines and cycle-slip flags on, short names.

  Output: an observation file and navigation files per satellite system (or one mixed
  navigation file), plus SBAS message and almanac files when the data hold them; the file
  names follow the RINEX naming rules from the static header's marker, session and date.
  On a terminal a progress bar shows the conversion of each file.

position
  Computes the single-point position of each RINEX observation file from its observations
  and the navigation files beside it, and prints it as earth-centred X, Y, Z and as WGS 84
  latitude, longitude and height. --write also puts it into the file's APPROX POSITION XYZ
  record.

info
  Prints the header and antenna information of each raw static file or RINEX observation
  file (a name ending in O or o is read as RINEX): marker, receiver, antenna, times of the
  first and last observation, position, measured antenna height, measuring method and the
  antenna geometry.

antenna
  Edits the static header of one raw static file as the desktop antenna editor does.
  --height M         measured antenna height in metres (0 to 32.767)
  --method N|NAME    how it was measured: 0 phase-center, 1 slant (to the edge), 2 vertical
                     (to the edge), 3 altimetry (slant to the measuring tab), 4 bottom
                     (vertical to the antenna bottom)
  --point NAME       point name, up to 4 letters or digits
  --rename           rename the file to point name (padded with 0 to 4 characters), day of
                     year, the character before the extension and ".dat"; never over an
                     existing file
  --start, --stop HH:MM:SS   the recording's start and stop times
  Values not given keep what the header holds. The heights to the phase centre and to the
  antenna bottom are printed.

slips
  Marks cycle slips in each RINEX observation file (loss-of-lock digit bit 0) and prints
  what was marked: per satellite and band the epoch times and the test that fired
  (geometry-free, Melbourne-Wuebbena, code-minus-carrier or Doppler). Only the
  loss-of-lock digits of the file change.
  --dry-run          report what would be marked and change nothing
  --json             one JSON object per file on standard output

header
  Prints the observation date stored in the static header of each FILE.

Exit status: 0 when every input was converted (or every file done), 1 when any failed,
2 for a usage error. An interrupted conversion (Ctrl-C, SIGTERM, SIGHUP) removes its
unfinished files and exits with 128 + the signal number (130 for Ctrl-C).
)";
}

}  // namespace tollmere::cli
