#include <cstdlib>

#include "runtime/os/environment.h"
#include "runtime/os/native_text_posix.h"

namespace runtime::os {

std::optional<std::u16string> WideGetEnv(std::u16string_view name) {
    const char* value = std::getenv(detail::ToNative(name).c_str());
    if (value == nullptr) return std::nullopt;
    return detail::WideFromNative(value);
}

bool SetEnv(std::u16string_view name, std::u16string_view value) {
    return ::setenv(detail::ToNative(name).c_str(), detail::ToNative(value).c_str(), 1) == 0;
}

bool UnsetEnv(std::u16string_view name) {
    return ::unsetenv(detail::ToNative(name).c_str()) == 0;
}

}  // namespace runtime::os
