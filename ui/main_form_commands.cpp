// The main window's commands: the check of the current site, sites,
// keywords and notes, backup and restore of the project, the exports to the
// clipboard and to CSV files, and the links that open the maker's pages or
// a prepared mail through the shell.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/engines.h"
#include "core/keyword.h"
#include "core/link.h"
#include "core/news.h"
#include "core/options.h"
#include "core/project_file.h"
#include "core/search.h"
#include "core/site.h"
#include "core/state.h"
#include "gui/clipboard.h"
#include "gui/desktop.h"
#include "gui/dialogs.h"
#include "net/url.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/os/files.h"
#include "runtime/os/paths.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "ui/addurl_form.h"
#include "ui/links.h"
#include "ui/main_form.h"
#include "ui/progress_form.h"
#include "ui/project_form.h"
#include "ui/project_progress_form.h"

namespace ui {

namespace {

constexpr const char* SAddURLFirst = "Please add at least one URL first";
constexpr const char* SAddKeywordFirst = "Please add at least one keyword first";
constexpr const char* SNoSiteForKeywords = "You should add at least one URL first";
constexpr const char* SDeleteURL =
    "Are you sure you want to delete the selected URL?\r\nAll associated keywords and search "
    "results will be deleted too.";
constexpr const char* SDeleteKeywords =
    "Are you sure you want to delete the selected keywords?\r\n(All associated search results "
    "will be deleted too)";
constexpr const char* SBackupDone =
    "Backup is completed. Please use the 'Restore project' menu item to restore the contents of "
    "the project";
constexpr const char* SRestoreDone = "Project restore is completed.";
constexpr const char* SSelectKeywordFirst = "Please select some keyword at the left side first.";
constexpr const char* SNeverChecked =
    "This keyword has never been checked. Please run a search at least once.";
constexpr const char* SNotAWebAddress = "Only web addresses are opened. This result's address is ";

constexpr UINT kInformation = MB_OK | MB_ICONINFORMATION;
constexpr UINT kQuestion = MB_YESNO | MB_ICONQUESTION;

// The project-properties dialog's page captions.
constexpr const char* kKeywordsPage = "Keywords";
constexpr const char* kNotesPage = "Notes";

// The forum topic that answers most questions about positions.
constexpr const char* kFaqTopic = "/forum/viewtopic.php?t=204&utm_nooverride=1";

// ---- files the commands choose --------------------------------------------------------------

struct TFileChoice {
    bool Save;
    const char* Title;
    const char* Filter;
    const char* DefaultExt;
    const char* FileName;
};

constexpr TFileChoice kCsvChoice{true, "Export To CSV",
                                 "Excel files (*.csv)|*.csv|All files (*.*)|*.*", "csv", ""};
// The extension without its dot: the dialog puts the dot in itself.
constexpr TFileChoice kBackupChoice{true, "Where whould you like to store the backuped project?",
                                    "Serplow project (*.spj)|*.spj", "spj", "project.spj"};
constexpr TFileChoice kRestoreChoice{false,
                                     "Please choose the backup file you would like to restore",
                                     "Serplow project (*.spj)|*.spj", "spj", "project.spj"};

// The chosen file's name; none when the user cancelled.
std::optional<std::u16string> ChooseFile(const TFileChoice& choice) {
    std::unique_ptr<gui::TOpenDialog> dialog = choice.Save
                                                   ? std::make_unique<gui::TSaveDialog>(nullptr)
                                                   : std::make_unique<gui::TOpenDialog>(nullptr);
    dialog->SetTitle(choice.Title);
    dialog->SetFilter(choice.Filter);
    dialog->SetDefaultExt(choice.DefaultExt);
    dialog->SetFileName(choice.FileName);
    gui::TOpenOptions options{gui::ofHideReadOnly, gui::ofEnableSizing};
    if (choice.Save) {
        options.Include(gui::ofOverwritePrompt);
        options.Include(gui::ofPathMustExist);
    } else {
        options.Include(gui::ofFileMustExist);
    }
    dialog->SetOptions(options);
    if (!dialog->Execute()) return std::nullopt;
    return dialog->FileNameW();
}

// A message box of the main window; its answer.
int Say(const TForm1& form, std::string_view text, const char16_t* caption, UINT flags) {
    return gui::Desktop().MessageBox(form.WindowHandle(), runtime::AnsiToWide(text), caption,
                                     flags);
}

void WriteWholeFile(const std::u16string& fileName, std::string_view bytes) {
    runtime::TFileStream file(fileName, runtime::fmCreate);
    file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// ---- exports --------------------------------------------------------------------------------

// A CSV field as it is written: in double quotes, its own doubled, when it
// holds the separator, a quote or a line break, so that it reads back whole.
template <class String>
String CsvField(const String& field) {
    using Char = typename String::value_type;
    const bool quote = std::any_of(field.begin(), field.end(), [](Char c) {
        return c == Char(';') || c == Char('"') || c == Char('\r') || c == Char('\n');
    });
    if (!quote) return field;
    String quoted(1, Char('"'));
    for (const Char c : field) {
        if (c == Char('"')) quoted += Char('"');
        quoted += c;
    }
    quoted += Char('"');
    return quoted;
}

enum class TExportKind { Clipboard, Csv };

// One keyword's line: name, position, the change since the last position,
// best position and the date of its check.
std::u16string KeywordExportLine(const core::TKeyword& keyword, TExportKind kind) {
    const std::array<std::u16string, 5> fields = {
        keyword.Name,
        runtime::AnsiToWide(std::to_string(keyword.Position)),
        runtime::AnsiToWide(std::to_string(int64_t(keyword.LastPosition) - keyword.Position)),
        runtime::AnsiToWide(std::to_string(keyword.Best)),
        runtime::AnsiToWide(runtime::FormatDateTime("c", keyword.Date)),
    };
    std::u16string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += kind == TExportKind::Clipboard ? u"\t" : u"; ";
        line += kind == TExportKind::Clipboard ? fields[i] : CsvField(fields[i]);
    }
    return line;
}

// ---- links ----------------------------------------------------------------------------------

// Every byte of the UTF-8 text but letters, digits and "-._~" as "%" and
// two hexadecimal digits: a value that a mail or web address carries whole,
// whatever characters it holds.
std::string EncodeLinkValue(std::u16string_view text) {
    static const net::TCharSet escaped = [] {
        net::TCharSet set;
        set.set();
        for (int c = 0; c < 256; ++c) {
            const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                    (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                    c == '~';
            if (unreserved) set.reset(static_cast<size_t>(c));
        }
        return set;
    }();
    return net::EncodeEscapes(runtime::WideToUtf8(text), '%', escaped);
}

std::string MailLink(const std::string& address, std::u16string_view subject,
                     std::u16string_view body) {
    return "mailto:" + address + "?subject=" + EncodeLinkValue(subject) +
           "&body=" + EncodeLinkValue(body);
}

std::string TellAFriendLink() {
    const std::u16string body =
        u"Hi,\r\n\r\nI would like to recommend you " + runtime::AnsiToWide(ProgramName) +
        u", a program that tracks where web sites rank on Google.\r\nYou can get it at " +
        runtime::AnsiToWide(MakerPage("/?from=tellafriend")) +
        u"\r\nI use it to check my rankings on Google.\r\n";
    return MailLink("friend@example.com", runtime::AnsiToWide(ProgramName), body);
}

std::string TweetLink() {
    return "http://twitter.com/home?status=" +
           EncodeLinkValue(u"Serplow tracks where your web site ranks on Google: " +
                           runtime::AnsiToWide(MakerPage("/serplow.htm")));
}

// The menu items (and the tool button) that open a page or a prepared
// mail, by their names in the window's layout.
struct TLinkCommand {
    std::string_view Item;
    std::string (*Target)();
};

constexpr std::array<TLinkCommand, 7> kLinkCommands = {{
    {"VisitHomePageItem", [] { return MakerHomePage(); }},
    {"OnlineHelpItem", [] { return MakerPage("/google-help.htm?utm_nooverride=1"); }},
    {"OnlineForumItem", [] { return MakerPage("/forum/?utm_nooverride=1"); }},
    {"SEOTutorialItem",
     [] { return MakerPage("/en/seo-ebook.htm?from=serplow&utm_nooverride=1"); }},
    {"TellAFriendItem", TellAFriendLink},
    {"ToolButtonTweet", TweetLink},
    {"FollowTwitterItem", [] { return std::string("http://twitter.com/tarvenixco"); }},
}};
static_assert(kLinkCommands.size() == 7, "one row per link command of the window");

bool IsWebAddress(std::string_view url) {
    for (const std::string_view scheme : {"http://", "https://"})
        if (url.size() > scheme.size() && runtime::SameText(url.substr(0, scheme.size()), scheme))
            return true;
    return false;
}

int IndexOfKeyword(const core::TKeywordList& list, const core::TKeyword* keyword) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.Items(i) == keyword) return i;
    return -1;
}

void FillDialogKeywordNames(TForm2& dialog, const core::TKeywordList& keywords) {
    std::vector<std::u16string> names;
    names.reserve(static_cast<size_t>(keywords.Count()));
    for (int i = 0; i < keywords.Count(); ++i) names.push_back(keywords.Items(i)->Name);
    dialog.SetKeywords(names);
}

void ShowDialogPage(TForm2& dialog, const char* caption) {
    for (gui::TTabSheet* page : {dialog.TabSheet1, dialog.TabSheet2})
        if (page != nullptr && page->Text() == caption) dialog.PageControl1->SetActivePage(page);
}

}  // namespace

void TForm1::AddCommandHandlers(runtime::TClassBuilder<TForm1, TVistaForm>& builder) {
    using Self = TForm1;
    RUNTIME_HANDLER(ActionSearchExecute);
    RUNTIME_HANDLER(ActionAddURLExecute);
    RUNTIME_HANDLER(ActionDeleteURLExecute);
    RUNTIME_HANDLER(ActionKeywordsExecute);
    RUNTIME_HANDLER(ActionNotesExecute);
    RUNTIME_HANDLER(BarXItem27Click);
    RUNTIME_HANDLER(BarXItem28Click);
    RUNTIME_HANDLER(Export1Click);
    RUNTIME_HANDLER(ExporttoCSV1Click);
    RUNTIME_HANDLER(BarXItem30Click);
    RUNTIME_HANDLER(BarXItem29Click);
    RUNTIME_HANDLER(Exporttoclipboard1Click);
    RUNTIME_HANDLER(ExporttoCSV2Click);
    RUNTIME_HANDLER(VisitURL1Click);
    RUNTIME_HANDLER(Label4Click);
    RUNTIME_HANDLER(Label5Click);
    RUNTIME_HANDLER(Label7Click);
    RUNTIME_HANDLER(LinkCommandClick);
}

// ---- keywords of the dialog -----------------------------------------------------------------

void ApplyKeywordNames(core::TSite& site, const std::vector<std::u16string>& names) {
    core::TKeywordList& keywords = site.Keywords;
    const size_t rows = names.size();
    std::vector<core::TKeyword*> matched(rows, nullptr);
    std::vector<bool> kept(static_cast<size_t>(keywords.Count()), false);
    auto match = [&](bool exact) {
        for (size_t r = 0; r < rows; ++r) {
            for (int k = 0; k < keywords.Count() && matched[r] == nullptr; ++k) {
                core::TKeyword* keyword = keywords.Items(k);
                const bool same = exact ? keyword->Name == names[r]
                                        : runtime::WideSameText(keyword->Name, names[r]);
                if (kept[static_cast<size_t>(k)] || !same) continue;
                kept[static_cast<size_t>(k)] = true;
                matched[r] = keyword;
            }
        }
    };
    // A row keeps the keyword of its exact name first; only then does a
    // row in other letter case claim a keyword left over, which it renames.
    match(true);
    match(false);
    for (size_t r = 0; r < rows; ++r)
        if (matched[r] != nullptr) matched[r]->Name = names[r];
    for (int k = keywords.Count() - 1; k >= 0; --k)
        if (!kept[static_cast<size_t>(k)]) keywords.Delete(k);
    core::CurrentKeyword = nullptr;
    for (size_t r = 0; r < rows; ++r) {
        if (matched[r] != nullptr || names[r].empty()) continue;
        bool known = false;
        for (int k = 0; k < keywords.Count() && !known; ++k)
            known = runtime::WideSameText(keywords.Items(k)->Name, names[r]);
        if (!known) site.AddKeyword(names[r]);
    }
}

bool TForm1::EditProjectProperties() {
    if (Form2 == nullptr || core::CurrentSite == nullptr) return false;
    core::TSite& site = *core::CurrentSite;
    FillDialogKeywordNames(*Form2, site.Keywords);
    Form2->Memo1->SetTextW(site.Notes);
    if (Form2->ShowModal() != gui::mrOk) return false;
    // The rows point into the keywords that may go.
    core::Options->TreeEventsEnabled = false;
    GtTree2->Items().Clear();
    GtTree1->Items().Clear();
    ApplyKeywordNames(site, Form2->Keywords());
    site.Notes = Form2->Memo1->TextW();
    FillKeywordTree();
    PageControl1->SetActivePage(TabSheet1);
    return true;
}

void TForm1::ActionKeywordsExecute(runtime::TObject*) {
    EditProjectPage(kKeywordsPage);
}

void TForm1::ActionNotesExecute(runtime::TObject*) {
    EditProjectPage(kNotesPage);
}

void TForm1::EditProjectPage(const char* caption) {
    if (core::CurrentSite == nullptr) {
        Say(*this, SNoSiteForKeywords, u"Info", kInformation);
        ActionAddURLExecute(this);
        return;
    }
    if (Form2 != nullptr) ShowDialogPage(*Form2, caption);
    EditProjectProperties();
}

// ---- sites ----------------------------------------------------------------------------------

void TForm1::ActionAddURLExecute(runtime::TObject*) {
    if (Form3 == nullptr) return;
    Form3->LabeledEdit1->SetText("");
    if (Form3->ShowModal() != gui::mrOk) return;
    // Spaces around a pasted address are no part of it.
    const std::string url = runtime::Trim(Form3->LabeledEdit1->Text());
    if (url.empty()) return;
    const int existing = core::Sites->FindURL(url);
    if (existing < 0) {
        core::TSite& site = core::Sites->Add(std::make_unique<core::TSite>(url));
        core::CurrentSite = &site;
        ComboBox1->Items()->Insert(0, url);
        ComboBox1->SetItemIndex(0);
    } else {
        core::CurrentSite = core::Sites->Items(existing);
        for (int i = 0; i < ComboBox1->Items()->Count(); ++i)
            if (ComboBox1->Items()->Strings(i) == url) ComboBox1->SetItemIndex(i);
    }
    core::CurrentKeyword = nullptr;
    PageControl1->SetActivePage(TabSheet1);
    FillKeywordTree();
    ActionKeywordsExecute(this);
}

void TForm1::ActionDeleteURLExecute(runtime::TObject*) {
    if (core::Sites == nullptr || core::Sites->Count() == 0) return;
    if (Say(*this, SDeleteURL, u"Confirm", kQuestion) != IDYES) return;
    int index = -1;
    for (int i = 0; i < core::Sites->Count() && index < 0; ++i)
        if (core::Sites->Items(i) == core::CurrentSite) index = i;
    if (index < 0) index = std::max(core::Sites->FindURL(ComboBox1->Text()), 0);
    const std::string url = core::Sites->Items(index)->URL;

    // The rows point into the site that goes.
    core::Options->TreeEventsEnabled = false;
    GtTree2->Items().Clear();
    GtTree1->Items().Clear();
    core::CurrentKeyword = nullptr;
    core::CurrentSite = nullptr;
    core::Sites->Delete(index);
    const int entry = ComboBox1->Items()->IndexOf(url);
    if (entry >= 0) ComboBox1->Items()->Delete(entry);

    if (core::Sites->Count() > 0) {
        ComboBox1->SetItemIndex(0);
        core::CurrentSite =
            core::Sites->Items(std::max(core::Sites->FindURL(ComboBox1->Text()), 0));
        FillKeywordTree();
    } else {
        ComboBox1->Items()->Clear();
        ShowStatus(KeywordStatusText(0, 0));
        PageControl1->SetActivePage(TabSheet2);
    }
}

// ---- the check ------------------------------------------------------------------------------

void TForm1::ActionSearchExecute(runtime::TObject*) {
    // The check lets messages in while it runs: a second Search (a key, a
    // button of another window) is no second check.
    if (searching_ || core::CheckRunning()) return;
    if (core::CurrentSite == nullptr) {
        Say(*this, SAddURLFirst, u"Information", kInformation);
        ActionAddURLExecute(this);
        return;
    }
    if (core::CurrentSite->Keywords.Count() == 0) {
        Say(*this, SAddKeywordFirst, u"Information", kInformation);
        ActionKeywordsExecute(this);
        return;
    }
    const controls::tree::TGtTreeItem* selected = GtTree1->Selected();
    const std::u16string remembered = selected != nullptr ? selected->Text() : std::u16string();

    searching_ = true;
    struct TSearching {
        TForm1& form;
        ~TSearching() {
            form.searching_ = false;
            if (form.Form6 != nullptr && form.Form6->Visible()) form.Form6->Hide();
        }
    } searching{*this};
    core::TSite& site = *core::CurrentSite;
    if (Form6 != nullptr) {
        Form6->ProgressBar1->SetMax(site.Keywords.ActiveCount() + 1);
        Form6->ProgressBar1->SetPosition(1);
        Form6->Show();
    }
    gui::Application->ProcessMessages();
    core::CheckSite(site);
    // The window closed during the check: its sites are gone.
    if (core::Options == nullptr || core::Options->Closing || core::Sites == nullptr) return;
    if (core::Options->CheckForNewVersion && core::CheckNewVersion()) {
        const HWND owner = MessageOwner(core::MessageOwner::CheckProgress);
        if (gui::Desktop().MessageBox(owner, runtime::AnsiToWide(core::NewVersionText),
                                      u"New version is available", kQuestion) == IDYES)
            OpenLink(MakerHomePage());
    }
    if (Form6 != nullptr) Form6->Hide();
    FillKeywordTree();
    SelectAfterCheck(remembered);
    ShowPendingNews();
}

void TForm1::ShowPendingNews() {
    core::TOptions& options = *core::Options;
    if (options.SkipNews || !options.NeedToShowNews) return;
    options.NeedToShowNews = false;
    // The page is kept in the temporary folder: news fetched before a
    // restart shows with its text too.
    std::string html = options.NewsText;
    if (html.empty() && runtime::os::FileExists(core::NewsFileName())) {
        runtime::TFileStream file(core::NewsFileName(), runtime::fmOpenRead);
        html.resize(static_cast<size_t>(file.Size()));
        file.ReadBuffer(html.data(), static_cast<int64_t>(html.size()));
    }
    if (!html.empty()) ShowNews(html);
    options.Save();
}

void TForm1::SelectAfterCheck(const std::u16string& remembered) {
    const controls::tree::TGtTreeItems& rows = GtTree1->Items();
    controls::tree::TGtTreeItem* row = nullptr;
    for (int i = 0; i < rows.Count() && row == nullptr && !remembered.empty(); ++i)
        if (runtime::WideSameText(rows.Item(i)->Text(), remembered)) row = rows.Item(i);
    for (int i = 0; i < rows.Count() && row == nullptr; ++i)
        if (rows.Item(i)->Checked()) row = rows.Item(i);
    if (row == nullptr) return;
    // Chosen as a click chooses it: the one selected row, focused, its
    // results shown.
    GtTree1->DeselectAll();
    if (GtTree1->ItemFocused() == row)
        row->SetSelected(true);
    else
        GtTree1->SetItemFocused(row);
    GtTree1->SetSelected(row);
    GtTree1->EnsureVisible(row);
}

// ---- backup and restore ---------------------------------------------------------------------

void TForm1::WithProjectProgress(const std::function<void()>& work) {
    auto progress = std::unique_ptr<TForm10>(&gui::NewForm<TForm10>(*this));
    projectProgress_ = progress.get();
    progress->Show();
    const bool enabled = Enabled();
    SetEnabled(false);
    struct TDone {
        TForm1& form;
        bool enabled;
        ~TDone() {
            form.projectProgress_ = nullptr;
            form.SetEnabled(enabled);
        }
    } done{*this, enabled};
    gui::Application->ProcessMessages();
    work();
}

void TForm1::BarXItem27Click(runtime::TObject*) {
    const std::optional<std::u16string> target = ChooseFile(kBackupChoice);
    if (!target) return;
    if (projectMaySave_) {
        // What the user sees now is what is kept, not the file as the last
        // close wrote it.
        WithProjectProgress([&] { core::SaveProject(*target); });
    } else {
        // The project did not load: the window holds none of it, and the
        // file the user has is what a backup must keep.
        const std::u16string project = ProjectFileName();
        if (!runtime::os::CopyFile(project, *target, false))
            throw runtime::Exception("Unable to copy the project to " +
                                     runtime::WideToAnsi(*target));
    }
    Say(*this, SBackupDone, u"Backup is completed", kInformation);
}

void TForm1::BarXItem28Click(runtime::TObject*) {
    const std::optional<std::u16string> source = ChooseFile(kRestoreChoice);
    if (!source) return;
    runtime::TDateTime age = 0;
    const std::string created =
        runtime::os::FileAge(*source, age) ? runtime::FormatDateTime("ddddd tt", age) : "?";
    const std::string question =
        "Do you want to abandon the current contents of Serplow's project and restore the "
        "contents of the backup (created at: " +
        created + ")?";
    if (Say(*this, question, u"Confirm restore", kQuestion) == IDNO) return;
    RestoreProject(*source);
}

void TForm1::RestoreProject(const std::u16string& fileName) {
    // The file is read and checked before anything of the project changes;
    // a file that is no project leaves the project, its file and the
    // selection as they were.
    core::TSite* const site = core::CurrentSite;
    const bool maySave = core::ProjectMaySave;
    auto keepProject = [&] {
        core::CurrentSite = site;
        core::ProjectMaySave = maySave;
        FillKeywordTree();
    };
    // The rows point into the sites a load replaces.
    core::Options->TreeEventsEnabled = false;
    GtTree2->Items().Clear();
    GtTree1->Items().Clear();
    bool loaded = false;
    try {
        WithProjectProgress(
            [&] { loaded = core::LoadProject(fileName, core::ProjectBackup::None); });
    } catch (...) {
        keepProject();
        throw;
    }
    if (!loaded) {
        keepProject();
        return;
    }
    const std::u16string project = ProjectFileName();
    const std::u16string incoming = project + u".restoring";
    // Copied beside it first, so that the project file is whole at every
    // moment (also when the backup chosen is the project file itself).
    if (!runtime::os::CopyFile(fileName, incoming, false) ||
        !runtime::os::RenameFileReplacing(incoming, project)) {
        (void)runtime::os::DeleteFile(incoming);
        // The restored project is shown all the same, and saved at close.
        throw runtime::Exception("Unable to replace the project file " +
                                 runtime::WideToAnsi(project));
    }
    projectMaySave_ = true;
    PageControl1->SetActivePage(core::Sites->Count() > 0 ? TabSheet1 : TabSheet2);
    Say(*this, SRestoreDone, u"Restore is completed", kInformation);
}

// ---- the keyword menu -----------------------------------------------------------------------

void TForm1::Export1Click(runtime::TObject*) {
    if (core::CurrentSite == nullptr) return;
    const core::TKeywordList& keywords = core::CurrentSite->Keywords;
    std::u16string text;
    for (int i = 0; i < keywords.Count(); ++i) {
        if (i > 0) text += u"\r\n";
        text += KeywordExportLine(*keywords.Items(i), TExportKind::Clipboard);
    }
    if (core::OldWindows)
        gui::Clipboard().SetAsText(runtime::WideToUtf8(text));
    else
        gui::Clipboard().SetAsWideText(text);
}

void TForm1::ExporttoCSV1Click(runtime::TObject*) {
    if (core::CurrentSite == nullptr) return;
    const std::optional<std::u16string> target = ChooseFile(kCsvChoice);
    if (!target) return;
    const core::TKeywordList& keywords = core::CurrentSite->Keywords;
    std::u16string text;
    for (int i = 0; i < keywords.Count(); ++i)
        text += KeywordExportLine(*keywords.Items(i), TExportKind::Csv) + u"\r\n";
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    WriteWholeFile(*target, bytes);
}

void TForm1::BarXItem30Click(runtime::TObject*) {
    std::u16string text;
    for (controls::tree::TGtTreeItem* row = GtTree1->GetNextSelected(nullptr); row != nullptr;
         row = GtTree1->GetNextSelected(row)) {
        if (!text.empty()) text += u"\r\n";
        text += row->Text();
    }
    if (!text.empty()) gui::Clipboard().SetAsWideText(text);
}

void TForm1::BarXItem29Click(runtime::TObject*) {
    if (core::CurrentSite == nullptr || GtTree1->SelectedCount() == 0) return;
    if (Say(*this, SDeleteKeywords, u"Confirm", kQuestion) != IDYES) return;
    std::vector<core::TKeyword*> doomed;
    for (controls::tree::TGtTreeItem* row = GtTree1->GetNextSelected(nullptr); row != nullptr;
         row = GtTree1->GetNextSelected(row))
        if (core::TKeyword* keyword = KeywordOf(row)) doomed.push_back(keyword);
    core::Options->TreeEventsEnabled = false;
    GtTree2->Items().Clear();
    GtTree1->Items().Clear();
    core::CurrentKeyword = nullptr;
    // By the row's own keyword: two keywords of one name (an old project)
    // are two rows, and each row takes its own.
    core::TKeywordList& keywords = core::CurrentSite->Keywords;
    for (const core::TKeyword* keyword : doomed) {
        const int index = IndexOfKeyword(keywords, keyword);
        if (index >= 0) keywords.Delete(index);
    }
    FillKeywordTree();
}

// ---- the result menu ------------------------------------------------------------------------

void TForm1::Exporttoclipboard1Click(runtime::TObject*) {
    if (core::CurrentKeyword == nullptr) return;
    const core::TLinkList& links = core::CurrentKeyword->Links;
    std::string text;
    for (int i = 0; i < links.Count(); ++i) text.append(links.Links(i)->Name()).append("\r\n");
    gui::Clipboard().SetAsText(text);
}

void TForm1::ExporttoCSV2Click(runtime::TObject*) {
    if (core::CurrentKeyword == nullptr) return;
    const std::optional<std::u16string> target = ChooseFile(kCsvChoice);
    if (!target) return;
    const core::TLinkList& links = core::CurrentKeyword->Links;
    std::string text;
    for (int i = 0; i < links.Count(); ++i)
        text +=
            std::to_string(i + 1) + "; " + CsvField(std::string(links.Links(i)->Name())) + "\r\n";
    WriteWholeFile(*target, text);
}

void TForm1::VisitURL1Click(runtime::TObject*) {
    // The row's own link, wherever a sort has put the row.
    const controls::tree::TGtTreeItem* row = GtTree2->Selected();
    const auto* link = row != nullptr ? static_cast<const core::TLink*>(row->Data) : nullptr;
    if (link == nullptr) return;
    const std::string url(link->Name());
    // The address came from a result page: nothing but a web page opens.
    if (!IsWebAddress(url)) {
        Say(*this, SNotAWebAddress + url, u"Information", kInformation);
        return;
    }
    OpenLink(url);
}

// ---- links ----------------------------------------------------------------------------------

void TForm1::Label4Click(runtime::TObject*) {
    OpenLink(MakerPage(kFaqTopic));
}

void TForm1::Label7Click(runtime::TObject*) {
    ActionAddURLExecute(this);
}

void TForm1::LinkCommandClick(runtime::TObject* sender) {
    const auto* component = dynamic_cast<const runtime::TComponent*>(sender);
    if (component == nullptr) return;
    for (const TLinkCommand& command : kLinkCommands)
        if (component->Name() == command.Item) OpenLink(command.Target());
}

void TForm1::Label5Click(runtime::TObject*) {
    const controls::tree::TGtTreeItem* row = GtTree1->Selected();
    const core::TKeyword* keyword = KeywordOf(row);
    if (keyword == nullptr) {
        Say(*this, SSelectKeywordFirst, u"Information", kInformation);
        return;
    }
    if (keyword->Date == 0) {
        Say(*this, SNeverChecked, u"Information", kInformation);
        return;
    }
    const core::TOptions& options = *core::Options;
    const std::string lines[] = {
        std::string("*** Please send this report to ") + MakerSupportAddress + " ***",
        "*** Do not change the contents of this report ***",
        "*** Thank you very much for your efforts in helping us to keep the results accurate! "
        "***",
        "",
        "*** IMPORTANT! ***",
        "*** Please read this topic before sending the report: ***",
        "*** " + MakerPage(kFaqTopic) + " ***",
        "",
        std::string("Product: ") + ProgramName,
        std::string("Version info: ") + ProgramVersion,
        "Active Google: " + runtime::os::ExtractFileName(options.SEFileName),
    };
    std::u16string report;
    for (const std::string& line : lines) report += runtime::AnsiToWide(line) + u"\r\n";
    // The keyword in its own characters: the mail carries UTF-8.
    report += u"Selected keyword: " + row->Text() + u"\r\n";
    report += runtime::AnsiToWide("Date: " + runtime::FormatDateTime("ddddd tt", runtime::Now()) +
                                  "\r\n");
    report += runtime::AnsiToWide(
        "Last search performed at: " + runtime::FormatDateTime("ddddd tt", keyword->Date) + "\r\n");
    if (options.GoogleKeyActive) report += u">Google API key is used\r\n";
    OpenLink(MailLink(MakerSupportAddress, u"[SE bug report] No results", report));
}

}  // namespace ui
