#include "runtime/thread_hooks.h"

#include <atomic>

namespace runtime {

namespace {

std::atomic<TThreadStartedHook> startedHook{nullptr};
std::atomic<TThreadExceptionHook> exceptionHook{nullptr};

}  // namespace

void SetThreadStartedHook(TThreadStartedHook hook) {
    startedHook = hook;
}

void SetThreadExceptionHook(TThreadExceptionHook hook) {
    exceptionHook = hook;
}

// A hook that raises must not take the thread's own handling with it.
void NotifyThreadStarted(TThread& thread) noexcept {
    if (const TThreadStartedHook hook = startedHook) {
        try {
            hook(thread);
        } catch (...) {
        }
    }
}

void NotifyThreadException(TThread& thread) noexcept {
    if (const TThreadExceptionHook hook = exceptionHook) {
        try {
            hook(thread);
        } catch (...) {
        }
    }
}

}  // namespace runtime
