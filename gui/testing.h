#pragma once

// Support for window tests under Wine: start-up, message pumping with a
// deadline, input made of posted messages as the user's would arrive,
// painting controls into 32-bit bitmaps, PNG snapshots, a recording fake of
// the desktop services, and an answerer for real message boxes.
//
// Tests never sleep for a fixed time: they pump messages until the state
// they expect holds, with a generous deadline.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/controls.h"
#include "gui/desktop.h"
#include "gui/graphic.h"

namespace gui::testing {

// gui::init() once per test program; tests call it from their set-up.
void EnsureGui();

// Handles every message waiting, and the main-thread calls queued.
void Pump();
// Pumps until `done` holds; false when the deadline passed first.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// ---- input --------------------------------------------------------------------------------
// A click at a client point of the control (its middle by default), as
// button-down and button-up messages posted to the window under it, then
// pumped until handled.
void Click(TControl& control, std::optional<TPoint> at = std::nullopt,
           TMouseButton button = runtime::mbLeft);
void DoubleClick(TControl& control, std::optional<TPoint> at = std::nullopt);
void MouseMove(TControl& control, TPoint at);
// A right click that asks for the context menu.
void ContextClick(TControl& control, std::optional<TPoint> at = std::nullopt);
void Wheel(TWinControl& control, int delta, TShiftState shift = {});
// A key pressed and released on the focused window (or `control`'s).
void PressKey(uint16_t key, TShiftState shift = {}, TWinControl* control = nullptr);
// Characters typed into the focused window (or `control`'s).
void TypeText(const std::u16string& text, TWinControl* control = nullptr);
// The window that has the keyboard focus, as a control.
TWinControl* FocusedControl();

// ---- pixels ------------------------------------------------------------------------------
// The control and its children painted into a 32-bit bitmap (WM_PRINTCLIENT).
std::unique_ptr<TBitmap> PaintControl(TWinControl& control);
// A top-level window as it shows on the screen, frame included.
std::unique_ptr<TBitmap> CaptureWindow(HWND window);
// The pixel as 0xRRGGBB.
uint32_t PixelAt(const TBitmap& bitmap, int x, int y);
// Writes the bitmap as a PNG file (RGB, 8 bits per channel).
void SavePng(const TBitmap& bitmap, const std::u16string& fileName);
// The PNG bytes of the bitmap.
std::string EncodePng(const TBitmap& bitmap);

// ---- the desktop services, recorded -------------------------------------------------------
class TFakeDesktop : public IDesktop {
  public:
    struct MessageBoxCall {
        std::u16string text;
        std::u16string caption;
        UINT flags;
    };
    std::vector<MessageBoxCall> MessageBoxes;
    // Answers of the next message boxes, in order; IDOK when none is left.
    std::deque<int> MessageBoxAnswers;

    std::vector<TFileDialogRequest> FileDialogs;
    // The names the next file dialogs choose; cancelled when none is left.
    std::deque<std::u16string> FileDialogAnswers;

    struct ShellCall {
        std::u16string target;
        std::u16string parameters;
        int showCommand;
    };
    std::vector<ShellCall> ShellCalls;

    std::string ClipboardAnsi;
    std::u16string ClipboardWide;
    bool ClipboardSet = false;

    int MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                   UINT flags) override;
    bool FileDialog(TFileDialogRequest& request) override;
    bool ShellOpen(HWND owner, const std::u16string& target, const std::u16string& parameters,
                   int showCommand) override;
    void SetClipboardText(const std::string& ansi, const std::u16string& wide) override;
    std::optional<std::u16string> ClipboardText() override;
};

// Answers the next real message box (or dialog) of this thread by pressing
// the button with identifier `button`; records its text.
class TDialogAnswerer {
  public:
    explicit TDialogAnswerer(int button);
    ~TDialogAnswerer();
    TDialogAnswerer(const TDialogAnswerer&) = delete;
    TDialogAnswerer& operator=(const TDialogAnswerer&) = delete;

    bool Answered() const { return answered_; }
    const std::u16string& Caption() const { return caption_; }

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    int button_;
    bool answered_ = false;
    std::u16string caption_;
    HHOOK hook_ = nullptr;
};

// A running log of events as strings ("click Button1").
struct TEventLog {
    std::vector<std::string> Entries;
    void Add(std::string entry) { Entries.push_back(std::move(entry)); }
    bool Contains(const std::string& entry) const;
    std::string Joined() const;
};

}  // namespace gui::testing
