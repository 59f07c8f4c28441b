#include "core/single_instance_win.h"

#include <windows.h>

#include "core/state.h"

namespace core {

bool ClaimSingleInstance() {
    // Creating and testing for "already there" in one call leaves no gap in
    // which two copies could both find the mutex missing.
    const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, InstanceMutexName);
    const DWORD error = ::GetLastError();
    if (mutex != nullptr && error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return false;
    }
    // A mutex made by another user with tighter access rights.
    if (mutex == nullptr && error == ERROR_ACCESS_DENIED) return false;
    MutexHandle = mutex;
    SwitchAppMessage = ::RegisterWindowMessageW(SwitchAppMessageName);
    return true;
}

void BroadcastSwitchApp() {
    const UINT message = ::RegisterWindowMessageW(SwitchAppMessageName);
    if (message == 0) return;
    // The running copy is to come to the front; only a process with the
    // foreground right may hand it on.
    ::AllowSetForegroundWindow(ASFW_ANY);
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                          SwitchAppTimeoutMs, &ignored);
}

void ReleaseSingleInstance() {
    if (MutexHandle == nullptr) return;
    ::ReleaseMutex(MutexHandle);
    ::CloseHandle(MutexHandle);
    MutexHandle = nullptr;
}

}  // namespace core
