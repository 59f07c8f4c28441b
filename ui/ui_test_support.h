#pragma once

// Shared by the window tests and the start-up benchmark: a folder of one's
// own, projects made up of many sites, keywords and links, settings written
// beforehand, and work done when the program next waits for input (for the
// modal dialogs the start-up shows).

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "core/callbacks.h"
#include "core/keyword.h"
#include "core/link.h"
#include "core/project_file.h"
#include "core/site.h"
#include "core/state.h"
#include "gui/appevents.h"
#include "gui/screen.h"
#include "gui/testing.h"
#include "net/socket_api.h"
#include "runtime/inifile.h"
#include "runtime/strings.h"
#include "runtime/threads.h"
#include "script/init.h"
#include "ui/init.h"
#include "ui/main_form.h"
#include "ui/program_win.h"

namespace ui::testing {

// A new folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TTempFolder {
  public:
    TTempFolder() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
            path_ = base / ("serplow-ui-" + std::to_string(n));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // With a trailing delimiter, as the program keeps its folders.
    std::string Path() const { return path_.string() + "\\"; }
    std::string File(const std::string& name) const { return Path() + name; }

  private:
    std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFileBytes(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
}

// The made-up project's keyword `k` of site `s`: where it stands, from
// which place it came, its best place, the day of its check and whether it
// is checked. Every twelfth keyword is not found, every fifth unchecked,
// every seventh never checked.
struct TKeywordFacts {
    int32_t Position;
    int32_t LastPosition;
    int32_t Best;
    double Date;
    bool Active;
};

inline TKeywordFacts MadeUpKeyword(int s, int k) {
    if (k % 7 == 6) return {0, 0, 0, 0, k % 5 != 0};
    const int32_t position = k % 12 == 11 ? 0 : 1 + (k + s) % 30;
    const int32_t last = 1 + (k * 3 + s) % 30;
    return {position, last, position == 0 ? last : std::min(position, last), 45000.0 + k % 90,
            k % 5 != 0};
}

inline std::string MadeUpSite(int s) {
    return "www.site" + std::to_string(s + 1) + ".example";
}

inline std::u16string MadeUpKeywordName(int s, int k) {
    return runtime::AnsiToWide("keyword " + std::to_string(s + 1) + "-" + std::to_string(k + 1));
}

// Replaces the program's sites with `sites` made-up sites of `keywords`
// keywords, each with `links` results (keywords never checked have none).
inline void BuildProject(int sites, int keywords, int links) {
    core::CurrentSite = nullptr;
    core::CurrentKeyword = nullptr;
    core::Sites = std::make_unique<core::TSiteList>();
    for (int s = 0; s < sites; ++s) {
        auto site = std::make_unique<core::TSite>(MadeUpSite(s));
        site->Notes = u"Notes of site " + runtime::AnsiToWide(std::to_string(s + 1));
        for (int k = 0; k < keywords; ++k) {
            core::TKeyword& keyword = site->AddKeyword(MadeUpKeywordName(s, k));
            const TKeywordFacts facts = MadeUpKeyword(s, k);
            keyword.Position = facts.Position;
            keyword.LastPosition = facts.LastPosition;
            keyword.Best = facts.Best;
            keyword.Date = facts.Date;
            keyword.Active = facts.Active;
            if (facts.Date == 0) continue;
            for (int i = 0; i < links; ++i) {
                const std::string url =
                    i + 1 == facts.Position
                        ? "http://" + MadeUpSite(s) + "/page" + std::to_string(k)
                        : "http://www.result" + std::to_string(i) + ".example/" + std::to_string(k);
                keyword.Links.Add(std::make_unique<core::TLink>(
                    runtime::AnsiToWide(url), u"Result title", u"", i + 1, i / 10 + 1, 0.0));
            }
        }
        core::Sites->Add(std::move(site));
    }
}

// Writes the program's sites as `dataDir` + "project.spj" and lets them go.
inline void SaveBuiltProject(const std::string& dataDir) {
    const core::CoreCallbacks saved = std::exchange(core::Callbacks, {});
    core::SaveProject(runtime::AnsiToWide(dataDir + "project.spj"));
    core::Callbacks = saved;
    core::CurrentSite = nullptr;
    core::CurrentKeyword = nullptr;
    core::Sites.reset();
    core::WaitForReleasedProjects();
}

// Writes settings of the "General" section before the program starts.
inline void WriteSettings(const std::string& dataDir,
                          std::initializer_list<std::pair<const char*, std::string>> values) {
    runtime::TIniFile ini(dataDir + "serplow.ini");
    for (const auto& [name, value] : values) ini.WriteString("General", name, value);
}

// The folder of the running program, where its engines lie.
inline std::string ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string folder = runtime::WideToAnsi(reinterpret_cast<const char16_t*>(path));
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// The program's folders from the tests' 8-bit scratch names.
inline TProgramFolders WideFolders(const std::string& exeDir, const std::string& dataDir) {
    return {runtime::AnsiToWide(exeDir), runtime::AnsiToWide(dataDir)};
}

// The fake desktop, with a hook that sees each message box before it is
// answered.
class TScriptedDesktop : public gui::testing::TFakeDesktop {
  public:
    std::function<void(const MessageBoxCall&)> OnMessageBox;
    int MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                   UINT flags) override {
        const int answer = TFakeDesktop::MessageBox(owner, text, caption, flags);
        if (OnMessageBox) OnMessageBox(MessageBoxes.back());
        return answer;
    }
    bool Said(const std::string& text) const {
        const std::u16string wide = runtime::AnsiToWide(text);
        for (const auto& call : MessageBoxes)
            if (call.text.find(wide) != std::u16string::npos) return true;
        return false;
    }
};

// The shown form of class T, nullptr when none shows.
template <class T>
T* ShownForm() {
    for (int i = 0; gui::Screen != nullptr && i < gui::Screen->FormCount(); ++i)
        if (auto* form = dynamic_cast<T*>(gui::Screen->Forms(i)); form && form->Showing())
            return form;
    return nullptr;
}

// What the program's start does before its windows, once per test program.
inline void StartProgramLayers() {
    gui::testing::EnsureGui();
    static const bool started = [] {
        runtime::InitThreads();
        net::InitSocketInterface();
        script::init();
        ui::init();
        return true;
    }();
    (void)started;
}

// Makes the windows as the program does into `windows`, and shows the
// main one.
inline TForm1& StartProgram(const TProgramFolders& folders, TProgramWindows& windows) {
    std::optional<TProgramWindows> made = CreateProgramWindows(folders);
    if (!made) throw std::runtime_error("the start ended");
    windows = *made;
    windows.Main->Show();
    gui::testing::Pump();
    return *windows.Main;
}

// Closes the main window as the user does; it is not the application's
// main form then, so no loop of the test program ends.
inline void CloseProgram(const TProgramWindows& windows) {
    gui::Application->SetMainForm(nullptr);
    PostMessageW(windows.Main->Handle(), WM_CLOSE, 0, 0);
    gui::testing::Pump();
}

inline void FreeProgram(TProgramWindows& windows) {
    if (windows.Main == nullptr) return;
    FreeProgramWindows(windows);
    gui::testing::Pump();
}

// Runs `action` once, the first time the program waits for input while
// `ready` holds (modal dialogs wait for input too).
class TIdleAction {
  public:
    TIdleAction(std::function<bool()> ready, std::function<void()> action)
        : events_(std::make_unique<gui::TApplicationEvents>(nullptr)) {
        events_->OnIdle = [this, ready = std::move(ready), action = std::move(action)](
                              runtime::TObject*, bool& idleDone) {
            if (done_ || !ready()) return;
            done_ = true;
            action();
            // What the action set (a modal result) is seen before the loop
            // waits for a message that may never come.
            idleDone = false;
        };
    }
    bool Done() const { return done_; }

  private:
    std::unique_ptr<gui::TApplicationEvents> events_;
    bool done_ = false;
};

// ---- the keyword and result trees, as the user sees and uses them --------------------------

inline int RowCount(const controls::tree::TGtTree& tree) {
    return tree.Items().Count();
}

inline controls::tree::TGtTreeItem& Row(const controls::tree::TGtTree& tree, int row) {
    controls::tree::TGtTreeItem* item = tree.Items().Item(row);
    if (item == nullptr) throw std::out_of_range("no such row");
    return *item;
}

// The row that shows `data` (a keyword or a link); -1 when none does. The
// keyword list keeps its rows sorted, so rows are found by what they show.
inline int RowOf(const controls::tree::TGtTree& tree, const void* data) {
    for (int row = 0; row < RowCount(tree); ++row)
        if (Row(tree, row).Data == data) return row;
    return -1;
}

inline std::u16string RowText(const controls::tree::TGtTree& tree, int row, int column) {
    return Row(tree, row).CellText(column);
}

inline bool RowBold(const controls::tree::TGtTree& tree, int row) {
    return Row(tree, row).GetState(controls::tree::kStateBold);
}

// Where column `column` of row `row` shows in the tree's view (the row
// scrolled into view first).
inline gui::TRect CellRect(controls::tree::TGtTree& tree, int row, int column) {
    controls::tree::TGtTreeItem& item = Row(tree, row);
    tree.EnsureVisible(&item);
    gui::testing::Pump();
    gui::TRect r = tree.View()->GetRowRect(tree.View()->RowIndexOf(&item));
    const controls::tree::TGtHeaderSection* section = tree.HeaderSections()->GetSection(column);
    if (section == nullptr) throw std::out_of_range("no such column");
    r.Left = section->Left() - tree.LeftPosition();
    r.Right = r.Left + section->Width();
    return r;
}

// A click on the row's Best cell: it selects the row as a click anywhere
// on it does, away from the check box.
inline void ClickRow(controls::tree::TGtTree& tree, int row) {
    const gui::TRect cell = CellRect(tree, row, std::min(2, tree.HeaderSections()->Count() - 1));
    gui::testing::Click(*tree.View(), gui::TPoint{cell.Left + 5, (cell.Top + cell.Bottom) / 2});
    gui::testing::Pump();
}

// A click on the row's check box, as the user checks or unchecks a keyword.
inline void ClickCheckBox(controls::tree::TGtTree& tree, int row) {
    const gui::TRect cell = CellRect(tree, row, 0);
    const controls::tree::TGtSpan box = tree.MainCellLayout(&Row(tree, row)).CheckBox;
    const int x = (box.Left + box.Right) / 2 - tree.LeftPosition();
    gui::testing::Click(*tree.View(), gui::TPoint{x, (cell.Top + cell.Bottom) / 2});
    gui::testing::Pump();
}

// A click on the caption of the column in the tree's header.
inline void ClickHeader(controls::tree::TGtTree& tree, int column) {
    const controls::tree::TGtHeaderSection* section = tree.HeaderSections()->GetSection(column);
    if (section == nullptr) throw std::out_of_range("no such column");
    gui::testing::Click(*tree.Header(), gui::TPoint{section->Left() + section->Width() / 2,
                                                    tree.HeaderHeight() / 2});
    gui::testing::Pump();
}

}  // namespace ui::testing
