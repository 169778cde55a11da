// The `convert` and `header` commands of tollmere-cli: input expansion, checks before a
// conversion, the conversion call through the library's C interface, and the report of what
// was written or why an input failed.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "options.h"

namespace tollmere::cli {

// Extensions (upper case) of the raw files that a folder input converts; the dialog lists the
// same ones.
inline constexpr const char* kRawExtensions[] = {"DAT", "RAW", "RT17", "RT27", "STH", "ZHD", "BIN"};

// True when the name's text after its last period is one of kRawExtensions, in any case.
bool HasRawExtension(const std::string& name);

// The raw files directly inside a folder, sorted by name, as paths folder/name.
std::vector<std::string> RawFilesInFolder(const std::string& folder, std::string& error);

// What can be known about an input before converting it. `error` is empty when it may be
// converted; `hasStaticHeader` tells whether it starts with the static header magic.
struct InputCheck {
    std::string error;
    bool hasStaticHeader = false;
};
InputCheck CheckInput(const std::string& path);

// Makes sure `folder` exists (creating it and its parents when `create` is set) and that
// files can be created in it; returns the reason when not.
std::string CheckOutputFolder(const std::string& folder, bool create);

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path);

// Where the report of a run goes; both streams belong to the caller.
struct Console {
    FILE* out = stdout;
    FILE* err = stderr;
    bool progressBar = false;  // draw a progress bar on `out` (a terminal)
    std::string tempDir;       // the user's $TMPDIR, for messages (empty: /tmp)
};

// Runs `tollmere-cli convert` and returns the exit status (0 all converted, 1 any failed).
int RunConvert(const ConvertCommand& command, const Console& console);

// Runs `tollmere-cli header FILE...`; returns 0 when every header was read, else 1.
int RunHeader(const std::vector<std::string>& files, const Console& console);

}  // namespace tollmere::cli
