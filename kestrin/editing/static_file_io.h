// Opening a static file's header for reading or for in-place writing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/static_header.h"
#include "decoders/byte_view.h"

namespace kestrin {

// The header bytes of one open static file. The buffer is zero-filled beyond what the file
// holds. Writes never reach past the file's end, so an edit cannot change its length.
class StaticHeaderFile {
  public:
    StaticHeaderFile() = default;
    ~StaticHeaderFile();
    StaticHeaderFile(const StaticHeaderFile&) = delete;
    StaticHeaderFile& operator=(const StaticHeaderFile&) = delete;

    // False for an empty path, a path that is no regular file, or one that cannot be opened
    // (for reading and writing when writable).
    bool Open(const std::string& path, bool writable);

    ByteView Header() const { return ByteView(bytes_.data(), bytes_.size()); }
    // Bytes of the file (its length, not only what was read).
    uint64_t FileSize() const { return fileSize_; }
    bool HasMagic() const { return fileSize_ >= kStaticMagic.size() && IsStaticHeader(Header()); }

    bool WriteI16(size_t offset, int16_t value);
    bool WriteI32(size_t offset, int32_t value);
    bool WriteU8(size_t offset, uint8_t value);
    // Writes width bytes at offset: the text's first bytes, zero bytes after it.
    bool WriteText(size_t offset, const std::string& text, size_t width);

  private:
    bool WriteBytes(size_t offset, const uint8_t* data, size_t count);

    int fd_ = -1;
    uint64_t fileSize_ = 0;
    std::array<uint8_t, kStaticHeaderSize> bytes_{};
};

// value x scale, truncated toward zero or rounded to the nearest integer (halves away from
// zero, so negative values round as positive ones do), into out; false when the value is not
// finite or the result does not fit [low, high].
bool ScaledInteger(double value, double scale, bool round, int64_t low, int64_t high, int64_t& out);

}  // namespace kestrin
