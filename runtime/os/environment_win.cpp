#include <windows.h>

#include <vector>

#include "runtime/os/environment.h"
#include "runtime/os/wide_text_win.h"

namespace runtime::os {

std::optional<std::string> GetEnv(std::string_view name) {
    const std::u16string wideName = detail::ToWide(name);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length =
            ::GetEnvironmentVariableW(detail::WidePtr(wideName), buffer.data(), size);
        // An empty value also answers 0, but leaves no error behind.
        if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        if (length < size) return detail::FromWide(buffer.data(), length);
        buffer.resize(length);
    }
}

bool SetEnv(std::string_view name, std::string_view value) {
    const std::u16string wideName = detail::ToWide(name);
    const std::u16string wideValue = detail::ToWide(value);
    return ::SetEnvironmentVariableW(detail::WidePtr(wideName), detail::WidePtr(wideValue)) != 0;
}

bool UnsetEnv(std::string_view name) {
    const std::u16string wideName = detail::ToWide(name);
    return ::SetEnvironmentVariableW(detail::WidePtr(wideName), nullptr) != 0;
}

}  // namespace runtime::os
