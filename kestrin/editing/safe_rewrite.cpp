#include "editing/safe_rewrite.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "editing/rinex_text.h"
#include "rinex/final_file.h"

namespace kestrin {
namespace {

// How long an edit waits for another edit of the same file to finish.
constexpr auto kLockWait = std::chrono::seconds(20);
constexpr auto kLockPoll = std::chrono::milliseconds(20);

// Opens a regular file for reading without waiting for a writer (FIFO) or a device; -1 with
// errno set otherwise.
int OpenRegular(const std::string& path, struct stat* st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        const int error = S_ISDIR(st->st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The caller may write the file itself (what an in-place edit would need), not only the
// folder it stands in.
bool WritableByCaller(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

EditLock::EditLock(const std::string& path) {
    const std::string target = path.empty() ? std::string() : ResolvedTarget(path);
    if (target.empty()) {
        error_ = errno != 0 ? errno : ENOENT;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    // An edit that finished while this one waited has put a new file under the name: the
    // lock is then taken again on that file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        struct stat locked {};
        const int fd = OpenRegular(target, &locked);
        if (fd < 0) {
            error_ = errno;
            return;
        }
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= deadline) {
                error_ = errno == EINTR ? EWOULDBLOCK : errno;
                ::close(fd);
                return;
            }
            std::this_thread::sleep_for(kLockPoll);
        }
        struct stat now {};
        if (::stat(target.c_str(), &now) == 0 && SameFile(now, locked)) {
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
    error_ = EWOULDBLOCK;
}

EditLock::~EditLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
}

bool RewriteFile(const std::string& path,
                 const std::function<bool(std::FILE* source, std::FILE* copy)>& write,
                 const std::function<bool(std::FILE* source, std::FILE* copy)>& verify) {
    const std::string target = path.empty() ? std::string() : ResolvedTarget(path);
    if (target.empty()) return false;
    struct stat st {};
    std::FILE* source = OpenRegularFile(target, &st);
    if (source == nullptr) return false;
    bool ok = WritableByCaller(target);
    ok = ok && WriteBeside(target, [&](const std::string& temp) {
             std::FILE* copy = std::fopen(temp.c_str(), "w+b");
             if (copy == nullptr) return false;
             bool good = write(source, copy) && std::fflush(copy) == 0;
             if (good && verify) {
                 good = std::fseek(source, 0, SEEK_SET) == 0 && std::fseek(copy, 0, SEEK_SET) == 0 &&
                        verify(source, copy);
             }
             // The owner first: a change of owner clears the set-user and set-group bits.
             struct stat made {};
             const int fd = ::fileno(copy);
             good = good && ::fstat(fd, &made) == 0 &&
                    ((made.st_uid == st.st_uid && made.st_gid == st.st_gid) ||
                     ::fchown(fd, st.st_uid, st.st_gid) == 0) &&
                    ::fchmod(fd, st.st_mode & 07777) == 0;
             const bool closed = std::fclose(copy) == 0;
             return good && closed;
         });
    std::fclose(source);
    return ok;
}

}  // namespace kestrin
