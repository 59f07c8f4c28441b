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
    // Reads every loaded module's function table (allocates).
    void Refresh();
    // Adds one module (allocates).
    void Add(HMODULE module);
    // The entry of the function holding pc and its module's base; none for
    // a leaf function or code outside the snapshot.
    [[nodiscard]] const RUNTIME_FUNCTION* Find(uintptr_t pc, uintptr_t& base) const;
    [[nodiscard]] bool Holds(uintptr_t pc) const;

  private:
    struct Module {
        uintptr_t Base = 0;
        uintptr_t End = 0;
        const RUNTIME_FUNCTION* Table = nullptr;
        uint32_t Count = 0;
    };
    std::vector<Module> modules_;  // by Base
};

// The snapshot made at the reporter's start; never changed afterwards.
const TUnwindModules& StartModules();
void InitStartModules();

// Walks from context: its instruction pointer first, then the return
// addresses, leaving out the first `skip` frames. Stops at the capacity, at
// the end of the stack, when the stack pointer leaves [context's Rsp,
// stackTop] or moves past StackScanLimit, or when a frame makes no
// progress; a stack pointer that is not readable stops it at once.
// Returns the count stored.
enum class TWalk {
    // The calling thread's own stack, valid by being in use: functions
    // missing from the modules are looked up by the system.
    OwnStack,
    // Another thread's stack, possibly damaged: its range is checked first,
    // and only the modules given are consulted (other threads may be
    // suspended, holding any lock).
    OtherStack,
};
size_t WalkStack(const CONTEXT& context, uintptr_t stackTop, const TUnwindModules& modules,
                 TWalk walk, uintptr_t* out, size_t capacity, size_t skip = 0);

// The start of the call instruction that a return address follows (the
// byte before it when the code there reads as no call).
uintptr_t CallSiteOf(uintptr_t returnAddress);

// Unwinds `frames` frames of the calling thread's own context in place.
void UnwindOwnFrames(CONTEXT& context, size_t frames);

// The calling thread's stack from its caller on, skipping `skip` more
// frames. Uses the start snapshot and the system's lookup.
size_t CaptureCurrentStack(size_t skip, uintptr_t* out, size_t capacity);

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
    void Capture(const TUnwindModules& modules);
    std::vector<TThreadCapture>& Threads() { return threads_; }

  private:
    std::vector<TThreadCapture> threads_;
    std::vector<uintptr_t> frames_;
    size_t perThread_;
};

}  // namespace crashreport
