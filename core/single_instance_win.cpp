#include "core/single_instance_win.h"

#include <windows.h>

#include <utility>

#include "core/state.h"

namespace core {

bool ClaimSingleInstance() {
    // Creating and testing for "already there" in one call leaves no gap in
    // which two copies could both find the mutex missing.
    runtime::os::TMutexHandle mutex(::CreateMutexW(nullptr, TRUE, InstanceMutexName));
    const DWORD error = ::GetLastError();
    // The handle just opened of another copy's mutex closes here.
    if (mutex && error == ERROR_ALREADY_EXISTS) return false;
    // A mutex made by another user with tighter access rights.
    if (!mutex && error == ERROR_ACCESS_DENIED) return false;
    MutexHandle = std::move(mutex);
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
    if (!MutexHandle) return;
    ::ReleaseMutex(MutexHandle.Get());
    MutexHandle.Reset();
}

}  // namespace core
