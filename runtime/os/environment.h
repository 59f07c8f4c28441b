#pragma once

// The process environment. Names and values are 8-bit strings in the system
// code page, or wide strings (a folder outside the code page survives only
// in these). Windows keeps the variables of the W functions, which child
// processes and GetTempPath see; natively they are those of setenv/getenv,
// held as UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace runtime::os {

// The value, or nothing when the variable is not set.
std::optional<std::string> GetEnv(std::string_view name);
std::optional<std::u16string> WideGetEnv(std::u16string_view name);
[[nodiscard]] bool SetEnv(std::string_view name, std::string_view value);
[[nodiscard]] bool SetEnv(std::u16string_view name, std::u16string_view value);
[[nodiscard]] bool UnsetEnv(std::string_view name);
[[nodiscard]] bool UnsetEnv(std::u16string_view name);

}  // namespace runtime::os
