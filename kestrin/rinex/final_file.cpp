#include "rinex/final_file.h"

#include <fcntl.h>
#include <sys/stat.h>
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

// Why `path` cannot be replaced by a rename: a folder stands there (0 when nothing stands in
// the way, or a plain file or link that the rename replaces).
int ReplaceProblem(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    return S_ISDIR(st.st_mode) ? EISDIR : 0;
}

// The earlier file under a final name, kept under a hidden name until every file of the set
// is in place: a second name (hard link) where the file system allows, else the file itself
// moved aside.
struct KeptFile {
    std::string backup;
    bool moved = false;
};

// Keeps the file at `path`, if any; false (with errno set) when it cannot be kept.
bool KeepEarlier(const std::string& path, KeptFile* kept) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    static unsigned counter = 0;
    for (int tries = 0; tries < 100; ++tries) {
        const std::string candidate = TempNameFor(path, counter++) + ".old";
        if (::link(path.c_str(), candidate.c_str()) == 0) {
            kept->backup = candidate;
            return true;
        }
        if (errno == EEXIST) continue;
        // No second names here (some removable-media file systems): move the file aside.
        struct stat other {};
        if (::lstat(candidate.c_str(), &other) == 0) continue;
        if (std::rename(path.c_str(), candidate.c_str()) != 0) return false;
        kept->backup = candidate;
        kept->moved = true;
        return true;
    }
    errno = EEXIST;
    return false;
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
    // Nothing is renamed while any name is taken by something a rename cannot replace.
    for (const auto& file : files_) {
        if (const int problem = ReplaceProblem(file->path()); problem != 0) {
            error_ = problem;
            Discard();
            return false;
        }
    }
    // The files replaced stay under hidden names until the last rename succeeded, so that a
    // failure on the way puts every earlier file back.
    std::vector<KeptFile> kept(files_.size());
    size_t committed = 0;
    int failure = 0;
    for (size_t i = 0; i < files_.size() && failure == 0; ++i) {
        if (!KeepEarlier(files_[i]->path(), &kept[i])) {
            failure = errno != 0 ? errno : EIO;
            break;
        }
        if (!files_[i]->Commit()) {
            failure = files_[i]->error() != 0 ? files_[i]->error() : EIO;
            break;
        }
        committed = i + 1;
    }
    if (failure != 0) {
        for (size_t i = 0; i < files_.size(); ++i) {
            const std::string& path = files_[i]->path();
            if (i < committed) {
                if (!kept[i].backup.empty()) {
                    std::rename(kept[i].backup.c_str(), path.c_str());
                } else {
                    ::unlink(path.c_str());
                }
            } else if (!kept[i].backup.empty()) {
                if (kept[i].moved) {
                    std::rename(kept[i].backup.c_str(), path.c_str());
                } else {
                    ::unlink(kept[i].backup.c_str());
                }
            }
        }
        error_ = failure;
        Discard();
        return false;
    }
    for (const KeptFile& k : kept) RemoveFileQuietly(k.backup);
    if (published) {
        for (const auto& file : files_) published(file->path());
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
