#pragma once

// Natively the file system and the environment hold UTF-8, while the
// program's 8-bit strings are in the system code page: names cross here.
// Internal to the native halves of runtime/os.

#include <string>
#include <string_view>

#include "runtime/strings.h"

namespace runtime::os::detail {

inline std::string ToNative(std::string_view ansi) {
    return AnsiToUtf8(ansi);
}
inline std::string ToNative(std::u16string_view wide) {
    return WideToUtf8(wide);
}
inline std::string FromNative(std::string_view utf8) {
    return Utf8ToAnsi(utf8);
}
inline std::u16string WideFromNative(std::string_view utf8) {
    return Utf8ToWide(utf8);
}

}  // namespace runtime::os::detail
