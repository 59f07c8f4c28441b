#include "ui/program_win.h"

#include "controls/tree/init.h"
#include "core/options.h"
#include "core/state.h"
#include "gui/application.h"
#include "gui/init.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"
#include "ui/about_form.h"
#include "ui/addurl_form.h"
#include "ui/init.h"
#include "ui/progress_form.h"
#include "ui/project_form.h"

namespace ui {

namespace {

// The font of the program's text views where the newer faces are missing.
constexpr const char* kOldWindowsFont = "MS Sans Serif";

std::u16string ProgramFolder() {
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()),
                                           static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return runtime::os::ExtractFilePath(path);
}

}  // namespace

TProgramFolders DefaultProgramFolders() {
    TProgramFolders folders;
    folders.ExeDir = runtime::os::IncludeTrailingPathDelimiter(ProgramFolder());
    // Without an application-data folder the data lives beside the program.
    core::ExeDir = folders.ExeDir;
    folders.DataDir = core::DefaultDataDir();
    return folders;
}

std::optional<TProgramWindows> CreateProgramWindows(const TProgramFolders& folders) {
    TProgramWindows windows;
    auto* main = new TForm1(gui::Application, folders);
    try {
        main->InitializeForm();
    } catch (const EStartupEnded&) {
        delete main;
        return std::nullopt;
    } catch (...) {
        delete main;
        throw;
    }
    gui::Application->SetMainForm(main);
    windows.Main = main;
    windows.ProjectProperties = &gui::Application->CreateForm<TForm2>();
    windows.AddURL = &gui::Application->CreateForm<TForm3>();
    windows.About = &gui::Application->CreateForm<TForm4>();
    windows.Progress = &gui::Application->CreateForm<TForm6>();
    main->SetDialogs(windows.ProjectProperties, windows.AddURL, windows.About, windows.Progress);
    if (core::OldWindows) {
        for (gui::TControl* control : std::initializer_list<gui::TControl*>{
                 main->GtTree1, main->GtTree2, windows.ProjectProperties->GtTree1,
                 windows.ProjectProperties->Edit1, windows.ProjectProperties->Memo1})
            control->Font()->SetName(kOldWindowsFont);
    }
    return windows;
}

void FreeProgramWindows(TProgramWindows& windows) {
    delete windows.Progress;
    delete windows.About;
    delete windows.AddURL;
    delete windows.ProjectProperties;
    if (gui::Application->MainForm() == windows.Main) gui::Application->SetMainForm(nullptr);
    delete windows.Main;
    windows = {};
}

core::TProgramParts ProgramParts() {
    core::TProgramParts parts;
    parts.StartApplication = [] {
        gui::init();
        controls::tree::init();
        ui::init();
        gui::Application->SetTitle(core::ApplicationTitle);
    };
    parts.CreateWindows = [] { return CreateProgramWindows(DefaultProgramFolders()).has_value(); };
    parts.Run = [] { gui::Application->Run(); };
    parts.EndApplication = [] {
        controls::tree::shutdown();
        gui::shutdown();
    };
    return parts;
}

}  // namespace ui
