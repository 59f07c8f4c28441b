#include <windows.h>

#include "runtime/os/errors.h"
#include "runtime/os/wide_text_win.h"

namespace runtime::os {

int LastOSError() {
    return static_cast<int>(::GetLastError());
}

std::string SysErrorMessage(int errorCode) {
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(errorCode), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (buffer == nullptr) return std::string();
    while (length > 0 && (buffer[length - 1] <= L' ' || buffer[length - 1] == L'.')) --length;
    std::string text = detail::FromWide(buffer, length);
    ::LocalFree(buffer);
    return text;
}

}  // namespace runtime::os
