// A final output file that appears under its name only when it is complete: it is written
// beside that name under a temporary name in the same folder and renamed into place.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

class FinalFile {
  public:
    // Creates the temporary file next to `path`; ok() tells whether that worked.
    explicit FinalFile(std::string path);
    // Removes the temporary file unless Commit succeeded.
    ~FinalFile();
    FinalFile(const FinalFile&) = delete;
    FinalFile& operator=(const FinalFile&) = delete;

    bool ok() const { return fd_ >= 0 && !failed_; }
    // The system error number of the first failure (0 when none).
    int error() const { return error_; }
    const std::string& path() const { return path_; }
    const std::string& tempPath() const { return tempPath_; }

    // Appends bytes unchanged, or with every line feed written as CR LF.
    bool Write(std::string_view bytes, bool crlf);
    // Appends the whole content of the file at `sourcePath`, read in pieces. Sets *copied to
    // the number of source bytes read. False when the source cannot be read or a write fails.
    bool CopyFrom(const std::string& sourcePath, bool crlf, size_t* copied);

    // Closes the temporary file and renames it to the final name, replacing a file of that
    // name. False (and no file changed) when anything failed.
    bool Commit();
    // Closes the temporary file, keeping it under its temporary name; false when the close
    // (the last write) failed. Commit renames it afterwards.
    bool Close();
    // Drops the temporary file.
    void Discard();
    // Closes the temporary file and stops owning its name (it was renamed by someone else).
    void Forget();

  private:
    bool WriteRaw(const char* data, size_t size);
    void Fail(int error);

    std::string path_;
    std::string tempPath_;
    int fd_ = -1;
    bool failed_ = false;
    bool closed_ = false;
    int error_ = 0;
};

// The output files of one conversion, published together: each is first written completely
// under its hidden temporary name; Publish then renames them all into place and removes the
// names that are to be cleared. Until Publish nothing under a final name changes, so a
// conversion that fails on the way (a full disk) leaves the folder as it found it.
class OutputSet {
  public:
    OutputSet() = default;
    ~OutputSet();  // discards whatever was not published
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // A new file to be published under `path`; check its ok().
    FinalFile& Add(const std::string& path);
    // A name whose older file is removed when the set is published.
    void RemoveOnPublish(const std::string& path);
    // Renames every file into place, then removes the names to clear; `published` is called
    // with each final path. All or nothing: every final name is checked before the first
    // rename, and the files replaced are kept under hidden names until the last rename
    // succeeded. False (with the error number in error()) when a file could not be completed
    // or renamed; every final name then holds what it held before.
    bool Publish(const std::function<void(const std::string&)>& published);
    // Drops every file of the set.
    void Discard();
    int error() const { return error_; }

  private:
    std::vector<std::unique_ptr<FinalFile>> files_;
    std::vector<std::string> removals_;
    int error_ = 0;
};

// Lets `write` produce a file under a fresh temporary name beside `path` and renames it into
// place when `write` returns true; otherwise the temporary file is removed and nothing at
// `path` changes. For writers that create their file themselves.
bool WriteBeside(const std::string& path, const std::function<bool(const std::string&)>& write);

// Removes `path` when it exists; a missing file is not an error.
void RemoveFileQuietly(const std::string& path);

}  // namespace kestrin
