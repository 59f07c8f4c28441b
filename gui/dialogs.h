#pragma once

// Message boxes and the open and save dialogs, all through the desktop
// services (desktop.h), so that tests answer them.

#include <memory>
#include <string>

#include "gui/win.h"
#include "runtime/component.h"
#include "runtime/stringlist.h"
#include "runtime/typeinfo.h"

namespace gui {

RUNTIME_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
RUNTIME_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore)
RUNTIME_SET(TMsgDlgButtons, TMsgDlgBtn)

// A message box owned by the active window; MessageBoxW's answer.
int MessageBox(const std::string& text, const std::string& caption, UINT flags);
// A message box with the type's icon and caption ("Warning", "Error",
// "Information", "Confirm") and the buttons; answers the modal result of
// the button pressed (mrYes, mrOk, ...).
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);
// Information with an OK button, captioned with the application's title.
void ShowMessage(const std::string& text);
// Opens a document, a web page or a "mailto:" link with the shell's
// "open" verb (owned by the desktop, shown normally); false when the
// shell refused.
bool ShellOpen(const std::string& target, const std::string& parameters = {});

RUNTIME_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir,
             ofAllowMultiSelect, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
             ofNoReadOnlyReturn, ofEnableSizing)
RUNTIME_SET(TOpenOptions, TOpenOption)

class TOpenDialog : public runtime::TComponent {
    RUNTIME_CLASS(TOpenDialog)

  public:
    explicit TOpenDialog(runtime::TComponent* owner);
    ~TOpenDialog() override;

    // Shows the dialog; true when the user chose a file.
    virtual bool Execute();

    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(std::string value) { defaultExt_ = std::move(value); }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string value) { fileName_ = std::move(value); }
    // The chosen names as typed (UTF-16), for names outside the code page.
    const std::u16string& FileNameW() const { return fileNameW_; }
    // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
    const std::string& Filter() const { return filter_; }
    void SetFilter(std::string value) { filter_ = std::move(value); }
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(std::string value) { initialDir_ = std::move(value); }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions value) { options_ = value; }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string value) { title_ = std::move(value); }
    runtime::TStrings* Files() const { return files_.get(); }

  protected:
    bool save_ = false;

  private:
    std::string defaultExt_;
    std::string fileName_;
    std::u16string fileNameW_;
    std::string filter_;
    int filterIndex_ = 1;
    std::string initialDir_;
    TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
    std::string title_;
    std::unique_ptr<runtime::TStringList> files_;
};

class TSaveDialog : public TOpenDialog {
    RUNTIME_CLASS(TSaveDialog)

  public:
    explicit TSaveDialog(runtime::TComponent* owner);
};

}  // namespace gui
