// Run-time binding of the conversion and positioning libraries. The program links against
// neither: each library is loaded by file name from the program's own folder, then from
// ../lib beside it, then through the default search, and every export is bound by name.
#pragma once

#include <cstdint>
#include <string>

struct KestrinNotifyTarget;
struct BaldornNotifyTarget;

namespace tollmere {

// A loaded shared library; unloads on destruction.
class SharedLibrary {
  public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads fileName from the search folders; false (with error() set) when not found.
    bool load(const std::string& fileName);
    void release();
    bool loaded() const { return handle_ != nullptr; }
    // The address of an export, null when the library lacks it.
    void* symbol(const char* name) const;
    const std::string& error() const { return error_; }

  private:
    void* handle_ = nullptr;
    std::string error_;
};

// Folder of the running executable (from /proc/self/exe), without a trailing separator.
std::string ExecutableFolder();

// File names of the two libraries; tests may point them elsewhere.
struct LibraryNames {
    std::string conversion = "libkestrin.so";
    std::string positioning = "libbaldorn.so";
};
LibraryNames& CurrentLibraryNames();

// The conversion library's entry points; each is null when missing.
struct ConversionLibrary {
    using ParseFn = int (*)(const char*, const char*, int32_t, KestrinNotifyTarget*);
    using GetStaticHeadFn = int (*)(const char*, int*, int*, int*);
    using ConvertFn = int (*)(const char*, const char*, int32_t, int32_t, int32_t, int32_t, int32_t,
                              int32_t, int32_t, int32_t*, double);
    using CorrectAntennaHgtFn = double (*)(const char*, int, double, int);
    using AntMeasInfoFn = int (*)(const char*, double*);
    using ModifyAntennaHeightFn = int (*)(const char*, double);
    using ModifyAnteHeightInfoFn = int (*)(const char*, const char*, int, double);
    using ModifyFileTimeFn = int (*)(const char*, const char*, const char*);
    using ReadHeadInfoFn = int (*)(const char*, char*, char*, char*, char*, char*, int*, double*,
                                   int*, double*, double*, double*, double*, double*, double*,
                                   double*, double*);

    SharedLibrary library;
    ParseFn ParseDataToRinexFormat = nullptr;
    GetStaticHeadFn GetStaticHead = nullptr;
    ConvertFn ConvertDataToRinexFormat = nullptr;
    CorrectAntennaHgtFn CorrectAntennaHgt = nullptr;
    AntMeasInfoFn AntMeasInfo = nullptr;
    ModifyAntennaHeightFn ModifyAntennaHeight = nullptr;
    ModifyAnteHeightInfoFn ModifyAnteHeightInfo = nullptr;
    ModifyFileTimeFn ModifyFileTime = nullptr;
    // Beyond the conversion's eight: the header summary of the file-information window.
    ReadHeadInfoFn ReadHeadInfo = nullptr;

    // Loads the library and binds the entry points; false when the library is missing.
    bool bind();
    void release();
};

// The positioning library's single-point entry.
struct PositioningLibrary {
    using SinglePositionFn = int (*)(const char*, double*, BaldornNotifyTarget*);

    SharedLibrary library;
    SinglePositionFn SinglePosition = nullptr;

    bool bind();
    void release();
};

}  // namespace tollmere
