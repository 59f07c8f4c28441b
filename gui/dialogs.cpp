#include "gui/dialogs.h"

#include <commdlg.h>

#include <array>

#include "gui/application.h"
#include "gui/desktop.h"
#include "gui/forms.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

int MessageBox(const std::string& text, const std::string& caption, UINT flags) {
    return Desktop().MessageBox(GetActiveWindow(), runtime::AnsiToWide(text),
                                runtime::AnsiToWide(caption), flags);
}

namespace {

struct ButtonSet {
    TMsgDlgButtons buttons;
    UINT flags;
};

// The button sets a Windows message box offers.
const std::array<ButtonSet, 6> kButtonSets = {{
    {{mbYes, mbNo, mbCancel}, MB_YESNOCANCEL},
    {{mbYes, mbNo}, MB_YESNO},
    {{mbOK, mbCancel}, MB_OKCANCEL},
    {{mbAbort, mbRetry, mbIgnore}, MB_ABORTRETRYIGNORE},
    {{mbRetry, mbCancel}, MB_RETRYCANCEL},
    {{mbOK}, MB_OK},
}};

struct TypeLook {
    UINT icon;
    const char* caption;
};

constexpr std::array<TypeLook, 5> kTypes = {{
    {MB_ICONWARNING, "Warning"},
    {MB_ICONERROR, "Error"},
    {MB_ICONINFORMATION, "Information"},
    {MB_ICONQUESTION, "Confirm"},
    {0, ""},
}};

}  // namespace

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
    UINT flags = MB_OK;
    for (const ButtonSet& set : kButtonSets) {
        if (set.buttons == buttons) {
            flags = set.flags;
            break;
        }
    }
    const TypeLook& look = kTypes[type];
    std::string caption = look.caption;
    if (caption.empty() && Application != nullptr) caption = Application->Title();
    return MessageBox(text, caption, flags | look.icon);
}

void ShowMessage(const std::string& text) {
    MessageBox(text, Application != nullptr ? Application->Title() : std::string(), MB_OK);
}

bool ShellOpen(const std::string& target, const std::string& parameters) {
    return Desktop().ShellOpen(nullptr, runtime::AnsiToWide(target),
                               runtime::AnsiToWide(parameters), SW_SHOWNORMAL);
}

// ---- TOpenDialog ---------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TOpenDialog, runtime::TComponent)
RUNTIME_PROPERTY(DefaultExt, DefaultExt, SetDefaultExt);
RUNTIME_PROPERTY(FileName, FileName, SetFileName);
RUNTIME_PROPERTY(Filter, Filter, SetFilter);
RUNTIME_PROPERTY(FilterIndex, FilterIndex, SetFilterIndex).Default(1);
RUNTIME_PROPERTY(InitialDir, InitialDir, SetInitialDir);
RUNTIME_PROPERTY(Options, Options, SetOptions)
    .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing});
RUNTIME_PROPERTY(Title, Title, SetTitle);
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TSaveDialog, TOpenDialog)
RUNTIME_END_CLASS

TOpenDialog::TOpenDialog(runtime::TComponent* owner)
    : TComponent(owner), files_(std::make_unique<runtime::TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

TSaveDialog::TSaveDialog(runtime::TComponent* owner) : TOpenDialog(owner) {
    save_ = true;
}

bool TOpenDialog::Execute() {
    static constexpr DWORD kFlags[] = {
        OFN_READONLY,         OFN_OVERWRITEPROMPT, OFN_HIDEREADONLY,  OFN_NOCHANGEDIR,
        OFN_ALLOWMULTISELECT, OFN_PATHMUSTEXIST,   OFN_FILEMUSTEXIST, OFN_CREATEPROMPT,
        OFN_NOREADONLYRETURN, OFN_ENABLESIZING};
    TFileDialogRequest request;
    request.Save = save_;
    request.Owner = GetActiveWindow();
    request.Title = runtime::AnsiToWide(title_);
    request.Filter = runtime::AnsiToWide(filter_);
    request.FilterIndex = filterIndex_;
    request.DefaultExt = runtime::AnsiToWide(defaultExt_);
    request.InitialDir = runtime::AnsiToWide(initialDir_);
    request.FileName = runtime::AnsiToWide(fileName_);
    for (int i = 0; i < 10; ++i)
        if (options_.Contains(static_cast<TOpenOption>(i))) request.Flags |= kFlags[i];
    if (!Desktop().FileDialog(request)) return false;
    fileNameW_ = request.FileName;
    fileName_ = runtime::WideToAnsi(request.FileName);
    filterIndex_ = request.FilterIndex;
    files_->Clear();
    for (const std::u16string& file : request.Files) files_->Add(runtime::WideToAnsi(file));
    return true;
}

}  // namespace gui
