#include <windows.h>

#include <vector>

#include "runtime/os/environment.h"
#include "runtime/os/wide_text_win.h"

namespace runtime::os {

using detail::WideName;

std::optional<std::u16string> WideGetEnv(std::u16string_view name) {
    const WideName wideName(name);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetEnvironmentVariableW(wideName, buffer.data(), size);
        // An empty value also answers 0, but leaves no error behind.
        if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        if (length < size) return detail::WideFromW(buffer.data(), length);
        buffer.resize(length);
    }
}

bool SetEnv(std::u16string_view name, std::u16string_view value) {
    return ::SetEnvironmentVariableW(WideName(name), WideName(value)) != 0;
}

bool UnsetEnv(std::u16string_view name) {
    return ::SetEnvironmentVariableW(WideName(name), nullptr) != 0;
}

}  // namespace runtime::os
