#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "coords/coordinate.h"
#include "entry/positioning.h"
#include "readers/regular_file.h"

namespace baldorn {
namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

constexpr const char* kApproxLabel = "APPROX POSITION XYZ";
constexpr size_t kRecordWidth = 80;

// One line of the file with its line end kept apart, so that a rewrite can keep it.
struct Line {
    long long offset = 0;
    std::string text;
    std::string ending;
};

// No header line is anywhere near this long; a longer one marks a file that is no RINEX
// observation file, and reading stops there instead of holding the line in memory.
constexpr size_t kMaxHeaderLine = 65536;

// One line, at most kMaxHeaderLine characters; `complete` tells whether the line end (or the end
// of the file) was reached within them.
bool ReadRawLine(std::FILE* f, Line& line, bool* complete = nullptr) {
    line.offset = ftello(f);
    line.text.clear();
    line.ending.clear();
    if (complete) *complete = true;
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') {
            line.ending = "\n";
            break;
        }
        line.text.push_back(static_cast<char>(c));
        if (line.text.size() >= kMaxHeaderLine) {
            if (complete) *complete = false;
            return true;
        }
    }
    if (!line.ending.empty() && !line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.ending = "\r\n";
    }
    return any;
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The file a path names, with symbolic links followed, so that a rewrite through a temporary
// copy updates the link's target as an in-place edit through the link does; empty when the
// path cannot be resolved.
std::string ResolvedTarget(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// Rewrites the whole file through a temporary file beside it, replacing the header lines at
// the given offsets, and renames it into place. The temporary file is removed on failure.
bool RewriteThroughTemporary(const std::string& linkPath, std::FILE* source,
                             const std::vector<long long>& offsets, const std::string& record) {
    const std::string path = ResolvedTarget(linkPath);
    if (path.empty()) return false;
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    const std::string tmpPath(name.data());
    struct stat st;
    if (::fstat(::fileno(source), &st) == 0) ::fchmod(fd, st.st_mode & 07777);

    bool ok = fseeko(source, 0, SEEK_SET) == 0;
    Line line;
    size_t next = 0;
    // Header lines up to the last replaced record, then the rest of the file in blocks, so
    // that memory does not grow with the length of the observation lines.
    while (ok && next < offsets.size() && ReadRawLine(source, line)) {
        if (line.offset == offsets[next]) {
            ok = WriteAll(fd, record + (line.ending.empty() ? "\n" : line.ending));
            ++next;
        } else {
            ok = WriteAll(fd, line.text + line.ending);
        }
    }
    std::string block(65536, '\0');
    while (ok) {
        const size_t got = std::fread(block.data(), 1, block.size(), source);
        if (got == 0) break;
        ok = WriteAll(fd, block.substr(0, got));
    }
    if (ok && std::ferror(source)) ok = false;
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(tmpPath.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(tmpPath.c_str());
    return ok;
}

int ModifyRinexHeader(const std::string& path, const double xyz[3]) {
    for (int i = 0; i < 3; ++i)
        if (!std::isfinite(xyz[i])) return 0;
    char record[128];
    const int len = std::snprintf(record, sizeof record, "%14.4lf%14.4lf%14.4lf%18s%-20s", xyz[0],
                                  xyz[1], xyz[2], " ", kApproxLabel);
    // A coordinate that does not fit its 14 columns would widen the record.
    if (len != static_cast<int>(kRecordWidth)) return 0;

    FilePtr file(OpenRegularFile(path, nullptr, "r+b"), &std::fclose);
    if (!file) return 0;
    std::vector<long long> offsets;
    bool allExact = true;
    bool endFound = false;
    Line line;
    bool complete = true;
    while (ReadRawLine(file.get(), line, &complete)) {
        if (!complete) return 0;
        if (line.text.find(kApproxLabel) != std::string::npos) {
            offsets.push_back(line.offset);
            if (line.text.size() != kRecordWidth || line.ending.empty()) allExact = false;
        }
        if (line.text.find("END OF HEADER") != std::string::npos) {
            endFound = true;
            break;
        }
    }
    // Without the end of the header this is no observation file we can trust: leave it as is.
    if (!endFound) return 0;
    if (offsets.empty()) return 1;
    if (!allExact) return RewriteThroughTemporary(path, file.get(), offsets, record) ? 1 : 0;
    // Every record is exactly 80 columns: overwrite the columns in place, line ends untouched.
    for (long long offset : offsets) {
        if (fseeko(file.get(), offset, SEEK_SET) != 0) return 0;
        if (std::fwrite(record, 1, kRecordWidth, file.get()) != kRecordWidth) return 0;
    }
    return std::fflush(file.get()) == 0 ? 1 : 0;
}

void PutLittleEndian(unsigned char* out, const void* value, size_t size) {
    // The build targets little-endian hosts; copy the bytes in memory order.
    std::memcpy(out, value, size);
}

int ModifyStaticHeader(const std::string& path, const double xyz[3]) {
    FilePtr file(OpenRegularFile(path, nullptr, "r+b"), &std::fclose);
    if (!file) return 0;
    for (int i = 0; i < 3; ++i)
        if (!std::isfinite(xyz[i])) return 0;
    unsigned char header[512] = {};
    const size_t got = std::fread(header, 1, sizeof header, file.get());
    // Only a complete header is written into; a shorter file would be extended by the write.
    if (got < sizeof header || std::memcmp(header, "QVT-GPS ", 8) != 0) return 0;
    const Geodetic g = CCoordinate::XyzToBlh({xyz[0], xyz[1], xyz[2]});
    // The height field is a 4-byte float; a height it cannot hold is refused, not wrapped.
    if (!(std::fabs(g.height) <= std::numeric_limits<float>::max())) return 0;
    double lat = g.latitude, lon = g.longitude;
    if (header[104] == 1) {
        lat = lat * 180.0 / kPi;
        lon = lon * 180.0 / kPi;
    }
    const float height = static_cast<float>(g.height);
    unsigned char fields[20];
    PutLittleEndian(fields, &lat, 8);
    PutLittleEndian(fields + 8, &lon, 8);
    PutLittleEndian(fields + 16, &height, 4);
    if (fseeko(file.get(), 80, SEEK_SET) != 0) return 0;
    if (std::fwrite(fields, 1, sizeof fields, file.get()) != sizeof fields) return 0;
    return std::fflush(file.get()) == 0 ? 1 : 0;
}

}  // namespace

int ModifyStationCoordinate(const char* path, const double xyz[3]) {
    if (!path || !xyz || path[0] == '\0') return 0;
    const std::string p(path);
    const char last = p.back();
    if (last == 'O' || last == 'o') return ModifyRinexHeader(p, xyz);
    return ModifyStaticHeader(p, xyz);
}

}  // namespace baldorn
