#include "editing/static_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

namespace kestrin {

StaticHeaderFile::~StaticHeaderFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool StaticHeaderFile::Open(const std::string& path, bool writable) {
    if (path.empty() || fd_ >= 0) return false;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0) return false;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    fileSize_ = static_cast<uint64_t>(st.st_size);
    size_t done = 0;
    while (done < bytes_.size()) {
        const ssize_t n =
            ::pread(fd_, bytes_.data() + done, bytes_.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool StaticHeaderFile::WriteBytes(size_t offset, const uint8_t* data, size_t count) {
    if (fd_ < 0) return false;
    if (offset >= fileSize_) return true;
    if (count > fileSize_ - offset) count = static_cast<size_t>(fileSize_ - offset);
    size_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pwrite(fd_, data + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool StaticHeaderFile::WriteI16(size_t offset, int16_t value) {
    const uint16_t v = static_cast<uint16_t>(value);
    const uint8_t b[2] = {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
    return WriteBytes(offset, b, sizeof b);
}

bool StaticHeaderFile::WriteI32(size_t offset, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    const uint8_t b[4] = {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF),
                          static_cast<uint8_t>((v >> 16) & 0xFF), static_cast<uint8_t>(v >> 24)};
    return WriteBytes(offset, b, sizeof b);
}

bool StaticHeaderFile::WriteU8(size_t offset, uint8_t value) {
    return WriteBytes(offset, &value, 1);
}

bool StaticHeaderFile::WriteText(size_t offset, const std::string& text, size_t width) {
    std::array<uint8_t, kStaticHeaderSize> field{};
    if (width > field.size()) return false;
    for (size_t i = 0; i < width && i < text.size(); ++i) field[i] = static_cast<uint8_t>(text[i]);
    return WriteBytes(offset, field.data(), width);
}

bool ScaledInteger(double value, double scale, bool round, int64_t low, int64_t high,
                   int64_t& out) {
    const double scaled = value * scale;
    if (!std::isfinite(scaled)) return false;
    const double truncated = round ? std::round(scaled) : std::trunc(scaled);
    if (truncated < static_cast<double>(low) || truncated > static_cast<double>(high)) return false;
    out = static_cast<int64_t>(truncated);
    return true;
}

}  // namespace kestrin
