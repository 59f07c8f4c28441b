#include "crashreport/pipeline_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "crashreport/libdata_win.h"
#include "crashreport/logfile.h"
#include "crashreport/process_win.h"
#include "crashreport/reporter.h"
#include "crashreport/sysinfo_win.h"
#include "gui/application.h"
#include "gui/init.h"
#include "runtime/exceptions.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/strings.h"

namespace crashreport {
namespace {

namespace fs = std::filesystem;

// The reporter runs in this test program from the first test on; each test
// has a log folder of its own and starts from default options.
class ReporterTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitExceptionReporting({}); }

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() / ("crashreport_pipeline_" + std::string(info->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        TVvModuleOptionsEx& o = CurrentVuvuvuVozOptions();
        o.SetDefaults();
        o.SetOutputPath(folder_.string());
        o.SetDialogFlags(o.DialogFlags() & ~dfShowReport);
        SetReporterEvents({});
    }
    void TearDown() override {
        SetReporterEvents({});
        fs::remove_all(folder_);
    }

    std::string logName() const { return (folder_ / ("crashreport_win_test.elf")).string(); }
    std::vector<std::string> entries() const {
        const TLogFile log(logName());
        std::vector<std::string> result;
        for (int i = 0; i < log.Count(); ++i) result.push_back(log.Entry(i));
        return result;
    }

    fs::path folder_;
};

// Throws from one place per class, so the same failure can be made twice.
template <class E>
__attribute__((noinline)) void Fail(const std::string& message) {
    throw E(message);
}

template <class E>
bool Report(const std::string& message) {
    try {
        Fail<E>(message);
    } catch (...) {
        return ExceptionManager(std::current_exception());
    }
    return true;
}

TEST_F(ReporterTest, ReportsAnExceptionOnceWithItsTypeMessageAndStack) {
    EXPECT_FALSE(Report<runtime::EConvertError>("Not a number"));
    const auto logged = entries();
    ASSERT_EQ(logged.size(), 1u);
    const TLogFile log(logName());
    EXPECT_EQ(log.ItemValue("2.4", 0), "EConvertError");
    EXPECT_EQ(log.ItemValue("2.5", 0), "Not a number.");
    EXPECT_EQ(log.ItemValue("2.3", 0), "crashreport_win_test.exe");
    EXPECT_NE(logged[0].find("Fail<runtime::EConvertError>"), std::string::npos);
    EXPECT_NE(logged[0].find("| Exception Thread: ID=" + std::to_string(::GetCurrentThreadId())),
              std::string::npos);
    EXPECT_NE(logged[0].find("; [Main]"), std::string::npos);
}

TEST_F(ReporterTest, SilentAbortsAndFilteredClassesAreNotReported) {
    EXPECT_TRUE(Report<runtime::EAbort>(""));
    CurrentVuvuvuVozOptions().SetFilters({"EIntError"}, {""});
    // EDivByZero descends from EIntError.
    Report<runtime::EDivByZero>("Division by zero");
    EXPECT_TRUE(entries().empty());
    CurrentVuvuvuVozOptions().SetFilterActive(0);
    Report<runtime::EDivByZero>("Division by zero");
    EXPECT_EQ(entries().size(), 1u);
}

TEST_F(ReporterTest, DuplicatesAreLoggedOnceAndTheLogKeepsItsNewest) {
    TVvModuleOptionsEx& o = CurrentVuvuvuVozOptions();
    o.SetLogFlags(o.LogFlags() | lfSuppressDuplicates);
    Report<runtime::EConvertError>("Same");
    Report<runtime::EConvertError>("Same");
    EXPECT_EQ(entries().size(), 1u);
    Report<runtime::EConvertError>("Other");
    EXPECT_EQ(entries().size(), 2u);

    o.SetLogFlags(o.LogFlags() & ~lfSuppressDuplicates);
    o.SetLogEntriesKept(2);
    Report<runtime::EConvertError>("Third");
    const TLogFile log(logName());
    ASSERT_EQ(log.Count(), 2);
    EXPECT_EQ(log.ItemValue("2.5", 0), "Other.");
    EXPECT_EQ(log.ItemValue("2.5", 1), "Third.");
}

TEST_F(ReporterTest, EventsRunOnTheFailingThreadAndMayCancel) {
    DWORD notifiedOn = 0;
    int actions = 0;
    TReporterEvents events;
    events.OnExceptionNotify = [&](const TReportEvent& e, bool& handle) {
        notifiedOn = ::GetCurrentThreadId();
        handle = e.Exception->Message != "Cancel me";
    };
    events.OnAction = [&](const TReportEvent&, int action, bool&) { actions |= 1 << action; };
    events.OnCustomData = [](const TReportEvent&, std::string& text) { text = "Custom\r\nlines"; };
    SetReporterEvents(events);

    DWORD failingId = 0;
    std::thread failing([&failingId] {
        failingId = ::GetCurrentThreadId();
        EXPECT_TRUE(Report<runtime::EConvertError>("Cancel me"));
    });
    failing.join();
    EXPECT_EQ(notifiedOn, failingId);
    EXPECT_TRUE(entries().empty());
    EXPECT_EQ(actions, 0);

    EXPECT_FALSE(Report<runtime::EConvertError>("Keep me"));
    EXPECT_EQ(actions, 1 << 2 | 1 << 3);  // around saving; nothing shown
    const auto logged = entries();
    ASSERT_EQ(logged.size(), 1u);
    // The custom text is section 7, right after the header.
    const size_t custom = logged[0].find("Other Information:\r\n");
    ASSERT_NE(custom, std::string::npos);
    EXPECT_NE(logged[0].find("  7.1 : Custom\r\n"), std::string::npos);
    EXPECT_LT(custom, logged[0].find("Call Stack Information:"));
}

TEST_F(ReporterTest, OtherThreadsAreListedAsTheOptionsAsk) {
    runtime::os::TEventHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    runtime::os::TEventHandle started(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    DWORD id = 0;
    std::thread waiting([stop = stop.Get(), started = started.Get(), &id] {
        id = ::GetCurrentThreadId();
        ::SetEvent(started);
        ::WaitForSingleObject(stop, INFINITE);
    });
    ::WaitForSingleObject(started.Get(), INFINITE);
    started.Reset();
    const std::string waitingId = std::to_string(id);
    TVvModuleOptionsEx& o = CurrentVuvuvuVozOptions();
    Report<runtime::EConvertError>("With threads");
    o.SetCallStackFlags(o.CallStackFlags() & ~csOtherThreads);
    Report<runtime::EConvertError>("Without");
    ::SetEvent(stop.Get());
    waiting.join();
    stop.Reset();
    const auto logged = entries();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_NE(logged[0].find("| Running Thread: ID=" + waitingId), std::string::npos);
    EXPECT_EQ(logged[1].find("| Running Thread: ID=" + waitingId), std::string::npos);
}

// Polls until condition holds, for at most 20 seconds.
template <class Condition>
bool waitUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition() && std::chrono::steady_clock::now() < deadline) ::Sleep(5);
    return condition();
}

// Every report stops the other threads to walk their stacks, and these
// options keep them stopped while the report is shown and saved: a thread
// stopped inside the heap would block the report for good. This one
// allocates all the time.
TEST_F(ReporterTest, ThreadsStoppedForAReportDoNotHoldTheHeap) {
    std::atomic<bool> stop{false};
    std::atomic<long> count{0};
    std::atomic<DWORD> busyId{0};
    std::thread busy([&] {
        busyId = ::GetCurrentThreadId();
        while (!stop) {
            std::string text(1000, 'x');
            delete[] new char[64 + count % 512];
            ++count;
        }
    });
    ASSERT_TRUE(waitUntil([&] { return count > 1000; }));
    runtime::os::TThreadHandle busyThread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, busyId));
    ASSERT_TRUE(busyThread);
    const HANDLE busyHandle = busyThread.Get();
    TVvModuleOptionsEx& o = CurrentVuvuvuVozOptions();
    o.SetBehaviourFlags(o.BehaviourFlags() | bfSuspendOtherThreads);
    int stoppedWhileSaved = 0;
    TReporterEvents events;
    events.OnAction = [&](const TReportEvent&, int action, bool&) {
        if (action != 2) return;
        // A suspend count above 0 before this call: the report holds it.
        if (::SuspendThread(busyHandle) >= 1) ++stoppedWhileSaved;
        ::ResumeThread(busyHandle);
    };
    SetReporterEvents(events);
    for (int i = 0; i < 5; ++i) Report<runtime::EConvertError>("Round " + std::to_string(i));
    EXPECT_EQ(stoppedWhileSaved, 5);
    // And going again.
    const long after = count;
    EXPECT_TRUE(waitUntil([&] { return count > after + 1000; }));
    stop = true;
    busy.join();
    busyThread.Reset();
    EXPECT_EQ(entries().size(), 5u);
}

TEST_F(ReporterTest, EveryThreadKeepsStackForTheHandlersOfAnOverflow) {
    const auto guaranteed = [] {
        ULONG size = 0;  // 0 asks without changing
        ::SetThreadStackGuarantee(&size);
        return size;
    };
    EXPECT_GE(guaranteed(), 64u * 1024);  // the main thread, which started first
    ULONG other = 0;
    std::thread worker([&] { other = guaranteed(); });
    worker.join();
    EXPECT_GE(other, 64u * 1024);
}

// The system's own code handles faults of its own (a pointer probed for
// reading): the reporter records them and lets them pass.
TEST_F(ReporterTest, AFaultThatTheSystemHandlesIsNotReported) {
    EXPECT_TRUE(::IsBadReadPtr(nullptr, 4));
    bool handledThere = false;
    std::thread worker([&] { handledThere = ::IsBadReadPtr(nullptr, 4) != 0; });
    worker.join();
    EXPECT_TRUE(handledThere);
    EXPECT_TRUE(entries().empty());
}

volatile int opaqueZero = 0;

// Spins with its frame pointer overwritten until stop is set: a thread
// whose stack cannot be unwound.
__attribute__((noinline)) void spinWithDamagedFrame(volatile bool* stop, volatile bool* spinning) {
    volatile char* area = static_cast<volatile char*>(__builtin_alloca(32 + opaqueZero));
    area[0] = 0;
    asm volatile(
        "movq %%rbp, %%r12\n\t"
        "movabsq $0x0000BAD0BAD0BAD0, %%rbp\n\t"
        "movb $1, (%1)\n\t"
        "1: pause\n\t"
        "cmpb $0, (%0)\n\t"
        "je 1b\n\t"
        "movq %%r12, %%rbp\n\t" ::"r"(stop),
        "r"(spinning)
        : "r12", "memory", "cc");
    area[1] = 1;
}

// Walking another thread's damaged stack faults on the reporter's own
// thread; the walk ends there and the report goes on.
TEST_F(ReporterTest, AnotherThreadsDamagedStackEndsItsWalkNotTheReport) {
    volatile bool stop = false;
    volatile bool spinning = false;
    std::atomic<DWORD> id{0};
    std::thread damaged([&] {
        id = ::GetCurrentThreadId();
        spinWithDamagedFrame(&stop, &spinning);
    });
    ASSERT_TRUE(waitUntil([&] { return spinning; }));
    Report<runtime::EConvertError>("While a stack is damaged");
    stop = true;
    damaged.join();
    const auto logged = entries();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find("| Running Thread: ID=" + std::to_string(id)), std::string::npos);
    EXPECT_NE(logged[0].find("spinWithDamagedFrame"), std::string::npos);
}

// A visible window of the test's own, for the freeze watch to probe.
class ProbedWindow {
  public:
    ProbedWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"CrashreportProbedWindow";
        ::RegisterClassW(&wc);
        window_ =
            ::CreateWindowExW(WS_EX_NOACTIVATE, wc.lpszClassName, L"Probed", WS_OVERLAPPEDWINDOW, 0,
                              0, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
        // Shown without taking the focus from tests running beside this one.
        ::ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    ~ProbedWindow() { ::DestroyWindow(window_); }
    HWND Handle() const { return window_; }

  private:
    HWND window_;
};

// A hang is reported with the main thread's stack. An event of that report
// turns the watch off: the watch waits for the report, so it must not be
// waited for.
TEST_F(ReporterTest, AHangIsReportedAndItsOwnEventsMayStopTheWatch) {
    ProbedWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    runtime::os::TEventHandle hangSaved(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE release = hangSaved.Get();
    TReporterEvents events;
    events.OnCustomData = [](const TReportEvent&, std::string&) {
        CurrentVuvuvuVozOptions().SetFreezeCheckActive(0);
    };
    events.OnAction = [release](const TReportEvent&, int action, bool&) {
        if (action == 3) ::SetEvent(release);
    };
    SetReporterEvents(events);
    TVvModuleOptionsEx& o = CurrentVuvuvuVozOptions();
    o.SetFreezeTimeoutSecs(1);
    o.SetFreezeCheckActive(1);
    // Hung until the report has been saved (a minute at most).
    EXPECT_EQ(::WaitForSingleObject(release, 60000), WAIT_OBJECT_0);
    hangSaved.Reset();
    EXPECT_TRUE(waitUntil([] { return !ReportInProgress(); }));
    const TLogFile log(logName());
    ASSERT_EQ(log.Count(), 1);
    EXPECT_EQ(log.ItemValue("2.4", 0), "EFrozenApplication");
    EXPECT_NE(log.Entry(0).find("| Exception Thread: ID=" + std::to_string(::GetCurrentThreadId())),
              std::string::npos);
    EXPECT_NE(log.Entry(0).find("AHangIsReportedAndItsOwnEventsMayStopTheWatch"),
              std::string::npos);
    EXPECT_EQ(o.FreezeCheckActive(), 0);
}

TEST_F(ReporterTest, ALogOfAnotherVersionIsStartedAnew) {
    {
        TLogFile old(logName());
        old.AddEntry(
            "VuvuvuVoz 5.0.2\r\n\r\nApplication:\r\n-\r\n  1.3 Version Number: 0.9.0.0\r\n", 10);
        old.Save();
    }
    TVvModuleOptionsEx& o = CurrentVuvuvuVozOptions();
    o.SetLogFlags(o.LogFlags() | lfDeleteOnNewVersion);
    Report<runtime::EConvertError>("After the update");
    const TLogFile log(logName());
    ASSERT_EQ(log.Count(), 1);
    EXPECT_EQ(log.ItemValue("2.5", 0), "After the update.");
}

// The program hands what the class library's message handling catches to
// the reporter, and lets the library show it only when nothing was reported.
TEST_F(ReporterTest, TheClassLibrarysCatchReportsThroughTheProgramsHook) {
    gui::init();
    int shown = 0;
    gui::Application->OnException = [&shown](runtime::TObject*, std::exception_ptr error) {
        if (ExceptionManager(error)) ++shown;
    };
    const auto handle = [](auto raise) {
        try {
            raise();
        } catch (...) {
            gui::Application->HandleException(nullptr);
        }
    };
    handle([] { Fail<runtime::EConvertError>("From a handler"); });
    handle([] { Fail<runtime::EAbort>(""); });
    EXPECT_EQ(shown, 0);
    const TLogFile log(logName());
    ASSERT_EQ(log.Count(), 1);
    EXPECT_EQ(log.ItemValue("2.5", 0), "From a handler.");
    EXPECT_NE(log.Entry(0).find("Fail<runtime::EConvertError>"), std::string::npos);
    gui::shutdown();
}

// A failure of the reporter's own: the file names the step, where the
// exception was raised with the code bytes there, and its message.
TEST(InternalError, TheFileNamesTheStepAddressMessageAndCodeBytes) {
    static const uint8_t code[32] = {0x55, 0x48, 0x89, 0xE5, 0xC3, 0x0F};
    const auto address = reinterpret_cast<uintptr_t>(code);
    const auto describe = [&](auto raise, uintptr_t at) {
        try {
            raise();
        } catch (...) {
            return DescribeInternalError("7", std::current_exception(), at);
        }
        return TInternalError();
    };
    const TInternalError e =
        describe([] { throw runtime::EConvertError("A broken step"); }, address);
    EXPECT_FALSE(e.Abort);
    std::string dump = "$55 $48 $89 $E5 $C3 $0F ";
    for (int i = 6; i < 32; ++i) dump += "$00 ";
    EXPECT_EQ(InternalErrorFileText(e, "Fri, 11 Dec 2026 10:00:00 +0000"),
              "Version: 5.0.2\r\nDate   : Fri, 11 Dec 2026 10:00:00 +0000\r\nOS     : " +
                  OperatingSystemName() + "\r\nRAD    : mingw-w64 g++\r\nDump   : " + dump +
                  "\r\nSection: 7\r\nAddress: $" +
                  runtime::IntToHex(static_cast<int64_t>(address), 16) +
                  "\r\nMessage: A broken step");

    // Nothing readable there, nothing to tell: no dump, the general message.
    const TInternalError unknown = describe([] { throw 42; }, 0);
    EXPECT_EQ(unknown.Dump, "");
    EXPECT_EQ(unknown.Message, "General internal error.");
    EXPECT_TRUE(describe([] { throw runtime::EAbort(""); }, 0).Abort);
}

TEST(LibraryData, TheProgramAnswersPasswordRequestsByName) {
    using Export = void(char* destination, int maxLength);
    const HMODULE self = ::GetModuleHandleW(nullptr);
    auto* ask = reinterpret_cast<Export*>(
        reinterpret_cast<void*>(::GetProcAddress(self, "VuvuvuVoz_PasswordRequestEvent")));
    ASSERT_NE(ask, nullptr);
    SetPasswordRequest([self](const TVvModuleInfo& module, std::string& password) {
        EXPECT_EQ(module.Handle, reinterpret_cast<uintptr_t>(self));
        password += "-42";
    });
    char buffer[256] = "\x05start";
    ask(buffer, 255);
    EXPECT_EQ(std::string(buffer + 1, static_cast<uint8_t>(buffer[0])), "start-42");
    ask(buffer, 4);
    EXPECT_EQ(std::string(buffer + 1, static_cast<uint8_t>(buffer[0])), "star");
    SetPasswordRequest(nullptr);
}

}  // namespace
}  // namespace crashreport
