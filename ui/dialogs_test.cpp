// The dialogs under Wine, each made from its layout as the program makes
// it and driven as the user drives it, with message boxes, file dialogs,
// the shell and the clipboard answered by a recording fake: the keyword
// list of the project properties (add, delete, import, export, copy), the
// options and their port check, the key sign-up, the news window and its
// links, the check progress and About. Also keyword files and page links
// without a window.

#include <gtest/gtest.h>
#include <windows.h>

// After windows.h, which it needs.
#include <commdlg.h>

#include <memory>
#include <string>
#include <vector>

#include "core/engines.h"
#include "core/options.h"
#include "core/site.h"
#include "core/state.h"
#include "gui/testing.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "ui/about_form.h"
#include "ui/addurl_form.h"
#include "ui/first_run_form.h"
#include "ui/html_standin.h"
#include "ui/init.h"
#include "ui/keyword_file.h"
#include "ui/links.h"
#include "ui/news_form.h"
#include "ui/options_form.h"
#include "ui/progress_form.h"
#include "ui/project_form.h"
#include "ui/project_progress_form.h"
#include "ui/signup_form.h"
#include "ui/ui_test_support.h"

namespace ui {
namespace {

namespace gt = gui::testing;
using testing::TTempFolder;
using Keywords = std::vector<std::u16string>;

std::string Utf16LE(const std::u16string& text, bool bigEndian = false) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF);
        const char high = static_cast<char>(c >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// ---- keyword files -----------------------------------------------------------------------

TEST(KeywordFileTest, ImportsEveryEncodingCutsLinesAndSkipsBlanks) {
    struct Case {
        const char* name;
        std::string bytes;
        Keywords keywords;
    };
    const std::u16string russian = u"\u043a\u043b\u044e\u0447";
    const std::u16string japanese = u"\u65e5\u672c\u8a9e";
    for (const Case& c : {
             Case{"plain lines",
                  "seo\r\nrank tracker\nweb tools\rlast",
                  {u"seo", u"rank tracker", u"web tools", u"last"}},
             Case{"cut at . , ; and tab",
                  "two words, third\r\nword.com\r\na;b\r\ntab\tseparated\r\n",
                  {u"two words", u"word", u"a", u"tab"}},
             Case{"blank, blank-only and cut-away lines",
                  "\r\n   \r\n\t\r\n.com\r\n  spaced  \r\n\r\n",
                  {u"spaced"}},
             Case{"UTF-8 with a mark",
                  "\xEF\xBB\xBF" + runtime::WideToUtf8(russian) + "\r\n" +
                      runtime::WideToUtf8(japanese),
                  {russian, japanese}},
             Case{"UTF-8 without a mark", runtime::WideToUtf8(russian) + "\r\n", {russian}},
             Case{"code page", "caf\xE9\r\n", {u"caf\u00e9"}},
             Case{"UTF-16 little-endian",
                  Utf16LE(russian + u"\r\n\r\n" + japanese + u", x\r\n"),
                  {russian, japanese}},
             Case{"UTF-16 big-endian",
                  Utf16LE(japanese + u"\r\n  \r\n" + russian, true),
                  {japanese, russian}},
             Case{"UTF-16 with half a character at its end", Utf16LE(u"ab") + "\x41", {u"ab"}},
             Case{"empty file", "", {}},
             Case{"a mark alone", "\xFF\xFE", {}},
         }) {
        EXPECT_EQ(ReadKeywordLines(c.bytes), c.keywords) << c.name;
    }
}

TEST(KeywordFileTest, ExportWritesUtf8LinesAndNamesTxtFiles) {
    EXPECT_EQ(KeywordFileBytes({u"seo", u"caf\u00e9"}), "seo\r\ncaf\xC3\xA9\r\n");
    EXPECT_EQ(KeywordFileBytes({}), "");
    // What an export writes reads back as it was.
    const Keywords list = {u"one", u"\u043a\u043b\u044e\u0447", u"three words"};
    EXPECT_EQ(ReadKeywordLines(KeywordFileBytes(list)), list);

    struct Case {
        std::u16string chosen, written;
    };
    for (const Case& c :
         {Case{u"C:\\out\\list", u"C:\\out\\list.txt"},
          Case{u"C:\\out\\list.csv", u"C:\\out\\list.csv"},
          Case{u"C:\\out.d\\list", u"C:\\out.d\\list.txt"},
          Case{u"C:\\out\\list.", u"C:\\out\\list.txt"}, Case{u"list", u"list.txt"}})
        EXPECT_EQ(ExportFileName(c.chosen), c.written) << runtime::WideToAnsi(c.chosen);
}

// ---- page links ----------------------------------------------------------------------------

TEST(HtmlLinksTest, LinksOfAPageWithTheirTexts) {
    struct Case {
        const char* html;
        std::vector<THtmlLink> links;
    };
    for (const Case& c : {
             Case{"<p>See <a href=\"http://example.com/a?x=1&amp;y=2\">our <b>news</b></a>.</p>",
                  {{u"our news", "http://example.com/a?x=1&y=2"}}},
             Case{"<A HREF='mailto:support@example.com'>Mail us</A> <a "
                  "href=https://x.example/>x</a>",
                  {{u"Mail us", "mailto:support@example.com"}, {u"x", "https://x.example/"}}},
             Case{"<a name=\"top\">anchor</a><a href=\"\">empty</a>", {}},
             Case{"<a class=\"big\" href=\"http://y.example/\"></a>",
                  {{u"http://y.example/", "http://y.example/"}}},
             Case{"<a href=\"http://z.example/\">unclosed", {{u"unclosed", "http://z.example/"}}},
             Case{"<a href=\"http://z.example/\">one<a href=\"http://w.example/\">two</a>",
                  {{u"one", "http://z.example/"}, {u"two", "http://w.example/"}}},
             Case{"<script>document.write('<a href=\"http://s.example/\">s</a>');</SCRIPT>"
                  "<a href=\"http://after.example/\">after</a>",
                  {{u"after", "http://after.example/"}}},
             Case{"no links at all", {}},
         })
        EXPECT_EQ(HtmlLinks(c.html), c.links) << c.html;
}

// ---- the dialogs ----------------------------------------------------------------------------

class UiDialogs : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gt::EnsureGui();
        ui::init();
    }
    void SetUp() override { desktop_ = std::make_unique<gui::TDesktopOverride>(fake_); }
    void TearDown() override {
        forms_.clear();
        gt::Pump();
        desktop_.reset();
    }
    template <class T>
    T& Make() {
        forms_.emplace_back(&gui::NewForm<T>(*gui::Application));
        return static_cast<T&>(*forms_.back());
    }
    template <class T>
    T& Shown() {
        T& form = Make<T>();
        form.Show();
        gt::Pump();
        return form;
    }
    // The project-properties dialog on its keyword page, holding `keywords`.
    TForm2& KeywordDialog(const Keywords& keywords = {}) {
        TForm2& dialog = Make<TForm2>();
        dialog.PageControl1->SetActivePage(dialog.TabSheet1);
        dialog.SetKeywords(keywords);
        dialog.Show();
        gt::Pump();
        return dialog;
    }
    static void Select(TForm2& dialog, const Keywords& rows) {
        dialog.GtTree1->DeselectAll();
        for (const std::u16string& text : rows) {
            auto* row = dialog.GtTree1->Items().LookForItem(nullptr, text, nullptr, -1, false, true,
                                                            false, false, false);
            ASSERT_NE(row, nullptr) << runtime::WideToAnsi(text);
            row->SetSelected(true);
        }
    }

    gt::TFakeDesktop fake_;
    TTempFolder folder_;

  private:
    std::unique_ptr<gui::TDesktopOverride> desktop_;
    std::vector<std::unique_ptr<gui::TForm>> forms_;
};

TEST_F(UiDialogs, TypedKeywordsJoinTheSortedListOnceWhateverTheirCase) {
    TForm2& dialog = KeywordDialog();
    EXPECT_EQ(gt::FocusedControl(), dialog.Edit1);
    struct Step {
        std::u16string typed;
        bool added;
    };
    for (const Step& step :
         {Step{u"beta", true}, Step{u"Alpha", true}, Step{u"ALPHA", false}, Step{u"alpha", false},
          Step{u"   ", false}, Step{u"", false}, Step{u"  gamma  ", true},
          Step{u"\u00c9t\u00e9", true}, Step{u"\u00e9T\u00c9", false}}) {
        dialog.Edit1->SetTextW(step.typed);
        gt::Click(*dialog.Button3);
        EXPECT_EQ(dialog.Edit1->TextW(), step.added ? u"" : step.typed)
            << runtime::WideToUtf8(step.typed);
    }
    EXPECT_EQ(dialog.Keywords(), (Keywords{u"Alpha", u"beta", u"gamma", u"\u00c9t\u00e9"}));
    // The Add button is the default one: Enter in the edit adds too.
    dialog.Edit1->SetTextW(u"delta");
    gt::PressKey(VK_RETURN, {}, dialog.Edit1);
    EXPECT_EQ(dialog.Keywords(),
              (Keywords{u"Alpha", u"beta", u"delta", u"gamma", u"\u00c9t\u00e9"}));
}

TEST_F(UiDialogs, DeleteAsksAndTakesEverySelectedRow) {
    TForm2& dialog = KeywordDialog({u"one", u"two", u"three", u"four"});
    // Nothing selected: nothing to ask.
    gt::Click(*dialog.Button5);
    EXPECT_TRUE(fake_.MessageBoxes.empty());

    Select(dialog, {u"two", u"four"});
    fake_.MessageBoxAnswers = {IDNO, IDYES};
    gt::Click(*dialog.Button5);
    ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
    EXPECT_EQ(fake_.MessageBoxes[0].text, runtime::AnsiToWide(SDeleteKeywordsQuestion));
    EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Confirm");
    EXPECT_EQ(fake_.MessageBoxes[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(dialog.Keywords().size(), 4u);

    gt::Click(*dialog.Button5);
    EXPECT_EQ(dialog.Keywords(), (Keywords{u"one", u"three"}));
}

TEST_F(UiDialogs, ImportAddsNewKeywordsOrReplacesTheListAndRefusesNothingToRead) {
    const std::u16string russian = u"\u043a\u043b\u044e\u0447";
    const std::string file = folder_.File("keywords.txt");
    testing::WriteFileBytes(
        file, Utf16LE(u"SEO\r\n" + russian + u"\r\n\r\n  \r\nnew one, more\r\nseo\r\n"));
    TForm2& dialog = KeywordDialog({u"seo", u"old"});

    // Cancel at the question: nothing changes.
    fake_.FileDialogAnswers = {runtime::AnsiToWide(file)};
    fake_.MessageBoxAnswers = {IDCANCEL};
    gt::Click(*dialog.Button6);
    ASSERT_EQ(fake_.FileDialogs.size(), 1u);
    EXPECT_FALSE(fake_.FileDialogs[0].Save);
    EXPECT_EQ(fake_.FileDialogs[0].Title, u"Import keywords");
    EXPECT_EQ(fake_.FileDialogs[0].Filter, u"Text files (*.txt)|*.txt|All files (*.*)|*.*");
    ASSERT_EQ(fake_.MessageBoxes.size(), 1u);
    EXPECT_EQ(fake_.MessageBoxes[0].text, runtime::AnsiToWide(SClearBeforeImportQuestion));
    EXPECT_EQ(fake_.MessageBoxes[0].caption, u"Confirm");
    EXPECT_EQ(fake_.MessageBoxes[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_EQ(dialog.Keywords(), (Keywords{u"old", u"seo"}));

    // No: the new keywords join; "SEO" is there already as "seo".
    fake_.FileDialogAnswers = {runtime::AnsiToWide(file)};
    fake_.MessageBoxAnswers = {IDNO};
    gt::Click(*dialog.Button6);
    EXPECT_EQ(dialog.Keywords(), (Keywords{u"new one", u"old", u"seo", russian}));

    // Yes: the file's keywords alone, the first spelling kept.
    fake_.FileDialogAnswers = {runtime::AnsiToWide(file)};
    fake_.MessageBoxAnswers = {IDYES};
    gt::Click(*dialog.Button6);
    EXPECT_EQ(dialog.Keywords(), (Keywords{u"new one", u"SEO", russian}));

    // A file that cannot be read: its error passes on, nothing is asked or lost.
    fake_.MessageBoxes.clear();
    fake_.FileDialogAnswers = {runtime::AnsiToWide(folder_.File("missing.txt"))};
    EXPECT_THROW(dialog.Button6Click(nullptr), runtime::Exception);
    EXPECT_TRUE(fake_.MessageBoxes.empty());
    EXPECT_EQ(dialog.Keywords().size(), 3u);

    // The file dialog cancelled.
    gt::Click(*dialog.Button6);
    EXPECT_EQ(dialog.Keywords().size(), 3u);
}

TEST_F(UiDialogs, ExportWritesTheListAsUtf8TextAndAddsTxt) {
    TForm2& dialog = KeywordDialog({u"beta", u"caf\u00e9", u"Alpha"});
    fake_.FileDialogAnswers = {runtime::AnsiToWide(folder_.File("exported"))};
    gt::Click(*dialog.Button4);
    ASSERT_EQ(fake_.FileDialogs.size(), 1u);
    EXPECT_TRUE(fake_.FileDialogs[0].Save);
    EXPECT_EQ(fake_.FileDialogs[0].Title, u"Export keywords");
    EXPECT_NE(fake_.FileDialogs[0].Flags & OFN_OVERWRITEPROMPT, 0u);
    EXPECT_EQ(testing::ReadFileBytes(folder_.File("exported.txt")),
              "Alpha\r\nbeta\r\ncaf\xC3\xA9\r\n");

    // An unwritable name: the error passes on.
    fake_.FileDialogAnswers = {runtime::AnsiToWide(folder_.File("no folder\\list.txt"))};
    EXPECT_THROW(dialog.Button4Click(nullptr), runtime::Exception);
}

TEST_F(UiDialogs, CopyAndItsMenuNeedASelection) {
    TForm2& dialog = KeywordDialog({u"one", u"two", u"\u043a\u043b\u044e\u0447"});
    EXPECT_THROW(dialog.PopupMenu1Popup(nullptr), runtime::EAbort);
    dialog.Copytoclipboard1Click(nullptr);
    EXPECT_FALSE(fake_.ClipboardSet);

    // In the order the rows were selected, no line end after the last.
    Select(dialog, {u"two", u"\u043a\u043b\u044e\u0447", u"one"});
    EXPECT_NO_THROW(dialog.PopupMenu1Popup(nullptr));
    dialog.Copytoclipboard1Click(nullptr);
    ASSERT_TRUE(fake_.ClipboardSet);
    EXPECT_EQ(fake_.ClipboardWide, u"two\r\n\u043a\u043b\u044e\u0447\r\none");
}

TEST_F(UiDialogs, ARightClickOnTheListAsksItsMenu) {
    TForm2& dialog = KeywordDialog({u"one"});
    int asked = 0;
    dialog.PopupMenu1->OnPopup = [&](runtime::TObject* sender) {
        ++asked;
        dialog.PopupMenu1Popup(sender);
    };
    // Below the only row: nothing is selected, so no menu opens.
    gt::ContextClick(*dialog.GtTree1, gui::TPoint{20, dialog.GtTree1->ClientHeight() - 10});
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialog.GtTree1->SelectedCount(), 0);
}

TEST_F(UiDialogs, ProjectPropertiesFocusTheirPage) {
    TForm2& dialog = Make<TForm2>();
    dialog.PageControl1->SetActivePage(dialog.TabSheet2);
    dialog.Show();
    gt::Pump();
    EXPECT_EQ(gt::FocusedControl(), dialog.Memo1);
    EXPECT_EQ(dialog.Text(), "Project properties");
    EXPECT_EQ(dialog.ClientWidth(), 324);
    EXPECT_EQ(dialog.ClientHeight(), 289);
}

TEST_F(UiDialogs, EachDialogHasItsCaptionAndSize) {
    struct Case {
        gui::TForm* form;
        const char* caption;
        int width, height;
        bool client;
    };
    TForm3& addURL = Make<TForm3>();
    for (const Case& c : {
             Case{&Make<TForm2>(), "Project properties", 324, 289, true},
             Case{&addURL, "Add URL", 315, 86, true},
             Case{&Make<TForm4>(), "About", 401, 254, true},
             Case{&Make<TForm5>(), "Options", 549, 303, true},
             Case{&Make<TForm8>(), "Register with Google", 452, 352, true},
             Case{&Make<TForm9>(), "Latest News from Tarvenixco", 638, 350, false},
             Case{&Make<TForm10>(), "Serplow - Progress", 436, 73, true},
             Case{&Make<TForm11>(), "Preferences (first run)", 626, 421, false},
         }) {
        EXPECT_EQ(c.form->Text(), c.caption);
        EXPECT_EQ(c.client ? c.form->ClientWidth() : c.form->Width(), c.width) << c.caption;
        EXPECT_EQ(c.client ? c.form->ClientHeight() : c.form->Height(), c.height) << c.caption;
    }
    TForm6& progress = Make<TForm6>();
    EXPECT_EQ(progress.Text(), "Progress");
    EXPECT_EQ(progress.Constraints()->Limits().MinWidth, 258);
    EXPECT_EQ(progress.Constraints()->Limits().MinHeight, 212);

    // The add-URL dialog waits in its edit.
    addURL.Show();
    gt::Pump();
    EXPECT_EQ(gt::FocusedControl(), addURL.LabeledEdit1);
}

// ---- options -------------------------------------------------------------------------------

class UiOptions : public UiDialogs {
  protected:
    void SetUp() override {
        UiDialogs::SetUp();
        core::EngineList = core::LoadSearchEngines(
            runtime::AnsiToWide(testing::ProgramFolder() + "SearchEngines\\"));
        ASSERT_GT(core::EngineList->Count(), 1);
    }
    void TearDown() override {
        UiDialogs::TearDown();
        core::EngineList.reset();
    }
};

TEST_F(UiOptions, SettingsGoIntoTheDialogAndComeBack) {
    core::TOptions options(runtime::AnsiToWide(folder_.Path()));
    const core::TSE& engine = *core::EngineList->Items(1);
    options.ProxyHost = "proxy.example";
    options.ProxyPort = "3128";
    options.ProxyUser = "me";
    options.ProxyPass = "secret";
    options.SearchResults = 50;
    options.GoogleKey = "key-123";
    options.GoogleKeyActive = true;
    options.Country = engine.Country;
    options.Lang = engine.Lang;
    options.SEFileName = "whatever was stored";
    options.CheckForNewVersion = false;
    options.HumanActivitySimulation = 3;

    TForm5& dialog = Make<TForm5>();
    EXPECT_EQ(dialog.Text(), "Options");
    EXPECT_EQ(dialog.ClientWidth(), 549);
    EXPECT_EQ(dialog.ClientHeight(), 303);
    EXPECT_EQ(dialog.ComboBox1->Items()->Count(), core::EngineList->Count());
    FillOptionsDialog(dialog, options);
    EXPECT_EQ(dialog.LabeledEdit2->Text(), "proxy.example");
    EXPECT_EQ(dialog.LabeledEdit1->Text(), "3128");
    EXPECT_EQ(dialog.LabeledEdit4->PasswordChar(), '*');
    EXPECT_EQ(dialog.SpinEdit1->GetAsInteger(), 50);
    EXPECT_EQ(dialog.ComboBox1->Text(), EngineEntryText(engine.Country, engine.Lang));
    EXPECT_TRUE(dialog.CheckBox1->Checked());
    EXPECT_TRUE(dialog.Edit1->Enabled());
    EXPECT_FALSE(dialog.CheckBox2->Checked());
    EXPECT_EQ(dialog.ComboBox2->Text(), "Safe");

    core::TOptions back(runtime::AnsiToWide(folder_.Path()));
    StoreOptionsDialog(dialog, back);
    EXPECT_EQ(back.ProxyHost, options.ProxyHost);
    EXPECT_EQ(back.ProxyPort, options.ProxyPort);
    EXPECT_EQ(back.ProxyUser, options.ProxyUser);
    EXPECT_EQ(back.ProxyPass, options.ProxyPass);
    EXPECT_EQ(back.SearchResults, 50);
    EXPECT_EQ(back.GoogleKey, "key-123");
    EXPECT_TRUE(back.GoogleKeyActive);
    EXPECT_EQ(back.Country, engine.Country);
    EXPECT_EQ(back.Lang, engine.Lang);
    // The entry's engine file, not what was stored.
    EXPECT_EQ(back.SEFileName, runtime::WideToAnsi(engine.FileName));
    EXPECT_FALSE(back.CheckForNewVersion);
    EXPECT_EQ(back.HumanActivitySimulation, 3);

    // Depth within 10..10000; a mode the list lacks shows as the nearest.
    options.SearchResults = 5;
    options.HumanActivitySimulation = 9;
    options.GoogleKeyActive = false;
    options.Country = "Nowhere";
    FillOptionsDialog(dialog, options);
    EXPECT_EQ(dialog.SpinEdit1->GetAsInteger(), 10);
    EXPECT_EQ(dialog.ComboBox2->ItemIndex(), 3);
    EXPECT_FALSE(dialog.Edit1->Enabled());
    EXPECT_EQ(dialog.ComboBox1->ItemIndex(), -1);
    StoreOptionsDialog(dialog, back);
    EXPECT_EQ(back.SEFileName, "");
}

TEST_F(UiOptions, PortTakesDigitsAndOkChecksItsRange) {
    TForm5& dialog = Shown<TForm5>();
    dialog.LabeledEdit1->SetFocus();
    gt::TypeText(u"8a0-8 x", dialog.LabeledEdit1);
    EXPECT_EQ(dialog.LabeledEdit1->Text(), "808");
    gt::TypeText(u"\b", dialog.LabeledEdit1);
    EXPECT_EQ(dialog.LabeledEdit1->Text(), "80");

    // Pasted texts bypass the keys: OK checks them.
    struct Case {
        const char* port;
        bool accepted;
    };
    for (const Case& c : {Case{"70000", false}, Case{"0", false}, Case{"00000", false},
                          Case{"8o80", false}, Case{"65536", false}, Case{" 80", false},
                          Case{"65535", true}, Case{"1", true}, Case{"", true}}) {
        fake_.MessageBoxes.clear();
        dialog.SetModalResult(gui::mrNone);
        dialog.LabeledEdit1->SetText(c.port);
        gt::Click(*dialog.Button1);
        EXPECT_EQ(dialog.ModalResult(), c.accepted ? gui::mrOk : gui::mrNone) << c.port;
        ASSERT_EQ(fake_.MessageBoxes.size(), c.accepted ? 0u : 1u) << c.port;
        if (!c.accepted) {
            EXPECT_EQ(fake_.MessageBoxes[0].text, runtime::AnsiToWide(SBadProxyPort));
        }
    }
}

TEST_F(UiOptions, TheKeyIsEditableOnlyWithItsBoxChecked) {
    TForm5& dialog = Shown<TForm5>();
    EXPECT_FALSE(dialog.Edit1->Enabled());
    gt::Click(*dialog.CheckBox1);
    EXPECT_TRUE(dialog.CheckBox1->Checked());
    EXPECT_TRUE(dialog.Edit1->Enabled());
    EXPECT_EQ(gt::FocusedControl(), dialog.Edit1);
    gt::Click(*dialog.CheckBox1);
    EXPECT_FALSE(dialog.Edit1->Enabled());
}

// ---- key sign-up, news, progress, About -------------------------------------------------------

TEST_F(UiDialogs, SignUpOpensTheSignUpPageAndCloses) {
    TForm8& dialog = Shown<TForm8>();
    EXPECT_EQ(dialog.Text(), "Register with Google");
    EXPECT_EQ(dialog.ClientWidth(), 452);
    EXPECT_EQ(dialog.ClientHeight(), 352);
    gt::Click(*dialog.Button1);
    ASSERT_EQ(fake_.ShellCalls.size(), 1u);
    EXPECT_EQ(fake_.ShellCalls[0].target, runtime::AnsiToWide(kSoapSignUpPage));
    EXPECT_TRUE(gt::PumpUntil([&] { return !dialog.Showing(); }));
}

TEST_F(UiDialogs, NewsShowsThePageAndOpensOnlyWebAndMailLinks) {
    TForm9& news = Shown<TForm9>();
    EXPECT_EQ(news.Text(), "Latest News from Tarvenixco");
    news.htmlView1->LoadFromString(
        "<h1>Serplow 2.6</h1><p>Read <a href=\"http://www.tarvenixco.example/news\">the "
        "news</a>, <a href=\"file:///C:/windows/notepad.exe\">a file</a> or "
        "<a href=\"mailto:support@tarvenixco.example\">write</a>.</p>");
    gt::Pump();
    EXPECT_EQ(news.htmlView1->PageText(), u"Serplow 2.6\r\nRead the news , a file or write .");
    gui::TListBox& list = *news.htmlView1->LinkList();
    ASSERT_TRUE(list.Visible());
    ASSERT_EQ(list.Items()->Count(), 3);
    EXPECT_EQ(list.Items()->Strings(0), "the news (http://www.tarvenixco.example/news)");

    // Clicks on the rows, as the user makes them.
    const int row = list.ItemHeight();
    for (int i = 0; i < 3; ++i) gt::Click(list, gui::TPoint{20, row * i + row / 2});
    ASSERT_EQ(fake_.ShellCalls.size(), 2u);
    EXPECT_EQ(fake_.ShellCalls[0].target, u"http://www.tarvenixco.example/news");
    EXPECT_EQ(fake_.ShellCalls[1].target, u"mailto:support@tarvenixco.example");

    // Enter opens the chosen row; choosing it with the keys opens nothing.
    fake_.ShellCalls.clear();
    list.SetFocus();
    list.SetItemIndex(0);
    gt::PressKey(VK_DOWN, {}, &list);
    EXPECT_TRUE(fake_.ShellCalls.empty());
    gt::PressKey(VK_DOWN, {}, &list);
    gt::PressKey(VK_RETURN, {}, &list);
    ASSERT_EQ(fake_.ShellCalls.size(), 1u);
    EXPECT_EQ(fake_.ShellCalls[0].target, u"mailto:support@tarvenixco.example");

    // A page without links shows no list.
    news.htmlView1->LoadFromString("<p>Nothing to click</p>");
    EXPECT_FALSE(list.Visible());
}

TEST_F(UiDialogs, ProgressShowsStopsAndLetsTheMainWindowBack) {
    gui::TForm& main = Shown<gui::TForm>();
    auto site = std::make_unique<core::TSite>("www.example.com");
    struct TRestore {
        ~TRestore() {
            gui::Application->SetMainForm(nullptr);
            core::CurrentSite = nullptr;
        }
    } restore;
    gui::Application->SetMainForm(&main);
    site->Stop = true;
    core::CurrentSite = site.get();
    TForm6& progress = Make<TForm6>();
    progress.Memo1->SetTextW(u"old log");
    progress.Show();
    gt::Pump();
    EXPECT_FALSE(main.Enabled());
    EXPECT_FALSE(site->Stop);
    EXPECT_TRUE(progress.Button1->Enabled());
    EXPECT_EQ(progress.Label1->Text(), "Quering Google... Please wait.");
    EXPECT_EQ(progress.Memo1->TextW(), u"");
    progress.KeywordDone(u"seo - OK");
    EXPECT_EQ(progress.ProgressBar1->Position(), 1);
    EXPECT_EQ(progress.Memo1->TextW(), u"seo - OK\r\n");

    gt::Click(*progress.Button1);
    EXPECT_TRUE(site->Stop);
    EXPECT_FALSE(progress.Button1->Enabled());
    EXPECT_EQ(progress.Label1->Text(), "Stopping... Please wait.");

    progress.Hide();
    gt::Pump();
    EXPECT_TRUE(main.Enabled());
}

TEST_F(UiDialogs, AboutShowsTheVersionAndOpensTheMakersAddresses) {
    TForm4& about = Shown<TForm4>();
    EXPECT_EQ(about.Label2->Text(), "ver 2.5.32.93");
    gt::Click(*about.Label4);
    gt::Click(*about.Label6);
    ASSERT_EQ(fake_.ShellCalls.size(), 2u);
    EXPECT_EQ(fake_.ShellCalls[0].target, runtime::AnsiToWide(MakerHomePage()));
    EXPECT_EQ(fake_.ShellCalls[1].target.rfind(
                  u"mailto:support@tarvenixco.example?subject=Serplow&body=Hello%20support!", 0),
              0u);
    gt::Click(*dynamic_cast<gui::TButton*>(about.FindComponent("Button1")));
    EXPECT_TRUE(gt::PumpUntil([&] { return !about.Showing(); }));
}

}  // namespace
}  // namespace ui
