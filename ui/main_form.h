#pragma once

// The main window: a menu bar, a tool bar with the site selector, the
// keyword and result trees side by side (or a page that says there is
// nothing to show), and a status bar. Its creation loads everything through
// the core (settings, engines, the script host, the project, behind the
// project-progress dialog; the first-run dialog on the first start); its
// close saves the project. It answers the single-instance message and is
// the window side of the core (CoreCallbacks).
//
// Start-up and close as the user sees them:
// - No engines beside the program: a message, and the program ends
//   (EStartupEnded leaves the creation).
// - A project that cannot be loaded is reported; the window then says that
//   it will not save over the file, and closing leaves the file as it is.
// - Closing during a check stops it and waits for its workers first. A save
//   that fails is reported with the choice to try again or to close
//   without saving.
// - The window opens where it was, on a monitor that is there: the stored
//   placement is moved (and shrunk) into the nearest work area.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/tree/tree.h"
#include "core/callbacks.h"
#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "gui/menus.h"
#include "gui/stdctrls.h"
#include "runtime/exceptions.h"
#include "ui/image_lists.h"
#include "ui/toolbar_standin.h"
#include "ui/vista_fix.h"

namespace core {
class TKeyword;
class TSite;
class TSoapClient;
}  // namespace core
namespace script {
class TscScript;
}
namespace runtime {
template <typename C, typename P>
class TClassBuilder;
}

namespace ui {

class TForm2;
class TForm3;
class TForm4;
class TForm6;
class TForm10;

// Where the program's windows find its files.
struct TProgramFolders {
    // The program's folder (its engines lie in "SearchEngines" there), with
    // a trailing delimiter.
    std::u16string ExeDir;
    // The per-user data folder ("serplow.ini", "project.spj"), with a
    // trailing delimiter.
    std::u16string DataDir;
};

// The main window's creation ended the program: the user has been told why.
class EStartupEnded : public runtime::Exception {
  public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EStartupEnded"; }
};

inline constexpr const char* SNoSearchEngines =
    "Unable to load search engines data. Please reinstall the application.";
inline constexpr const char* SProjectNotLoaded =
    "Serplow could not load its project. The project file is kept as it is: Serplow will not "
    "save over it when it closes.";

class TForm1 : public TVistaForm {
    RUNTIME_CLASS(TForm1)

  public:
    TForm1(runtime::TComponent* owner, TProgramFolders folders);
    ~TForm1() override;

    // The dialogs that live as long as the program, made after this window.
    void SetDialogs(TForm2* projectProperties, TForm3* addURL, TForm4* about, TForm6* progress);

    // ---- the window's events -------------------------------------------------------------
    void FormCreate(runtime::TObject* sender);
    void FormShow(runtime::TObject* sender);
    void FormClose(runtime::TObject* sender, runtime::TCloseAction& action);
    void FormDestroy(runtime::TObject* sender);
    void FormResize(runtime::TObject* sender);
    void Panel1Resize(runtime::TObject* sender);
    void Panel3Resize(runtime::TObject* sender);
    void StatusLinkClick(runtime::TObject* sender);
    void TopLabelClick(runtime::TObject* sender);
    void ComboBox1Change(runtime::TObject* sender);
    void ActionExitExecute(runtime::TObject* sender);
    void About1Click(runtime::TObject* sender);

    // ---- the dialogs made on demand (main_form_dialogs.cpp) -------------------------------
    // Preferences: the options dialog; on OK the settings, the engine and the
    // status line follow it.
    void ActionOptionsExecute(runtime::TObject* sender);
    void ActionRegisterWithGoogleExecute(runtime::TObject* sender);
    // Latest News: the page kept from the last check, else the news text;
    // nothing without either.
    void NewsfromTarvenixco1Click(runtime::TObject* sender);
    // The news window on this page, modally.
    void ShowNews(const std::string& html);

    // ---- the trees (main_form_trees.cpp) ----------------------------------------------------
    // Refills the keyword tree from CurrentSite (emptied without one).
    void FillKeywordTree();
    void FillResultTree(core::TKeyword& keyword);
    void GtTree1ItemDraw(runtime::TObject* sender, controls::tree::TGtTreeItem* item,
                         gui::TCanvas* canvas, gui::TRect rect, int section);
    void GtTree1CompareItems(runtime::TObject* sender, controls::tree::TGtTreeItem* item1,
                             controls::tree::TGtTreeItem* item2, int& result);
    void GtTree1ItemChecked(runtime::TObject* sender, controls::tree::TGtTreeItem* item);
    void GtTree1ItemSelectedChange(runtime::TObject* sender, controls::tree::TGtTreeItem* item);
    void GtTree1Resize(runtime::TObject* sender);
    void GtTree2Resize(runtime::TObject* sender);
    void PopupMenu1Popup(runtime::TObject* sender);
    void PopupMenu2Popup(runtime::TObject* sender);
    void ActionCheckExecute(runtime::TObject* sender);
    void ActionCheckAllExecute(runtime::TObject* sender);
    void ActionUncheckAllExecute(runtime::TObject* sender);
    // Checked keywords, as the status line shows them.
    int CheckedCount() const { return checkedCount_; }

    // ---- the commands (main_form_commands.cpp) ----------------------------------------------
    // Checks the current site's active keywords behind the check-progress
    // dialog; never twice at once.
    void ActionSearchExecute(runtime::TObject* sender);
    void ActionAddURLExecute(runtime::TObject* sender);
    void ActionDeleteURLExecute(runtime::TObject* sender);
    void ActionKeywordsExecute(runtime::TObject* sender);
    void ActionNotesExecute(runtime::TObject* sender);
    // Fills the project-properties dialog from CurrentSite, shows it and
    // takes its keywords and notes; false when the user cancelled.
    bool EditProjectProperties();
    void BarXItem27Click(runtime::TObject* sender);  // Backup project
    void BarXItem28Click(runtime::TObject* sender);  // Restore project
    // The keyword menu: Export to Clipboard, Export to CSV..., Copy to
    // Clipboard, Delete.
    void Export1Click(runtime::TObject* sender);
    void ExporttoCSV1Click(runtime::TObject* sender);
    void BarXItem30Click(runtime::TObject* sender);
    void BarXItem29Click(runtime::TObject* sender);
    // The result menu: Export to Clipboard, Export to CSV..., Visit URL.
    void Exporttoclipboard1Click(runtime::TObject* sender);
    void ExporttoCSV2Click(runtime::TObject* sender);
    void VisitURL1Click(runtime::TObject* sender);
    // The link labels of the empty pages: the FAQ, the wrong-position
    // report, and adding a site.
    void Label4Click(runtime::TObject* sender);
    void Label5Click(runtime::TObject* sender);
    void Label7Click(runtime::TObject* sender);
    // The menu items and the tool button that open one of the maker's
    // pages (or a prepared mail), by the sender's name.
    void LinkCommandClick(runtime::TObject* sender);
    static void AddCommandHandlers(runtime::TClassBuilder<TForm1, TVistaForm>& builder);

    // ---- state ---------------------------------------------------------------------------
    // False after the project failed to load at start: closing must not
    // write over the file.
    bool ProjectMaySave() const { return projectMaySave_; }
    const TProgramFolders& Folders() const { return folders_; }
    TForm10* ProjectProgress() const { return projectProgress_; }
    // The client of the search interface that the checks with a Google key
    // use; the core holds it from the creation to the destruction.
    core::TSoapClient* SoapClient() const { return soapClient_.get(); }

    // ---- components ----------------------------------------------------------------------
    gui::TMainMenu* MainMenu1 = nullptr;
    TToolBarStandIn* ToolBar1 = nullptr;
    gui::TLabel* Label1 = nullptr;
    gui::TComboBox* ComboBox1 = nullptr;
    gui::TToolButton* ToolButtonTweet = nullptr;
    gui::TStatusBar* StatusBar1 = nullptr;
    gui::TLinkLabel* StatusLink = nullptr;
    gui::TLinkLabel* TopLabel = nullptr;
    gui::TPanel* Panel3 = nullptr;
    gui::TPageControl* PageControl1 = nullptr;
    gui::TTabSheet* TabSheet1 = nullptr;
    gui::TTabSheet* TabSheet2 = nullptr;
    controls::tree::TGtTree* GtTree1 = nullptr;
    gui::TSplitter* Splitter1 = nullptr;
    gui::TPanel* Panel1 = nullptr;
    gui::TPageControl* PageControl2 = nullptr;
    gui::TTabSheet* TabSheet3 = nullptr;
    gui::TTabSheet* TabSheet4 = nullptr;
    controls::tree::TGtTree* GtTree2 = nullptr;
    gui::TPanel* Panel2 = nullptr;
    gui::TPanel* Panel4 = nullptr;
    gui::TLinkLabel* Label4 = nullptr;
    gui::TLinkLabel* Label5 = nullptr;
    gui::TLinkLabel* Label7 = nullptr;
    gui::TAction* ActionAddURL = nullptr;
    gui::TAction* ActionDeleteURL = nullptr;
    gui::TAction* ActionKeywords = nullptr;
    gui::TAction* ActionNotes = nullptr;
    gui::TAction* ActionSearch = nullptr;
    gui::TAction* ActionOptions = nullptr;
    gui::TAction* ActionExit = nullptr;
    gui::TAction* ActionRegisterWithGoogle = nullptr;
    gui::TAction* ActionCheck = nullptr;
    gui::TAction* ActionCheckAll = nullptr;
    gui::TAction* ActionUncheckAll = nullptr;
    gui::TPopupMenu* PopupMenu1 = nullptr;
    gui::TPopupMenu* PopupMenu2 = nullptr;
    gui::TMenuItem* CheckItem = nullptr;
    TResourceImageList* ImageList16 = nullptr;
    TResourceImageList* ImageList32 = nullptr;
    TResourceImageList* ImageList3 = nullptr;
    TVistaAltFix* VistaAltFix1 = nullptr;
    script::TscScript* scScript1 = nullptr;

    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm6* Form6 = nullptr;

  protected:
    void Notification(runtime::TComponent* component, runtime::TOperation operation) override;
    // The program's icon on the window's frame and task button.
    void CreateHandleDone() override;

  private:
    // ---- start and close (main_form.cpp) ---------------------------------------------------
    static void FormWindowProc(gui::TMessage& msg, const gui::TWndMethod& inherited);
    void RunFirstRun();
    void LoadProjectAtStart();
    void ProjectNotLoaded();
    // Saves the project; a failure is offered again until it succeeds or the
    // user chooses to close without saving.
    void SaveAtClose();
    void PlaceFromSettings();
    void UpdateTopLabel();
    void FitStatusLinkPanel();
    void ShowStatus(const std::string& text);
    std::u16string ProjectFileName() const;

    // ---- the core's callbacks (main_form_callbacks.cpp) ------------------------------------
    void InstallCoreCallbacks();
    core::WindowGeometry Geometry() const;
    HWND MessageOwner(core::MessageOwner owner) const;
    controls::tree::TGtTree* TreeOf(int tree) const;

    // ---- the commands ----------------------------------------------------------------------
    // Runs `work` behind the project-progress dialog, the window disabled.
    void WithProjectProgress(const std::function<void()>& work);
    // Keywords and Notes: the dialog on that page, or a site asked for first.
    void EditProjectPage(const char* caption);
    void SelectAfterCheck(const std::u16string& remembered);
    // News the check before brought, once, unless the user skips news.
    void ShowPendingNews();
    void RestoreProject(const std::u16string& fileName);

    // ---- the trees -----------------------------------------------------------------------
    // What the layout cannot say of the trees: their columns and heights.
    void SetUpTrees();
    void UpdateCheckedStatus();
    void SetAllChecked(bool checked);

    TProgramFolders folders_;
    std::unique_ptr<core::TSoapClient> soapClient_;
    TForm10* projectProgress_ = nullptr;
    int checkedCount_ = 0;
    bool projectMaySave_ = true;
    // The settings had no placement yet (the first start): the window keeps
    // its designed size, centred.
    bool firstStart_ = false;
    // A check runs below a Search (also before the core's check starts).
    bool searching_ = false;
};

// The keyword a row of the keyword tree shows (none for no row).
core::TKeyword* KeywordOf(const controls::tree::TGtTreeItem* row);
// The status line's keyword count.
std::string KeywordStatusText(int keywords, int checked);
// The keyword tree's arrow for a keyword's last move (an index into the
// arrow images): 1 improved (also when it was not found before), 2 the same,
// 0 worse or not found.
int ChangeArrow(const core::TKeyword& keyword);
// Makes a site's keywords those of the project-properties dialog's list:
// a keyword stays when a row names it (a row that differs from it only in
// letter case renames it), the others go; a row that names no keyword, in
// any letter case, adds one at the end. Keywords stay unique without
// regard to case, and kept keywords keep their history.
void ApplyKeywordNames(core::TSite& site, const std::vector<std::u16string>& names);

}  // namespace ui
