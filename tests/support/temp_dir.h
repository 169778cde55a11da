// A private temporary folder for one test, removed with everything in it on destruction.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name.
    std::string File(const std::string& name) const;
    // Writes bytes into a file of the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    // Names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

  private:
    std::string path_;
};

// Whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace testsupport
