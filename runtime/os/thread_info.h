#pragma once

// Identity of the calling thread and process as the platform knows them:
// the numbers and handles that thread lists, debuggers and the exception
// reporter show.

#include <cstdint>

#include "runtime/os/kernel_handles.h"

namespace runtime::os {

// Windows thread id; natively the kernel's thread id (gettid).
using TThreadID = std::uint32_t;

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
// valid after the thread ends, as long as it is held. On Windows this is a
// duplicated real handle (GetCurrentThread gives only a pseudo-handle);
// natively the pthread_t.
TThreadHandle OpenCurrentThreadHandle();

}  // namespace runtime::os
