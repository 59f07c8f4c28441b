#include <windows.h>

#include "runtime/os/kernel_handles.h"

namespace runtime::os {

namespace {

// Runs one closing call with the thread's last error kept.
template <class Close>
void keepingLastError(Close close) noexcept {
    const DWORD error = ::GetLastError();
    close();
    ::SetLastError(error);
}

}  // namespace

namespace detail {

void CloseKernelHandle(void* handle) noexcept {
    keepingLastError([handle] { ::CloseHandle(handle); });
}

void UnloadModule(HINSTANCE__* module) noexcept {
    keepingLastError([module] { ::FreeLibrary(module); });
}

void CloseFind(void* search) noexcept {
    keepingLastError([search] { ::FindClose(search); });
}

void CloseRegistryKey(HKEY__* key) noexcept {
    keepingLastError([key] { ::RegCloseKey(key); });
}

void UnmapView(void* view) noexcept {
    keepingLastError([view] { ::UnmapViewOfFile(view); });
}

}  // namespace detail

bool CloseFile(TFileHandle& file) noexcept {
    const HANDLE handle = file.Release();
    return handle == INVALID_HANDLE_VALUE || ::CloseHandle(handle) != 0;
}

}  // namespace runtime::os
