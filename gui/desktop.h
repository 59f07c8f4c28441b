#pragma once

// The desktop services through which the class library reaches the user
// and the system: message boxes, the open and save dialogs, the shell's
// open verb and the clipboard. The program uses the real ones; tests put a
// recording fake in their place (TDesktopOverride) so that commands run
// unattended.

#include <optional>
#include <string>
#include <vector>

#include "gui/win.h"

namespace gui {

// What an open or save dialog is asked, and what it answers.
struct TFileDialogRequest {
    bool Save = false;
    HWND Owner = nullptr;
    std::u16string Title;
    // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
    std::u16string Filter;
    int FilterIndex = 1;  // 1-based, as the dialog counts
    std::u16string DefaultExt;
    std::u16string InitialDir;
    std::u16string FileName;            // in: the proposed name; out: the chosen one
    std::vector<std::u16string> Files;  // out: every chosen file (multiple selection)
    DWORD Flags = 0;                    // OFN_ flags
};

class IDesktop {
  public:
    virtual ~IDesktop() = default;
    // MessageBoxW's answer (IDOK, IDYES, ...).
    virtual int MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                           UINT flags) = 0;
    // True when the user chose a file (FileName, Files and FilterIndex set).
    virtual bool FileDialog(TFileDialogRequest& request) = 0;
    // The shell's "open" verb; false when the shell refused.
    virtual bool ShellOpen(HWND owner, const std::u16string& target,
                           const std::u16string& parameters, int showCommand) = 0;
    // Puts both text formats on the clipboard in one go (CF_TEXT and
    // CF_UNICODETEXT). EWin32Error when the clipboard cannot be opened.
    virtual void SetClipboardText(const std::string& ansi, const std::u16string& wide) = 0;
    // The clipboard's text (CF_UNICODETEXT), none when it holds no text.
    virtual std::optional<std::u16string> ClipboardText() = 0;
};

// The services in use.
IDesktop& Desktop();

// Puts `desktop` in place of the services for its lifetime.
class TDesktopOverride {
  public:
    explicit TDesktopOverride(IDesktop& desktop);
    ~TDesktopOverride();
    TDesktopOverride(const TDesktopOverride&) = delete;
    TDesktopOverride& operator=(const TDesktopOverride&) = delete;

  private:
    IDesktop* previous_;
};

}  // namespace gui
