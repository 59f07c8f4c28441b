#pragma once

// The W functions take UTF-16 as wchar_t; the program's 8-bit strings are in
// the system code page. Internal to the Windows halves of runtime/os.

#include <string>
#include <string_view>

#include "runtime/strings.h"

namespace runtime::os::detail {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::u16string ToWide(std::string_view ansi) {
    return AnsiToWide(ansi);
}
inline const wchar_t* WidePtr(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline std::string FromWide(const wchar_t* s, size_t length) {
    return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(s), length));
}

}  // namespace runtime::os::detail
