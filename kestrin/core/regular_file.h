// Opening an input without waiting on it: a FIFO, socket or device under the name (also
// behind a link) is refused at once instead of blocking until a writer appears.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace kestrin {

// The regular file at path opened with an fopen mode ("rb" or "r+b"); null with errno set
// (EISDIR for a folder, EINVAL for any other kind of file) otherwise. st, when given,
// receives its status.
inline std::FILE* OpenRegularFile(const std::string& path, struct stat* st = nullptr,
                                  const char* mode = "rb") {
    if (path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    const bool update = std::string(mode).find('+') != std::string::npos;
    const int fd = ::open(path.c_str(),
                          (update ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat local {};
    struct stat& s = st != nullptr ? *st : local;
    if (::fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
        const int error = S_ISDIR(s.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, mode);
    if (file == nullptr) ::close(fd);
    return file;
}

}  // namespace kestrin
