#include "gui/errors.h"

#include "gui/win.h"
#include "runtime/strings.h"

namespace gui {

void RaiseLastWin32Error(const char* what) {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason;
    if (length > 0 && text != nullptr) {
        reason = runtime::Trim(
            runtime::WideToAnsi(std::u16string(reinterpret_cast<char16_t*>(text), length)));
        LocalFree(text);
    }
    throw EWin32Error(std::string(what) + ": system error " + std::to_string(code) +
                      (reason.empty() ? std::string() : ": " + reason));
}

}  // namespace gui
