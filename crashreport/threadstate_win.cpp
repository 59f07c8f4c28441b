#include "crashreport/threadstate_win.h"

#include <new>

namespace crashreport {

namespace {

// Stack kept for the handlers of a stack overflow.
constexpr ULONG stackGuarantee = 64 * 1024;

TThreadState* pool = nullptr;
size_t poolCapacity = 0;
DWORD tlsIndex = TLS_OUT_OF_INDEXES;
SRWLOCK listLock = SRWLOCK_INIT;
TThreadState* mainState = nullptr;

// A block whose thread ended without telling (killed) may be taken again.
bool threadGone(const TThreadState& state) {
    return state.Handle && ::WaitForSingleObject(state.Handle.Get(), 0) == WAIT_OBJECT_0;
}

void release(TThreadState& state) {
    state.Handle.Reset();
    state.ThreadId = 0;
}

// Takes a free block for the calling thread (the list write-locked).
TThreadState* take() {
    if (pool == nullptr) return nullptr;
    const DWORD self = ::GetCurrentThreadId();
    TThreadState* found = nullptr;
    ::AcquireSRWLockExclusive(&listLock);
    for (size_t i = 0; i < poolCapacity && found == nullptr; ++i) {
        if (pool[i].ThreadId == 0) found = &pool[i];
    }
    for (size_t i = 0; i < poolCapacity && found == nullptr; ++i) {
        if (threadGone(pool[i])) {
            release(pool[i]);
            found = &pool[i];
        }
    }
    if (found != nullptr) {
        TThreadState& s = *found;
        HANDLE handle = nullptr;
        ::DuplicateHandle(
            ::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &handle,
            THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION | SYNCHRONIZE,
            FALSE, 0);
        // A free block holds no handle: nothing is closed here.
        s.Handle.Reset(handle);
        const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
        s.StackTop = reinterpret_cast<uintptr_t>(tib->StackBase);
        s.StackBottom = reinterpret_cast<uintptr_t>(tib->StackLimit);
        s.Priority = NoPriority;
        s.Reporter = false;
        s.ThreadObject = false;
        s.ThreadClass[0] = '\0';
        s.CreatorId = 0;
        s.CreatorTraceCount = 0;
        s.InDispatch = false;
        s.Raise.Context.ContextFlags = 0;
        s.Raise.TraceCount = 0;
        s.Guard.Active = false;
        s.ThreadId = self;
    }
    ::ReleaseSRWLockExclusive(&listLock);
    if (found != nullptr) ::TlsSetValue(tlsIndex, found);
    return found;
}

// Handlers need stack after an overflow: asks the system to keep some of
// the calling thread's stack for them, when the stack is large enough to
// leave the thread most of it. The reserve is the address range from the
// deallocation point up.
void guaranteeStack() {
    MEMORY_BASIC_INFORMATION m;
    const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
    if (::VirtualQuery(tib->StackLimit, &m, sizeof m) == sizeof m &&
        reinterpret_cast<uintptr_t>(tib->StackBase) -
                reinterpret_cast<uintptr_t>(m.AllocationBase) >=
            8 * stackGuarantee) {
        ULONG size = stackGuarantee;
        ::SetThreadStackGuarantee(&size);
    }
}

void attach() {
    if (pool == nullptr) return;
    guaranteeStack();
    take();
}

void detach() {
    if (pool == nullptr) return;
    auto* state = static_cast<TThreadState*>(::TlsGetValue(tlsIndex));
    if (state == nullptr) return;
    ::AcquireSRWLockExclusive(&listLock);
    release(*state);
    ::ReleaseSRWLockExclusive(&listLock);
    ::TlsSetValue(tlsIndex, nullptr);
}

void NTAPI threadCallback(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_THREAD_ATTACH) attach();
    if (reason == DLL_THREAD_DETACH) detach();
}

}  // namespace

// The loader calls the program's TLS callbacks at every thread's start and
// end; this entry stands among them.
extern "C" {
extern PIMAGE_TLS_CALLBACK crashreportThreadCallback;
__attribute__((section(".CRT$XLB"), used)) PIMAGE_TLS_CALLBACK crashreportThreadCallback =
    threadCallback;
}

void InitThreadStates(size_t capacity) {
    if (pool != nullptr) return;
    tlsIndex = ::TlsAlloc();
    void* memory = ::VirtualAlloc(nullptr, capacity * sizeof(TThreadState),
                                  MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (tlsIndex == TLS_OUT_OF_INDEXES || memory == nullptr) return;
    auto* states = static_cast<TThreadState*>(memory);
    for (size_t i = 0; i < capacity; ++i) new (&states[i]) TThreadState{};
    poolCapacity = capacity;
    pool = states;
    // The calling thread is the main thread, which started before any
    // callback could see it.
    guaranteeStack();
    mainState = take();
}

void DoneThreadStates() {
    if (pool == nullptr) return;
    ::AcquireSRWLockExclusive(&listLock);
    TThreadState* states = pool;
    const size_t capacity = poolCapacity;
    pool = nullptr;
    poolCapacity = 0;
    mainState = nullptr;
    for (size_t i = 0; i < capacity; ++i) {
        if (states[i].ThreadId != 0) release(states[i]);
    }
    ::ReleaseSRWLockExclusive(&listLock);
    // Threads still running may hold their block: the pool stays mapped.
    ::TlsFree(tlsIndex);
    tlsIndex = TLS_OUT_OF_INDEXES;
}

bool ThreadStatesReady() {
    return pool != nullptr;
}

TThreadState* CurrentThreadState() {
    if (pool == nullptr) return nullptr;
    return static_cast<TThreadState*>(::TlsGetValue(tlsIndex));
}

TThreadState* ClaimCurrentThreadState() {
    TThreadState* state = CurrentThreadState();
    return state != nullptr ? state : take();
}

TThreadState* FindThreadState(DWORD threadId) {
    TThreadState* found = nullptr;
    LockThreadsRead();
    for (size_t i = 0; i < poolCapacity && found == nullptr; ++i) {
        if (pool[i].ThreadId == threadId) found = &pool[i];
    }
    UnlockThreadsRead();
    return found;
}

TThreadState* MainThreadState() {
    return mainState;
}

void LockThreadsRead() {
    ::AcquireSRWLockShared(&listLock);
}

void UnlockThreadsRead() {
    ::ReleaseSRWLockShared(&listLock);
}

size_t ThreadStateCapacity() {
    return poolCapacity;
}

TThreadState& ThreadStateAt(size_t index) {
    return pool[index];
}

}  // namespace crashreport
