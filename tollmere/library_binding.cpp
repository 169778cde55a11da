#include "library_binding.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

namespace tollmere {

SharedLibrary::~SharedLibrary() {
    release();
}

std::string ExecutableFolder() {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    std::string path(buffer.data(), static_cast<size_t>(n));
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string{} : path.substr(0, slash);
}

bool SharedLibrary::load(const std::string& fileName) {
    release();
    error_.clear();
    std::vector<std::string> candidates;
    if (fileName.find('/') == std::string::npos) {
        const std::string own = ExecutableFolder();
        if (!own.empty()) {
            candidates.push_back(own + "/" + fileName);
            candidates.push_back(own + "/../lib/" + fileName);
        }
    }
    candidates.push_back(fileName);  // the default search
    for (size_t i = 0; i < candidates.size(); ++i) {
        const std::string& candidate = candidates[i];
        const bool last = i + 1 == candidates.size();
        if (!last && access(candidate.c_str(), F_OK) != 0) continue;
        handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ != nullptr) return true;
        const char* message = dlerror();
        error_ = message != nullptr ? message : fileName;
    }
    return false;
}

void SharedLibrary::release() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

void* SharedLibrary::symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

LibraryNames& CurrentLibraryNames() {
    static LibraryNames names;
    return names;
}

template <typename Fn>
static void Bind(const SharedLibrary& library, Fn& entry, const char* name) {
    entry = reinterpret_cast<Fn>(library.symbol(name));
}

bool ConversionLibrary::bind() {
    release();
    if (!library.load(CurrentLibraryNames().conversion)) return false;
    Bind(library, ParseDataToRinexFormat, "ParseDataToRinexFormat");
    Bind(library, GetStaticHead, "GetStaticHead");
    Bind(library, ConvertDataToRinexFormat, "ConvertDataToRinexFormat");
    Bind(library, CorrectAntennaHgt, "CorrectAntennaHgt");
    Bind(library, AntMeasInfo, "AntMeasInfo");
    Bind(library, ModifyAntennaHeight, "ModifyAntennaHeight");
    Bind(library, ModifyAnteHeightInfo, "ModifyAnteHeightInfo");
    Bind(library, ModifyFileTime, "ModifyFileTime");
    Bind(library, ReadHeadInfo, "ReadHeadInfo");
    return true;
}

void ConversionLibrary::release() {
    ParseDataToRinexFormat = nullptr;
    GetStaticHead = nullptr;
    ConvertDataToRinexFormat = nullptr;
    CorrectAntennaHgt = nullptr;
    AntMeasInfo = nullptr;
    ModifyAntennaHeight = nullptr;
    ModifyAnteHeightInfo = nullptr;
    ModifyFileTime = nullptr;
    ReadHeadInfo = nullptr;
    library.release();
}

bool PositioningLibrary::bind() {
    release();
    if (!library.load(CurrentLibraryNames().positioning)) return false;
    Bind(library, SinglePosition, "SinglePosition");
    return true;
}

void PositioningLibrary::release() {
    SinglePosition = nullptr;
    library.release();
}

}  // namespace tollmere
