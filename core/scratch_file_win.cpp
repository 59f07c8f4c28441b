#include <windows.h>

#include "core/scratch_file.h"
#include "runtime/strings.h"

namespace core::detail {

ScratchResult CreateScratchFile(const std::string& name) {
    const std::u16string wide = runtime::AnsiToWide(name);
    // Marked temporary and deleted when closed, so it normally never
    // reaches the disk.
    const HANDLE file = ::CreateFileW(
        reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
        CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
        return ScratchResult::Created;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? ScratchResult::Exists
                                                                       : ScratchResult::Failed;
}

unsigned long CurrentProcessID() {
    return ::GetCurrentProcessId();
}

}  // namespace core::detail
