#include "support/conversion.h"

#include <cstdlib>

#include "kestrin/kestrin.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace testsupport {

namespace {

void Record(void* context, unsigned int message, long wparam, long) {
    if (message == KESTRIN_MSG_PROGRESS)
        static_cast<std::vector<long>*>(context)->push_back(wparam);
}

}  // namespace

std::string ConversionRun::FileEndingWith(const std::string& suffix) const {
    for (const auto& [name, content] : files) {
        if (name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return content;
    }
    return {};
}

ConversionRun ConvertWithHeader(const std::string& data, const std::string& name,
                                int32_t optionWord) {
    TempDir in, out, tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    const std::string path = WriteStaticFile(in.path(), name, {}, data);
    ConversionRun c;
    KestrinNotifyTarget target{&Record, &c.progress};
    c.result = ParseDataToRinexFormat(path.c_str(), out.path().c_str(), optionWord, &target);
    unsetenv("TMPDIR");
    for (const std::string& entry : out.Entries()) c.files[entry] = ReadFile(out.File(entry));
    c.leftovers = tmp.Entries();
    return c;
}

}  // namespace testsupport
