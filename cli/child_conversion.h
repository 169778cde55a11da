// Each conversion of tollmere-cli runs in a child process of its own. The library converts one
// file at a time per process and cannot be stopped half-way; a child can: on an interrupt the
// program kills the running children, waits until they are gone and only then removes what
// they left (their temporary folders and hidden unfinished files), so that nothing survives in
// any interleaving. The child reports progress, the reason of a failure and each file it
// published through a pipe.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tollmere::cli {

// What one conversion in a child process came to.
struct ConversionOutcome {
    int result = 0;            // the library's result: 1 converted
    bool reported = false;     // the child reported its result (it did not die on the way)
    int exitSignal = 0;        // the signal that ended the child, when one did
    bool sawProgress = false;  // a decoder ran over the data
    int failureReason = 0;     // KESTRIN_FAILURE_* of a failed conversion (0 when none came)
    int failureError = 0;      // the system error number behind it
    std::vector<std::string> written;  // the output files the conversion published
    // The single-point step after a conversion, when asked for.
    int positionState = 0;  // a PositionState
    double xyz[3] = {0, 0, 0};
    std::string positionFile;  // the observation file it used
};

// How the single-point step after a conversion went.
enum PositionState {
    kPositionNotRun = 0,
    kPositionWritten = 1,     // computed and written into the observation header
    kPositionNoFile = 2,      // the conversion published no observation file
    kPositionFailed = 3,      // no position could be computed from the file
    kPositionNotWritten = 4,  // computed, but the header could not be rewritten
};

// The observation file among the files a conversion published (the first whose header says
// "OBSERVATION DATA"), or empty.
std::string ObservationFileOf(const std::vector<std::string>& written);

// Converts `input` into `folder` with the option word in a child process and waits for it;
// `progress` hears each percentage the library reports. With `positionStep` the child then
// computes the single-point position of the observation file it wrote and puts it into that
// file's "APPROX POSITION XYZ" record.
ConversionOutcome ConvertInChild(const std::string& input, const std::string& folder,
                                 int32_t optionWord, const std::function<void(int)>& progress,
                                 bool positionStep = false);

// The hidden command line by which ConvertInChild starts this program as a conversion child:
//   tollmere-cli <kChildCommand> INPUT FOLDER WORD POSITION(0|1) TEMPFOLDER
// with the report pipe on file descriptor 3. The program's main hands such a command line to
// RunConversionChild, which does not return.
inline constexpr const char* kChildCommand = "--conversion-child";
[[noreturn]] int RunConversionChild(int argc, char** argv);

// Kills every child conversion still running and waits until each has ended; afterwards no
// new child is started (the call is for an interrupt that ends the program). Returns their
// process ids.
std::vector<pid_t> StopChildConversions();

// Removes the hidden unfinished files ".<name>.<pid>.<n>.part" that process `pid` left in
// `folder`.
void RemoveUnfinishedFiles(const std::string& folder, pid_t pid);

}  // namespace tollmere::cli
