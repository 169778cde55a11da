// A final output file that appears under its name only when it is complete: it is written
// beside that name under a temporary name in the same folder and renamed into place.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

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
    // Drops the temporary file.
    void Discard();
    // Closes the temporary file and stops owning its name (it was renamed by someone else).
    void Forget();

  private:
    bool WriteRaw(const char* data, size_t size);

    std::string path_;
    std::string tempPath_;
    int fd_ = -1;
    bool failed_ = false;
};

// Lets `write` produce a file under a fresh temporary name beside `path` and renames it into
// place when `write` returns true; otherwise the temporary file is removed and nothing at
// `path` changes. For writers that create their file themselves.
bool WriteBeside(const std::string& path, const std::function<bool(const std::string&)>& write);

// Removes `path` when it exists; a missing file is not an error.
void RemoveFileQuietly(const std::string& path);

}  // namespace kestrin
