// Replacing a file by an edited copy without bypassing its protection, one editor at a time.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>

#include "core/regular_file.h"  // OpenRegularFile

namespace kestrin {

// An advisory lock that one edit of a file holds from reading the file to putting its edited
// copy in place, so that two edits of one file follow each other instead of one losing the
// other's change. Waits a few seconds for another editor; ok() is false when the file stays
// locked, is no regular file or cannot be opened (never blocking on a FIFO or a device).
class EditLock {
  public:
    explicit EditLock(const std::string& path);
    ~EditLock();
    EditLock(const EditLock&) = delete;
    EditLock& operator=(const EditLock&) = delete;

    bool ok() const { return fd_ >= 0; }
    int error() const { return error_; }

  private:
    int fd_ = -1;
    int error_ = 0;
};

// Writes an edited copy of the file at `path` with `write` (source read from its start, copy
// to fill), lets `verify` compare the finished copy with the source when given, and renames
// the copy into place with the file's mode and owner. Refused (false, the file unchanged)
// when the file is no regular file, is not writable by the caller, its owner cannot be kept,
// or a step fails.
bool RewriteFile(const std::string& path,
                 const std::function<bool(std::FILE* source, std::FILE* copy)>& write,
                 const std::function<bool(std::FILE* source, std::FILE* copy)>& verify = {});

}  // namespace kestrin
