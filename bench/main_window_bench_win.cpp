// Start-up and close of the main window with a large project, as the user
// waits for them: from making the windows (settings, engines, script host,
// the project's load behind the loading dialog) to an idle, shown window;
// then from the close to the saved project. Prints both in milliseconds,
// wall time and the process's processor time.
//
// Where the time goes: a child process of this program repeats the core's
// parts of the start and the close without a window (settings and engines,
// the project's load with its backup copy, the save, the freeing of the
// sites), each in fresh memory as at a real start; the window's own part is
// what the totals hold beyond them. The keyword list's fill is timed once
// more in the shown window.
//
// Run with a display:
//   DISPLAY=:99 build/windows/wine-run.sh build/windows/bench/main_window_bench.exe

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "controls/tree/treeview.h"
#include "core/engines.h"
#include "core/options.h"
#include "core/project_file.h"
#include "core/site.h"
#include "core/state.h"
#include "gui/desktop.h"
#include "gui/forms.h"
#include "gui/testing.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/strings.h"
#include "ui/init.h"
#include "ui/program_win.h"
#include "ui/ui_test_support.h"

namespace {

constexpr int kKeywords = 10000;
constexpr int kLinks = 100;
// The switches of the child processes: one makes the project, one times
// the core's parts.
constexpr const char* kMakeSwitch = "--make-project";
constexpr const char* kCoreSwitch = "--core-phases";

double ProcessorMilliseconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e4;
}

// Wall and processor time of one stretch of work.
class TStopwatch {
  public:
    TStopwatch() { Restart(); }
    void Restart() {
        wall_ = std::chrono::steady_clock::now();
        processor_ = ProcessorMilliseconds();
    }
    void Print(const char* what) const {
        const double wall =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_)
                .count();
        std::printf("  %-34s %8.0f ms  (%6.0f ms of processor)\n", what, wall,
                    ProcessorMilliseconds() - processor_);
        std::fflush(stdout);
    }

  private:
    std::chrono::steady_clock::time_point wall_;
    double processor_ = 0;
};

// The core's parts of the start and the close, in this process's fresh
// memory.
int CorePhases(const std::string& dataDir) {
    std::printf("the core's parts, without a window:\n");
    TStopwatch watch;
    core::ExeDir = runtime::AnsiToWide(ui::testing::ProgramFolder());
    core::Options = std::make_unique<core::TOptions>(runtime::AnsiToWide(dataDir));
    core::EngineList = core::LoadSearchEngines();
    watch.Print("settings and engines");

    const std::u16string project = runtime::AnsiToWide(dataDir + "project.spj");
    watch.Restart();
    core::LoadProject(project);
    watch.Print("project load with its backup");
    watch.Restart();
    CopyFileW(reinterpret_cast<const wchar_t*>(project.c_str()),
              reinterpret_cast<const wchar_t*>((project + u".copy").c_str()), FALSE);
    watch.Print("  of which the backup copy, about");
    DeleteFileW(reinterpret_cast<const wchar_t*>((project + u".copy").c_str()));

    watch.Restart();
    core::SaveProject(project);
    watch.Print("project save");
    watch.Restart();
    core::CurrentSite = nullptr;
    core::CurrentKeyword = nullptr;
    core::Sites.reset();
    watch.Print("freeing the sites");

    // What touching fresh memory of the model's size costs here: under a
    // virtual machine page faults can cost more than the reading.
    constexpr size_t Bytes = size_t(300) << 20;
    watch.Restart();
    auto* memory = static_cast<char*>(VirtualAlloc(nullptr, Bytes, MEM_COMMIT, PAGE_READWRITE));
    for (size_t i = 0; memory != nullptr && i < Bytes; i += 4096) memory[i] = char(i);
    watch.Print("touching 300 MB of fresh memory");
    VirtualFree(memory, 0, MEM_RELEASE);
    core::EngineList.reset();
    core::Options.reset();
    return 0;
}

// Runs this program again with `mode` on `dataDir`, its output going where
// this program's goes: each part in fresh memory, as at a real start.
void RunChild(const char* mode, const std::string& dataDir) {
    std::fflush(stdout);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" " +
                        std::wstring(mode, mode + std::strlen(mode)) + L" \"" +
                        std::wstring(dataDir.begin(), dataDir.end()) +
                        // Backslashes before a quote are halved.
                        (dataDir.ends_with('\\') ? L"\\\"" : L"\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("  (the child process did not start)\n");
        return;
    }
    const runtime::os::TProcessHandle child(process.hProcess);
    const runtime::os::TThreadHandle thread(process.hThread);
    WaitForSingleObject(child.Get(), INFINITE);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kMakeSwitch) == 0) {
        ui::testing::BuildProject(1, kKeywords, kLinks);
        ui::testing::SaveBuiltProject(argv[2]);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], kCoreSwitch) == 0) {
        try {
            return CorePhases(argv[2]);
        } catch (const std::exception& e) {
            std::printf("  the core's parts failed: %s\n", e.what());
            return 1;
        }
    }

    namespace gt = gui::testing;
    gt::EnsureGui();
    ui::init();
    // Message boxes are answered at once: none is expected.
    gt::TFakeDesktop desktop;
    gui::TDesktopOverride faked(desktop);

    ui::testing::TTempFolder data;
    ui::testing::WriteSettings(data.Path(), {{"FirstRun", "0"}});
    std::printf("main window, %d keywords x %d links\n", kKeywords, kLinks);
    RunChild(kMakeSwitch, data.Path());
    RunChild(kCoreSwitch, data.Path());

    std::printf("the window:\n");
    TStopwatch watch;
    std::optional<ui::TProgramWindows> made = ui::CreateProgramWindows(
        ui::testing::WideFolders(ui::testing::ProgramFolder(), data.Path()));
    if (!made) {
        std::fprintf(stderr, "the start ended\n");
        return 1;
    }
    ui::TProgramWindows windows = *made;
    windows.Main->Show();
    gt::Pump();
    watch.Print("start-up to an idle window");
    controls::tree::TGtTree& keywords = *windows.Main->GtTree1;
    const int shown = keywords.Items().Count();

    watch.Restart();
    windows.Main->FillKeywordTree();
    gt::Pump();
    watch.Print("  of which the keyword list's fill");

    // The keyword list as a check leaves it: refilled, and sorted by the
    // column the user sorted it by (Position).
    std::printf("the keyword list, %d rows (aim: refill and sort 150 ms, repaint 16 ms):\n", shown);
    keywords.SetSortSection(1);
    for (int round = 0; round < 3; ++round) {
        watch.Restart();
        windows.Main->FillKeywordTree();
        keywords.Sort(false);
        watch.Print("refill and sort by Position");
    }
    for (int round = 0; round < 3; ++round) {
        watch.Restart();
        RedrawWindow(keywords.View()->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        watch.Print("repaint of the rows shown");
    }

    gui::Application->SetMainForm(nullptr);
    watch.Restart();
    PostMessageW(windows.Main->Handle(), WM_CLOSE, 0, 0);
    gt::Pump();
    const bool saved = core::Sites == nullptr && desktop.MessageBoxes.empty();
    watch.Print(saved ? "close with its save" : "close (it reported a failure)");
    ui::FreeProgramWindows(windows);

    std::printf("  (%d rows shown)\n", shown);
    for (const auto& box : desktop.MessageBoxes)
        std::printf("  message: %s\n", runtime::WideToAnsi(box.text).c_str());
    return saved ? 0 : 1;
}
