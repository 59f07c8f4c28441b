#pragma once

// The W functions take UTF-16 as wchar_t; the program's 8-bit strings are in
// the system code page. Internal to the Windows halves of runtime/os.

#include <string>
#include <string_view>

#include "runtime/strings.h"

namespace runtime::os::detail {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* WidePtr(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline std::string FromWide(const wchar_t* s, size_t length) {
    return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(s), length));
}
inline std::u16string WideFromW(const wchar_t* s, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), length);
}

// A wide name as the W functions take it: a terminated copy.
class WideName {
  public:
    explicit WideName(std::u16string_view name) : name_(name) {}
    operator const wchar_t*() const { return WidePtr(name_); }

  private:
    std::u16string name_;
};

}  // namespace runtime::os::detail
