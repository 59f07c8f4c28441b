// A program that fails on purpose, run by crash_test.py: each scenario
// makes the reporter write its reports to the log in the folder given.
//
//   crashreport_crasher sequence <folder>   exceptions that the program
//       survives (a message handler, a thread object, a worker's division
//       by zero, a hung main thread), then an access violation that ends it
//   crashreport_crasher uncaught <folder>   a C++ exception nobody catches
//   crashreport_crasher overflow <folder>   a stack overflow
//   crashreport_crasher repeat <folder>     the second failure in a minute
//       ends the program (the repeated-crash rule)
//   crashreport_crasher reporterfault <folder>   the reporter's own thread
//       faults while it reports a hang
//   crashreport_crasher smashed <folder>    a fault on a stack overwritten
//       with garbage, frame pointer included
//   crashreport_crasher lost <folder>       a fault with the stack pointer
//       moved into garbage
//   crashreport_crasher lookup <folder> <file>   names the code offsets
//       listed in <file> (hexadecimal, from the image base) as a report
//       would, one line each
//
// The functions that fail are external and never inlined, so the test can
// name them through addr2line.

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "crashreport/pipeline_win.h"
#include "crashreport/reporter.h"
#include "runtime/exceptions.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/strings.h"
#include "runtime/threads.h"

namespace crashtest {

volatile int zero = 0;
volatile int* volatile nowhere = nullptr;

__attribute__((noinline)) void ThrowFromHandler(int depth) {
    if (depth > 0) {
        ThrowFromHandler(depth - 1);
        return;
    }
    throw runtime::EConvertError("A message handler failed");
}

__attribute__((noinline)) int DivideInWorker(int value) {
    return value / zero;
}

__attribute__((noinline)) void WriteNowhere(int value) {
    *nowhere = value;
}

__attribute__((noinline)) void ThrowUncaught(int depth) {
    if (depth > 0) {
        ThrowUncaught(depth - 1);
        return;
    }
    throw std::runtime_error("Nobody catches this");
}

// Deeper without end; the condition only keeps the compiler from calling
// the recursion infinite.
__attribute__((noinline)) int Recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth == -1) return 0;
    return Recurse(depth + 1) + frame[0];
}

// Fills the stack from its own stack pointer up with garbage, return
// addresses included, sets its frame pointer to garbage too, then writes
// through a null pointer: nothing can unwind the stack the fault leaves.
__attribute__((noinline)) void SmashStackAndFault() {
    // A frame of variable size keeps its base in RBP.
    volatile char* area = static_cast<volatile char*>(__builtin_alloca(64 + zero));
    area[0] = 1;
    asm volatile(
        "movq %%rsp, %%rdi\n\t"
        "movq $64, %%rcx\n\t"
        "movabsq $0x0000BAD0BAD0BAD0, %%rax\n\t"
        "rep stosq\n\t"
        "movq %%rax, %%rbp\n\t"
        "movl $42, 0\n\t" ::
            : "rax", "rcx", "rdi", "memory");
}

// Moves the stack pointer into a buffer of garbage, then writes through a
// null pointer.
alignas(16) uint64_t garbageStack[32768];
__attribute__((noinline)) void LoseStackAndFault() {
    for (uint64_t& slot : garbageStack) slot = 0x0000BAD0BAD0BAD0;
    asm volatile(
        "movq %0, %%rsp\n\t"
        "movl $42, 0\n\t" ::"r"(garbageStack + 16384)
        : "memory");
}

// Blocks until the event is set, a minute at most.
__attribute__((noinline)) void BlockMainThread(HANDLE release) {
    ::WaitForSingleObject(release, 60000);
}

// A thread object whose Execute fails.
class TFailingWorker : public runtime::TThread {
  protected:
    void Execute() override { throw runtime::EInvalidOperation("The worker gave up"); }
};

// A thread object that waits until told to end, so reports list it.
class TIdleWorker : public runtime::TThread {
  public:
    ~TIdleWorker() override { TerminateAndWait(); }
    runtime::TSyncEvent Finish;

  protected:
    void Execute() override { Finish.WaitFor(); }
};

const UINT failMessage = WM_APP + 1;
const UINT countMessage = WM_APP + 2;
int counted = 0;
int failed = 0;

// A window procedure as the class library writes one: nothing escapes it,
// and what it catches goes to the reporter.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) noexcept {
    try {
        if (message == failMessage) {
            ++failed;
            ThrowFromHandler(3);
        }
        if (message == countMessage) ++counted;
        return ::DefWindowProcW(window, message, w, l);
    } catch (...) {
        crashreport::ExceptionManager(std::current_exception());
        return 0;
    }
}

HWND MakeWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CrashTestWindow";
    ::RegisterClassW(&wc);
    HWND window =
        ::CreateWindowExW(WS_EX_NOACTIVATE, wc.lpszClassName, L"Crash test", WS_OVERLAPPEDWINDOW,
                          10, 10, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
    // Shown without taking the focus from tests running beside this one.
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// Handles the thread's messages until done() holds (a minute at most).
template <class Done>
void PumpUntil(Done done) {
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while (!done() && ::GetTickCount64() < deadline) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (!done()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// A hang of the main thread: released by the report's last event, which
// runs after the report is logged.
runtime::os::TEventHandle ReleaseAfterHangReport() {
    runtime::os::TEventHandle owner(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    crashreport::TReporterEvents events;
    events.OnAction = [release = owner.Get()](const crashreport::TReportEvent& e, int action,
                                              bool&) {
        if (action == 3 && e.Exception->ClassName() == "EFrozenApplication") ::SetEvent(release);
    };
    crashreport::SetReporterEvents(events);
    return owner;
}

void Say(const std::string& text) {
    std::cout << text << std::endl;
}

int Sequence() {
    auto& options = crashreport::CurrentVuvuvuVozOptions();
    TIdleWorker idle;
    idle.Start();
    HWND window = MakeWindow();
    if (window == nullptr) {
        Say("no window");
        return 2;
    }

    // An exception in a message handler: the loop goes on.
    ::PostMessageW(window, failMessage, 0, 0);
    ::PostMessageW(window, countMessage, 0, 0);
    PumpUntil([] { return counted == 1; });
    Say(counted == 1 ? "loop went on" : "loop stopped");

    // An exception that escapes a thread object's Execute.
    TFailingWorker failing;
    failing.Start();
    failing.WaitFor();
    Say(failing.FatalException() ? "worker failed" : "worker did not fail");

    // A processor fault in a thread of its own: the thread ends.
    runtime::os::TThreadHandle worker(::CreateThread(
        nullptr, 0, [](void*) -> DWORD { return static_cast<DWORD>(DivideInWorker(7)); }, nullptr,
        0, nullptr));
    ::WaitForSingleObject(worker.Get(), INFINITE);
    DWORD code = 0;
    ::GetExitCodeThread(worker.Get(), &code);
    worker.Reset();
    Say("divider ended with " + std::to_string(code));

    // A main thread that stops answering until its hang is reported: one
    // report.
    runtime::os::TEventHandle release = ReleaseAfterHangReport();
    options.SetFreezeTimeoutSecs(1);
    options.SetFreezeCheckActive(1);
    BlockMainThread(release.Get());
    options.SetFreezeCheckActive(0);
    crashreport::SetReporterEvents({});
    Say(::WaitForSingleObject(release.Get(), 0) == WAIT_OBJECT_0 ? "hang over"
                                                                 : "hang not reported");
    release.Reset();

    // The last one ends the program.
    WriteNowhere(42);
    Say("still running");
    idle.Finish.SetEvent();
    return 0;
}

int Repeat() {
    auto& options = crashreport::CurrentVuvuvuVozOptions();
    options.SetBehaviourFlags(options.BehaviourFlags() | crashreport::bfRepeatCrashRule);
    options.SetRepeatCrashCount(2);
    options.SetRepeatCrashMinutes(1);
    options.SetRepeatCrashAction(0);
    HWND window = MakeWindow();
    for (int i = 0; i < 3; ++i) {
        ::PostMessageW(window, failMessage, 0, 0);
        PumpUntil([i] { return failed == i + 1; });
        Say("survived " + std::to_string(i + 1));
    }
    return 0;
}

volatile int* volatile reporterNowhere = nullptr;

int ReporterFault() {
    crashreport::TReporterEvents events;
    // The events of a hang run on the reporter's own thread.
    events.OnCustomData = [](const crashreport::TReportEvent&, std::string&) {
        *reporterNowhere = 1;
    };
    crashreport::SetReporterEvents(events);
    auto& options = crashreport::CurrentVuvuvuVozOptions();
    MakeWindow();
    // Never set: the reporter's failure ends the program first.
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    options.SetFreezeTimeoutSecs(1);
    options.SetFreezeCheckActive(1);
    BlockMainThread(release);
    Say("still running");
    return 0;
}

int Lookup(const std::string& listFile) {
    std::ifstream in(listFile);
    auto& modules = crashreport::Modules();
    const auto base = reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr));
    crashreport::TVvModuleInfo* program = modules.FindModuleInfo(base);
    if (program == nullptr || !program->DebugData) {
        Say("no debug data");
        return 2;
    }
    std::string text;
    while (in >> text) {
        const uintptr_t rva = std::stoull(text, nullptr, 16);
        crashreport::TSourcePosition p;
        if (program->DebugData->Lookup(static_cast<uint32_t>(rva - crashreport::CodeBaseOffset),
                                       p)) {
            std::cout << text << "\t" << p.ClassName << (p.ClassName.empty() ? "" : "::")
                      << p.ProcedureName << "\t" << p.UnitName << "\t" << p.Line << "\n";
        } else {
            std::cout << text << "\t?\t?\t0\n";
        }
    }
    return 0;
}

}  // namespace crashtest

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr
            << "usage: crashreport_crasher sequence|uncaught|overflow|repeat|reporterfault|smashed|"
               "lost|lookup <folder> [file]\n";
        return 2;
    }
    const std::string scenario = argv[1];
    crashreport::InitExceptionReporting({runtime::AnsiToWide(argv[2])});
    auto& options = crashreport::CurrentVuvuvuVozOptions();
    options.SetOutputPath(argv[2]);
    // Only the uncaught exception shows its report, on the console.
    if (scenario != "uncaught")
        options.SetDialogFlags(options.DialogFlags() & ~crashreport::dfShowReport);
    if (scenario == "sequence") return crashtest::Sequence();
    if (scenario == "uncaught") {
        crashtest::ThrowUncaught(2);
        return 0;
    }
    if (scenario == "overflow") return crashtest::Recurse(0);
    if (scenario == "smashed") crashtest::SmashStackAndFault();
    if (scenario == "lost") crashtest::LoseStackAndFault();
    if (scenario == "repeat") return crashtest::Repeat();
    if (scenario == "reporterfault") return crashtest::ReporterFault();
    if (scenario == "lookup" && argc > 3) return crashtest::Lookup(argv[3]);
    return 2;
}
