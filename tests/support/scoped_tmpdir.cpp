#include "support/scoped_tmpdir.h"

#include <cstdlib>

namespace testsupport {

ScopedTmpdir::ScopedTmpdir(const std::string& path) {
    const char* old = std::getenv("TMPDIR");
    if (old != nullptr) {
        had_ = true;
        old_ = old;
    }
    setenv("TMPDIR", path.c_str(), 1);
}

ScopedTmpdir::~ScopedTmpdir() {
    if (had_) {
        setenv("TMPDIR", old_.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

}  // namespace testsupport
