// Start-up on Windows: the single instance, the broadcast to the running
// copy, and the version check. The test program plays the running copy and
// starts serplow.exe as the second one.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/old_windows.h"
#include "core/program_win.h"
#include "core/project_file.h"
#include "core/single_instance_win.h"
#include "core/site.h"
#include "core/state.h"
#include "runtime/locale.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/strings.h"

namespace core {
namespace {

// A hidden top-level window that counts the "serplow-switchapp" messages
// it receives.
class SwitchListener {
  public:
    SwitchListener() {
        message_ = ::RegisterWindowMessageW(SwitchAppMessageName);
        WNDCLASSW wc{};
        wc.lpfnWndProc = &SwitchListener::WindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SerplowSwitchListener";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"listener", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                  100, nullptr, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~SwitchListener() { ::DestroyWindow(hwnd_); }

    [[nodiscard]] HWND Handle() const { return hwnd_; }
    [[nodiscard]] int Received() const { return received_; }
    [[nodiscard]] bool ParametersWereZero() const { return parametersZero_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
        auto* self = reinterpret_cast<SwitchListener*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && msg == self->message_) {
            ++self->received_;
            self->parametersZero_ = self->parametersZero_ && wParam == 0 && lParam == 0;
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
    UINT message_ = 0;
    int received_ = 0;
    bool parametersZero_ = true;
};

struct WindowSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK findProcessWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->processId) search->found = true;
    return TRUE;
}

// Runs serplow.exe and pumps this thread's messages until it ends. Answers
// its exit code; `sawWindow` tells whether it ever had a top-level window.
DWORD runSecondCopy(bool& sawWindow) {
    std::u16string commandLine = u"\"" + runtime::AnsiToWide(SERPLOW_EXE) + u"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(commandLine.data()), nullptr, nullptr,
                          FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << SERPLOW_EXE << ": " << ::GetLastError();
        return 0xFFFFFFFF;
    }
    const runtime::os::TThreadHandle thread(pi.hThread);
    const runtime::os::TProcessHandle process(pi.hProcess);
    sawWindow = false;
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    for (;;) {
        WindowSearch search{pi.dwProcessId, false};
        ::EnumWindows(&findProcessWindow, reinterpret_cast<LPARAM>(&search));
        sawWindow = sawWindow || search.found;
        const DWORD wait = ::MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) break;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (::GetTickCount64() > deadline) {
            ADD_FAILURE() << "the second copy does not end";
            ::TerminateProcess(pi.hProcess, 99);
            break;
        }
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(pi.hProcess, &exitCode);
    return exitCode;
}

class SingleInstanceTest : public ::testing::Test {
  protected:
    void TearDown() override { ReleaseSingleInstance(); }
};

TEST_F(SingleInstanceTest, SecondCopyEndsAndSwitchesTheRunningCopy) {
    SwitchListener listener;
    ASSERT_NE(listener.Handle(), nullptr);
    ASSERT_TRUE(ClaimSingleInstance());
    EXPECT_NE(MutexHandle.Get(), nullptr);
    EXPECT_EQ(SwitchAppMessage, ::RegisterWindowMessageW(SwitchAppMessageName));

    bool sawWindow = true;
    EXPECT_EQ(runSecondCopy(sawWindow), 0u);
    EXPECT_FALSE(sawWindow);
    EXPECT_EQ(listener.Received(), 1);
    EXPECT_TRUE(listener.ParametersWereZero());
}

TEST_F(SingleInstanceTest, OnlyOneClaimHolds) {
    ASSERT_TRUE(ClaimSingleInstance());
    void* const held = MutexHandle.Get();
    EXPECT_FALSE(ClaimSingleInstance());
    EXPECT_EQ(MutexHandle.Get(), held);
    ReleaseSingleInstance();
    EXPECT_EQ(MutexHandle.Get(), nullptr);
    EXPECT_TRUE(ClaimSingleInstance());
}

// Parts of the main routine that write down when they run.
struct RecordedParts {
    std::vector<std::string> calls;
    bool windowsMade = true;
    TProgramParts Parts() {
        return {[this] { calls.push_back("start"); },
                [this] {
                    calls.push_back("windows");
                    return windowsMade;
                },
                [this] { calls.push_back("run"); }, [this] { calls.push_back("end"); }};
    }
};

TEST_F(SingleInstanceTest, FirstCopyRunsAndSetsTheLocale) {
    SwitchListener listener;
    runtime::SetFormatSettings(runtime::DefaultFormatSettings());
    RecordedParts parts;
    EXPECT_EQ(ProgramMain(parts.Parts()), 0);
    EXPECT_EQ(parts.calls, (std::vector<std::string>{"start", "windows", "run", "end"}));
    EXPECT_EQ(listener.Received(), 0);
    EXPECT_EQ(::GetThreadLocale(), ::GetUserDefaultLCID());
    EXPECT_EQ(runtime::FormatSettings().ShortDateFormat,
              runtime::GetLocaleFormatSettings().ShortDateFormat);
    // It gave the mutex up when it ended.
    EXPECT_EQ(MutexHandle.Get(), nullptr);
    EXPECT_TRUE(ClaimSingleInstance());
}

TEST_F(SingleInstanceTest, StartEndedByTheMainWindowAnswersOne) {
    RecordedParts parts;
    parts.windowsMade = false;
    EXPECT_EQ(ProgramMain(parts.Parts()), 1);
    // No loop; the class library still ends and the mutex goes.
    EXPECT_EQ(parts.calls, (std::vector<std::string>{"start", "windows", "end"}));
    EXPECT_EQ(MutexHandle.Get(), nullptr);
}

// The window lets the sites go at its close and they are freed on a thread
// of their own: the program waits for them before it ends the class
// library.
TEST_F(SingleInstanceTest, SitesLetGoAreFreedBeforeTheProgramEnds) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false;
        std::vector<std::string> calls;
        void Record(const std::string& call) {
            std::lock_guard lock(mutex);
            calls.push_back(call);
        }
    };
    // The freeing thread may outlive the test when the program does not
    // wait for it.
    auto shared = std::make_shared<Shared>();
    // A site whose freeing goes on until the window's close is over.
    struct SlowSite : TSite {
        explicit SlowSite(std::shared_ptr<Shared> s)
            : TSite("slow.example"), shared(std::move(s)) {}
        ~SlowSite() override {
            std::unique_lock lock(shared->mutex);
            shared->changed.wait(lock, [this] { return shared->released; });
            shared->calls.push_back("freed");
        }
        std::shared_ptr<Shared> shared;
    };
    TProgramParts parts{[] {}, [] { return true; },
                        [&] {
                            Sites = std::make_unique<TSiteList>();
                            Sites->Add(std::make_unique<SlowSite>(shared));
                            ReleaseProject();
                            EXPECT_EQ(Sites, nullptr);
                            {
                                std::lock_guard lock(shared->mutex);
                                shared->released = true;
                            }
                            shared->changed.notify_all();
                            shared->Record("closed");
                        },
                        [&] { shared->Record("end"); }};
    EXPECT_EQ(ProgramMain(parts), 0);
    std::lock_guard lock(shared->mutex);
    EXPECT_EQ(shared->calls.size(), 3u);
    EXPECT_EQ(shared->calls.back(), "end");
}

TEST_F(SingleInstanceTest, SecondCopyInProcessAnswersZero) {
    SwitchListener listener;
    ASSERT_TRUE(ClaimSingleInstance());
    void* const held = MutexHandle.Get();
    // The class library never starts in a second copy.
    RecordedParts parts;
    EXPECT_EQ(ProgramMain(parts.Parts()), 0);
    EXPECT_TRUE(parts.calls.empty());
    EXPECT_EQ(listener.Received(), 1);
    EXPECT_EQ(MutexHandle.Get(), held);
}

TEST_F(SingleInstanceTest, HungWindowsDoNotStopTheBroadcast) {
    // A window whose thread never looks at its messages.
    std::atomic<HWND> hung{nullptr};
    const runtime::os::TEventHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread owner([&] {
        hung = ::CreateWindowExW(0, L"STATIC", L"hung", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
        ::WaitForSingleObject(release.Get(), INFINITE);
        ::DestroyWindow(hung);
    });
    while (hung == nullptr) ::Sleep(1);

    SwitchListener listener;
    const ULONGLONG start = ::GetTickCount64();
    BroadcastSwitchApp();
    const ULONGLONG took = ::GetTickCount64() - start;
    ::SetEvent(release.Get());
    owner.join();
    // One time-out for the hung window at most, with room for a slow machine.
    EXPECT_LT(took, SwitchAppTimeoutMs * 10ull);
    EXPECT_EQ(listener.Received(), 1);
}

TEST(OldWindowsTest, ModernSystemsAreNotOld) {
    OldWindows = true;
    EXPECT_FALSE(CheckOldWindows());
    EXPECT_FALSE(OldWindows);
}

}  // namespace
}  // namespace core
