// Points TMPDIR at a folder for the lifetime of the object, so that the private temporary
// folders of a conversion land where a test can watch them.
#pragma once

#include <string>

namespace testsupport {

class ScopedTmpdir {
  public:
    explicit ScopedTmpdir(const std::string& path);
    ~ScopedTmpdir();
    ScopedTmpdir(const ScopedTmpdir&) = delete;
    ScopedTmpdir& operator=(const ScopedTmpdir&) = delete;

  private:
    bool had_ = false;
    std::string old_;
};

}  // namespace testsupport
