#pragma once

// Every thread's reporter state: one block per thread, from a pool made at
// the reporter's start, so nothing on the way from a raise or a fault to a
// report allocates. A block is taken when a thread starts (the program's
// TLS callback sees every start and end) and given back when it ends.
//
// The blocks of the running threads are the reporter's list of threads:
// id, handle, stack range, the thread object's class and the stack of the
// thread that started it; and each thread's record of its last raise:
// registers, the raise address and the call stack at that moment.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <typeinfo>

#include "crashreport/stackwalk_win.h"
#include "runtime/os/kernel_handles.h"

namespace crashreport {

// Frames recorded at a raise, and of the creator at a thread's start.
inline constexpr size_t RaiseTraceCapacity = 128;
inline constexpr size_t CreatorTraceCapacity = 48;
inline constexpr size_t ThreadClassCapacity = 64;
// The priority a block holds until a report reads the thread's own.
inline constexpr int32_t NoPriority = INT32_MIN;

// What a thread last raised or faulted on.
struct TRaiseRecord {
    // Registers at the raise; ContextFlags 0 = none recorded.
    alignas(16) CONTEXT Context;
    // Where the program raised (the call of the throw) or faulted.
    uintptr_t Address;
    // 0 for a language exception, else the system's exception code.
    DWORD Code;
    // For an access violation: read (0), write (1) or execute (8), and the
    // address accessed.
    ULONG_PTR AccessKind;
    ULONG_PTR AccessAddress;
    const std::type_info* ThrownType;
    // Frames from the raise outward; the first is exact for a fault and a
    // return address otherwise, like every later one.
    uint32_t TraceCount;
    bool FirstFrameExact;
    uintptr_t Trace[RaiseTraceCapacity];
};

struct TThreadState {
    // 0 while the block is free.
    std::atomic<DWORD> ThreadId;
    // A real handle with suspend, context and query access.
    runtime::os::TThreadHandle Handle;
    // The thread's stack: StackTop is its highest address.
    uintptr_t StackTop;
    uintptr_t StackBottom;
    int32_t Priority;
    // Set for the reporter's own threads, which no report lists.
    bool Reporter;
    // A thread object of the runtime's thread class.
    bool ThreadObject;
    char ThreadClass[ThreadClassCapacity];
    // The thread that started this one and its stack at that moment.
    DWORD CreatorId;
    uint32_t CreatorTraceCount;
    uintptr_t CreatorTrace[CreatorTraceCapacity];
    // Set while this thread waits for its report (no nested report).
    bool InDispatch;
    TRaiseRecord Raise;
    // Every walk this thread makes goes through it.
    TWalkGuard Guard;
};

// Makes the pool, registers the calling thread as the main thread and
// starts following thread starts and ends.
void InitThreadStates(size_t capacity);
void DoneThreadStates();
[[nodiscard]] bool ThreadStatesReady();

// The calling thread's block, or none (a thread that started before the
// reporter, or when the pool ran out).
TThreadState* CurrentThreadState();
// The calling thread's block, taken now when it has none.
TThreadState* ClaimCurrentThreadState();
// The block of a running thread, by id (under the list lock), or none.
TThreadState* FindThreadState(DWORD threadId);
// The main thread's block.
TThreadState* MainThreadState();

// Readers (a report walking the list) and writers (thread starts and ends).
void LockThreadsRead();
void UnlockThreadsRead();

// Calls visit for every listed thread (not the reporter's own); the list
// is read-locked meanwhile.
template <class Visit>
void ForEachThreadState(Visit visit);

// Pool access for ForEachThreadState.
size_t ThreadStateCapacity();
TThreadState& ThreadStateAt(size_t index);

template <class Visit>
void ForEachThreadState(Visit visit) {
    LockThreadsRead();
    for (size_t i = 0; i < ThreadStateCapacity(); ++i) {
        TThreadState& state = ThreadStateAt(i);
        if (state.ThreadId.load() != 0 && !state.Reporter) visit(state);
    }
    UnlockThreadsRead();
}

}  // namespace crashreport
