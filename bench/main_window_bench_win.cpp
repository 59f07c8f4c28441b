// Start-up and close of the main window with a large project, as the user
// waits for them: from making the windows (settings, engines, script host,
// the project's load behind the loading dialog) to an idle, shown window;
// then from the close to the saved project. Prints both in milliseconds.
//
// Run with a display:
//   DISPLAY=:99 build/windows/wine-run.sh build/windows/bench/main_window_bench.exe

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "core/site.h"
#include "core/state.h"
#include "gui/desktop.h"
#include "gui/forms.h"
#include "gui/testing.h"
#include "runtime/strings.h"
#include "ui/init.h"
#include "ui/program_win.h"
#include "ui/ui_test_support.h"

namespace {

constexpr int kKeywords = 10000;
constexpr int kLinks = 100;

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main() {
    namespace gt = gui::testing;
    gt::EnsureGui();
    ui::init();
    // Message boxes are answered at once: none is expected.
    gt::TFakeDesktop desktop;
    gui::TDesktopOverride faked(desktop);

    ui::testing::TTempFolder data;
    ui::testing::WriteSettings(data.Path(), {{"FirstRun", "0"}});
    ui::testing::BuildProject(1, kKeywords, kLinks);
    ui::testing::SaveBuiltProject(data.Path());

    const auto started = std::chrono::steady_clock::now();
    std::optional<ui::TProgramWindows> made = ui::CreateProgramWindows(
        ui::testing::WideFolders(ui::testing::ProgramFolder(), data.Path()));
    if (!made) {
        std::fprintf(stderr, "the start ended\n");
        return 1;
    }
    ui::TProgramWindows windows = *made;
    windows.Main->Show();
    gt::Pump();
    const double startup = MillisecondsSince(started);
    const int shown = windows.Main->GtTree1->ItemCount();

    gui::Application->SetMainForm(nullptr);
    const auto closing = std::chrono::steady_clock::now();
    PostMessageW(windows.Main->Handle(), WM_CLOSE, 0, 0);
    gt::Pump();
    const double close = MillisecondsSince(closing);
    const bool saved = core::Sites == nullptr && desktop.MessageBoxes.empty();
    ui::FreeProgramWindows(windows);

    std::printf("main window, %d keywords x %d links (%d rows shown)\n", kKeywords, kLinks, shown);
    std::printf("  start-up to an idle window: %8.0f ms\n", startup);
    std::printf("  close with its save:        %8.0f ms%s\n", close,
                saved ? "" : "  (the close reported a failure)");
    for (const auto& box : desktop.MessageBoxes)
        std::printf("  message: %s\n", runtime::WideToAnsi(box.text).c_str());
    return saved ? 0 : 1;
}
