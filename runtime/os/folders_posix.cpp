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

// A variable that is set and not empty.
const char* nonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::string ProgramFolder() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<size_t>(length) < buffer.size()) {
            return ExtractFilePath(detail::FromNative(std::string_view(buffer.data(), length)));
        }
        buffer.resize(buffer.size() * 2);  // truncated
    }
}

std::string AppDataFolder() {
    // The base-directory rules ignore a relative XDG_CONFIG_HOME.
    const char* config = nonEmptyVariable("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return detail::FromNative(config);
    const char* home = nonEmptyVariable("HOME");
    if (home == nullptr) return std::string();
    return IncludeTrailingPathDelimiter(detail::FromNative(home)) + ".config";
}

std::string WindowsFolder() {
    return std::string();
}

std::string TempFolder() {
    const char* tmp = nonEmptyVariable("TMPDIR");
    return IncludeTrailingPathDelimiter(detail::FromNative(tmp != nullptr ? tmp : "/tmp"));
}

std::string GetCurrentDir() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return detail::FromNative(buffer.data());
}

bool SetCurrentDir(std::string_view path) {
    return ::chdir(detail::ToNative(path).c_str()) == 0;
}

}  // namespace runtime::os
