#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/os/folders.h"
#include "runtime/os/native_text_posix.h"
#include "runtime/os/paths.h"

namespace runtime::os {

namespace {

using detail::WideFromNative;

// A variable that is set and not empty.
const char* nonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::u16string WideProgramFolder() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::u16string();
        if (static_cast<size_t>(length) < buffer.size()) {
            return ExtractFilePath(WideFromNative(std::string_view(buffer.data(), length)));
        }
        buffer.resize(buffer.size() * 2);  // truncated
    }
}

std::u16string WideAppDataFolder() {
    // The base-directory rules ignore a relative XDG_CONFIG_HOME.
    const char* config = nonEmptyVariable("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return WideFromNative(config);
    const char* home = nonEmptyVariable("HOME");
    if (home == nullptr) return std::u16string();
    return IncludeTrailingPathDelimiter(WideFromNative(home)) + u".config";
}

std::u16string WideWindowsFolder() {
    return std::u16string();
}

std::u16string WideTempFolder() {
    const char* tmp = nonEmptyVariable("TMPDIR");
    return IncludeTrailingPathDelimiter(WideFromNative(tmp != nullptr ? tmp : "/tmp"));
}

std::u16string WideGetCurrentDir() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return std::u16string();
        buffer.resize(buffer.size() * 2);
    }
    return WideFromNative(buffer.data());
}

bool SetCurrentDir(std::u16string_view path) {
    return ::chdir(detail::ToNative(path).c_str()) == 0;
}

}  // namespace runtime::os
