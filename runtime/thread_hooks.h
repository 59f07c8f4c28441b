#pragma once

// What the exception reporter learns from the runtime's threads: a thread
// object that was started (told on the thread that started it), and an
// exception that escaped a thread object's Execute (told on that thread,
// inside the catch block, so std::current_exception() names it). The
// runtime cannot call the reporter, which stands above it; the reporter
// sets these at its start. Unset hooks do nothing.

namespace runtime {

class TThread;

using TThreadStartedHook = void (*)(TThread& thread);
using TThreadExceptionHook = void (*)(TThread& thread);

void SetThreadStartedHook(TThreadStartedHook hook);
void SetThreadExceptionHook(TThreadExceptionHook hook);

// Called by TThread.
void NotifyThreadStarted(TThread& thread) noexcept;
void NotifyThreadException(TThread& thread) noexcept;

}  // namespace runtime
