// The 8-bit forms of the environment functions, from the wide ones.

#include "runtime/os/environment.h"

#include "runtime/strings.h"

namespace runtime::os {

std::optional<std::string> GetEnv(std::string_view name) {
    std::optional<std::u16string> value = WideGetEnv(AnsiToWide(name));
    if (!value) return std::nullopt;
    return WideToAnsi(*value);
}

bool SetEnv(std::string_view name, std::string_view value) {
    return SetEnv(AnsiToWide(name), AnsiToWide(value));
}

bool UnsetEnv(std::string_view name) {
    return UnsetEnv(AnsiToWide(name));
}

}  // namespace runtime::os
