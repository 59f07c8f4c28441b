#include "crashreport/pipeline_win.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "crashreport/freeze_win.h"
#include "crashreport/hook_win.h"
#include "crashreport/interception_win.h"
#include "crashreport/process_win.h"
#include "crashreport/stackwalk_win.h"
#include "runtime/exceptions.h"
#include "runtime/os/folders.h"
#include "runtime/os/kernel_handles.h"

namespace crashreport {

namespace {

// Threads in the process at most, for the blocks made at start.
constexpr size_t threadCapacity = 512;
// The processing thread builds reports with plenty of stack to spare.
constexpr SIZE_T processingStack = 4 * 1024 * 1024;
// Messages a waiting main thread handles per wake-up.
constexpr int pumpedPerWake = 11;

struct Request {
    TFailure Failure;
    TFailurePlace Place;
    THandlerKind HandlerKind = hkNone;
    TRaiserType RaiserType = rtHook;
    DWORD CallerId = 0;
    bool Result = true;
};

struct LibraryState {
    std::atomic<bool> Active{false};
    std::atomic<bool> Stopping{false};
    CRITICAL_SECTION Main;
    HANDLE RequestReady = nullptr;
    HANDLE RequestDone = nullptr;
    HANDLE CallbackReady = nullptr;
    HANDLE CallbackDone = nullptr;
    runtime::os::TThreadHandle Processing;
    std::atomic<DWORD> ProcessingId{0};
    Request Pending;
    // The event call the processing thread wants run on the failing thread.
    const std::function<void()>* Callback = nullptr;
    std::unique_ptr<TVvModulesList> ModuleList;
    // The program's own options: its module record's, kept for the
    // library's life.
    TVvModuleOptionsEx* ProgramOptions = nullptr;
    std::unique_ptr<TVvModuleOptionsEx> Current;
    // Set while a report runs (the main lock is held).
    std::atomic<bool> Reporting{false};
    TProcessContext Context;
    std::mutex EventsLock;
    TReporterEvents Events;
    TReportPresenter Presenter;
};

LibraryState* library = nullptr;
std::atomic<uintptr_t> lastProcessed{0};

// Handles the messages a waiting main thread receives: paints and timers go
// on, input is swallowed with a beep, and a quit request is dropped.
void pumpWaitingMessages() {
    MSG msg;
    for (int i = 0; i < pumpedPerWake && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        const UINT m = msg.message;
        const bool mouse = (m >= 0x00A1 && m <= 0x00A9) || (m >= 0x0201 && m <= 0x0209);
        const bool keys = (m >= 0x0100 && m <= 0x0102) || (m >= 0x0104 && m <= 0x0106);
        if (mouse || keys) {
            ::MessageBeep(MB_OK);
            continue;
        }
        if (m == WM_QUIT) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void runCallback() {
    const std::function<void()>* callback = library->Callback;
    if (callback != nullptr) {
        try {
            (*callback)();
        } catch (...) {
        }
    }
    ::SetEvent(library->CallbackDone);
}

// The failing thread waits here until its report is done, running the
// event calls handed to it.
void waitForReport(bool pump) {
    HANDLE handles[2] = {library->RequestDone, library->CallbackReady};
    for (;;) {
        const DWORD result =
            pump ? ::MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_ALLINPUT)
                 : ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) return;
        if (result == WAIT_OBJECT_0 + 1) {
            runCallback();
        } else if (result == WAIT_OBJECT_0 + 2) {
            pumpWaitingMessages();
        } else {
            return;
        }
    }
}

DWORD WINAPI processingThread(void*) {
    if (TThreadState* self = ClaimCurrentThreadState()) self->Reporter = true;
    for (;;) {
        ::WaitForSingleObject(library->RequestReady, INFINITE);
        if (library->Stopping) return 0;
        Request& r = library->Pending;
        try {
            r.Result =
                ProcessException(library->Context, r.Failure, r.Place, r.HandlerKind, r.RaiserType);
        } catch (...) {
            ReportInternalError(DescribeInternalError(std::to_string(library->Context.Step),
                                                      std::current_exception(),
                                                      CurrentRaiseAddress()));
            r.Result = true;
        }
        ::SetEvent(library->RequestDone);
    }
}

}  // namespace

bool ReportInProgress() {
    return library != nullptr && library->Reporting;
}

bool IsReporterThread() {
    const TThreadState* self = CurrentThreadState();
    return self != nullptr && self->Reporter;
}

uintptr_t LastProcessedAddress() {
    return lastProcessed;
}

void NoteProcessedAddress(uintptr_t address) {
    lastProcessed = address;
}

TVvModulesList& Modules() {
    return *library->ModuleList;
}

TVvModuleOptionsEx& CurrentOptions() {
    return *library->Current;
}

void SetReporterEvents(TReporterEvents events) {
    std::lock_guard lock(library->EventsLock);
    library->Events = std::move(events);
}

void SetReportPresenter(TReportPresenter presenter) {
    std::lock_guard lock(library->EventsLock);
    library->Presenter = std::move(presenter);
}

TReporterEvents CurrentEvents() {
    std::lock_guard lock(library->EventsLock);
    return library->Events;
}

TReportPresenter CurrentPresenter() {
    std::lock_guard lock(library->EventsLock);
    return library->Presenter;
}

void RunInFaultingThread(const std::function<void()>& call, bool failingThreadCanRun) {
    if (library == nullptr || ::GetCurrentThreadId() != library->ProcessingId ||
        !failingThreadCanRun) {
        try {
            call();
        } catch (...) {
        }
        return;
    }
    library->Callback = &call;
    ::SetEvent(library->CallbackReady);
    ::WaitForSingleObject(library->CallbackDone, INFINITE);
    library->Callback = nullptr;
}

bool DispatchException(const TFailure& failure, const TFailurePlace& place,
                       THandlerKind handlerKind, TRaiserType raiserType) {
    if (library == nullptr || !library->Active || library->Stopping || !library->Processing) {
        return true;
    }
    // The processing thread never waits for itself.
    if (::GetCurrentThreadId() == library->ProcessingId) return true;
    TThreadState* self = ClaimCurrentThreadState();
    ::EnterCriticalSection(&library->Main);
    if (self != nullptr && self->InDispatch) {
        ::LeaveCriticalSection(&library->Main);
        return true;
    }
    if (self != nullptr) self->InDispatch = true;
    library->Reporting = true;
    Request& r = library->Pending;
    r.Failure = failure;
    r.Place = place;
    r.HandlerKind = handlerKind;
    r.RaiserType = raiserType;
    r.CallerId = ::GetCurrentThreadId();
    r.Result = true;
    ::ResetEvent(library->RequestDone);
    ::SetEvent(library->RequestReady);
    // A main thread keeps its windows painted while it waits, but not after
    // its stack ran out.
    const bool pump = ::GetCurrentThreadId() == library->Context.MainThreadId &&
                      failure.Code != EXCEPTION_STACK_OVERFLOW;
    waitForReport(pump);
    const bool result = r.Result;
    r.Failure = TFailure();
    if (self != nullptr) {
        self->Raise.Context.ContextFlags = 0;
        self->Raise.TraceCount = 0;
        self->InDispatch = false;
    }
    library->Reporting = false;
    ::LeaveCriticalSection(&library->Main);
    return result;
}

void ReporterThreadFailed(DWORD code) {
    // No allocation, no formatting library: the digits by hand.
    char line[] = "Serplow: the exception reporter failed itself (code 00000000); ending.\r\n";
    char* digits = line + sizeof("Serplow: the exception reporter failed itself (code ") - 1;
    for (int i = 7; i >= 0; --i) {
        digits[i] = "0123456789ABCDEF"[code & 15];
        code >>= 4;
    }
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), line, sizeof line - 1, &written, nullptr);
    ::OutputDebugStringA(line);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    for (;;) ::Sleep(INFINITE);
}

void InitExceptionReporting(const TReporterSetup& setup) {
    if (library != nullptr) return;
    auto* state = new LibraryState;
    ::InitializeCriticalSection(&state->Main);
    state->RequestReady = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    state->RequestDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    state->CallbackReady = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    state->CallbackDone = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);

    HMODULE self = ::GetModuleHandleW(nullptr);
    TProcessContext& c = state->Context;
    c.DataFolder = setup.DataFolder;
    c.StartTime = runtime::Now();
    c.StartFolder = runtime::os::GetCurrentDir();
    c.MainThreadId = ::GetCurrentThreadId();
    const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
    c.MainStackTop = reinterpret_cast<uintptr_t>(tib->StackBase);
    state->ModuleList = std::make_unique<TVvModulesList>(self);
    state->Current = std::make_unique<TVvModuleOptionsEx>("", false, nullptr);
    library = state;

    InitThreadStates(threadCapacity);
    InitStartModules();
    // The program's own options come from its library data; its shared
    // block holds a 0 (nothing changed at run time) until they change.
    if (TVvModuleInfo* program =
            state->ModuleList->FindModuleInfo(reinterpret_cast<uintptr_t>(self))) {
        state->ProgramOptions = program->Options.get();
        state->ProgramOptions->ResetSharedBlock();
    }

    state->Processing.Reset(::CreateThread(nullptr, processingStack, processingThread, nullptr,
                                           STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (state->Processing) {
        state->ProcessingId = ::GetThreadId(state->Processing.Get());
        ::SetThreadPriority(state->Processing.Get(), THREAD_PRIORITY_HIGHEST);
    }
    state->Active = true;
    InstallInterception();
    TVvModuleOptionsEx::SetFreezeWatchSwitch([](bool run) {
        if (run) {
            StartFreezeWatch();
        } else {
            StopFreezeWatch();
        }
    });
    StartFreezeWatch();
}

void DoneExceptionReporting() {
    if (library == nullptr || !library->Active) return;
    // Waits for a report in progress.
    ::EnterCriticalSection(&library->Main);
    ::LeaveCriticalSection(&library->Main);
    TVvModuleOptionsEx::SetFreezeWatchSwitch(nullptr);
    StopFreezeWatch();
    RemoveInterception();
    UnhookAll();
    library->Stopping = true;
    ::SetEvent(library->RequestReady);
    if (library->Processing) {
        ::WaitForSingleObject(library->Processing.Get(), INFINITE);
        library->Processing.Reset();
    }
    library->Active = false;
    DoneThreadStates();
    // The state stays: a thread still ending may look at it.
}

bool ExceptionReportingActive() {
    return library != nullptr && library->Active;
}

TProcessContext& ProcessContext() {
    return library->Context;
}

TVvModuleOptionsEx& CurrentVuvuvuVozOptions() {
    if (library == nullptr || library->ProgramOptions == nullptr) {
        throw runtime::EAssertionFailed(
            "Cannot use 'CurrentVuvuvuVozOptions' function without VuvuvuVoz activate.");
    }
    return *library->ProgramOptions;
}

void SetTerminateAction(uint8_t action) {
    if (library == nullptr || !library->Active) return;
    library->Context.TerminateRequest = true;
    // While a report runs, its own options decide; else the program's.
    if (library->Reporting) {
        library->Current->SetTerminateAction(action);
    } else {
        CurrentVuvuvuVozOptions().SetTerminateAction(action);
    }
}

std::u16string CurrentLogFileName() {
    return library->Current->LogFileName("", library->Context.DataFolder);
}

}  // namespace crashreport
