#include "crashreport/interception_win.h"

#include <cxxabi.h>
#include <windows.h>

#include <cstring>
#include <exception>
#include <typeinfo>

#include "crashreport/exception_info.h"
#include "crashreport/pipeline_win.h"
#include "crashreport/process_win.h"
#include "crashreport/stackwalk_win.h"
#include "crashreport/threadstate_win.h"
#include "runtime/thread_hooks.h"
#include "runtime/threads.h"

namespace crashreport {

namespace {

PVOID vectoredHandle = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
std::terminate_handler previousTerminate = nullptr;

bool isFault(DWORD code) {
    return (code & 0xF0000000) == 0xC0000000;
}

// The codes of the C++ runtime's own raises (throw, unwind, forced unwind).
bool isLanguageRaise(DWORD code) {
    return (code & 0x00FFFFFF) == 0x474343 && (code >> 24) >= 0x20 && (code >> 24) <= 0x22;
}

// Records a fault in the thread's block; answers how the walk of its stack
// ended (StackEnd without a walk).
TWalkEnd recordFault(TThreadState& state, const EXCEPTION_POINTERS& p, bool withTrace) {
    TRaiseRecord& r = state.Raise;
    const EXCEPTION_RECORD& e = *p.ExceptionRecord;
    std::memcpy(&r.Context, p.ContextRecord, sizeof r.Context);
    r.Address = reinterpret_cast<uintptr_t>(e.ExceptionAddress);
    r.Code = e.ExceptionCode;
    r.AccessKind = e.NumberParameters >= 2 ? e.ExceptionInformation[0] : 0;
    r.AccessAddress = e.NumberParameters >= 2 ? e.ExceptionInformation[1] : 0;
    r.ThrownType = nullptr;
    r.FirstFrameExact = true;
    r.TraceCount = 0;
    if (!withTrace) return TWalkEnd::StackEnd;
    const TWalkResult walk = WalkStack(&state.Guard, r.Context, state.StackTop, StartModules(),
                                       TWalk::OwnStack, r.Trace, RaiseTraceCapacity);
    r.TraceCount = static_cast<uint32_t>(walk.Count);
    return walk.End;
}

TFailure faultOf(const EXCEPTION_POINTERS& p) {
    TFailure f;
    const EXCEPTION_RECORD& e = *p.ExceptionRecord;
    f.Code = e.ExceptionCode;
    f.Address = reinterpret_cast<uintptr_t>(e.ExceptionAddress);
    if (e.NumberParameters >= 2) {
        f.AccessKind = e.ExceptionInformation[0];
        f.AccessAddress = e.ExceptionInformation[1];
    }
    return f;
}

TFailurePlace faultPlace(const TThreadState* state, const EXCEPTION_POINTERS& p) {
    TFailurePlace place;
    place.ThreadId = ::GetCurrentThreadId();
    place.Context = p.ContextRecord;
    place.StackTop = state != nullptr ? state->StackTop : 0;
    // The record of this very fault, when the vectored handler made one.
    if (state != nullptr && state->Raise.TraceCount > 0 &&
        state->Raise.Code == p.ExceptionRecord->ExceptionCode &&
        state->Raise.Address == reinterpret_cast<uintptr_t>(p.ExceptionRecord->ExceptionAddress)) {
        place.Frames = state->Raise.Trace;
        place.FrameCount = state->Raise.TraceCount;
        place.FirstFrameExact = true;
    }
    return place;
}

// The failing thread ends after its report: the program, when it is the
// main thread.
[[noreturn]] void endFailedThread() {
    if (::GetCurrentThreadId() == ProcessContext().MainThreadId) ::ExitProcess(1);
    ::ExitThread(1);
}

// Faults that nothing further on could handle are reported from the
// vectored handler, with what stack is left: the report is built on the
// processing thread, and this thread only waits.
//
// A stack overflow leaves too little stack for the search of a handler.
[[noreturn]] void stackOverflow(EXCEPTION_POINTERS* p) {
    TThreadState* state = CurrentThreadState();
    if (state == nullptr || state->Reporter)
        ReporterThreadFailed(p->ExceptionRecord->ExceptionCode);
    recordFault(*state, *p, false);
    DispatchException(faultOf(*p), faultPlace(state, *p), hkNone, rtHook);
    // What is left of the stack cannot run a thread's normal end.
    ::TerminateProcess(::GetCurrentProcess(), 1);
    for (;;) ::Sleep(INFINITE);
}

// The system finds a fault's handlers by unwinding the stack as the walk
// just did: when the walk faulted or lost its way, or the stack pointer is
// not in the thread's stack at all, that search fails too (and faults again
// and again, or ends the process without a word). The stack is damaged.
bool stackDamaged(TWalkEnd walk, const CONTEXT& context) {
    if (walk == TWalkEnd::Faulted || walk == TWalkEnd::Lost) return true;
    // The whole reserve counts: a frame may reach below the committed part
    // before its first touch.
    const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
    const auto top = reinterpret_cast<uintptr_t>(tib->StackBase);
    MEMORY_BASIC_INFORMATION m;
    if (::VirtualQuery(reinterpret_cast<const void*>(top - 1), &m, sizeof m) != sizeof m)
        return false;
    return context.Rsp < reinterpret_cast<uintptr_t>(m.AllocationBase) || context.Rsp >= top;
}

// A fault on a damaged stack is reported here, once, and ends its thread
// (the main thread: the program).
[[noreturn]] void damagedStack(TThreadState& state, EXCEPTION_POINTERS* p) {
    DispatchException(faultOf(*p), faultPlace(&state, *p), hkNone, rtHook);
    endFailedThread();
}

LONG CALLBACK vectoredHandler(EXCEPTION_POINTERS* p) {
    const DWORD code = p->ExceptionRecord->ExceptionCode;
    if (!isFault(code)) return EXCEPTION_CONTINUE_SEARCH;
    TThreadState* state = CurrentThreadState();
    // A fault inside one of this thread's walks ends that walk.
    if (state != nullptr && ResumeFaultedWalk(state->Guard, *p->ContextRecord))
        return EXCEPTION_CONTINUE_EXECUTION;
    if (code == EXCEPTION_STACK_OVERFLOW) stackOverflow(p);
    if (state == nullptr || state->InDispatch || state->Reporter) return EXCEPTION_CONTINUE_SEARCH;
    const TWalkEnd walk = recordFault(*state, *p, true);
    if (stackDamaged(walk, *p->ContextRecord)) damagedStack(*state, p);
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI unhandledFilter(EXCEPTION_POINTERS* p) {
    const DWORD code = p->ExceptionRecord->ExceptionCode;
    if (!isFault(code) || isLanguageRaise(code)) {
        return previousFilter != nullptr ? previousFilter(p) : EXCEPTION_CONTINUE_SEARCH;
    }
    if (IsReporterThread()) ReporterThreadFailed(code);
    TThreadState* state = ClaimCurrentThreadState();
    // A thread that fails while its own report runs holds the report's
    // lock: ending it would block every later report.
    if (state != nullptr && state->InDispatch) ReporterThreadFailed(code);
    const TFailure failure = faultOf(*p);
    if (failure.Address != LastProcessedAddress()) {
        DispatchException(failure, faultPlace(state, *p), hkNone, rtHook);
    }
    endFailedThread();
}

// The recorded throw, when it is the exception now being handled.
bool raiseMatches(const TThreadState* state) {
    return state != nullptr && state->Raise.Code == 0 && state->Raise.TraceCount > 0 &&
           state->Raise.ThrownType != nullptr && abi::__cxa_current_exception_type() != nullptr &&
           *abi::__cxa_current_exception_type() == *state->Raise.ThrownType;
}

// Reports the exception being handled on this thread.
bool reportCurrentException(const std::exception_ptr& exception, TRaiserType raiser) {
    TThreadState* state = ClaimCurrentThreadState();
    TFailure failure;
    failure.Exception = exception;
    TFailurePlace place;
    place.ThreadId = ::GetCurrentThreadId();
    place.StackTop = state != nullptr ? state->StackTop : 0;
    CONTEXT here;
    if (raiseMatches(state)) {
        failure.ThrownType = state->Raise.ThrownType;
        failure.Address = CallSiteOf(state->Raise.Address);
        place.Context = &state->Raise.Context;
        place.Frames = state->Raise.Trace;
        place.FrameCount = state->Raise.TraceCount;
        place.FirstFrameExact = false;
    } else {
        // No record of the throw: the stack as it is now.
        ::RtlCaptureContext(&here);
        place.Context = &here;
        failure.Address = here.Rip;
    }
    return DispatchException(failure, place, hkNone, raiser);
}

void terminateHandler() {
    if (IsReporterThread()) ReporterThreadFailed(0xE0000001);
    const std::exception_ptr exception = std::current_exception();
    if (exception) {
        const TThreadState* state = CurrentThreadState();
        const uintptr_t address = raiseMatches(state) ? CallSiteOf(state->Raise.Address) : 0;
        if (address == 0 || address != LastProcessedAddress())
            reportCurrentException(exception, rtHook);
    }
    endFailedThread();
}

void threadStarted(runtime::TThread& thread) {
    TThreadState* state = FindThreadState(thread.ThreadID());
    if (state == nullptr) return;
    // The new thread waits until Start returns: its block is ours meanwhile.
    const std::string name = PlainClassName(typeid(thread));
    const size_t length = std::min(name.size(), ThreadClassCapacity - 1);
    std::memcpy(state->ThreadClass, name.data(), length);
    state->ThreadClass[length] = '\0';
    state->ThreadObject = true;
    state->CreatorId = ::GetCurrentThreadId();
    TThreadState* self = CurrentThreadState();
    state->CreatorTraceCount = static_cast<uint32_t>(CaptureCurrentStack(
        self != nullptr ? &self->Guard : nullptr, 2, state->CreatorTrace, CreatorTraceCapacity));
}

void threadException(runtime::TThread&) {
    reportCurrentException(std::current_exception(), rtHook);
}

}  // namespace

// Records the throw in the thread's block: the registers and stack at the
// throw's call, taken without a lock or an allocation.
extern "C" __attribute__((noinline)) void crashreportRecordThrow(std::type_info* type,
                                                                 void* returnAddress) {
    TThreadState* state = CurrentThreadState();
    // A thread waiting for its report keeps the record of what failed.
    if (state == nullptr || state->InDispatch) return;
    TRaiseRecord& r = state->Raise;
    ::RtlCaptureContext(&r.Context);
    // This function's frame and the throw wrapper's: the context is then the
    // thrower's, at the return from its throw.
    UnwindOwnFrames(r.Context, 2);
    r.Address = reinterpret_cast<uintptr_t>(returnAddress);
    r.Code = 0;
    r.AccessKind = 0;
    r.AccessAddress = 0;
    r.ThrownType = type;
    r.FirstFrameExact = false;
    r.TraceCount =
        static_cast<uint32_t>(WalkStack(&state->Guard, r.Context, state->StackTop, StartModules(),
                                        TWalk::OwnStack, r.Trace, RaiseTraceCapacity)
                                  .Count);
}

extern "C" [[noreturn]] void __real___cxa_throw(void* object, std::type_info* type,
                                                void (*destructor)(void*));

extern "C" [[noreturn]] __attribute__((noinline)) void __wrap___cxa_throw(
    void* object, std::type_info* type, void (*destructor)(void*)) {
    crashreportRecordThrow(type, __builtin_return_address(0));
    __real___cxa_throw(object, type, destructor);
}

void InstallInterception() {
    vectoredHandle = ::AddVectoredExceptionHandler(1, vectoredHandler);
    previousFilter = ::SetUnhandledExceptionFilter(unhandledFilter);
    previousTerminate = std::set_terminate(terminateHandler);
    runtime::SetThreadStartedHook(threadStarted);
    runtime::SetThreadExceptionHook(threadException);
}

void RemoveInterception() {
    runtime::SetThreadStartedHook(nullptr);
    runtime::SetThreadExceptionHook(nullptr);
    std::set_terminate(previousTerminate);
    ::SetUnhandledExceptionFilter(previousFilter);
    if (vectoredHandle != nullptr) ::RemoveVectoredExceptionHandler(vectoredHandle);
    vectoredHandle = nullptr;
}

uintptr_t CurrentRaiseAddress() {
    const TThreadState* state = CurrentThreadState();
    return raiseMatches(state) ? CallSiteOf(state->Raise.Address) : 0;
}

bool ExceptionManager(const std::exception_ptr& exception, TRaiserType raiserType) {
    if (!ExceptionReportingActive() || !exception) return true;
    return reportCurrentException(exception, raiserType);
}

}  // namespace crashreport
