#include "static_file_head.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
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
    head.hasHeader = true;
    head.measureMethod = h[145];
    head.pointName = TextField(h + 181, 20);
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

namespace {

// Opens a regular file for reading without blocking; -1 with errno set otherwise (ENODEV for
// anything that is not a regular file, so that nothing is ever opened on a FIFO or device).
int OpenRegular(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return -1;
    if (!S_ISREG(info.st_mode)) {
        errno = ENODEV;
        return -1;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    // The name may have been replaced between the two calls.
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = ENODEV;
        return -1;
    }
    return fd;
}

// Reads up to size bytes from the start; -1 on a read error.
ssize_t ReadPrefix(int fd, unsigned char* bytes, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = pread(fd, bytes + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

}  // namespace

long ReadFilePrefix(const std::string& path, unsigned char* bytes, size_t size) {
    const int fd = OpenRegular(path);
    if (fd < 0) return -1;
    const ssize_t got = ReadPrefix(fd, bytes, size);
    const int error = errno;
    close(fd);
    errno = error;
    return got;
}

InputCheck CheckInput(const std::string& path) {
    InputCheck check;
    const int fd = OpenRegular(path);
    if (fd < 0) {
        check.error = errno;
        check.kind = errno == ENOENT   ? InputCheck::Kind::Missing
                     : errno == ENODEV ? InputCheck::Kind::NotRegular
                                       : InputCheck::Kind::Unreadable;
        return check;
    }
    std::array<unsigned char, kStaticHeaderSize + 1> bytes{};
    const ssize_t got = ReadPrefix(fd, bytes.data(), bytes.size());
    check.error = got < 0 ? errno : 0;
    close(fd);
    check.got = got;
    if (got < 0) {
        check.kind = InputCheck::Kind::Unreadable;
        return check;
    }
    if (got == 0) {
        check.kind = InputCheck::Kind::Empty;
        return check;
    }
    check.hasHeader = got >= 8 && std::memcmp(bytes.data(), kMagic, 8) == 0;
    if (!check.hasHeader) return check;
    if (got < kStaticHeaderSize) {
        check.kind = InputCheck::Kind::TruncatedHeader;
        return check;
    }
    check.formatCode = ReadLe<int16_t>(bytes.data() + 53);
    if (check.formatCode != 0 && check.formatCode != 1000 && check.formatCode != 1099)
        check.kind = InputCheck::Kind::UnknownCode;
    else if (got == kStaticHeaderSize)
        check.kind = InputCheck::Kind::HeaderOnly;
    return check;
}

std::optional<StaticFile_Head> ReadStaticFileHead(const std::string& path) {
    StaticFile_Head head;
    head.fileName = FileNameOf(path);
    const int fd = OpenRegular(path);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;  // vanished since the listing
        head.problem = errno == ENODEV ? StaticFile_Head::Problem::NotRegular
                                       : StaticFile_Head::Problem::Unreadable;
        head.problemErrno = errno;
        FillWithNow(head);
        return head;
    }
    struct stat info {};
    fstat(fd, &info);
    head.fileSize = info.st_size;
    std::array<unsigned char, kStaticHeaderSize> header{};
    const ssize_t got = ReadPrefix(fd, header.data(), header.size());
    if (got < 0) {
        head.problem = StaticFile_Head::Problem::Unreadable;
        head.problemErrno = errno;
    }
    close(fd);
    const bool complete = got == kStaticHeaderSize;
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
        if (name == "." || name == ".." || entry->d_type == DT_DIR || !IsRawFileName(name))
            continue;
        struct stat info {};
        if (entry->d_type != DT_REG && stat(JoinPath(folder, name).c_str(), &info) == 0 &&
            S_ISDIR(info.st_mode))
            continue;
        names.push_back(name);
    }
    closedir(dir);

    std::vector<StaticFile_Head> heads;
    heads.reserve(names.size());
    for (const std::string& name : names) {
        const std::string path = JoinPath(folder, name);
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
