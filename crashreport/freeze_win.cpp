#include "crashreport/freeze_win.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "crashreport/modules_win.h"
#include "crashreport/pipeline_win.h"
#include "crashreport/process_win.h"
#include "crashreport/stackwalk_win.h"
#include "crashreport/threadstate_win.h"

namespace crashreport {

namespace {

// The watch probes every 50 ms; an answer earns a 250 ms pause.
constexpr DWORD probeMs = 50;
constexpr int pausesAfterAnswer = 5;
constexpr size_t hungFrames = 256;

std::mutex watchLock;
HANDLE watchThread = nullptr;
std::atomic<bool> stopWatch{false};

bool watchRequested() {
    try {
        const TVvModuleOptionsEx& options = CurrentVuvuvuVozOptions();
        return options.Active() != 0 && options.FreezeCheckActive() != 0;
    } catch (...) {
        return false;
    }
}

int32_t timeoutMs() {
    try {
        return CurrentVuvuvuVozOptions().FreezeTimeoutSecs() * 1000;
    } catch (...) {
        return 0;
    }
}

// Sleeps in probe steps; false when asked to stop meanwhile.
bool pause(int steps) {
    for (int i = 0; i < steps; ++i) {
        if (stopWatch) return false;
        ::Sleep(probeMs);
    }
    return !stopWatch;
}

// Stops the main thread just long enough to read its registers and walk
// its stack, then reports the hang.
void reportHang(std::vector<uintptr_t>& frames) {
    const TThreadState* main = MainThreadState();
    if (main == nullptr || main->Handle == nullptr) return;
    TUnwindModules modules;
    modules.Refresh();
    CONTEXT context{};
    context.ContextFlags = CONTEXT_FULL;
    size_t count = 0;
    if (::SuspendThread(main->Handle) == static_cast<DWORD>(-1)) return;
    const bool read = ::GetThreadContext(main->Handle, &context) != 0;
    if (read && context.Rip != 0 && context.Rsp != 0) {
        count = WalkStack(context, main->StackTop, modules, TWalk::OtherStack, frames.data(),
                          frames.size());
    }
    ::ResumeThread(main->Handle);
    if (!read || context.Rip == 0 || context.Rsp == 0) return;
    TFailure failure;
    failure.Hang = true;
    failure.Address = context.Rip;
    TFailurePlace place;
    place.ThreadId = main->ThreadId;
    place.Context = &context;
    place.StackTop = main->StackTop;
    place.Frames = frames.data();
    place.FrameCount = count;
    place.FirstFrameExact = true;
    DispatchException(failure, place, hkNone, rtHook);
}

DWORD WINAPI watch(void*) {
    if (TThreadState* self = ClaimCurrentThreadState()) self->Reporter = true;
    std::vector<uintptr_t> frames(hungFrames);
    HWND window = nullptr;
    while (!stopWatch && (window = FindMainWindow(::GetCurrentProcessId())) == nullptr) {
        ::Sleep(probeMs);
    }
    while (!stopWatch) {
        int32_t elapsed = 0;
        int32_t limit = 0;
        do {
            DWORD_PTR ignored = 0;
            if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, probeMs, &ignored) &&
                ::IsWindow(window)) {
                elapsed += probeMs;
            } else {
                pause(pausesAfterAnswer);
                elapsed = 0;
            }
            limit = timeoutMs();
        } while (!stopWatch && (limit <= 0 || elapsed < limit));
        if (stopWatch) break;
        reportHang(frames);
        // One hang, one report: probing starts again once the window
        // answers.
        DWORD_PTR ignored = 0;
        while (!stopWatch && ::IsWindow(window) &&
               !::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, probeMs, &ignored)) {
        }
    }
    return 0;
}

}  // namespace

void StartFreezeWatch() {
    std::lock_guard lock(watchLock);
    if (watchThread != nullptr || InsideDevelopmentEnvironment() || !watchRequested()) return;
    stopWatch = false;
    watchThread = ::CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
}

void StopFreezeWatch() {
    std::lock_guard lock(watchLock);
    if (watchThread == nullptr) return;
    stopWatch = true;
    ::WaitForSingleObject(watchThread, INFINITE);
    ::CloseHandle(watchThread);
    watchThread = nullptr;
}

}  // namespace crashreport
