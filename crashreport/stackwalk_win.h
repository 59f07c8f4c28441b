#pragma once

// Call stacks by unwinding: from a thread's registers, each frame's
// function-table entry gives where its caller's return address and stack
// pointer are. Function entries are found in a snapshot of the loaded
// modules' tables, so walking needs no lock and allocates nothing: it may
// run while other threads are suspended.

#include <windows.h>

#include <cstdint>
#include <vector>

namespace crashreport {

// A walk covers at most this much stack above its starting stack pointer.
inline constexpr uintptr_t StackScanLimit = 102400;

// The function tables of the modules loaded when it was made.
class TUnwindModules {
  public:
    TUnwindModules() = default;
    ~TUnwindModules();
    TUnwindModules(const TUnwindModules&) = delete;
    TUnwindModules& operator=(const TUnwindModules&) = delete;

    // Reads every loaded module's function table (allocates). Not while
    // following unloads.
    void Refresh();
    // Adds one module (allocates). Not while following unloads.
    void Add(HMODULE module);
    // From now on a module leaves the snapshot as the loader unloads it,
    // before its tables go away (the loader tells every unload). A walk
    // that read a table just before still ends cleanly: walks are guarded.
    void FollowUnloads();
    // Takes the module at base out of the snapshot; safe while walks run.
    void Forget(uintptr_t base);
    // The entry of the function holding pc and its module's base; none for
    // a leaf function or code outside the snapshot.
    [[nodiscard]] const RUNTIME_FUNCTION* Find(uintptr_t pc, uintptr_t& base) const;
    [[nodiscard]] bool Holds(uintptr_t pc) const;

  private:
    // End and Table change (to Base and none) when the module is
    // forgotten; they are read and written as atomics.
    struct Module {
        uintptr_t Base = 0;
        uintptr_t End = 0;
        const RUNTIME_FUNCTION* Table = nullptr;
        uint32_t Count = 0;
    };
    // The module whose range holds pc, or none.
    [[nodiscard]] const Module* moduleAt(uintptr_t pc) const;

    std::vector<Module> modules_;  // by Base
    void* notificationCookie_ = nullptr;
};

// The snapshot made at the reporter's start; it loses modules as they are
// unloaded and gains none.
const TUnwindModules& StartModules();
void InitStartModules();

// What lets one thread survive a fault inside its own walk: a damaged
// stack (return addresses or frame pointer overwritten) or a table that
// went away makes the unwinder read memory that is not there. The walk
// then ends at that frame; the vectored handler resumes the thread after
// the walk (ResumeFaultedWalk). One per thread, never shared.
struct TWalkGuard {
    // Registers to resume with, taken as the walk starts.
    alignas(16) CONTEXT Resume;
    volatile bool Active;
    // The last walk ended at a fault.
    volatile bool Faulted;
    // Frames the walk has stored so far.
    volatile size_t Progress;
};

// Called by the vectored handler on the faulting thread: when the fault
// happened inside a walk of this guard, sets context to resume after the
// walk and answers true (the handler then continues execution).
bool ResumeFaultedWalk(TWalkGuard& guard, CONTEXT& context);

enum class TWalk {
    // The calling thread's own stack, valid by being in use: functions
    // missing from the modules are looked up by the system.
    OwnStack,
    // Another thread's stack, possibly damaged: its range is checked first,
    // and only the modules given are consulted (other threads may be
    // suspended, holding any lock).
    OtherStack,
};

// Why a walk stopped.
enum class TWalkEnd : uint8_t {
    // The thread's first frame: no return address further, or the stack's
    // top reached.
    StackEnd,
    // The capacity or the scan limit.
    Limit,
    // The stack pointer left the stack (below the start or beyond its top)
    // or a frame made no progress.
    Lost,
    // Another thread's stack range cannot be read.
    Unreadable,
    // Unwinding faulted (a guarded walk).
    Faulted,
};

struct TWalkResult {
    size_t Count = 0;
    TWalkEnd End = TWalkEnd::StackEnd;
};

// Walks from context: its instruction pointer first, then the return
// addresses, leaving out the first `skip` frames. Stops at the capacity, at
// the end of the stack, when the stack pointer leaves [context's Rsp,
// stackTop] or moves past StackScanLimit, or when a frame makes no
// progress; a stack pointer that is not readable (another thread's) stops
// it at once. With a guard (the calling thread's own), a fault while
// unwinding ends the walk with the frames found so far.
TWalkResult WalkStack(TWalkGuard* guard, const CONTEXT& context, uintptr_t stackTop,
                      const TUnwindModules& modules, TWalk walk, uintptr_t* out, size_t capacity,
                      size_t skip = 0);

// The start of the call instruction that a return address follows (the
// byte before it when the code there reads as no call).
uintptr_t CallSiteOf(uintptr_t returnAddress);

// Unwinds `frames` frames of the calling thread's own context in place.
void UnwindOwnFrames(CONTEXT& context, size_t frames);

// The calling thread's stack from its caller on, skipping `skip` more
// frames. Uses the start snapshot and the system's lookup.
size_t CaptureCurrentStack(TWalkGuard* guard, size_t skip, uintptr_t* out, size_t capacity);

// Stacks of other threads: each is suspended, its registers read and its
// stack walked, all before any of them is resumed, and nothing is
// allocated meanwhile.
struct TThreadCapture {
    DWORD ThreadId = 0;
    HANDLE Handle = nullptr;
    uintptr_t StackTop = 0;
    bool Captured = false;
    CONTEXT Context{};
    size_t Count = 0;
    uintptr_t* Frames = nullptr;  // points into the capture's own buffer
};

class TThreadCaptures {
  public:
    // Room for the given threads, each with up to `frames` frames.
    TThreadCaptures(const std::vector<TThreadCapture>& threads, size_t frames);
    // `guard` is the calling thread's.
    void Capture(const TUnwindModules& modules, TWalkGuard* guard);
    std::vector<TThreadCapture>& Threads() { return threads_; }

  private:
    std::vector<TThreadCapture> threads_;
    std::vector<uintptr_t> frames_;
    size_t perThread_;
};

}  // namespace crashreport
