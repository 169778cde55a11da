// Texts of the file list's cells and of the log: values with their units in the language of
// the program, and file names made safe to show.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace tollmere {

// "1.500 m"
QString HeightText(double metres);
// "1024 B", "1.001 KB" (above 1024 bytes), "1.000 MB" (above 1024 KB)
QString SizeText(int64_t bytes);
// Seconds of the day of an "h:m:s" text, -1 when it is none.
int ClockSeconds(const std::string& text);
// Recording length from start to stop ("h:mm:ss"; past midnight when stop < start); empty
// when either time is no clock text.
QString DurationText(const std::string& start, const std::string& stop);
int DurationSeconds(const std::string& start, const std::string& stop);
// A file name as the user reads it: its bytes as UTF-8 (as the system names files), a line
// feed shown as a return arrow and any other control character as the replacement mark.
// every control character, a line feed among them, shown as its visible symbol.
QString DisplayName(const std::string& name);

}  // namespace tollmere
