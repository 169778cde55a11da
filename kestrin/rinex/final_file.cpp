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
    if (fd_ < 0) {
        error_ = errno;
        tempPath_.clear();
    }
}

void FinalFile::Fail(int error) {
    failed_ = true;
    if (error_ == 0) error_ = error != 0 ? error : EIO;
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
            Fail(n < 0 ? errno : ENOSPC);
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
    if (in < 0) {
        Fail(errno);
        return false;
    }
    std::vector<char> piece(kCopyPiece);
    bool good = true;
    for (;;) {
        const ssize_t n = ::read(in, piece.data(), piece.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail(errno);
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

bool FinalFile::Close() {
    if (closed_) return !failed_;
    if (fd_ < 0) return false;
    if (::close(fd_) != 0) Fail(errno);
    fd_ = -1;
    closed_ = true;
    return !failed_;
}

bool FinalFile::Commit() {
    if (!Close() || tempPath_.empty()) {
        Discard();
        return false;
    }
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        Fail(errno);
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

OutputSet::~OutputSet() {
    Discard();
}

FinalFile& OutputSet::Add(const std::string& path) {
    files_.push_back(std::make_unique<FinalFile>(path));
    return *files_.back();
}

void OutputSet::RemoveOnPublish(const std::string& path) {
    removals_.push_back(path);
}

bool OutputSet::Publish(const std::function<void(const std::string&)>& published) {
    // Every file complete on disk first; only then does any final name change.
    // A file dropped on the way (no records after all) has no temporary name and no error.
    std::erase_if(files_, [](const std::unique_ptr<FinalFile>& file) {
        return file->tempPath().empty() && file->error() == 0;
    });
    for (const auto& file : files_) {
        if (!file->Close()) {
            error_ = file->error() != 0 ? file->error() : EIO;
            Discard();
            return false;
        }
    }
    for (const auto& file : files_) {
        if (!file->Commit()) {
            error_ = file->error() != 0 ? file->error() : EIO;
            Discard();
            return false;
        }
        if (published) published(file->path());
    }
    files_.clear();
    for (const std::string& path : removals_) RemoveFileQuietly(path);
    removals_.clear();
    return true;
}

void OutputSet::Discard() {
    for (const auto& file : files_) file->Discard();
    files_.clear();
    removals_.clear();
}

}  // namespace kestrin
