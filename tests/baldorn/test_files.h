// Temporary folders and small file helpers for the positioning-library tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace baldorn_test {

inline std::string DataPath(const std::string& relative) {
    return std::string(TOLLMERE_TEST_DATA) + "/" + relative;
}

// A private folder that is removed with everything in it when the object goes away.
class TempDir {
  public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/baldorn_test_XXXXXX";
        if (::mkdtemp(tmpl.data())) path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
        return File(name);
    }
    std::string Copy(const std::string& source, const std::string& name) const {
        std::filesystem::copy_file(source, File(name),
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(File(name), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        return File(name);
    }

  private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A header line: text padded to 60 columns followed by its label.
inline std::string HeaderLine(const std::string& text, const std::string& label) {
    std::string line = text;
    line.resize(60, ' ');
    line += label;
    line.resize(80, ' ');
    return line + "\n";
}

}  // namespace baldorn_test
