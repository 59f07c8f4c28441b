#include "crashreport/freeze_win.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "crashreport/modules_win.h"
#include "crashreport/pipeline_win.h"
#include "crashreport/process_win.h"
#include "crashreport/stackwalk_win.h"
#include "crashreport/threadstate_win.h"
#include "runtime/os/kernel_handles.h"

namespace crashreport {

namespace {

// The watch probes every 50 ms; an answer earns a 250 ms pause.
constexpr DWORD probeMs = 50;
constexpr int pausesAfterAnswer = 5;
constexpr size_t hungFrames = 256;

// One watch thread's stop request, shared with the thread: a watch asked to
// stop while a report runs is left to end by itself.
struct Watch {
    std::atomic<bool> Stop{false};
};

std::mutex watchLock;
std::shared_ptr<Watch> running;
runtime::os::TThreadHandle runningThread;

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
bool pause(const Watch& watch, int steps) {
    for (int i = 0; i < steps; ++i) {
        if (watch.Stop) return false;
        ::Sleep(probeMs);
    }
    return !watch.Stop;
}

// Stops the main thread just long enough to read its registers and walk
// its stack, then reports the hang.
void reportHang(std::vector<uintptr_t>& frames) {
    const TThreadState* main = MainThreadState();
    if (main == nullptr || !main->Handle) return;
    TUnwindModules modules;
    modules.Refresh();
    CONTEXT context{};
    context.ContextFlags = CONTEXT_FULL;
    size_t count = 0;
    const HANDLE thread = main->Handle.Get();
    if (::SuspendThread(thread) == static_cast<DWORD>(-1)) return;
    const bool read = ::GetThreadContext(thread, &context) != 0;
    if (read && context.Rip != 0 && context.Rsp != 0) {
        TThreadState* self = CurrentThreadState();
        count = WalkStack(self != nullptr ? &self->Guard : nullptr, context, main->StackTop,
                          modules, TWalk::OtherStack, frames.data(), frames.size())
                    .Count;
    }
    ::ResumeThread(thread);
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

// Whether the window answered a probe. While a report runs the main thread
// waits for it, or is stopped by it: that counts as an answer.
bool answered(HWND window) {
    if (ReportInProgress()) return true;
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, probeMs, &ignored) != 0 ||
           !::IsWindow(window);
}

DWORD WINAPI watchThread(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Watch>> shared(
        static_cast<std::shared_ptr<Watch>*>(parameter));
    const Watch& watch = **shared;
    if (TThreadState* self = ClaimCurrentThreadState()) self->Reporter = true;
    std::vector<uintptr_t> frames(hungFrames);
    HWND window = nullptr;
    while (!watch.Stop && (window = FindMainWindow(::GetCurrentProcessId())) == nullptr) {
        ::Sleep(probeMs);
    }
    while (!watch.Stop) {
        int32_t elapsed = 0;
        int32_t limit = 0;
        do {
            if (answered(window)) {
                pause(watch, pausesAfterAnswer);
                elapsed = 0;
            } else {
                elapsed += probeMs;
            }
            limit = timeoutMs();
        } while (!watch.Stop && (limit <= 0 || elapsed < limit));
        if (watch.Stop) break;
        reportHang(frames);
        // One hang, one report: probing starts again once the window
        // answers.
        while (!watch.Stop && !answered(window)) {
        }
    }
    return 0;
}

}  // namespace

void StartFreezeWatch() {
    std::lock_guard lock(watchLock);
    if (running || InsideDevelopmentEnvironment() || !watchRequested()) return;
    auto watch = std::make_shared<Watch>();
    auto* parameter = new std::shared_ptr<Watch>(watch);
    runtime::os::TThreadHandle thread(
        ::CreateThread(nullptr, 0, watchThread, parameter, 0, nullptr));
    if (!thread) {
        delete parameter;
        return;
    }
    running = std::move(watch);
    runningThread = std::move(thread);
}

void StopFreezeWatch() {
    std::shared_ptr<Watch> watch;
    runtime::os::TThreadHandle thread;
    {
        std::lock_guard lock(watchLock);
        watch = std::move(running);
        thread = std::move(runningThread);
    }
    if (!watch) return;
    watch->Stop = true;
    // A watch reporting a hang waits for the report's lock. While a report
    // runs, this thread may be the one holding it (an event handler turning
    // the watch off) or one the report waits for: the watch is left to end
    // by itself once the report is done.
    if (!ReportInProgress() && !IsReporterThread()) ::WaitForSingleObject(thread.Get(), INFINITE);
}

}  // namespace crashreport
