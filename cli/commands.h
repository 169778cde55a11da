// The file commands of tollmere-cli: position, info, antenna and slips. Each takes the
// arguments after its name and returns the exit status: 0 every file done, 1 some input
// failed, 2 a usage error.
#pragma once

#include <string>
#include <vector>

#include "convert.h"

namespace tollmere::cli {

inline constexpr int kExitUsage = 2;

int RunPositionCommand(const std::vector<std::string>& args, const Console& console);
int RunInfoCommand(const std::vector<std::string>& args, const Console& console);
int RunAntennaCommand(const std::vector<std::string>& args, const Console& console);
int RunSlipsCommand(const std::vector<std::string>& args, const Console& console);

// Names of the antenna measuring methods, by method number 0..4.
inline constexpr const char* kMethodNames[] = {"phase-center", "slant", "vertical", "altimetry",
                                               "bottom"};

// The method number of a --method value: 0..4, or one of kMethodNames (case-insensitive);
// -1 otherwise.
int MethodNumber(const std::string& text);

// True for a time text HH:MM:SS with hours 0-23, minutes and seconds 0-59.
bool IsTimeText(const std::string& text);

// The name the antenna editor gives a static file: the point name padded with "0" to four
// characters, the day of the year as three digits, the character just before the last period
// upper-cased, and ".dat". Path separators, dots and control characters of the point name
// (or of that character) become '_': the name stays in its folder.
std::string EditorFileName(const std::string& path, const std::string& pointName, int year,
                           int month, int day);

}  // namespace tollmere::cli
