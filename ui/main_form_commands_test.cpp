// The main window's commands under Wine, driven as the user drives them:
// the check against the local result pages (tests/servers/serp, the
// "Local" engine) with its progress, Stop and the new-version question;
// sites, keywords and notes; backup and restore; the exports to the
// clipboard and to CSV files; the links. Message boxes, file dialogs, the
// shell and the clipboard answer through the fake desktop.

#include <gtest/gtest.h>
// The dialog flags' header needs windows.h before it.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "core/core_test_support.h"
#include "core/engines.h"
#include "core/maker.h"
#include "core/options.h"
#include "core/search.h"
#include "core/soap_test_support.h"
#include "gui/testing.h"
#include "net/testing/peers.h"
#include "net/url.h"
#include "runtime/datetime.h"
#include "runtime/os/files.h"
#include "runtime/strings.h"
#include "ui/about_form.h"
#include "ui/addurl_form.h"
#include "ui/links.h"
#include "ui/news_form.h"
#include "ui/program_win.h"
#include "ui/progress_form.h"
#include "ui/project_form.h"
#include "ui/ui_test_support.h"

namespace ui {
namespace {

namespace gt = gui::testing;
using testing::ShownForm;
using testing::TScriptedDesktop;
using testing::TTempFolder;

// The site whose result the local result pages list where a keyword's
// "at:N" says.
constexpr const char* kServedSite = "www.example-site.test";

// Answers the modal dialogs the commands show, in order: each step waits
// until a form of its class shows, then acts on it (fills it, closes it).
class TDialogScript {
  public:
    TDialogScript() : events_(std::make_unique<gui::TApplicationEvents>(nullptr)) {
        events_->OnIdle = [this](runtime::TObject*, bool& idleDone) {
            if (next_ < steps_.size() && steps_[next_]()) {
                ++next_;
                idleDone = false;
            }
        };
    }
    template <class T>
    TDialogScript& Then(std::function<void(T&)> act) {
        steps_.push_back([act] {
            T* form = ShownForm<T>();
            if (form == nullptr) return false;
            act(*form);
            return true;
        });
        return *this;
    }
    // Every step ran.
    bool Done() const { return next_ == steps_.size(); }
    size_t StepsRun() const { return next_; }

  private:
    std::unique_ptr<gui::TApplicationEvents> events_;
    std::vector<std::function<bool()>> steps_;
    size_t next_ = 0;
};

// Closes a dialog as its OK or Cancel button does.
template <class T>
std::function<void(T&)> Answer(gui::TModalResult result) {
    return [result](T& form) { form.SetModalResult(result); };
}

// Runs `action` once, from the check's own message loop, as soon as
// `ready` holds there (idle time does not come while a check waits).
class TDuringCheck {
  public:
    TDuringCheck(std::function<bool()> ready, std::function<void()> action)
        : saved_(core::Callbacks.ProcessPending) {
        core::Callbacks.ProcessPending = [this, ready = std::move(ready),
                                          action = std::move(action)] {
            if (!done_ && ready()) {
                done_ = true;
                action();
            }
            if (saved_) saved_();
        };
    }
    ~TDuringCheck() {
        if (core::Callbacks.ProcessPending) core::Callbacks.ProcessPending = saved_;
    }
    bool Done() const { return done_; }

  private:
    std::function<void()> saved_;
    bool done_ = false;
};

// A CSV line split into its fields: "; " between them, a field in double
// quotes holds anything, its quotes doubled.
std::vector<std::u16string> ReadCsvLine(std::u16string_view line) {
    std::vector<std::u16string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char16_t c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                fields.back() += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (line.substr(i, 2) == u"; ") {
            fields.emplace_back();
            ++i;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// Lines of a text, each ended by CR LF; a line break inside a quoted field
// stays in its line.
std::vector<std::u16string> CsvLines(std::u16string_view text, bool& endsWithLineBreak) {
    std::vector<std::u16string> lines;
    std::u16string line;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'"') quoted = !quoted;
        if (!quoted && text.substr(i, 2) == u"\r\n") {
            lines.push_back(line);
            line.clear();
            ++i;
        } else {
            line += text[i];
        }
    }
    endsWithLineBreak = line.empty();
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::u16string Utf16LE(std::string_view bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

// The decoded value of `name` in a link's query ("name=value&..."), UTF-8
// taken to UTF-16.
std::u16string LinkValue(const std::u16string& link, const std::string& name) {
    const std::string text = runtime::WideToAnsi(link);
    const size_t query = text.find('?');
    if (query == std::string::npos) return u"<none>";
    for (size_t at = query + 1; at <= text.size();) {
        size_t end = text.find('&', at);
        if (end == std::string::npos) end = text.size();
        const std::string pair = text.substr(at, end - at);
        if (pair.rfind(name + "=", 0) == 0)
            return runtime::Utf8ToWide(net::DecodeURL(pair.substr(name.size() + 1)));
        at = end + 1;
    }
    return u"<none>";
}

// Clicks the window's menu item, tool button or link label of that name.
void ClickComponent(TForm1& main, const char* name) {
    runtime::TComponent* component = main.FindComponent(name);
    ASSERT_NE(component, nullptr) << name;
    if (auto* item = dynamic_cast<gui::TMenuItem*>(component))
        item->Click();
    else if (auto* button = dynamic_cast<gui::TToolButton*>(component))
        button->Click();
    else if (auto* label = dynamic_cast<gui::TLinkLabel*>(component))
        // A label on a page not shown is clicked as its page would be.
        label->Showing() ? gt::Click(*label) : label->Click();
    else
        FAIL() << name << " is no menu item, tool button or link";
}

class UiCommands : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::StartProgramLayers(); }

    void SetUp() override {
        std::string why;
        bool absent = false;
        serpPort_ = net::testing::PeerPort("SERPLOW_TEST_SERP_PORT", "serp_server.py", why, absent);
        ASSERT_FALSE(serpPort_.empty()) << why;
        makerPort_ =
            net::testing::PeerPort("SERPLOW_TEST_MAKER_PORT", "maker_server.py", why, absent);
        ASSERT_FALSE(makerPort_.empty()) << why;
        environment_.Set(core::kMakerHostVariable, "127.0.0.1:" + makerPort_);
        (void)core::testing::Fetch("GET", core::MakerURL("/reset"));
        savedTempDir_ = core::TempDir;
        core::TempDir = runtime::AnsiToWide(temp_.Path());

        // The program's engines, the Local one reading the local result
        // pages.
        std::filesystem::copy(testing::ProgramFolder() + "SearchEngines",
                              program_.Path() + "SearchEngines");
        testing::WriteFileBytes(program_.File("SearchEngines\\local_server.se"),
                                core::PackEngineText("const\r\n  LocalServer = 'http://127.0.0.1:" +
                                                     serpPort_ + "';\r\nbegin\r\nend.\r\n"));
        testing::WriteSettings(data_.Path(),
                               {{"FirstRun", "0"},
                                {"Country", "Local"},
                                {"Lang", "English"},
                                {"SEFileName", program_.File("SearchEngines\\local.se")},
                                {"HumanActivitySimulation", "0"},
                                {"CheckForNewVersion", "0"}});
        desktop_ = std::make_unique<gui::TDesktopOverride>(fake_);
    }

    void TearDown() override {
        Free();
        desktop_.reset();
        core::EngineList.reset();
        core::CurrentEngine = nullptr;
        core::TempDir = savedTempDir_;
    }

    TForm1& Start() {
        return testing::StartProgram(testing::WideFolders(program_.Path(), data_.Path()), windows_);
    }
    void Close() { testing::CloseProgram(windows_); }
    void Free() { testing::FreeProgram(windows_); }
    // A project of one site with these keywords, written as the data
    // folder's project before the start.
    void SaveSite(const std::string& url, std::initializer_list<const char16_t*> keywords) {
        core::Sites = std::make_unique<core::TSiteList>();
        auto site = std::make_unique<core::TSite>(url);
        for (const char16_t* name : keywords) site->AddKeyword(name);
        core::Sites->Add(std::move(site));
        testing::SaveBuiltProject(data_.Path());
    }

    std::string ProjectFile() const { return data_.File("project.spj"); }
    core::TSite& Site(int index = 0) const { return *core::Sites->Items(index); }
    std::vector<std::u16string> KeywordNames(int site = 0) const {
        std::vector<std::u16string> names;
        for (int i = 0; i < Site(site).Keywords.Count(); ++i)
            names.push_back(Site(site).Keywords.Items(i)->Name);
        return names;
    }
    std::string Status() const { return windows_.Main->StatusBar1->Panels()->Items(1)->Text(); }
    std::u16string LastShellTarget() const {
        return fake_.ShellCalls.empty() ? u"<none>" : fake_.ShellCalls.back().target;
    }

    std::string serpPort_;
    std::string makerPort_;
    core::testing::ScopedEnvironment environment_;
    std::u16string savedTempDir_;
    TTempFolder temp_;
    TTempFolder program_;
    TTempFolder data_;
    TScriptedDesktop fake_;
    std::unique_ptr<gui::TDesktopOverride> desktop_;
    TProgramWindows windows_;
};

// ---- the check ------------------------------------------------------------------------------

TEST_F(UiCommands, SearchAsksForASiteAndKeywordsFirst) {
    TForm1& main = Start();
    TDialogScript script;
    script.Then<TForm3>(Answer<TForm3>(gui::mrCancel));
    main.ActionSearch->Execute();
    ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
    EXPECT_EQ(fake_.MessageBoxes[0].text, u"Please add at least one URL first");
    EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Information");
    EXPECT_EQ(fake_.MessageBoxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(script.Done()) << "then the add-URL dialog";
    EXPECT_EQ(core::Sites->Count(), 0);

    core::Sites->Add(std::make_unique<core::TSite>("www.empty.example"));
    core::CurrentSite = &Site();
    std::string page;
    TDialogScript keywords;
    keywords.Then<TForm2>([&page](TForm2& dialog) {
        page = dialog.PageControl1->ActivePage()->Text();
        dialog.SetModalResult(gui::mrCancel);
    });
    main.ActionSearch->Execute();
    ASSERT_EQ(fake_.MessageBoxes.size(), 2u);
    EXPECT_EQ(fake_.MessageBoxes[1].text, u"Please add at least one keyword first");
    EXPECT_TRUE(keywords.Done()) << "then the keywords";
    EXPECT_EQ(page, "Keywords");
    EXPECT_FALSE(ShownForm<TForm6>()) << "no check ran";
}

TEST_F(UiCommands, SearchChecksTheSiteAndSelectsTheRememberedKeyword) {
    SaveSite(kServedSite, {u"alpha at:3", u"beta at:7", u"gamma total:20", u"delta at:1"});
    TForm1& main = Start();
    Site().Keywords.Items(3)->Active = false;
    main.FillKeywordTree();
    controls::tree::TGtTree& keywords = *main.GtTree1;
    testing::ClickRow(keywords, 1);
    gt::Pump();

    // What the user sees while the check runs.
    bool dialogShown = false;
    bool mainEnabled = true;
    std::string label;
    int barMax = 0;
    TDuringCheck watch([] { return core::RunningThreads > 0; },
                       [&] {
                           TForm6* progress = ShownForm<TForm6>();
                           dialogShown = progress != nullptr;
                           mainEnabled = main.Enabled();
                           if (progress == nullptr) return;
                           label = progress->Label1->Text();
                           barMax = progress->ProgressBar1->Max();
                       });
    main.ActionSearch->Execute();
    EXPECT_TRUE(watch.Done());
    EXPECT_TRUE(dialogShown);
    EXPECT_FALSE(mainEnabled);
    EXPECT_EQ(label, "Quering Google... Please wait.");
    EXPECT_EQ(barMax, 3 + 1) << "the active keywords and one";

    EXPECT_FALSE(ShownForm<TForm6>()) << "hidden after the check";
    EXPECT_TRUE(main.Enabled());
    EXPECT_TRUE(fake_.MessageBoxes.empty());
    const TForm6& progress = *windows_.Progress;
    EXPECT_EQ(progress.ProgressBar1->Position(), 4);
    for (const char16_t* line : {u"alpha at:3 - OK", u"beta at:7 - OK", u"gamma total:20 - OK"})
        EXPECT_NE(progress.Memo1->TextW().find(line), std::u16string::npos)
            << runtime::WideToUtf8(line);
    const int positions[] = {3, 7, 0, 0};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(Site().Keywords.Items(k)->Position, positions[k]) << k;
    EXPECT_EQ(Site().Keywords.Items(3)->Date, 0) << "an inactive keyword is not checked";

    // The keyword chosen before is chosen again, with its results.
    ASSERT_NE(keywords.Selected(), nullptr);
    EXPECT_EQ(keywords.Selected()->Text(), u"beta at:7");
    EXPECT_EQ(main.PageControl2->ActivePage(), main.TabSheet3);
    ASSERT_EQ(testing::RowCount(*main.GtTree2), 10);
    EXPECT_TRUE(testing::RowBold(*main.GtTree2, 6));

    // Nothing chosen: the first checked keyword is.
    Site().Keywords.Items(0)->Active = false;
    main.FillKeywordTree();
    ASSERT_EQ(keywords.Selected(), nullptr);
    main.ActionSearch->Execute();
    ASSERT_NE(keywords.Selected(), nullptr);
    EXPECT_EQ(keywords.Selected()->Text(), u"beta at:7");
}

TEST_F(UiCommands, NewsWaitingForTheUserShowsOnceAfterACheck) {
    SaveSite(kServedSite, {u"alpha at:3"});
    TForm1& main = Start();
    core::TOptions& options = *core::Options;
    options.SkipNews = false;
    options.NeedToShowNews = true;
    options.NewsText = "<p>Fresh news</p>";
    bool checked = false;
    TDialogScript news;
    news.Then<TForm9>([&](TForm9& dialog) {
        // The window opens only once the check is over.
        checked = Site().Keywords.Items(0)->Position == 3;
        dialog.SetModalResult(gui::mrOk);
    });
    main.ActionSearch->Execute();
    EXPECT_TRUE(news.Done());
    EXPECT_TRUE(checked);
    EXPECT_FALSE(options.NeedToShowNews) << "shown once";
}

TEST_F(UiCommands, SearchIsNeverStartedTwice) {
    SaveSite(kServedSite, {u"one at:1 slow:1", u"two at:2"});
    TForm1& main = Start();
    bool stillShown = false;
    TDuringCheck again([] { return core::RunningThreads > 0; },
                       [&] {
                           main.ActionSearch->Execute();
                           stillShown = ShownForm<TForm6>() != nullptr;
                       });
    main.ActionSearch->Execute();
    ASSERT_TRUE(again.Done());
    EXPECT_TRUE(stillShown) << "the second Search left the running check alone";
    const std::u16string log = windows_.Progress->Memo1->TextW();
    size_t reports = 0;
    for (size_t at = log.find(u" - OK"); at != std::u16string::npos;
         at = log.find(u" - OK", at + 1))
        ++reports;
    EXPECT_EQ(reports, 2u) << "each keyword once: " << runtime::WideToUtf8(log);
    EXPECT_EQ(Site().Keywords.Items(0)->Position, 1);
    EXPECT_EQ(Site().Keywords.Items(1)->Position, 2);
    EXPECT_TRUE(main.Enabled());
}

TEST_F(UiCommands, StopEndsTheCheckAndTheWindowComesBack) {
    SaveSite(kServedSite,
             {u"k1 at:1 slow:4", u"k2 at:1 slow:4", u"k3 at:1 slow:4", u"k4 at:1 slow:4",
              u"k5 at:1 slow:4", u"k6 at:1 slow:4", u"k7 at:1 slow:4"});
    TForm1& main = Start();
    std::string label;
    bool stopEnabled = true;
    TDuringCheck stop([] { return core::RunningThreads > 0; },
                      [&] {
                          TForm6& progress = *ShownForm<TForm6>();
                          gt::Click(*progress.Button1);
                          label = progress.Label1->Text();
                          stopEnabled = progress.Button1->Enabled();
                      });
    main.ActionSearch->Execute();
    ASSERT_TRUE(stop.Done());
    EXPECT_EQ(label, "Stopping... Please wait.");
    EXPECT_FALSE(stopEnabled);
    EXPECT_EQ(core::RunningThreads, 0);
    int checked = 0;
    for (int k = 0; k < 7; ++k) checked += Site().Keywords.Items(k)->Date != 0;
    EXPECT_LT(checked, 7) << "the stop left keywords unchecked";
    EXPECT_FALSE(ShownForm<TForm6>());
    EXPECT_TRUE(main.Enabled());
    EXPECT_EQ(testing::RowCount(*main.GtTree1), 7);
}

TEST_F(UiCommands, ClosingDuringASearchStopsItAndSaves) {
    SaveSite(kServedSite, {u"k1 at:1 slow:4", u"k2 at:2 slow:4", u"k3 at:3 slow:4"});
    TForm1& main = Start();
    gui::Application->SetMainForm(nullptr);
    HWND window = main.Handle();
    TDuringCheck close([] { return core::RunningThreads > 0; },
                       [window] { PostMessageW(window, WM_CLOSE, 0, 0); });
    main.ActionSearch->Execute();
    ASSERT_TRUE(close.Done());
    EXPECT_FALSE(main.Showing());
    EXPECT_EQ(core::Sites, nullptr) << "the close went on";
    EXPECT_EQ(core::RunningThreads, 0);
    EXPECT_FALSE(ShownForm<TForm6>());
    ASSERT_TRUE(core::LoadProject(runtime::AnsiToWide(ProjectFile()), core::ProjectBackup::None));
    EXPECT_EQ(KeywordNames().size(), 3u);
}

TEST_F(UiCommands, NewVersionQuestionOpensTheHomePageOnYes) {
    testing::WriteSettings(data_.Path(), {{"CheckForNewVersion", "1"}});
    ASSERT_EQ(core::testing::Fetch("POST", core::MakerURL("/set/version"),
                                   "9.0.0.0\r\nMuch faster checks"),
              "set");
    SaveSite(kServedSite, {u"alpha at:2"});
    TForm1& main = Start();
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer);
        fake_.MessageBoxes.clear();
        fake_.ShellCalls.clear();
        fake_.MessageBoxAnswers = {answer};
        bool dialogShown = false;
        fake_.OnMessageBox = [&](const gt::TFakeDesktop::MessageBoxCall&) {
            dialogShown = ShownForm<TForm6>() != nullptr;
        };
        main.ActionSearch->Execute();
        fake_.OnMessageBox = nullptr;
        ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
        EXPECT_EQ(fake_.MessageBoxes[0].caption, u"New version is available");
        EXPECT_EQ(fake_.MessageBoxes[0].text, runtime::AnsiToWide(core::NewVersionText));
        EXPECT_NE(fake_.MessageBoxes[0].text.find(u"Much faster checks"), std::u16string::npos);
        EXPECT_EQ(fake_.MessageBoxes[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
        EXPECT_TRUE(dialogShown) << "asked before the progress goes";
        if (answer == IDYES) {
            ASSERT_EQ(fake_.ShellCalls.size(), 1u);
            EXPECT_EQ(fake_.ShellCalls[0].target, runtime::AnsiToWide(MakerHomePage()));
        } else {
            EXPECT_TRUE(fake_.ShellCalls.empty());
        }
        EXPECT_FALSE(ShownForm<TForm6>());
        EXPECT_EQ(Site().Keywords.Items(0)->Position, 2);
    }
}

// ---- sites ----------------------------------------------------------------------------------

TEST_F(UiCommands, AddURLAddsASiteOnceAndAsksForItsKeywords) {
    TForm1& main = Start();
    auto add = [&](const std::string& typed, gui::TModalResult result) {
        TDialogScript script;
        script.Then<TForm3>([typed, result](TForm3& dialog) {
            EXPECT_EQ(dialog.LabeledEdit1->Text(), "") << "the edit starts empty";
            dialog.LabeledEdit1->SetText(typed);
            dialog.SetModalResult(result);
        });
        script.Then<TForm2>(Answer<TForm2>(gui::mrCancel));
        main.ActionAddURL->Execute();
        return script.StepsRun();
    };
    EXPECT_EQ(add("www.first.example", gui::mrOk), 2u) << "the keywords are asked for next";
    EXPECT_EQ(main.PageControl1->ActivePage(), main.TabSheet1);
    EXPECT_EQ(add(" www.second.example ", gui::mrOk), 2u);
    EXPECT_EQ(add("www.first.example", gui::mrOk), 2u);
    EXPECT_EQ(add("www.cancelled.example", gui::mrCancel), 1u);
    EXPECT_EQ(add("   ", gui::mrOk), 1u);

    ASSERT_EQ(core::Sites->Count(), 2) << "no second site of one address";
    EXPECT_EQ(Site(0).URL, "www.first.example");
    EXPECT_EQ(Site(1).URL, "www.second.example");
    EXPECT_EQ(core::CurrentSite, &Site(0));
    ASSERT_EQ(main.ComboBox1->Items()->Count(), 2);
    EXPECT_EQ(main.ComboBox1->Items()->Strings(0), "www.second.example") << "new sites on top";
    EXPECT_EQ(main.ComboBox1->Text(), "www.first.example");

    // After a restart the selector follows the project.
    Close();
    Free();
    TForm1& again = Start();
    EXPECT_EQ(again.ComboBox1->Items()->Strings(0), "www.first.example");
    EXPECT_EQ(again.ComboBox1->Items()->Strings(1), "www.second.example");

    // The link of the empty page adds a site too.
    TDialogScript script;
    script.Then<TForm3>(Answer<TForm3>(gui::mrCancel));
    ClickComponent(again, "Label7");
    EXPECT_TRUE(script.Done());
}

TEST_F(UiCommands, DeleteURLAsksAndRemovesTheChosenSite) {
    core::Sites = std::make_unique<core::TSiteList>();
    for (const char* url : {"www.a.example", "www.b.example", "www.c.example"})
        core::Sites->Add(std::make_unique<core::TSite>(url)).AddKeyword(u"kw");
    testing::SaveBuiltProject(data_.Path());
    TForm1& main = Start();
    // The user picks the second site.
    main.ComboBox1->SetItemIndex(1);
    main.ComboBox1Change(nullptr);
    ASSERT_EQ(core::CurrentSite->URL, "www.b.example");

    fake_.MessageBoxAnswers = {IDNO};
    main.ActionDeleteURL->Execute();
    ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
    EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Confirm");
    EXPECT_EQ(fake_.MessageBoxes[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(core::Sites->Count(), 3);

    fake_.MessageBoxAnswers = {IDYES};
    main.ActionDeleteURL->Execute();
    ASSERT_EQ(core::Sites->Count(), 2);
    EXPECT_EQ(Site(0).URL, "www.a.example");
    EXPECT_EQ(Site(1).URL, "www.c.example");
    EXPECT_EQ(main.ComboBox1->Items()->Count(), 2);
    EXPECT_EQ(main.ComboBox1->ItemIndex(), 0);
    EXPECT_EQ(core::CurrentSite, &Site(0)) << "the first one is shown";
    EXPECT_EQ(testing::RowCount(*main.GtTree1), 1);

    for (int left = 2; left > 0; --left) {
        fake_.MessageBoxAnswers = {IDYES};
        main.ActionDeleteURL->Execute();
    }
    EXPECT_EQ(core::Sites->Count(), 0);
    EXPECT_EQ(core::CurrentSite, nullptr);
    EXPECT_EQ(main.ComboBox1->Items()->Count(), 0);
    EXPECT_EQ(testing::RowCount(*main.GtTree1), 0);
    EXPECT_EQ(testing::RowCount(*main.GtTree2), 0);
    EXPECT_EQ(main.PageControl1->ActivePage(), main.TabSheet2);
    const size_t asked = fake_.MessageBoxes.size();
    main.ActionDeleteURL->Execute();
    EXPECT_EQ(fake_.MessageBoxes.size(), asked) << "nothing to delete, nothing asked";
}

// ---- keywords and notes ---------------------------------------------------------------------

TEST(KeywordNamesTest, KeywordsStayUniqueWithoutRegardToCaseAndKeepTheirHistory) {
    struct Case {
        const char* what;
        std::vector<std::u16string> before;
        std::vector<std::u16string> rows;
        std::vector<std::u16string> after;
        // The keyword of this name after is the one of the first name
        // before (its position kept).
        std::u16string kept;
    };
    const Case cases[] = {
        {"a row in other letter case renames",
         {u"seo", u"tools"},
         {u"SEO", u"tools", u"new"},
         {u"SEO", u"tools", u"new"},
         u"SEO"},
        {"no pair in two letter cases", {u"seo"}, {u"seo", u"SEO"}, {u"seo"}, u"seo"},
        {"rows gone, keywords gone", {u"a", u"b", u"c"}, {u"c"}, {u"c"}, u""},
        {"an empty row adds nothing", {}, {u"", u"x"}, {u"x"}, u""},
        {"an old pair stays while both rows do",
         {u"seo", u"SEO"},
         {u"seo", u"SEO"},
         {u"seo", u"SEO"},
         u"seo"},
        {"of an old pair, the exact name's keyword stays",
         {u"SEO", u"seo"},
         {u"seo"},
         {u"seo"},
         u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        core::TSite site("www.x.example");
        for (const std::u16string& name : c.before) site.AddKeyword(name).Position = 0;
        if (!c.before.empty()) site.Keywords.Items(0)->Position = 42;
        if (c.before.size() > 1) site.Keywords.Items(1)->Position = 7;
        ApplyKeywordNames(site, c.rows);
        std::vector<std::u16string> names;
        for (int i = 0; i < site.Keywords.Count(); ++i)
            names.push_back(site.Keywords.Items(i)->Name);
        EXPECT_EQ(names, c.after);
        if (!c.kept.empty()) {
            const int index = site.Keywords.FindName(c.kept);
            ASSERT_GE(index, 0);
            EXPECT_EQ(site.Keywords.Items(index)->Position, 42);
        }
    }
    // The exact name's keyword of an old pair is the one that stays.
    core::TSite site("www.x.example");
    site.AddKeyword(u"SEO").Position = 1;
    site.AddKeyword(u"seo").Position = 2;
    ApplyKeywordNames(site, {u"seo"});
    ASSERT_EQ(site.Keywords.Count(), 1);
    EXPECT_EQ(site.Keywords.Items(0)->Position, 2);
}

TEST_F(UiCommands, KeywordsAndNotesGoThroughTheProjectDialog) {
    SaveSite("www.kw.example", {u"seo", u"tools"});
    TForm1& main = Start();
    Site().Keywords.Items(0)->Position = 5;
    Site().Notes = u"old notes";

    // Cancel changes nothing.
    TDialogScript cancel;
    cancel.Then<TForm2>([](TForm2& dialog) {
        dialog.SetKeywords({});
        dialog.Memo1->SetTextW(u"lost");
        dialog.SetModalResult(gui::mrCancel);
    });
    main.ActionKeywords->Execute();
    ASSERT_TRUE(cancel.Done());
    EXPECT_EQ(KeywordNames(), (std::vector<std::u16string>{u"seo", u"tools"}));
    EXPECT_EQ(Site().Notes, u"old notes");

    std::vector<std::u16string> shown;
    std::string page;
    TDialogScript edit;
    edit.Then<TForm2>([&](TForm2& dialog) {
        page = dialog.PageControl1->ActivePage()->Text();
        shown = dialog.Keywords();
        EXPECT_EQ(dialog.Memo1->TextW(), u"old notes");
        dialog.SetKeywords({u"SEO", u"новое слово", u"NOVOE"});
        dialog.Memo1->SetTextW(u"Заметки\r\nline two");
        dialog.SetModalResult(gui::mrOk);
    });
    main.ActionNotes->Execute();
    ASSERT_TRUE(edit.Done());
    EXPECT_EQ(page, "Notes");
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"seo", u"tools"}));
    // New keywords are added in the dialog's order, which sorts its rows.
    EXPECT_EQ(KeywordNames(), (std::vector<std::u16string>{u"SEO", u"NOVOE", u"новое слово"}));
    EXPECT_EQ(Site().Keywords.Items(0)->Position, 5) << "the renamed keyword keeps its history";
    EXPECT_EQ(Site().Notes, u"Заметки\r\nline two");
    ASSERT_EQ(testing::RowCount(*main.GtTree1), 3);
    EXPECT_EQ(testing::RowText(*main.GtTree1, 2, 0), u"новое слово");
    EXPECT_EQ(Status(), "Keywords: 3 | Checked: 3");

    // Without a site the user is sent to add one.
    Free();
    std::filesystem::remove(std::filesystem::path(ProjectFile()));
    TForm1& empty = Start();
    TDialogScript addFirst;
    addFirst.Then<TForm3>(Answer<TForm3>(gui::mrCancel));
    fake_.MessageBoxes.clear();
    empty.ActionNotes->Execute();
    ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
    EXPECT_EQ(fake_.MessageBoxes[0].text, u"You should add at least one URL first");
    EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Info");
    EXPECT_TRUE(addFirst.Done());
}

TEST_F(UiCommands, CopyAndDeleteActOnEverySelectedKeyword) {
    SaveSite("www.kw.example", {u"first", u"второй", u"third", u"third"});
    TForm1& main = Start();
    Site().Keywords.Items(2)->Position = 1;
    Site().Keywords.Items(3)->Position = 2;
    controls::tree::TGtTree& keywords = *main.GtTree1;
    // The list sorts by name: first, third, third, второй. The last row and
    // the one above it are chosen.
    ASSERT_EQ(testing::RowText(keywords, 3, 0), u"второй");
    testing::ClickRow(keywords, 3);
    keywords.SetFocus();
    gt::PressKey(VK_UP, {runtime::ssShift}, keywords.View());
    ASSERT_TRUE(gt::PumpUntil([&] { return keywords.SelectedCount() == 2; }));
    const core::TKeyword* doomedThird = KeywordOf(&testing::Row(keywords, 2));
    const int keptPosition = doomedThird == Site().Keywords.Items(2) ? 2 : 1;

    ClickComponent(main, "BarXItem30");
    EXPECT_TRUE(fake_.ClipboardWide == u"второй\r\nthird" ||
                fake_.ClipboardWide == u"third\r\nвторой")
        << runtime::WideToUtf8(fake_.ClipboardWide);

    fake_.MessageBoxAnswers = {IDNO};
    ClickComponent(main, "BarXItem29");
    ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
    EXPECT_EQ(fake_.MessageBoxes[0].text,
              u"Are you sure you want to delete the selected keywords?\r\n(All associated search "
              u"results will be deleted too)");
    EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Confirm");
    EXPECT_EQ(KeywordNames().size(), 4u);

    fake_.MessageBoxAnswers = {IDYES};
    ClickComponent(main, "BarXItem29");
    // The row's own keyword goes, not the first of its name.
    EXPECT_EQ(KeywordNames(), (std::vector<std::u16string>{u"first", u"third"}));
    EXPECT_EQ(Site().Keywords.Items(1)->Position, keptPosition);
    EXPECT_EQ(testing::RowCount(keywords), 2);
    EXPECT_EQ(keywords.SelectedCount(), 0);
    EXPECT_EQ(Status(), "Keywords: 2 | Checked: 2");
}

// ---- exports --------------------------------------------------------------------------------

// Keywords with every kind of field: a move from 5 to 3, never checked, a
// name with the separator and quotes, a name in other scripts.
void MakeExportKeywords(core::TSite& site) {
    core::TKeyword& moved = site.AddKeyword(u"moved up");
    moved.Position = 3;
    moved.LastPosition = 5;
    moved.Best = 2;
    moved.Date = runtime::EncodeDate(2024, 3, 15);
    site.AddKeyword(u"never checked");
    core::TKeyword& quoted = site.AddKeyword(u"say \"hi\"; now");
    quoted.Position = 12;
    quoted.LastPosition = 10;
    quoted.Best = 9;
    quoted.Date = runtime::EncodeDate(2024, 3, 16);
    site.AddKeyword(u"東京 поиск");
}

TEST_F(UiCommands, KeywordsExportToTheClipboardAndToCsv) {
    SaveSite("www.kw.example", {});
    TForm1& main = Start();
    MakeExportKeywords(Site());
    main.FillKeywordTree();
    const std::string march15 = runtime::FormatDateTime("c", runtime::EncodeDate(2024, 3, 15));
    const std::string march16 = runtime::FormatDateTime("c", runtime::EncodeDate(2024, 3, 16));
    const std::string never = runtime::FormatDateTime("c", 0);
    const std::vector<std::vector<std::u16string>> fields = {
        {u"moved up", u"3", u"2", u"2", runtime::AnsiToWide(march15)},
        {u"never checked", u"0", u"0", u"0", runtime::AnsiToWide(never)},
        {u"say \"hi\"; now", u"12", u"-2", u"9", runtime::AnsiToWide(march16)},
        {u"東京 поиск", u"0", u"0", u"0", runtime::AnsiToWide(never)},
    };

    // The clipboard: tab-separated lines, Unicode; UTF-8 as 8-bit text on
    // old Windows.
    for (const bool old : {false, true}) {
        SCOPED_TRACE(old);
        const bool saved = core::OldWindows;
        core::OldWindows = old;
        fake_.ClipboardWide.clear();
        ClickComponent(main, "Export1");
        core::OldWindows = saved;
        std::u16string expected;
        for (const auto& row : fields) {
            if (!expected.empty()) expected += u"\r\n";
            for (size_t i = 0; i < row.size(); ++i) expected += (i > 0 ? u"\t" : u"") + row[i];
        }
        if (old)
            EXPECT_EQ(fake_.ClipboardAnsi, runtime::WideToUtf8(expected));
        else
            EXPECT_EQ(fake_.ClipboardWide, expected);
    }

    // CSV: UTF-16 with its byte-order mark, fields quoted where needed, and
    // it reads back.
    const std::string csv = data_.File("keywords.csv");
    fake_.FileDialogAnswers = {runtime::AnsiToWide(csv)};
    ClickComponent(main, "ExporttoCSV1");
    ASSERT_EQ(fake_.FileDialogs.size(), 1u);
    const gui::TFileDialogRequest& request = fake_.FileDialogs[0];
    EXPECT_TRUE(request.Save);
    EXPECT_EQ(request.Title, u"Export To CSV");
    EXPECT_EQ(request.Filter, u"Excel files (*.csv)|*.csv|All files (*.*)|*.*");
    EXPECT_EQ(request.DefaultExt, u"csv");
    EXPECT_TRUE(request.Flags & OFN_OVERWRITEPROMPT);
    const std::string bytes = testing::ReadFileBytes(csv);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::u16string text = Utf16LE(bytes.substr(2));
    EXPECT_NE(text.find(u"moved up; 3; 2; 2; "), std::u16string::npos) << "the Part's shape";
    EXPECT_NE(text.find(u"\"say \"\"hi\"\"; now\"; 12"), std::u16string::npos);
    bool ended = false;
    const std::vector<std::u16string> lines = CsvLines(text, ended);
    EXPECT_TRUE(ended) << "every line ends with CR LF";
    ASSERT_EQ(lines.size(), fields.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(ReadCsvLine(lines[i]), fields[i]) << i;

    // A cancelled dialog writes nothing.
    std::filesystem::remove(std::filesystem::path(csv));
    ClickComponent(main, "ExporttoCSV1");
    EXPECT_FALSE(runtime::os::FileExists(csv));
}

TEST_F(UiCommands, ResultsExportAndOpenOnlyWebAddresses) {
    SaveSite("www.kw.example", {u"results"});
    TForm1& main = Start();
    core::TKeyword& keyword = *Site().Keywords.Items(0);
    const char16_t* urls[] = {u"http://www.one.example/a",   u"https://two.example/b;c?d=\"e\"",
                              u"javascript:alert(1)",        u"file:///C:/windows/win.ini",
                              u"mailto:someone@example.com", u"HTTP://www.upper.example/"};
    for (int i = 0; i < 6; ++i)
        keyword.Links.Add(std::make_unique<core::TLink>(urls[i], u"t", u"d", i + 1, 1, 0.0));
    keyword.Position = 1;
    keyword.Date = runtime::EncodeDate(2024, 1, 1);
    main.FillKeywordTree();
    testing::ClickRow(*main.GtTree1, 0);
    gt::Pump();
    ASSERT_EQ(core::CurrentKeyword, &keyword);
    ASSERT_EQ(testing::RowCount(*main.GtTree2), 6);

    ClickComponent(main, "Exporttoclipboard1");
    std::string expected;
    for (const char16_t* url : urls) expected += runtime::WideToAnsi(url) + "\r\n";
    EXPECT_EQ(fake_.ClipboardAnsi, expected);

    const std::string csv = data_.File("results.csv");
    fake_.FileDialogAnswers = {runtime::AnsiToWide(csv)};
    ClickComponent(main, "ExporttoCSV2");
    EXPECT_EQ(testing::ReadFileBytes(csv),
              "1; http://www.one.example/a\r\n"
              "2; \"https://two.example/b;c?d=\"\"e\"\"\"\r\n"
              "3; javascript:alert(1)\r\n"
              "4; file:///C:/windows/win.ini\r\n"
              "5; mailto:someone@example.com\r\n"
              "6; HTTP://www.upper.example/\r\n");

    struct Visit {
        int row;
        bool opened;
    };
    for (const Visit& v : {Visit{0, true}, Visit{1, true}, Visit{2, false}, Visit{3, false},
                           Visit{4, false}, Visit{5, true}}) {
        SCOPED_TRACE(v.row);
        fake_.ShellCalls.clear();
        fake_.MessageBoxes.clear();
        testing::ClickRow(*main.GtTree2, v.row);
        ClickComponent(main, "VisitURL1");
        if (v.opened) {
            ASSERT_EQ(fake_.ShellCalls.size(), 1u);
            EXPECT_EQ(fake_.ShellCalls[0].target, std::u16string(urls[v.row]));
            EXPECT_EQ(fake_.ShellCalls[0].showCommand, SW_SHOWNORMAL);
        } else {
            EXPECT_TRUE(fake_.ShellCalls.empty());
            EXPECT_EQ(fake_.MessageBoxes.size(), 1u) << "the user is told why";
        }
    }
}

// ---- backup and restore ---------------------------------------------------------------------

TEST_F(UiCommands, BackupKeepsTheProjectAsTheUserSeesIt) {
    SaveSite("www.kw.example", {u"saved"});
    TForm1& main = Start();
    Site().AddKeyword(u"added in this run");
    main.FillKeywordTree();
    const std::string backup = data_.File("my backup.spj");

    ClickComponent(main, "BarXItem27");  // cancelled
    EXPECT_TRUE(fake_.MessageBoxes.empty());
    ASSERT_EQ(fake_.FileDialogs.size(), 1u);
    const gui::TFileDialogRequest& request = fake_.FileDialogs[0];
    EXPECT_TRUE(request.Save);
    EXPECT_EQ(request.Title, u"Where whould you like to store the backuped project?");
    EXPECT_EQ(request.Filter, u"Serplow project (*.spj)|*.spj");
    EXPECT_EQ(request.FileName, u"project.spj");
    EXPECT_TRUE(request.Flags & OFN_OVERWRITEPROMPT);
    EXPECT_TRUE(request.Flags & OFN_PATHMUSTEXIST);

    fake_.FileDialogAnswers = {runtime::AnsiToWide(backup)};
    bool written = false;
    fake_.OnMessageBox = [&](const gt::TFakeDesktop::MessageBoxCall&) {
        written = runtime::os::FileExists(backup);
    };
    ClickComponent(main, "BarXItem27");
    fake_.OnMessageBox = nullptr;
    ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
    EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Backup is completed");
    EXPECT_EQ(fake_.MessageBoxes[0].text,
              u"Backup is completed. Please use the 'Restore project' menu item to restore the "
              u"contents of the project");
    EXPECT_TRUE(written) << "written before it says so";
    EXPECT_TRUE(main.Enabled());

    // The backup holds what the window showed, not the file of the last close.
    Free();
    ASSERT_TRUE(core::LoadProject(runtime::AnsiToWide(backup), core::ProjectBackup::None));
    EXPECT_EQ(KeywordNames(), (std::vector<std::u16string>{u"saved", u"added in this run"}));
}

TEST_F(UiCommands, BackupOfAProjectThatDidNotLoadKeepsItsFile) {
    const std::string unreadable = "plain text, not a project";
    testing::WriteFileBytes(ProjectFile(), unreadable);
    TForm1& main = Start();
    ASSERT_FALSE(main.ProjectMaySave());
    const std::string backup = data_.File("kept.spj");
    fake_.FileDialogAnswers = {runtime::AnsiToWide(backup)};
    ClickComponent(main, "BarXItem27");
    EXPECT_EQ(testing::ReadFileBytes(backup), unreadable);
}

TEST_F(UiCommands, RestoreReplacesTheProjectOnlyWithAProject) {
    // The backup to restore: another project.
    SaveSite("www.restored.example", {u"from the backup"});
    const std::string backup = data_.File("backup.spj");
    std::filesystem::rename(std::filesystem::path(ProjectFile()), std::filesystem::path(backup));
    const std::string backupBytes = testing::ReadFileBytes(backup);
    SaveSite("www.current.example", {u"current one", u"current two"});
    const std::string currentBytes = testing::ReadFileBytes(ProjectFile());

    TForm1& main = Start();
    testing::ClickRow(*main.GtTree1, 1);
    gt::Pump();
    core::TSite* const shown = core::CurrentSite;

    const std::string wrongFormat = data_.File("wrong.spj");
    testing::WriteFileBytes(wrongFormat, "plain text, not a project");
    const std::string damaged = data_.File("damaged.spj");
    {
        std::string bytes(core::ProjectMagic2008);
        bytes.append(4, '\0');
        for (const char16_t c :
             std::u16string_view(u"<DocumentRoot><Sites><Site0><URL>a.example"
                                 u"</URL><Keywords><Keyword0></Keyword0>"
                                 u"</Keywords></Site0></Sites></DocumentRoot>")) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        testing::WriteFileBytes(damaged, bytes);
    }

    struct Refused {
        const char* what;
        std::string file;
        int answer;
        bool raises;
        const char* said;
    };
    for (const Refused& r : {Refused{"the user says No", backup, IDNO, false, ""},
                             Refused{"a file of no known format", wrongFormat, IDYES, false,
                                     core::SProjectWrongFormat},
                             Refused{"a damaged project", damaged, IDYES, true, ""}}) {
        SCOPED_TRACE(r.what);
        fake_.MessageBoxes.clear();
        fake_.FileDialogAnswers = {runtime::AnsiToWide(r.file)};
        fake_.MessageBoxAnswers = {r.answer};
        if (r.raises)
            EXPECT_THROW(ClickComponent(main, "BarXItem28"), runtime::Exception);
        else
            ClickComponent(main, "BarXItem28");
        ASSERT_GE(fake_.MessageBoxes.size(), 1u);
        EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Confirm restore");
        EXPECT_NE(fake_.MessageBoxes[0].text.find(u"Do you want to abandon the current contents "
                                                  u"of Serplow's project and restore the "
                                                  u"contents of the backup (created at: "),
                  std::u16string::npos);
        if (*r.said != '\0') {
            EXPECT_TRUE(fake_.Said(r.said));
        }
        EXPECT_EQ(testing::ReadFileBytes(ProjectFile()), currentBytes) << "the file is as it was";
        EXPECT_EQ(KeywordNames(), (std::vector<std::u16string>{u"current one", u"current two"}));
        EXPECT_EQ(core::CurrentSite, shown) << "the selection too";
        EXPECT_TRUE(core::ProjectMaySave);
        EXPECT_EQ(testing::RowCount(*main.GtTree1), 2);
        EXPECT_TRUE(main.Enabled());
    }
    const gui::TFileDialogRequest& request = fake_.FileDialogs.back();
    EXPECT_FALSE(request.Save);
    EXPECT_EQ(request.Title, u"Please choose the backup file you would like to restore");
    EXPECT_TRUE(request.Flags & OFN_FILEMUSTEXIST);

    // The backup is accepted.
    fake_.MessageBoxes.clear();
    fake_.FileDialogAnswers = {runtime::AnsiToWide(backup)};
    fake_.MessageBoxAnswers = {IDYES};
    ClickComponent(main, "BarXItem28");
    ASSERT_EQ(fake_.MessageBoxes.size(), 2u);
    EXPECT_EQ(fake_.MessageBoxes[1].text, u"Project restore is completed.");
    EXPECT_EQ(fake_.MessageBoxes[1].caption, u"Restore is completed");
    EXPECT_EQ(testing::ReadFileBytes(ProjectFile()), backupBytes);
    EXPECT_EQ(KeywordNames(), (std::vector<std::u16string>{u"from the backup"}));
    EXPECT_EQ(main.ComboBox1->Text(), "www.restored.example");
    ASSERT_EQ(testing::RowCount(*main.GtTree1), 1);
    EXPECT_EQ(testing::RowText(*main.GtTree1, 0, 0), u"from the backup");
    EXPECT_EQ(main.PageControl1->ActivePage(), main.TabSheet1);
}

TEST_F(UiCommands, RestoreAfterAFailedStartIsSavedAtClose) {
    SaveSite("www.restored.example", {u"kept"});
    const std::string backup = data_.File("backup.spj");
    std::filesystem::rename(std::filesystem::path(ProjectFile()), std::filesystem::path(backup));
    testing::WriteFileBytes(ProjectFile(), "plain text, not a project");
    TForm1& main = Start();
    ASSERT_FALSE(main.ProjectMaySave());
    fake_.FileDialogAnswers = {runtime::AnsiToWide(backup)};
    fake_.MessageBoxAnswers = {IDYES};
    ClickComponent(main, "BarXItem28");
    EXPECT_TRUE(main.ProjectMaySave());
    Site().AddKeyword(u"added after the restore");
    Close();
    Free();
    ASSERT_TRUE(core::LoadProject(runtime::AnsiToWide(ProjectFile()), core::ProjectBackup::None));
    EXPECT_EQ(KeywordNames(), (std::vector<std::u16string>{u"kept", u"added after the restore"}));
}

// ---- links ----------------------------------------------------------------------------------

TEST_F(UiCommands, LinksOpenWellFormedAddressesOfTheMaker) {
    TForm1& main = Start();
    const std::string home = std::string("http://") + MakerWebAddress;
    struct Link {
        const char* item;
        std::string target;  // the whole address, or its start for the mails
        bool prefix;
    };
    const Link links[] = {
        {"VisitHomePageItem", home + "/?from=serplow&utm_nooverride=1", false},
        {"OnlineHelpItem", home + "/google-help.htm?utm_nooverride=1", false},
        {"OnlineForumItem", home + "/forum/?utm_nooverride=1", false},
        {"SEOTutorialItem", home + "/en/seo-ebook.htm?from=serplow&utm_nooverride=1", false},
        {"TellAFriendItem", "mailto:friend@example.com?subject=Serplow&body=", true},
        {"ToolButtonTweet", "http://twitter.com/home?status=", true},
        {"FollowTwitterItem", "http://twitter.com/tarvenixco", false},
        {"StatusLink", home + "/?from=serplow&utm_nooverride=1", false},
        {"Label4", home + "/forum/viewtopic.php?t=204&utm_nooverride=1", false},
    };
    for (const Link& link : links) {
        SCOPED_TRACE(link.item);
        fake_.ShellCalls.clear();
        ClickComponent(main, link.item);
        ASSERT_EQ(fake_.ShellCalls.size(), 1u);
        const std::string target = runtime::WideToAnsi(fake_.ShellCalls[0].target);
        if (link.prefix)
            EXPECT_EQ(target.substr(0, link.target.size()), link.target);
        else
            EXPECT_EQ(target, link.target);
        // Well formed: a query starts with "?", and nothing in it is left
        // for a browser or mail program to guess.
        const size_t query = target.find('?');
        EXPECT_EQ(target.find('&'),
                  query == std::string::npos ? std::string::npos : target.find('&', query));
        EXPECT_EQ(target.find_first_of(" \"<>\r\n"), std::string::npos);
    }
    ClickComponent(main, "TellAFriendItem");
    EXPECT_NE(LinkValue(LastShellTarget(), "body").find(u"/?from=tellafriend"),
              std::u16string::npos);
    ClickComponent(main, "ToolButtonTweet");
    EXPECT_NE(LinkValue(LastShellTarget(), "status").find(u"Serplow"), std::u16string::npos);

    // Nothing but web and mail addresses is handed to the shell.
    struct Target {
        const char* link;
        bool opened;
    };
    for (const Target& t :
         {Target{"https://www.example.com/", true}, Target{"MAILTO:a@example.com", true},
          Target{"file:///C:/windows/notepad.exe", false},
          Target{"C:\\windows\\notepad.exe", false}, Target{"javascript:alert(1)", false},
          Target{"", false}}) {
        fake_.ShellCalls.clear();
        OpenLink(t.link);
        EXPECT_EQ(fake_.ShellCalls.size(), t.opened ? 1u : 0u) << t.link;
    }
}

TEST_F(UiCommands, WrongPositionReportKeepsEveryCharacterOfTheKeyword) {
    const std::u16string name = u"поиск & 東京 #1+2=3?";
    SaveSite("www.kw.example", {u"never checked"});
    TForm1& main = Start();
    core::TKeyword& checked = Site().AddKeyword(name);
    checked.Date = runtime::EncodeDate(2024, 5, 6);
    main.FillKeywordTree();

    ClickComponent(main, "Label5");
    testing::ClickRow(*main.GtTree1, 0);
    gt::Pump();
    ClickComponent(main, "Label5");
    ASSERT_EQ(fake_.MessageBoxes.size(), 2u);
    EXPECT_EQ(fake_.MessageBoxes[0].text, u"Please select some keyword at the left side first.");
    EXPECT_EQ(fake_.MessageBoxes[1].text,
              u"This keyword has never been checked. Please run a search at least once.");
    EXPECT_EQ(fake_.MessageBoxes[1].caption, u"Information");
    EXPECT_TRUE(fake_.ShellCalls.empty());

    testing::ClickRow(*main.GtTree1, 1);
    gt::Pump();
    ClickComponent(main, "Label5");
    ASSERT_EQ(fake_.ShellCalls.size(), 1u);
    const std::u16string& link = fake_.ShellCalls[0].target;
    EXPECT_EQ(
        runtime::WideToAnsi(link).rfind(std::string("mailto:") + MakerSupportAddress + "?", 0), 0u);
    EXPECT_EQ(LinkValue(link, "subject"), u"[SE bug report] No results");
    const std::u16string body = LinkValue(link, "body");
    EXPECT_NE(body.find(u"\r\nSelected keyword: " + name + u"\r\n"), std::u16string::npos)
        << runtime::WideToUtf8(body);
    EXPECT_EQ(body.find(u"*** Please send this report to "), 0u);
    for (const char16_t* line :
         {u"\r\nProduct: Serplow\r\n", u"\r\nVersion info: 2.5.32.93\r\n",
          u"\r\nActive Google: local.se\r\n", u"\r\nLast search performed at: "})
        EXPECT_NE(body.find(line), std::u16string::npos) << runtime::WideToUtf8(line);
    EXPECT_EQ(body.find(u">Google API key is used"), std::u16string::npos);
}

TEST_F(UiCommands, ExitClosesAndAboutShows) {
    TForm1& main = Start();
    TDialogScript about;
    about.Then<TForm4>([](TForm4& dialog) { dialog.Close(); });
    ClickComponent(main, "About1");
    EXPECT_TRUE(about.Done());
    gui::Application->SetMainForm(nullptr);
    main.ActionExit->Execute();
    gt::Pump();
    EXPECT_FALSE(main.Showing());
    EXPECT_EQ(core::Sites, nullptr) << "closed as the close box does";
}

// ---- from nothing to a kept project ----------------------------------------------------------

// The button of that name on a dialog, clicked as the user does.
void ClickButton(gui::TForm& dialog, const char* name) {
    auto* button = dynamic_cast<gui::TButton*>(dialog.FindComponent(name));
    ASSERT_NE(button, nullptr) << name;
    gt::Click(*button);
}

TEST_F(UiCommands, FromNothingToAProjectThatIsKept) {
    TForm1& main = Start();
    ASSERT_EQ(main.PageControl1->ActivePage(), main.TabSheet2) << "nothing to show yet";

    // A site and 30 keywords, some in other scripts, one that is not found.
    std::vector<std::u16string> names;
    std::vector<int> positions;
    for (int i = 0; i < 28; ++i) {
        positions.push_back(i % 10 + 1);
        names.push_back(runtime::AnsiToWide("keyword " + std::to_string(100 + i) +
                                            " at:" + std::to_string(positions.back())));
    }
    names.push_back(u"поиск at:4");
    positions.push_back(4);
    names.push_back(u"東京 nowhere total:5");
    positions.push_back(0);
    TDialogScript script;
    script.Then<TForm3>([](TForm3& dialog) {
        gt::TypeText(runtime::AnsiToWide(kServedSite), dialog.LabeledEdit1);
        ClickButton(dialog, "Button1");
    });
    script.Then<TForm2>([&names](TForm2& dialog) {
        dialog.SetKeywords(names);
        dialog.Memo1->SetTextW(u"Kept notes");
        ClickButton(dialog, "Button1");
    });
    gt::Click(*main.Label7);
    ASSERT_TRUE(gt::PumpUntil([&] { return script.Done(); }));
    ASSERT_EQ(KeywordNames(), names);
    EXPECT_EQ(main.PageControl1->ActivePage(), main.TabSheet1);
    EXPECT_EQ(Status(), "Keywords: 30 | Checked: 30");

    // A check stopped early, then a whole one.
    TDuringCheck stop([] { return core::RunningThreads > 0; },
                      [] { gt::Click(*ShownForm<TForm6>()->Button1); });
    main.ActionSearch->Execute();
    EXPECT_TRUE(stop.Done());
    main.ActionSearch->Execute();
    EXPECT_TRUE(fake_.MessageBoxes.empty());
    for (int k = 0; k < 30; ++k) {
        const core::TKeyword& keyword = *Site().Keywords.Items(k);
        EXPECT_EQ(keyword.Position, positions[static_cast<size_t>(k)]) << k;
        EXPECT_NE(keyword.Date, 0) << k;
    }
    EXPECT_EQ(Site().Keywords.Items(29)->Links.Count(), 5);

    // Sorted by Position: the places found in order, the keywords not found
    // last.
    controls::tree::TGtTree& keywords = *main.GtTree1;
    testing::ClickHeader(keywords, 1);
    std::vector<int> shownPositions;
    for (int row = 0; row < testing::RowCount(keywords); ++row)
        shownPositions.push_back(KeywordOf(&testing::Row(keywords, row))->Position);
    std::vector<int> sortedPositions(positions.begin(), positions.end());
    std::sort(sortedPositions.begin(), sortedPositions.end(),
              [](int a, int b) { return (a == 0 ? INT_MAX : a) < (b == 0 ? INT_MAX : b); });
    EXPECT_EQ(shownPositions, sortedPositions);

    // A keyword's results, its site's own in bold.
    testing::ClickRow(keywords, testing::RowOf(keywords, Site().Keywords.Items(28)));
    gt::Pump();
    ASSERT_EQ(testing::RowCount(*main.GtTree2), 10);
    EXPECT_TRUE(testing::RowBold(*main.GtTree2, 3));
    EXPECT_EQ(testing::RowText(*main.GtTree2, 3, 1),
              runtime::AnsiToWide(std::string("http://") + kServedSite + "/home.html"));
    keywords.SetFocus();
    gt::Pump();
    std::unique_ptr<gui::TBitmap> picture = gt::CaptureWindow(main.Handle());
    gt::SavePng(*picture, runtime::AnsiToWide(std::string(SERPLOW_BINARY_DIR) +
                                              "/main_window_after_check.png"));

    // The CSV, byte for byte.
    std::u16string lines;
    for (int k = 0; k < 30; ++k) {
        const core::TKeyword& keyword = *Site().Keywords.Items(k);
        const int position = positions[static_cast<size_t>(k)];
        lines += names[static_cast<size_t>(k)] + u"; " +
                 runtime::AnsiToWide(std::to_string(position)) + u"; " +
                 runtime::AnsiToWide(std::to_string(keyword.LastPosition - position)) + u"; " +
                 runtime::AnsiToWide(std::to_string(keyword.Best)) + u"; " +
                 runtime::AnsiToWide(runtime::FormatDateTime("c", keyword.Date)) + u"\r\n";
    }
    std::string expected = "\xFF\xFE";
    for (const char16_t c : lines) {
        expected += static_cast<char>(c & 0xFF);
        expected += static_cast<char>(c >> 8);
    }
    const std::string csv = data_.File("keywords.csv");
    fake_.FileDialogAnswers = {runtime::AnsiToWide(csv)};
    ClickComponent(main, "ExporttoCSV1");
    EXPECT_EQ(testing::ReadFileBytes(csv), expected);

    // A backup; a damaged file is refused, the backup is taken.
    const std::string backup = data_.File("backup.spj");
    const std::string corrupt = data_.File("corrupt.spj");
    testing::WriteFileBytes(
        corrupt, std::string(core::ProjectMagic2007) + std::string("\x10\0\0\0broken", 10));
    fake_.FileDialogAnswers = {runtime::AnsiToWide(backup)};
    ClickComponent(main, "BarXItem27");
    fake_.FileDialogAnswers = {runtime::AnsiToWide(corrupt)};
    fake_.MessageBoxAnswers = {IDYES};
    try {
        ClickComponent(main, "BarXItem28");
    } catch (const runtime::Exception&) {
        // The program-wide handling shows why.
    }
    EXPECT_FALSE(runtime::os::FileExists(ProjectFile())) << "nothing was written over";
    EXPECT_EQ(KeywordNames(), names);
    fake_.FileDialogAnswers = {runtime::AnsiToWide(backup)};
    fake_.MessageBoxAnswers = {IDYES};
    ClickComponent(main, "BarXItem28");
    EXPECT_EQ(testing::ReadFileBytes(ProjectFile()), testing::ReadFileBytes(backup));
    EXPECT_TRUE(fake_.Said("Project restore is completed."));

    // Closed and started again, everything is there.
    Close();
    Free();
    TForm1& again = Start();
    ASSERT_EQ(again.ComboBox1->Items()->Count(), 1);
    EXPECT_EQ(again.ComboBox1->Text(), kServedSite);
    ASSERT_EQ(KeywordNames(), names);
    EXPECT_EQ(Site().Notes, u"Kept notes");
    for (int k = 0; k < 30; ++k)
        EXPECT_EQ(Site().Keywords.Items(k)->Position, positions[static_cast<size_t>(k)]) << k;
    EXPECT_EQ(testing::RowCount(*again.GtTree1), 30);
    EXPECT_EQ(again.StatusBar1->Panels()->Items(1)->Text(), "Keywords: 30 | Checked: 30");
}

}  // namespace
}  // namespace ui
