#pragma once

// Identity of the calling thread and process as the platform knows them:
// the numbers and handles that thread lists, debuggers and the exception
// reporter show.

#include <cstdint>

namespace runtime::os {

// Windows thread id; natively the kernel's thread id (gettid).
using TThreadID = std::uint32_t;
// Windows thread handle; natively the pthread_t.
using TThreadHandle = std::uintptr_t;

TThreadID CurrentThreadID();

// GetCurrentProcessId; natively getpid.
std::uint32_t CurrentProcessID();

// The calling thread's stack: from `low` (where it ends when full) up to
// `high` (where it began). Both 0 when the platform cannot tell.
struct TStackBounds {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;
};
TStackBounds CurrentThreadStack();

// A handle of the calling thread that other threads may use and that stays
// valid after the thread ends, until CloseThreadHandle. On Windows this is a
// duplicated real handle (GetCurrentThread gives only a pseudo-handle).
TThreadHandle OpenCurrentThreadHandle();
void CloseThreadHandle(TThreadHandle handle);

}  // namespace runtime::os
