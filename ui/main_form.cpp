#include "ui/main_form.h"

#include <algorithm>

#include "core/engines.h"
#include "core/old_windows.h"
#include "core/options.h"
#include "core/project_file.h"
#include "core/script_host.h"
#include "core/search.h"
#include "core/single_instance_win.h"
#include "core/site.h"
#include "core/soap_client.h"
#include "core/state.h"
#include "gui/desktop.h"
#include "gui/dialogs.h"
#include "gui/screen.h"
#include "runtime/os/files.h"
#include "runtime/properties.h"
#include "runtime/strings.h"
#include "script/script.h"
#include "ui/about_form.h"
#include "ui/addurl_form.h"
#include "ui/engine_selector.h"
#include "ui/first_run_form.h"
#include "ui/links.h"
#include "ui/progress_form.h"
#include "ui/project_form.h"
#include "ui/project_progress_form.h"

namespace ui {

namespace {

// How far the hidden-tab page controls reach past their panel, so that the
// frame the tab control draws around its pages stays out of sight.
constexpr int kPageFrameLeft = 4;
constexpr int kPageFrameTop = 6;
constexpr int kPageFrameExtraWidth = 7;
constexpr int kPageFrameExtraHeight = 10;
// The top-results link keeps this far from the status bar's right edge.
constexpr int kTopLabelRightMargin = 20;
// The web address owns the status bar's first panel: the panel grows to
// hold it, with the same space after it as before it.
constexpr int kStatusLinkPanel = 0;

// A rectangle moved (and shrunk where needed) to lie wholly in `area`.
gui::TRect FitInto(const gui::TRect& r, const gui::TRect& area) {
    const int width = std::min(r.Width(), area.Width());
    const int height = std::min(r.Height(), area.Height());
    const int left = std::clamp(r.Left, area.Left, area.Right - width);
    const int top = std::clamp(r.Top, area.Top, area.Bottom - height);
    return gui::BoundsRect(left, top, width, height);
}

// Fills the hidden-tab page control over its panel and centres the message
// panel of its empty page.
void PlacePages(const gui::TPanel& panel, gui::TPageControl& pages, gui::TPanel& message) {
    pages.SetBounds(-kPageFrameLeft, -kPageFrameTop, panel.Width() + kPageFrameExtraWidth,
                    panel.Height() + kPageFrameExtraHeight);
    message.SetBounds((panel.Width() - message.Width()) / 2,
                      (panel.Height() - message.Height()) / 2, message.Width(), message.Height());
}

}  // namespace

std::string KeywordStatusText(int keywords, int checked) {
    return "Keywords: " + std::to_string(keywords) + " | Checked: " + std::to_string(checked);
}

RUNTIME_BEGIN_CLASS(TForm1, TVistaForm)
RUNTIME_HANDLER(FormCreate);
RUNTIME_HANDLER(FormShow);
RUNTIME_HANDLER(FormClose);
RUNTIME_HANDLER(FormDestroy);
RUNTIME_HANDLER(FormResize);
RUNTIME_HANDLER(Panel1Resize);
RUNTIME_HANDLER(Panel3Resize);
RUNTIME_HANDLER(StatusLinkClick);
RUNTIME_HANDLER(TopLabelClick);
RUNTIME_HANDLER(ComboBox1Change);
RUNTIME_HANDLER(ActionExitExecute);
RUNTIME_HANDLER(About1Click);
RUNTIME_HANDLER(GtTree1ItemDraw);
RUNTIME_HANDLER(GtTree1CompareItems);
RUNTIME_HANDLER(GtTree1ItemChecked);
RUNTIME_HANDLER(GtTree1ItemSelectedChange);
RUNTIME_HANDLER(GtTree1Resize);
RUNTIME_HANDLER(GtTree2Resize);
RUNTIME_HANDLER(PopupMenu1Popup);
RUNTIME_HANDLER(PopupMenu2Popup);
RUNTIME_HANDLER(ActionCheckExecute);
RUNTIME_HANDLER(ActionCheckAllExecute);
RUNTIME_HANDLER(ActionUncheckAllExecute);
TForm1::AddCommandHandlers(builder);
// main_form_dialogs.cpp
RUNTIME_HANDLER(ActionOptionsExecute);
RUNTIME_HANDLER(ActionRegisterWithGoogleExecute);
RUNTIME_HANDLER(NewsfromTarvenixco1Click);
RUNTIME_END_CLASS

TForm1::TForm1(runtime::TComponent* owner, TProgramFolders folders)
    : TVistaForm(owner), folders_(std::move(folders)) {
    Bind(MainMenu1, "MainMenu1");
    Bind(ToolBar1, "ToolBar1");
    Bind(Label1, "Label1");
    Bind(ComboBox1, "ComboBox1");
    Bind(ToolButtonTweet, "ToolButtonTweet");
    Bind(StatusBar1, "StatusBar1");
    Bind(StatusLink, "StatusLink");
    Bind(TopLabel, "TopLabel");
    Bind(Panel3, "Panel3");
    Bind(PageControl1, "PageControl1");
    Bind(TabSheet1, "TabSheet1");
    Bind(TabSheet2, "TabSheet2");
    Bind(GtTree1, "GtTree1");
    Bind(Splitter1, "Splitter1");
    Bind(Panel1, "Panel1");
    Bind(PageControl2, "PageControl2");
    Bind(TabSheet3, "TabSheet3");
    Bind(TabSheet4, "TabSheet4");
    Bind(GtTree2, "GtTree2");
    Bind(Panel2, "Panel2");
    Bind(Panel4, "Panel4");
    Bind(Label4, "Label4");
    Bind(Label5, "Label5");
    Bind(Label7, "Label7");
    Bind(ActionAddURL, "ActionAddURL");
    Bind(ActionDeleteURL, "ActionDeleteURL");
    Bind(ActionKeywords, "ActionKeywords");
    Bind(ActionNotes, "ActionNotes");
    Bind(ActionSearch, "ActionSearch");
    Bind(ActionOptions, "ActionOptions");
    Bind(ActionExit, "ActionExit");
    Bind(ActionRegisterWithGoogle, "ActionRegisterWithGoogle");
    Bind(ActionCheck, "ActionCheck");
    Bind(ActionCheckAll, "ActionCheckAll");
    Bind(ActionUncheckAll, "ActionUncheckAll");
    Bind(PopupMenu1, "PopupMenu1");
    Bind(PopupMenu2, "PopupMenu2");
    Bind(CheckItem, "CheckItem");
    Bind(ImageList16, "ImageList16");
    Bind(ImageList32, "ImageList32");
    Bind(ImageList3, "ImageList3");
    Bind(VistaAltFix1, "VistaAltFix1");
    Bind(scScript1, "scScript1");
}

TForm1::~TForm1() = default;

void TForm1::SetDialogs(TForm2* projectProperties, TForm3* addURL, TForm4* about,
                        TForm6* progress) {
    Form2 = projectProperties;
    Form3 = addURL;
    Form4 = about;
    Form6 = progress;
    for (runtime::TComponent* dialog :
         std::initializer_list<runtime::TComponent*>{projectProperties, addURL, about, progress})
        if (dialog != nullptr) dialog->FreeNotification(this);
}

void TForm1::Notification(runtime::TComponent* component, runtime::TOperation operation) {
    TVistaForm::Notification(component, operation);
    if (operation != runtime::opRemove) return;
    if (component == Form2) Form2 = nullptr;
    if (component == Form3) Form3 = nullptr;
    if (component == Form4) Form4 = nullptr;
    if (component == Form6) Form6 = nullptr;
    if (component == projectProgress_) projectProgress_ = nullptr;
}

void TForm1::CreateHandleDone() {
    TVistaForm::CreateHandleDone();
    // The class library attaches the menu bar once the window exists, which
    // takes its height from the client area without a new layout.
    Realign();
    HINSTANCE module = GetModuleHandleW(nullptr);
    for (const auto& [which, metric] :
         {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
        const int size = GetSystemMetrics(metric);
        // Shared icons live as long as the program: nothing to free.
        HANDLE icon = LoadImageW(module, L"MAINICON", IMAGE_ICON, size, size, LR_SHARED);
        if (icon != nullptr)
            SendMessageW(WindowHandle(), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

// ---- creation ------------------------------------------------------------------------------

void TForm1::FormCreate(runtime::TObject*) {
    // The hook holds what it calls, not this form: the window's last
    // messages (WM_DESTROY, WM_NCDESTROY) come while the form's base class
    // destroys the window, after this part of the form is gone.
    SetWindowProc(
        [inherited = WindowProc()](gui::TMessage& msg) { FormWindowProc(msg, inherited); });
    SetUpTrees();
    core::CheckOldWindows();
    StatusLink->SetText(MakerWebAddress);
    FitStatusLinkPanel();
    Label4->SetText(std::string("Open the FAQ section at ") + MakerWebAddress);

    core::Sites = std::make_unique<core::TSiteList>();
    core::CurrentSite = nullptr;
    core::CurrentKeyword = nullptr;
    core::ExeDir = folders_.ExeDir;
    // The settings apply the stored column widths through the callbacks.
    InstallCoreCallbacks();
    core::Options = std::make_unique<core::TOptions>(folders_.DataDir);
    core::Options->UINotReady = true;
    firstStart_ = core::Options->FirstRun;

    core::EngineList = core::LoadSearchEngines();
    if (core::EngineList->Count() == 0) {
        gui::Desktop().MessageBox(nullptr, runtime::AnsiToWide(SNoSearchEngines),
                                  runtime::AnsiToWide(core::ApplicationTitle),
                                  MB_OK | MB_ICONERROR);
        // Nothing of this start is written: not the settings, not the
        // placement of a window never shown.
        core::Callbacks = {};
        throw EStartupEnded(SNoSearchEngines);
    }
    if (core::Options->FirstRun) RunFirstRun();
    UpdateTopLabel();

    soapClient_ = std::make_unique<core::TSoapClient>();
    core::SetSoapClient(soapClient_.get());
    core::RegisterScriptHost(*scScript1);
    script::GlobalScript()->DeclareForm(*this);
    core::ChooseEngine();
    core::ScriptLock = std::make_unique<runtime::TCriticalSection>();

    GtTree1->SetWidth(core::Options->Splitter);
    PageControl2->SetActivePage(TabSheet4);
    if (runtime::os::FileExists(ProjectFileName()))
        LoadProjectAtStart();
    else
        PageControl1->SetActivePage(TabSheet2);
}

void TForm1::RunFirstRun() {
    core::TOptions& options = *core::Options;
    std::unique_ptr<TForm11> dialog(&gui::NewForm<TForm11>(*this));
    dialog->SpinEdit1->SetAsInteger(options.SearchResults);
    dialog->ComboBox1->SelectEntry(EngineEntryText(options.Country, options.Lang));
    dialog->ShowModal();
    // Whatever closed the dialog, its values are the settings now.
    options.SearchResults = dialog->SpinEdit1->GetAsInteger();
    const std::string entry = dialog->ComboBox1->Text();
    options.Country = CountryOfEntry(entry);
    options.Lang = LangOfEntry(entry);
    options.SEFileName = dialog->ComboBox1->EngineFile();
    options.FirstRun = false;
    options.Save();
}

std::u16string TForm1::ProjectFileName() const {
    return core::Options->DataDir + u"project.spj";
}

void TForm1::LoadProjectAtStart() {
    auto progress = std::unique_ptr<TForm10>(&gui::NewForm<TForm10>(*this));
    projectProgress_ = progress.get();
    progress->Show();
    bool loaded = false;
    try {
        gui::Application->ProcessMessages();
        loaded = core::LoadProject(ProjectFileName());
    } catch (...) {
        projectProgress_ = nullptr;
        progress.reset();
        // The program-wide error handling reports what went wrong.
        gui::Application->HandleException(this);
        ProjectNotLoaded();
        return;
    }
    projectProgress_ = nullptr;
    progress.reset();
    if (!loaded) {
        // The core has said why (a file of no known format).
        ProjectNotLoaded();
        return;
    }
    PageControl1->SetActivePage(TabSheet1);
}

void TForm1::ProjectNotLoaded() {
    projectMaySave_ = false;
    PageControl1->SetActivePage(TabSheet2);
    ShowStatus("Project not loaded");
    gui::Desktop().MessageBox(nullptr, runtime::AnsiToWide(SProjectNotLoaded), u"Information",
                              MB_OK | MB_ICONINFORMATION);
}

// ---- showing -------------------------------------------------------------------------------

void TForm1::FormShow(runtime::TObject*) {
    PlaceFromSettings();
    FormResize(this);
    core::Options->UINotReady = false;
    GtTree1->Invalidate();
}

void TForm1::PlaceFromSettings() {
    const core::TOptions& options = *core::Options;
    gui::TRect wanted =
        firstStart_ ? gui::BoundsRect(Left(), Top(), Width(), Height())
                    : gui::BoundsRect(options.PosX, options.PosY, options.SizeX, options.SizeY);
    const gui::TSizeLimits& limits = Constraints()->Limits();
    wanted.Right = wanted.Left + std::max(wanted.Width(), limits.MinWidth);
    wanted.Bottom = wanted.Top + std::max(wanted.Height(), limits.MinHeight);
    const gui::TRect area = gui::Screen != nullptr ? gui::Screen->WorkAreaFor(wanted) : wanted;
    if (firstStart_) {
        // The first start: the designed size in the middle of the screen.
        wanted = gui::BoundsRect(area.Left + (area.Width() - wanted.Width()) / 2,
                                 area.Top + (area.Height() - wanted.Height()) / 2, wanted.Width(),
                                 wanted.Height());
    }
    // A monitor that held the window may be gone: the window comes back
    // whole on the nearest one there is.
    SetBoundsRect(FitInto(wanted, area));
    if (options.Maximized) SetWindowState(gui::wsMaximized);
}

void TForm1::FormResize(runtime::TObject*) {
    FitStatusLinkPanel();
    UpdateTopLabel();
}

void TForm1::FitStatusLinkPanel() {
    // A larger font (a larger screen setting) widens the address past the
    // designed width; the panel grows with it and never shrinks below it.
    gui::TStatusPanel* panel = StatusBar1->Panels()->Items(kStatusLinkPanel);
    panel->SetWidth(std::max(panel->Width(), StatusLink->Left() * 2 + StatusLink->Width()));
}

void TForm1::UpdateTopLabel() {
    if (core::Options == nullptr) return;
    TopLabel->SetText("Top " + std::to_string(core::Options->SearchResults) +
                      " results are shown. Click here to change the defaults.");
    TopLabel->SetLeft(StatusBar1->Width() - TopLabel->Width() - kTopLabelRightMargin);
}

void TForm1::Panel1Resize(runtime::TObject*) {
    PlacePages(*Panel1, *PageControl2, *Panel4);
}

void TForm1::Panel3Resize(runtime::TObject*) {
    PlacePages(*Panel3, *PageControl1, *Panel2);
}

void TForm1::ShowStatus(const std::string& text) {
    StatusBar1->Panels()->Items(1)->SetText(text);
}

// ---- the single-instance answer and links ----------------------------------------------------

void TForm1::FormWindowProc(gui::TMessage& msg, const gui::TWndMethod& inherited) {
    if (core::SwitchAppMessage != 0 && msg.Msg == core::SwitchAppMessage) {
        // Another copy was started: this one comes to the front instead.
        gui::Application->Restore();
        gui::Application->BringToFront();
        msg.Result = 0;
        return;
    }
    inherited(msg);
}

void TForm1::StatusLinkClick(runtime::TObject*) {
    OpenLink(MakerHomePage());
}

void TForm1::TopLabelClick(runtime::TObject*) {
    ActionOptions->Execute();
}

void TForm1::ComboBox1Change(runtime::TObject*) {
    if (ComboBox1->Items()->Count() == 0 || core::Sites == nullptr || core::Sites->Count() == 0)
        return;
    const int index = core::Sites->FindURL(ComboBox1->Text());
    core::CurrentSite = core::Sites->Items(std::max(index, 0));
    FillKeywordTree();
}

void TForm1::ActionExitExecute(runtime::TObject*) {
    Close();
}

void TForm1::About1Click(runtime::TObject*) {
    if (Form4 != nullptr) Form4->ShowModal();
}

// ---- closing -------------------------------------------------------------------------------

void TForm1::FormClose(runtime::TObject*, runtime::TCloseAction& action) {
    // A close asked for while the first one still saves.
    if (core::Options == nullptr || core::Options->Closing) {
        action = runtime::caNone;
        return;
    }
    core::Options->Closing = true;
    core::Options->UINotReady = true;
    // A check may run below this close (its loop lets messages in): it
    // stops, and its workers end before the sites go.
    core::AbortCheck();
    if (projectMaySave_) SaveAtClose();

    // The rows point into the sites.
    core::Options->TreeEventsEnabled = false;
    GtTree2->Items().Clear();
    GtTree1->Items().Clear();
    // Freeing a large project takes long: the window need not wait for it.
    core::ReleaseProject();
    core::ScriptLock.reset();
}

void TForm1::SaveAtClose() {
    for (;;) {
        ShowStatus("Saving... please wait");
        StatusBar1->Repaint();
        auto progress = std::unique_ptr<TForm10>(&gui::NewForm<TForm10>(*this));
        projectProgress_ = progress.get();
        progress->Show();
        SetEnabled(false);
        gui::Application->ProcessMessages();
        std::string failure;
        try {
            core::SaveProject(ProjectFileName());
        } catch (const runtime::Exception& e) {
            failure = e.Message();
        } catch (const std::exception& e) {
            failure = e.what();
        }
        projectProgress_ = nullptr;
        progress.reset();
        if (failure.empty()) return;
        // The save left the file as it was; the user decides.
        SetEnabled(true);
        ShowStatus("Project not saved");
        const int answer = gui::Desktop().MessageBox(
            HandleAllocated() ? WindowHandle() : nullptr,
            runtime::AnsiToWide("Unable to save the project:\r\n" + failure +
                                "\r\n\r\nChoose Retry to try again, or Cancel to close Serplow "
                                "without saving."),
            u"Error", MB_RETRYCANCEL | MB_ICONERROR);
        if (answer != IDRETRY) return;
    }
}

void TForm1::FormDestroy(runtime::TObject*) {
    // The settings write the window's placement as they go.
    core::Options.reset();
    core::Callbacks = {};
    if (core::SoapClient() == soapClient_.get()) core::SetSoapClient(nullptr);
    core::ReleaseSingleInstance();
}

}  // namespace ui
