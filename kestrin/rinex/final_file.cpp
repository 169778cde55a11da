#include "rinex/final_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace kestrin {
namespace {

constexpr size_t kCopyPiece = 32768;

// "<folder>/.<name>.<n>.part": hidden beside the final name, unique per process and attempt.
std::string TempNameFor(const std::string& path, unsigned attempt) {
    const size_t sep = path.find_last_of('/');
    const std::string folder = sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
    const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.part", static_cast<long>(getpid()), attempt);
    // Long final names are cut so that the temporary name still fits a file-name component.
    return folder + "." + name.substr(0, 200) + suffix;
}

}  // namespace

FinalFile::FinalFile(std::string path) : path_(std::move(path)) {
    static unsigned counter = 0;
    for (int tries = 0; tries < 100 && fd_ < 0; ++tries) {
        tempPath_ = TempNameFor(path_, counter++);
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) tempPath_.clear();
}

FinalFile::~FinalFile() {
    Discard();
}

bool FinalFile::WriteRaw(const char* data, size_t size) {
    if (!ok()) return false;
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool FinalFile::Write(std::string_view bytes, bool crlf) {
    if (!crlf) return WriteRaw(bytes.data(), bytes.size());
    std::string converted;
    converted.reserve(bytes.size() + bytes.size() / 40 + 2);
    for (char c : bytes) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return WriteRaw(converted.data(), converted.size());
}

bool FinalFile::CopyFrom(const std::string& sourcePath, bool crlf, size_t* copied) {
    if (copied != nullptr) *copied = 0;
    if (!ok()) return false;
    const int in = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    std::vector<char> piece(kCopyPiece);
    bool good = true;
    for (;;) {
        const ssize_t n = ::read(in, piece.data(), piece.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            good = false;
            break;
        }
        if (n == 0) break;
        if (copied != nullptr) *copied += static_cast<size_t>(n);
        if (!Write(std::string_view(piece.data(), static_cast<size_t>(n)), crlf)) {
            good = false;
            break;
        }
    }
    ::close(in);
    return good;
}

bool FinalFile::Commit() {
    if (fd_ < 0) return false;
    const bool written = !failed_;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!written || !closed || std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        Discard();
        return false;
    }
    tempPath_.clear();
    return true;
}

void FinalFile::Forget() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    tempPath_.clear();
}

void FinalFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

bool WriteBeside(const std::string& path, const std::function<bool(const std::string&)>& write) {
    std::string temp;
    {
        FinalFile reserved(path);  // claims a unique name beside `path`
        if (!reserved.ok()) return false;
        temp = reserved.tempPath();
        reserved.Forget();
    }
    bool written = false;
    try {
        written = write(temp);
    } catch (...) {
        ::unlink(temp.c_str());  // out of memory while writing: no temporary file stays
        throw;
    }
    if (written && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

void RemoveFileQuietly(const std::string& path) {
    if (!path.empty()) ::unlink(path.c_str());
}

}  // namespace kestrin
