#include <windows.h>

#include "runtime/os/thread_info.h"

namespace runtime::os {

TThreadID CurrentThreadID() {
    return ::GetCurrentThreadId();
}

std::uint32_t CurrentProcessID() {
    return ::GetCurrentProcessId();
}

TThreadHandle OpenCurrentThreadHandle() {
    HANDLE real = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                           &real, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return 0;
    }
    return reinterpret_cast<TThreadHandle>(real);
}

void CloseThreadHandle(TThreadHandle handle) {
    if (handle != 0) ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace runtime::os
