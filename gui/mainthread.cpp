#include "gui/mainthread.h"

#include "runtime/threads.h"

namespace gui::detail {

void InstallMainThreadWake(HWND window) {
    if (window == nullptr) {
        runtime::SetWakeMainThread({});
        return;
    }
    runtime::SetWakeMainThread([window] { PostMessageW(window, WM_WAKEMAINTHREAD, 0, 0); });
}

bool DrainMainThreadQueue() {
    return runtime::CheckSynchronize(0);
}

}  // namespace gui::detail
