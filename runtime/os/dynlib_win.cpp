#include <windows.h>

#include "runtime/os/dynlib.h"
#include "runtime/os/errors.h"
#include "runtime/os/wide_text_win.h"

namespace runtime::os {

bool DynamicLibrary::Load(std::u16string_view fileName) {
    Unload();
    const std::u16string wide(fileName);
    // No critical-error box for a library that cannot be read.
    DWORD oldMode = 0;
    const bool modeSet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode) != 0;
    module_.Reset(::LoadLibraryW(detail::WidePtr(wide)));
    const DWORD error = ::GetLastError();
    if (modeSet) ::SetThreadErrorMode(oldMode, nullptr);
    errorText_ = module_ ? std::string() : SysErrorMessage(static_cast<int>(error));
    ::SetLastError(error);
    return Loaded();
}

void* DynamicLibrary::Symbol(const char* name) {
    if (!module_) {
        errorText_ = "No library is loaded";
        return nullptr;
    }
    FARPROC address = ::GetProcAddress(module_.Get(), name);
    if (address == nullptr) {
        const DWORD error = ::GetLastError();
        errorText_ = SysErrorMessage(static_cast<int>(error));
        ::SetLastError(error);
    } else {
        errorText_.clear();
    }
    return reinterpret_cast<void*>(address);
}

}  // namespace runtime::os
