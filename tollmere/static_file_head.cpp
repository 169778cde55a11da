#include "static_file_head.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numbers>

namespace tollmere {
namespace {

constexpr const char kMagic[] = "QVT-GPS ";

template <typename T>
T ReadLe(const unsigned char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof(T));  // the header is little-endian, as is this host
    return value;
}

std::string TextField(const unsigned char* bytes, size_t size) {
    const auto* begin = reinterpret_cast<const char*>(bytes);
    return std::string(begin, strnlen(begin, size));
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::tm LocalTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

// Creation time where the file system records it, else the change time; and the
// modification time.
void FileTimes(const std::string& path, std::time_t& created, std::time_t& modified) {
    created = modified = std::time(nullptr);
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_CTIME | STATX_MTIME, &info) != 0)
        return;
    created = (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : info.stx_ctime.tv_sec;
    modified = info.stx_mtime.tv_sec;
}

void FillFromHeader(const unsigned char* h, StaticFile_Head& head) {
    head.headerText = TextField(h, 53);
    head.day = h[58];
    head.month = h[59];
    head.year = ReadLe<uint16_t>(h + 60);
    head.latitude = ReadLe<double>(h + 80) * 180.0 / std::numbers::pi;
    head.longitude = ReadLe<double>(h + 88) * 180.0 / std::numbers::pi;
    head.height = ReadLe<float>(h + 96);
    head.antennaHeight = ReadLe<int16_t>(h + 105) / 1000.0;
    head.startTime = TextField(h + 107, 8);
    head.stopTime = TextField(h + 115, 8);
    head.antennaNumber = h[123];
}

void FillWithNow(StaticFile_Head& head) {
    const std::tm now = LocalTime(std::time(nullptr));
    head.year = now.tm_year + 1900;
    head.month = now.tm_mon + 1;
    head.day = now.tm_mday;
    head.startTime = head.stopTime = FormatClock(now);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string FileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsRawFileName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static const std::array<const char*, 7> kinds = {"DAT", "RAW", "RT17", "RT27",
                                                     "STH", "ZHD", "BIN"};
    return std::find(kinds.begin(), kinds.end(), ext) != kinds.end();
}

std::optional<StaticFile_Head> ReadStaticFileHead(const std::string& path) {
    // Only a regular file is opened: a FIFO (or a device behind a link) would block the scan
    // until a writer appears.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    StaticFile_Head head;
    head.fileName = FileNameOf(path);
    head.fileSize = info.st_size;
    std::array<unsigned char, kStaticHeaderSize> header{};
    file.read(reinterpret_cast<char*>(header.data()), header.size());
    const bool complete = file.gcount() == kStaticHeaderSize;
    // A file shorter than a header has none, whatever its first bytes say.
    if (complete && std::memcmp(header.data(), kMagic, 8) == 0) {
        FillFromHeader(header.data(), head);
    } else {
        FillWithNow(head);
        // Too short for a header: the scan takes its times from the file system.
        if (!complete) head.startTime.clear(), head.stopTime.clear();
    }
    return head;
}

std::optional<std::vector<StaticFile_Head>> ScanFolder(const std::string& folder) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info {};
        if (stat(JoinPath(folder, name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
        if (IsRawFileName(name)) names.push_back(name);
    }
    closedir(dir);

    std::vector<StaticFile_Head> heads;
    for (const std::string& name : names) {
        const std::string path = JoinPath(folder, name);
        if (access(path.c_str(), F_OK) != 0) continue;  // vanished since the listing
        std::optional<StaticFile_Head> head = ReadStaticFileHead(path);
        if (!head) continue;
        head->startTime = Trimmed(head->startTime);
        head->stopTime = Trimmed(head->stopTime);
        if (head->startTime.empty() || head->stopTime.empty()) {
            std::time_t created = 0, modified = 0;
            FileTimes(path, created, modified);
            if (head->startTime.empty()) head->startTime = FormatClock(LocalTime(created));
            if (head->stopTime.empty()) head->stopTime = FormatClock(LocalTime(modified));
        }
        heads.push_back(std::move(*head));
    }
    return heads;
}

std::string FormatAntennaHeight(double metres) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3fM", metres);
    return text;
}

std::string FormatFileSize(int64_t bytes) {
    char text[64];
    if (bytes < 1025) {
        std::snprintf(text, sizeof text, "%lldB", static_cast<long long>(bytes));
        return text;
    }
    const double kib = static_cast<double>(bytes) / 1024.0;
    if (kib > 1024.0)
        std::snprintf(text, sizeof text, "%.3fM", kib / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.3fK", kib);
    return text;
}

std::string FormatDate(int year, int month, int day) {
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d", year, month, day);
    return text;
}

std::string FormatClock(const std::tm& local) {
    char text[64];
    std::snprintf(text, sizeof text, "%d:%d:%d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

}  // namespace tollmere
