// The main window under Wine, made as the program makes it, in a data
// folder of the test's own: the first start, a project of three sites, a
// project that cannot be read, close and start again, a save that fails, a
// close during a check, the window's placement, the single-instance answer,
// and a picture of the window for a person to look at.

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>

#include "core/engines.h"
#include "core/options.h"
#include "core/search.h"
#include "core/single_instance_win.h"
#include "core/soap_client.h"
#include "gui/screen.h"
#include "gui/testing.h"
#include "runtime/inifile.h"
#include "runtime/os/files.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"
#include "ui/first_run_form.h"
#include "ui/links.h"
#include "ui/news_form.h"
#include "ui/options_form.h"
#include "ui/program_win.h"
#include "ui/progress_form.h"
#include "ui/project_progress_form.h"
#include "ui/signup_form.h"
#include "ui/ui_test_support.h"

namespace ui {
namespace {

namespace gt = gui::testing;
using testing::CellRect;
using testing::ClickRow;
using testing::MadeUpKeyword;
using testing::MadeUpKeywordName;
using testing::MadeUpSite;
using testing::RowBold;
using testing::RowCount;
using testing::RowText;
using testing::ShownForm;
using testing::TIdleAction;
using testing::TScriptedDesktop;
using testing::TTempFolder;

bool RowChecked(const controls::tree::TGtTree& tree, int row) {
    return testing::Row(tree, row).Checked();
}

class UiMain : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::StartProgramLayers(); }
    void SetUp() override { desktop_ = std::make_unique<gui::TDesktopOverride>(fake_); }
    void TearDown() override {
        Free();
        desktop_.reset();
        core::EngineList.reset();
        core::CurrentEngine = nullptr;
    }

    TProgramFolders Folders() const {
        return testing::WideFolders(testing::ProgramFolder(), data_.Path());
    }
    // Settings of a start that is not the first.
    void NotFirstStart(std::initializer_list<std::pair<const char*, std::string>> more = {}) {
        testing::WriteSettings(data_.Path(), {{"FirstRun", "0"},
                                              {"Country", "Local"},
                                              {"Lang", "English"},
                                              {"SEFileName", engineFile("local.se")}});
        testing::WriteSettings(data_.Path(), more);
    }
    static std::string engineFile(const std::string& name) {
        return testing::ProgramFolder() + "SearchEngines\\" + name;
    }
    // Makes the windows as the program does, and shows the main one.
    TForm1& Start() { return testing::StartProgram(Folders(), windows_); }
    void Close() { testing::CloseProgram(windows_); }
    void Free() { testing::FreeProgram(windows_); }
    std::string Settings(const char* name) const {
        const runtime::TIniFile ini(data_.File("serplow.ini"));
        return ini.ReadString("General", name, "");
    }

    TTempFolder data_;
    TScriptedDesktop fake_;
    std::unique_ptr<gui::TDesktopOverride> desktop_;
    TProgramWindows windows_;
};

// ---- the first start -----------------------------------------------------------------------

TEST_F(UiMain, FirstStartAsksForPreferencesOnce) {
    // Its values count however the dialog was closed.
    for (const bool closeBox : {false, true}) {
        TTempFolder data;
        const TProgramFolders folders = testing::WideFolders(testing::ProgramFolder(), data.Path());
        TIdleAction answer([] { return ShownForm<TForm11>() != nullptr; },
                           [closeBox] {
                               TForm11& dialog = *ShownForm<TForm11>();
                               EXPECT_GT(dialog.ComboBox1->Items()->Count(), 2);
                               EXPECT_EQ(dialog.ComboBox1->Text(), "USA (English)")
                                   << "the settings' engine is chosen";
                               dialog.SpinEdit1->SetValue(50);
                               dialog.ComboBox1->SelectEntry("Local (English)");
                               if (closeBox)
                                   PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
                               else
                                   gt::Click(*dialog.Button1);
                           });
        std::optional<TProgramWindows> made = CreateProgramWindows(folders);
        ASSERT_TRUE(made);
        windows_ = *made;
        EXPECT_TRUE(answer.Done());
        const core::TOptions& options = *core::Options;
        EXPECT_FALSE(options.FirstRun);
        EXPECT_EQ(options.SearchResults, 50);
        EXPECT_EQ(options.Country, "Local");
        EXPECT_EQ(options.Lang, "English");
        EXPECT_EQ(runtime::os::ExtractFileName(options.SEFileName), "local.se");
        ASSERT_NE(core::CurrentEngine, nullptr);
        EXPECT_EQ(core::CurrentEngine->Name, "Local");
        // Written at once.
        const runtime::TIniFile ini(data.File("serplow.ini"));
        EXPECT_EQ(ini.ReadString("General", "FirstRun", ""), "0");
        EXPECT_EQ(ini.ReadString("General", "SearchResults", ""), "50");

        TForm1& main = *windows_.Main;
        main.Show();
        gt::Pump();
        EXPECT_EQ(main.PageControl1->ActivePage(), main.TabSheet2) << "nothing to show yet";
        EXPECT_EQ(main.ComboBox1->Items()->Count(), 0);
        EXPECT_EQ(main.TopLabel->Text(),
                  "Top 50 results are shown. Click here to change the defaults.");
        EXPECT_EQ(main.StatusLink->Text(), MakerWebAddress);
        // The address fits its panel as the status bar draws it, at the
        // designed font and at a larger one (a larger screen setting): no
        // panel edge cuts it, and the panel is never narrower than designed.
        for (const int size : {main.StatusLink->Font()->Size(), 16}) {
            SCOPED_TRACE(size);
            main.StatusLink->Font()->SetSize(size);
            main.SetWidth(main.Width() + 1);
            gt::Pump();
            const gui::TRect first = main.StatusBar1->PanelRect(0);
            EXPECT_GT(main.StatusLink->Width(), 0);
            EXPECT_LT(main.StatusLink->Left() + main.StatusLink->Width(), first.Right)
                << "the panel edge cuts the address";
            EXPECT_GE(first.Width(), 150 - 2);
        }
        main.SetWidth(694);
        // The first start shows the window's designed size in the middle.
        const gui::TRect area = gui::Screen->WorkAreaFor(main.BoundsRect());
        EXPECT_EQ(main.Width(), 694);
        EXPECT_LE(std::abs(main.Left() - (area.Left + (area.Width() - 694) / 2)), 1);
        Free();

        // The second start asks nothing.
        bool asked = false;
        TIdleAction watch([] { return ShownForm<TForm11>() != nullptr; },
                          [&asked] {
                              asked = true;
                              ShownForm<TForm11>()->Close();
                          });
        made = CreateProgramWindows(folders);
        ASSERT_TRUE(made);
        windows_ = *made;
        windows_.Main->Show();
        gt::Pump();
        EXPECT_FALSE(asked);
        EXPECT_EQ(core::CurrentEngine->Name, "Local");
        Free();
    }
}

TEST_F(UiMain, NoEnginesEndsTheStartWithAMessage) {
    TTempFolder program;  // a program folder without "SearchEngines"
    const int forms = gui::Screen->FormCount();
    const std::optional<TProgramWindows> made =
        CreateProgramWindows(testing::WideFolders(program.Path(), data_.Path()));
    EXPECT_FALSE(made);
    ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
    EXPECT_EQ(fake_.MessageBoxes[0].text,
              u"Unable to load search engines data. Please reinstall the application.");
    EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Serplow");
    EXPECT_EQ(fake_.MessageBoxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(gui::Screen->FormCount(), forms) << "no window is left";
    EXPECT_FALSE(runtime::os::FileExists(data_.File("serplow.ini"))) << "nothing is written";
    EXPECT_FALSE(core::Callbacks.GetGeometry);
}

// ---- a project -----------------------------------------------------------------------------

TEST_F(UiMain, ProjectOfThreeSitesShowsItsKeywordsAndResults) {
    NotFirstStart({{"SizeX", "900"}, {"SizeY", "560"}, {"PosX", "60"}, {"PosY", "40"}});
    testing::BuildProject(3, 50, 10);
    testing::SaveBuiltProject(data_.Path());

    // The loading dialog shows while the project loads.
    std::string loadingText;
    auto savedHook = gui::Application->OnMessage;
    gui::Application->OnMessage = [&](MSG&, bool&) {
        if (TForm10* loading = ShownForm<TForm10>()) loadingText = loading->Label1->Text();
    };
    TForm1& main = Start();
    gui::Application->OnMessage = savedHook;
    EXPECT_EQ(loadingText, "Loading... Please wait");
    EXPECT_EQ(ShownForm<TForm10>(), nullptr) << "and goes when it is loaded";

    EXPECT_TRUE(fake_.MessageBoxes.empty());
    EXPECT_EQ(main.PageControl1->ActivePage(), main.TabSheet1);
    ASSERT_EQ(main.ComboBox1->Items()->Count(), 3);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(main.ComboBox1->Items()->Strings(s), MadeUpSite(s));
    EXPECT_EQ(main.ComboBox1->ItemIndex(), 0);
    EXPECT_EQ(main.BoundsRect(), gui::BoundsRect(60, 40, 900, 560));

    // The first site's keywords, checked as they are active.
    controls::tree::TGtTree& keywords = *main.GtTree1;
    ASSERT_EQ(RowCount(keywords), 50);
    int active = 0;
    for (int k = 0; k < 50; ++k) {
        const core::TKeyword* keyword = core::Sites->Items(0)->Keywords.Items(k);
        const int row = testing::RowOf(keywords, keyword);
        ASSERT_GE(row, 0) << k;
        EXPECT_EQ(RowText(keywords, row, 0), MadeUpKeywordName(0, k));
        EXPECT_EQ(RowChecked(keywords, row), MadeUpKeyword(0, k).Active) << k;
        if (MadeUpKeyword(0, k).Active) ++active;
    }
    // Sorted by name, as the list sorts itself, without regard to case.
    for (int row = 1; row < 50; ++row)
        EXPECT_LE(
            runtime::WideCompareText(RowText(keywords, row - 1, 0), RowText(keywords, row, 0)), 0)
            << row;
    EXPECT_EQ(main.StatusBar1->Panels()->Items(1)->Text(),
              "Keywords: 50 | Checked: " + std::to_string(active));

    // A keyword's results, its site's own in bold.
    const auto keywordRow = [&](int s, int k) {
        return testing::RowOf(keywords, core::Sites->Items(s)->Keywords.Items(k));
    };
    ClickRow(keywords, keywordRow(0, 3));
    gt::Pump();
    EXPECT_EQ(main.PageControl2->ActivePage(), main.TabSheet3);
    controls::tree::TGtTree& results = *main.GtTree2;
    ASSERT_EQ(RowCount(results), 10);
    const int position = MadeUpKeyword(0, 3).Position;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(RowText(results, i, 0), runtime::AnsiToWide(std::to_string(i + 1)));
        EXPECT_EQ(RowBold(results, i), i + 1 == position) << i;
    }
    EXPECT_EQ(RowText(results, position - 1, 1),
              runtime::AnsiToWide("http://" + MadeUpSite(0) + "/page3"));
    // A keyword never checked has none.
    ClickRow(keywords, keywordRow(0, 6));
    gt::Pump();
    EXPECT_EQ(main.PageControl2->ActivePage(), main.TabSheet4);

    // The position cells: the arrow of each move, none for keywords never
    // checked.
    for (int k = 0; k < 14; ++k) {
        const gui::TRect cell = CellRect(keywords, keywordRow(0, k), 1);
        std::unique_ptr<gui::TBitmap> picture = gt::PaintControl(*keywords.View());
        int green = 0;
        int red = 0;
        // Inside the row's edges, where the focus frame of a selected row runs.
        for (int y = cell.Top + 2; y < cell.Bottom - 2; ++y) {
            for (int x = cell.Left + 33; x < cell.Left + 49; ++x) {
                const uint32_t p = gt::PixelAt(*picture, x, y);
                const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                if (g > r + 60 && g > b + 40) ++green;
                if (r > g + 60 && r > b + 60) ++red;
            }
        }
        core::TKeyword& keyword = *core::Sites->Items(0)->Keywords.Items(k);
        const int arrow = keyword.Best > 0 ? ChangeArrow(keyword) : -1;
        EXPECT_EQ(green > 10, arrow == 1) << "keyword " << k;
        EXPECT_EQ(red > 10, arrow == 0) << "keyword " << k;
    }

    // Another site, chosen in the selector as the user does.
    HWND selector = main.ComboBox1->Handle();
    SendMessageW(selector, CB_SETCURSEL, 1, 0);
    SendMessageW(GetParent(selector), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(selector), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(selector));
    gt::Pump();
    EXPECT_EQ(core::CurrentSite, core::Sites->Items(1));
    EXPECT_EQ(RowCount(keywords), 50);
    EXPECT_GE(keywordRow(1, 0), 0);
    EXPECT_EQ(main.PageControl2->ActivePage(), main.TabSheet4) << "no keyword chosen yet";

    // A picture of the window for a person to look at.
    ClickRow(keywords, 2);
    keywords.SetFocus();
    gt::Pump();
    std::unique_ptr<gui::TBitmap> window = gt::CaptureWindow(main.Handle());
    gt::SavePng(*window, runtime::AnsiToWide(std::string(SERPLOW_BINARY_DIR) + "/main_window.png"));
}

// A project file of the newest format holding `text`.
std::string TaggedProject(std::u16string_view text) {
    std::string bytes(core::ProjectMagic2008);
    bytes.append(4, '\0');
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

TEST_F(UiMain, ProjectThatCannotBeReadIsNeitherShownNorSavedOver) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* said;
    };
    for (const Case& c :
         {Case{"no project at all", "plain text, not a project", core::SProjectWrongFormat},
          Case{"a damaged project (a keyword without its date)",
               TaggedProject(u"<DocumentRoot><Sites><Site0><URL>a.example</URL><Keywords>"
                             u"<Keyword0></Keyword0></Keywords></Site0></Sites></DocumentRoot>"),
               "Error while loading project."}}) {
        TTempFolder data;
        testing::WriteSettings(data.Path(), {{"FirstRun", "0"}});
        testing::WriteFileBytes(data.File("project.spj"), c.bytes);
        fake_.MessageBoxes.clear();
        std::optional<TProgramWindows> made =
            CreateProgramWindows(testing::WideFolders(testing::ProgramFolder(), data.Path()));
        ASSERT_TRUE(made) << c.what;
        windows_ = *made;
        windows_.Main->Show();
        gt::Pump();
        TForm1& main = *windows_.Main;
        EXPECT_FALSE(main.ProjectMaySave()) << c.what;
        EXPECT_EQ(main.PageControl1->ActivePage(), main.TabSheet2) << c.what;
        ASSERT_GE(fake_.MessageBoxes.size(), 2u) << c.what << ": the failure, then what it means";
        if (*c.said != '\0') {
            EXPECT_TRUE(fake_.Said(c.said))
                << c.what << ": " << runtime::WideToAnsi(fake_.MessageBoxes.front().text);
        }
        EXPECT_EQ(fake_.MessageBoxes.back().text, runtime::AnsiToWide(SProjectNotLoaded));
        EXPECT_EQ(main.StatusBar1->Panels()->Items(1)->Text(), "Project not loaded");

        Close();
        EXPECT_EQ(testing::ReadFileBytes(data.File("project.spj")), c.bytes)
            << c.what << ": the file is as it was";
        Free();
    }
}

// ---- close and start again -------------------------------------------------------------------

TEST_F(UiMain, CloseSavesAndTheNextStartShowsTheSame) {
    NotFirstStart();
    testing::BuildProject(3, 50, 5);
    testing::SaveBuiltProject(data_.Path());
    TForm1& main = Start();
    controls::tree::TGtTree& keywords = *main.GtTree1;
    // The user unchecks the second keyword.
    ASSERT_TRUE(MadeUpKeyword(0, 1).Active);
    testing::ClickCheckBox(keywords,
                           testing::RowOf(keywords, core::Sites->Items(0)->Keywords.Items(1)));
    ASSERT_TRUE(gt::PumpUntil([&] { return !core::Sites->Items(0)->Keywords.Items(1)->Active; }));
    const std::string status = main.StatusBar1->Panels()->Items(1)->Text();
    EXPECT_EQ(status, "Keywords: 50 | Checked: 39");
    main.SetBounds(40, 30, 760, 480);
    keywords.SetWidth(260);
    gt::Pump();
    const std::string before = testing::ReadFileBytes(data_.File("project.spj"));

    Close();
    EXPECT_FALSE(main.Showing());
    EXPECT_EQ(core::Sites, nullptr) << "the sites go with the close";
    EXPECT_NE(testing::ReadFileBytes(data_.File("project.spj")), before);
    Free();
    EXPECT_EQ(Settings("PosX"), "40");
    EXPECT_EQ(Settings("SizeX"), "760");
    EXPECT_EQ(Settings("Splitter"), "260");

    TForm1& again = Start();
    EXPECT_EQ(again.BoundsRect(), gui::BoundsRect(40, 30, 760, 480));
    EXPECT_EQ(again.GtTree1->Width(), 260);
    const core::TKeywordList& kept = core::Sites->Items(0)->Keywords;
    EXPECT_FALSE(RowChecked(*again.GtTree1, testing::RowOf(*again.GtTree1, kept.Items(1))));
    EXPECT_TRUE(RowChecked(*again.GtTree1, testing::RowOf(*again.GtTree1, kept.Items(2))));
    EXPECT_EQ(again.StatusBar1->Panels()->Items(1)->Text(), status);
    EXPECT_EQ(again.ComboBox1->Items()->Count(), 3);
}

// A user profile whose name the code page cannot spell: the settings and
// the project are read from it and written back to it.
TEST_F(UiMain, DataFolderOutsideTheCodePageKeepsSettingsAndProject) {
    const std::u16string data =
        runtime::AnsiToWide(data_.Path()) + u"\u041f\u0451\u0442\u0440 \u6771\u4eac\\";
    ASSERT_TRUE(runtime::os::ForceDirectories(data));
    {
        runtime::TIniFile ini(data + u"serplow.ini");
        for (const auto& [name, value] : {std::pair<const char*, std::string>{"FirstRun", "0"},
                                          {"Country", "Local"},
                                          {"Lang", "English"},
                                          {"SEFileName", engineFile("local.se")},
                                          {"PosX", "55"}})
            ini.WriteString("General", name, value);
    }
    testing::BuildProject(2, 6, 1);
    const core::CoreCallbacks callbacks = std::exchange(core::Callbacks, {});
    core::SaveProject(data + u"project.spj");
    core::Callbacks = callbacks;
    core::Sites.reset();
    core::WaitForReleasedProjects();

    std::optional<TProgramWindows> made =
        CreateProgramWindows({runtime::AnsiToWide(testing::ProgramFolder()), data});
    ASSERT_TRUE(made);
    windows_ = *made;
    windows_.Main->Show();
    gt::Pump();
    EXPECT_EQ(core::Options->PosX, 55);
    EXPECT_EQ(windows_.Main->StatusBar1->Panels()->Items(1)->Text().rfind("Keywords: 6 |", 0), 0u);
    EXPECT_TRUE(runtime::os::FileExists(data + u"project.spj.backup"));
    windows_.Main->SetBounds(70, 30, 760, 480);
    gt::Pump();
    Close();
    Free();
    EXPECT_EQ(runtime::TIniFile(data + u"serplow.ini").ReadString("General", "PosX", ""), "70");
    EXPECT_GT(runtime::os::FileSize(data + u"project.spj"), 0);
    // Nothing went beside it, to the name's lossy spelling.
    EXPECT_FALSE(runtime::os::FileExists(runtime::AnsiToWide(data_.Path()) + u"serplow.ini"));
}

TEST_F(UiMain, MaximizedWindowComesBackMaximizedOverItsNormalPlace) {
    NotFirstStart({{"PosX", "70"}, {"PosY", "50"}, {"SizeX", "720"}, {"SizeY", "420"}});
    TForm1& main = Start();
    main.SetWindowState(gui::wsMaximized);
    gt::Pump();
    ASSERT_TRUE(IsZoomed(main.Handle()));
    Close();
    Free();
    EXPECT_EQ(Settings("Maximized"), "1");
    EXPECT_EQ(Settings("PosX"), "70") << "the normal place, not the maximized one";
    EXPECT_EQ(Settings("SizeX"), "720");

    TForm1& again = Start();
    EXPECT_TRUE(IsZoomed(again.Handle()));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(again.Handle(), &placement);
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 720);
}

TEST_F(UiMain, WindowOpensWholeOnAMonitorThatIsThere) {
    struct Case {
        int left, top, width, height;
    };
    for (const Case& c : {Case{5000, 200, 700, 400}, Case{-3000, -2000, 700, 400},
                          Case{100, 100, 9000, 7000}, Case{300, 900, 700, 400}}) {
        TTempFolder data;
        testing::WriteSettings(data.Path(), {{"FirstRun", "0"},
                                             {"PosX", std::to_string(c.left)},
                                             {"PosY", std::to_string(c.top)},
                                             {"SizeX", std::to_string(c.width)},
                                             {"SizeY", std::to_string(c.height)}});
        std::optional<TProgramWindows> made =
            CreateProgramWindows(testing::WideFolders(testing::ProgramFolder(), data.Path()));
        ASSERT_TRUE(made);
        windows_ = *made;
        windows_.Main->Show();
        gt::Pump();
        const gui::TRect r = windows_.Main->BoundsRect();
        const gui::TRect area = gui::Screen->WorkAreaFor(r);
        EXPECT_TRUE(r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right &&
                    r.Bottom <= area.Bottom)
            << c.left << "," << c.top << " " << c.width << "x" << c.height;
        EXPECT_EQ(r.Width(), std::min(c.width, area.Width()));
        Free();
    }
}

// ---- failures at close ---------------------------------------------------------------------

TEST_F(UiMain, FailedSaveOffersToTryAgainOrToCloseWithoutSaving) {
    for (const int answer : {IDRETRY, IDCANCEL}) {
        TTempFolder data;
        testing::WriteSettings(data.Path(), {{"FirstRun", "0"}});
        std::optional<TProgramWindows> made =
            CreateProgramWindows(testing::WideFolders(testing::ProgramFolder(), data.Path()));
        ASSERT_TRUE(made);
        windows_ = *made;
        TForm1& main = *windows_.Main;
        main.Show();
        gt::Pump();
        core::Sites->Add(std::make_unique<core::TSite>("www.kept.example"));
        // A folder where the project file goes: the save cannot replace it.
        const std::string blocked = data.File("project.spj");
        ASSERT_TRUE(CreateDirectoryW(
            reinterpret_cast<const wchar_t*>(runtime::AnsiToWide(blocked).c_str()), nullptr));
        fake_.MessageBoxes.clear();
        fake_.MessageBoxAnswers = {answer};
        bool enabledWhileAsked = false;
        fake_.OnMessageBox = [&](const gt::TFakeDesktop::MessageBoxCall& call) {
            enabledWhileAsked = main.Enabled();
            EXPECT_EQ(call.caption, u"Error");
            EXPECT_EQ(call.flags, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONERROR));
            // The user makes room before trying again.
            if (answer == IDRETRY)
                RemoveDirectoryW(
                    reinterpret_cast<const wchar_t*>(runtime::AnsiToWide(blocked).c_str()));
        };
        Close();
        fake_.OnMessageBox = nullptr;
        ASSERT_EQ(fake_.MessageBoxes.size(), 1u) << answer;
        EXPECT_TRUE(fake_.Said("Unable to save the project:"));
        EXPECT_TRUE(enabledWhileAsked) << "the window is usable while it asks";
        EXPECT_FALSE(main.Showing()) << "the close goes on either way";
        if (answer == IDRETRY) {
            ASSERT_TRUE(runtime::os::FileExists(blocked));
            EXPECT_TRUE(core::LoadProject(runtime::AnsiToWide(blocked), core::ProjectBackup::None));
            ASSERT_EQ(core::Sites->Count(), 1);
            EXPECT_EQ(core::Sites->Items(0)->URL, "www.kept.example");
        } else {
            EXPECT_FALSE(runtime::os::FileExists(blocked)) << "nothing was saved";
        }
        Free();
    }
}

TEST_F(UiMain, ClosingDuringACheckStopsItBeforeSaving) {
    // The friendliest mode waits seconds before each request: the check
    // is still running when the window closes.
    NotFirstStart({{"HumanActivitySimulation", "3"}});
    testing::BuildProject(1, 8, 0);
    for (int k = 0; k < 8; ++k) core::Sites->Items(0)->Keywords.Items(k)->Active = true;
    testing::SaveBuiltProject(data_.Path());
    TForm1& main = Start();
    ASSERT_NE(core::CurrentEngine, nullptr);
    ASSERT_NE(core::CurrentSite, nullptr);
    gui::Application->SetMainForm(nullptr);
    // No news is fetched from the maker's host before the check.
    core::Options->NeedToShowNews = true;

    // The user closes the window once a worker runs: the close is taken
    // from the check's own message loop.
    bool posted = false;
    HWND window = main.Handle();
    std::function<void()> pending = core::Callbacks.ProcessPending;
    core::Callbacks.ProcessPending = [&posted, window, pending] {
        if (!posted && core::RunningThreads > 0)
            posted = PostMessageW(window, WM_CLOSE, 0, 0) != FALSE;
        pending();
    };
    const bool completed = core::CheckSite(*core::CurrentSite);
    ASSERT_TRUE(posted);
    EXPECT_FALSE(completed) << "the close ended the check";
    EXPECT_EQ(core::RunningThreads, 0) << "every worker ended before the sites went";
    EXPECT_FALSE(core::CheckRunning());
    EXPECT_FALSE(main.Showing());
    ASSERT_TRUE(core::LoadProject(runtime::AnsiToWide(data_.File("project.spj")),
                                  core::ProjectBackup::None));
    ASSERT_EQ(core::Sites->Count(), 1);
    EXPECT_EQ(core::Sites->Items(0)->Keywords.Count(), 8);
}

// ---- what the core reaches through the window ---------------------------------------------------

TEST_F(UiMain, CoreReachesTheWindowsSoapClientAndCheckLog) {
    NotFirstStart();
    TForm1& main = Start();
    ASSERT_NE(main.SoapClient(), nullptr);
    EXPECT_EQ(core::SoapClient(), main.SoapClient());

    // A news check that went wrong writes to the check's log; the bar
    // stays where the keywords have brought it.
    TForm6& progress = *windows_.Progress;
    progress.Show();
    gt::Pump();
    ASSERT_TRUE(core::Callbacks.KeywordDone);
    ASSERT_TRUE(core::Callbacks.LogLine);
    core::Callbacks.KeywordDone(u"keyword one - OK");
    const int position = progress.ProgressBar1->Position();
    core::Callbacks.LogLine(u"The version file holds no version");
    EXPECT_EQ(progress.ProgressBar1->Position(), position);
    EXPECT_EQ(progress.Memo1->TextW(),
              u"keyword one - OK\r\nThe version file holds no version\r\n");
    progress.Hide();

    Free();
    EXPECT_EQ(core::SoapClient(), nullptr) << "the client goes with the window";
}

// ---- the running copy ----------------------------------------------------------------------

TEST_F(UiMain, AnotherCopyBringsThisOneBack) {
    NotFirstStart();
    TForm1& main = Start();
    core::SwitchAppMessage = RegisterWindowMessageW(core::SwitchAppMessageName);
    ShowWindow(main.Handle(), SW_MINIMIZE);
    gt::Pump();
    ASSERT_TRUE(IsIconic(main.Handle()));
    SendMessageW(main.Handle(), core::SwitchAppMessage, 0, 0);
    gt::Pump();
    EXPECT_FALSE(IsIconic(main.Handle()));
    EXPECT_TRUE(gt::PumpUntil([&] { return GetForegroundWindow() == main.Handle(); }));
    core::SwitchAppMessage = 0;
}

// ---- the keyword tree's menu and checks ------------------------------------------------------

TEST_F(UiMain, KeywordMenuFollowsTheSelection) {
    NotFirstStart();
    TForm1& main = Start();
    // Without a site the menu does not open.
    EXPECT_THROW(main.PopupMenu1Popup(nullptr), runtime::EAbort);
    Free();

    testing::BuildProject(1, 5, 0);
    core::Sites->Items(0)->Keywords.Items(0)->Active = false;
    core::Sites->Items(0)->Keywords.Items(1)->Active = true;
    testing::SaveBuiltProject(data_.Path());
    TForm1& shown = Start();
    controls::tree::TGtTree& keywords = *shown.GtTree1;
    shown.PopupMenu1Popup(nullptr);
    EXPECT_FALSE(shown.CheckItem->Enabled()) << "nothing selected";

    ClickRow(keywords, 0);
    shown.PopupMenu1Popup(nullptr);
    EXPECT_TRUE(shown.CheckItem->Enabled());
    EXPECT_EQ(shown.CheckItem->Caption(), "Check");
    EXPECT_EQ(shown.CheckItem->ImageIndex(), 2);
    shown.CheckItem->Click();
    EXPECT_TRUE(RowChecked(keywords, 0));
    EXPECT_TRUE(core::Sites->Items(0)->Keywords.Items(0)->Active);

    shown.PopupMenu1Popup(nullptr);
    EXPECT_EQ(shown.CheckItem->Caption(), "Uncheck");
    EXPECT_EQ(shown.CheckItem->ImageIndex(), 8);
    shown.ActionUncheckAll->Execute();
    EXPECT_EQ(shown.StatusBar1->Panels()->Items(1)->Text(), "Keywords: 5 | Checked: 0");
    shown.ActionCheckAll->Execute();
    EXPECT_EQ(shown.StatusBar1->Panels()->Items(1)->Text(), "Keywords: 5 | Checked: 5");
    for (int k = 0; k < 5; ++k) EXPECT_TRUE(core::Sites->Items(0)->Keywords.Items(k)->Active);
    // The result menu opens only over results.
    EXPECT_THROW(shown.PopupMenu2Popup(nullptr), runtime::EAbort);
}

// A header click orders the keywords by that column, a second click the
// other way; keywords not found (and without a best place) come after every
// place found.
TEST_F(UiMain, HeaderClicksSortKeywordsByEachColumn) {
    NotFirstStart();
    struct Keyword {
        const char16_t* name;
        int32_t position, best;
        double date;
    };
    const Keyword made[] = {{u"delta", 5, 5, 45003},
                            {u"Alpha", 0, 3, 45001},
                            {u"charlie", 2, 0, 45002.6},
                            {u"bravo", 9, 1, 0}};
    testing::BuildProject(1, 0, 0);
    core::TSite& site = *core::Sites->Items(0);
    for (const Keyword& k : made) {
        core::TKeyword& keyword = site.AddKeyword(k.name);
        keyword.Position = k.position;
        keyword.Best = k.best;
        keyword.Date = k.date;
    }
    testing::SaveBuiltProject(data_.Path());
    TForm1& main = Start();
    controls::tree::TGtTree& keywords = *main.GtTree1;
    const auto order = [&] {
        std::u16string names;
        for (int row = 0; row < RowCount(keywords); ++row)
            names += RowText(keywords, row, 0).substr(0, 1);
        return names;
    };
    struct Case {
        int column;
        const char16_t* first;
        const char16_t* second;
    };
    // The first click on a column keeps the direction of the last sort.
    EXPECT_EQ(order(), u"Abcd") << "sorted by name from the start";
    for (const Case& c : {Case{0, u"Abcd", u"dcbA"}, Case{1, u"Abdc", u"cdbA"},
                          Case{2, u"bAdc", u"cdAb"}, Case{3, u"dcAb", u"bAcd"}}) {
        testing::ClickHeader(keywords, c.column);
        EXPECT_EQ(order(), c.first) << "column " << c.column;
        testing::ClickHeader(keywords, c.column);
        EXPECT_EQ(order(), c.second) << "column " << c.column;
    }
    // Sorted rows still carry their own keywords.
    for (int row = 0; row < RowCount(keywords); ++row)
        EXPECT_EQ(KeywordOf(&testing::Row(keywords, row))->Name, RowText(keywords, row, 0));
}

TEST(MainWindowTest, ArrowsShowEachMove) {
    struct Case {
        int32_t position, last;
        int arrow;
    };
    for (const Case& c : {Case{3, 7, 1}, Case{5, 5, 2}, Case{9, 3, 0}, Case{0, 4, 0}, Case{4, 0, 1},
                          Case{0, 0, 0}}) {
        core::TKeyword keyword(u"k");
        keyword.Position = c.position;
        keyword.LastPosition = c.last;
        EXPECT_EQ(ChangeArrow(keyword), c.arrow) << c.position << " after " << c.last;
    }
}

// ---- the dialogs the commands open -----------------------------------------------------------

// Writes a picture of a shown dialog into the build tree.
void SaveDialogPicture(gui::TForm& dialog, const std::string& name) {
    gt::Pump();
    std::unique_ptr<gui::TBitmap> picture = gt::CaptureWindow(dialog.Handle());
    gt::SavePng(*picture, runtime::AnsiToWide(std::string(SERPLOW_BINARY_DIR) + "/" + name));
}

TEST_F(UiMain, PreferencesChangeTheSettingsTheEngineAndTheStatusLineOnOkOnly) {
    NotFirstStart({{"SearchResults", "20"}});
    TForm1& main = Start();
    ASSERT_NE(core::CurrentEngine, nullptr);
    EXPECT_EQ(core::CurrentEngine->Country, "Local");

    // Cancel keeps everything.
    TIdleAction cancel([] { return ShownForm<TForm5>() != nullptr; },
                       [] {
                           TForm5& dialog = *ShownForm<TForm5>();
                           dialog.SpinEdit1->SetAsInteger(70);
                           gt::Click(*dialog.Button2);
                       });
    main.ActionOptions->Execute();
    EXPECT_TRUE(cancel.Done());
    EXPECT_EQ(core::Options->SearchResults, 20);

    TIdleAction ok([] { return ShownForm<TForm5>() != nullptr; },
                   [] {
                       TForm5& dialog = *ShownForm<TForm5>();
                       EXPECT_EQ(dialog.ComboBox1->Text(), "Local (English)");
                       EXPECT_EQ(dialog.SpinEdit1->GetAsInteger(), 20);
                       dialog.SpinEdit1->SetAsInteger(30);
                       dialog.ComboBox1->SelectEntry("USA (English)");
                       dialog.LabeledEdit2->SetText("proxy.example");
                       dialog.LabeledEdit1->SetText("3128");
                       dialog.ComboBox2->SetItemIndex(2);
                       gt::Pump();
                       SaveDialogPicture(dialog, "options_dialog.png");
                       gt::Click(*dialog.Button1);
                   });
    main.ActionOptions->Execute();
    ASSERT_TRUE(ok.Done());
    const core::TOptions& options = *core::Options;
    EXPECT_EQ(options.SearchResults, 30);
    EXPECT_EQ(options.Country, "USA");
    EXPECT_EQ(options.ProxyHost, "proxy.example");
    EXPECT_EQ(options.HumanActivitySimulation, 2);
    EXPECT_EQ(runtime::os::ExtractFileName(options.SEFileName), "google_usa.se");
    ASSERT_NE(core::CurrentEngine, nullptr);
    EXPECT_EQ(core::CurrentEngine->Country, "USA");
    // Written at once.
    EXPECT_EQ(Settings("SearchResults"), "30");
    EXPECT_EQ(Settings("ProxyPort"), "3128");
    EXPECT_EQ(main.TopLabel->Text(),
              "Top 30 results are shown. Click here to change the defaults.");
}

TEST_F(UiMain, LatestNewsShowsTheKeptPageElseTheNewsTextElseNothing) {
    NotFirstStart();
    TForm1& main = Start();
    TTempFolder temp;
    std::u16string savedTemp = std::exchange(core::TempDir, runtime::AnsiToWide(temp.Path()));
    struct TRestore {
        std::u16string dir;
        ~TRestore() { core::TempDir = dir; }
    } restore{savedTemp};

    // Neither: no window.
    core::Options->NewsText.clear();
    TIdleAction none([] { return ShownForm<TForm9>() != nullptr; },
                     [] { ShownForm<TForm9>()->Close(); });
    main.NewsfromTarvenixco1Click(nullptr);
    EXPECT_FALSE(none.Done());

    std::u16string shown;
    auto readAndClose = [&shown] {
        TForm9& news = *ShownForm<TForm9>();
        shown = news.htmlView1->PageText();
        news.Close();
    };
    core::Options->NewsText = "<p>News of the last check</p>";
    {
        TIdleAction read([] { return ShownForm<TForm9>() != nullptr; }, readAndClose);
        main.NewsfromTarvenixco1Click(nullptr);
        EXPECT_TRUE(read.Done());
        EXPECT_EQ(shown, u"News of the last check");
    }

    testing::WriteFileBytes(temp.File("newsblock.txt"),
                            "<h1>Serplow news</h1><p>Version 2.6 is out: <a "
                            "href=\"http://www.tarvenixco.example/download\">download it</a>.</p>");
    {
        TIdleAction click([] { return ShownForm<TForm9>() != nullptr; },
                          [&shown] {
                              TForm9& news = *ShownForm<TForm9>();
                              shown = news.htmlView1->PageText();
                              SaveDialogPicture(news, "news_window.png");
                              gt::Click(*news.htmlView1->LinkList(), gui::TPoint{10, 5});
                              news.Close();
                          });
        main.NewsfromTarvenixco1Click(nullptr);
        EXPECT_TRUE(click.Done());
    }
    EXPECT_EQ(shown, u"Serplow news\r\nVersion 2.6 is out: download it .");
    ASSERT_EQ(fake_.ShellCalls.size(), 1u);
    EXPECT_EQ(fake_.ShellCalls[0].target, u"http://www.tarvenixco.example/download");

    // What a check brings is shown the same way.
    TIdleAction read([] { return ShownForm<TForm9>() != nullptr; }, readAndClose);
    main.ShowNews("<p>After a check</p>");
    EXPECT_TRUE(read.Done());
    EXPECT_EQ(shown, u"After a check");
}

TEST_F(UiMain, RegisterWithGoogleOpensTheSignUpPage) {
    NotFirstStart();
    TForm1& main = Start();
    TIdleAction press([] { return ShownForm<TForm8>() != nullptr; },
                      [] { gt::Click(*ShownForm<TForm8>()->Button1); });
    main.ActionRegisterWithGoogle->Execute();
    EXPECT_TRUE(press.Done());
    ASSERT_EQ(fake_.ShellCalls.size(), 1u);
    EXPECT_EQ(fake_.ShellCalls[0].target, runtime::AnsiToWide(kSoapSignUpPage));
}

}  // namespace
}  // namespace ui
