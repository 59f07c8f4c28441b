#pragma once

// The application object: the message loop (also run by modal forms), the
// drain of the runtime's main-thread call queue, idle processing, the
// handling of errors that escape a message, mouse tracking and hints.
//
// Errors: an exception that leaves a control's message handling, or that a
// loop catches, goes to HandleException. OnException takes it over when
// set (the program sets it to the exception reporter); otherwise the
// message is shown in a message box through the desktop services. The
// silent abort (EAbort) is never reported. The loop then goes on.
//
// The main-thread call queue (runtime::Queue / Synchronize) is drained
// whenever a worker queues a call: the wake-up posts a message to the
// application's hidden window, which every message loop of the thread
// dispatches, modal loops, menus and message boxes included.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/colors.h"
#include "gui/controls.h"
#include "gui/geometry.h"
#include "gui/win.h"
#include "runtime/component.h"
#include "runtime/events.h"

namespace gui {

class TCustomForm;
class THintWindow;

using THintWindowFactory = std::function<std::unique_ptr<THintWindow>(TComponent* owner)>;

// What CM_HINTSHOW hands to the control under the mouse; the control may
// change any of it, or answer non-zero to show no hint.
struct THintInfo {
    TControl* HintControl = nullptr;
    THintWindowFactory HintWindowClass;
    TPoint HintPos;  // screen point of the hint's top left corner
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TRect CursorRect;  // client rectangle of HintControl the hint belongs to
    TPoint CursorPos;  // client point of the mouse
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    std::string HintStr;
    void* HintData = nullptr;
};

RUNTIME_EVENT_TYPE(TIdleEvent, "Sender, Done", TObject*, bool&);
RUNTIME_EVENT_TYPE(TMessageEvent, "Sender, Handled", TObject*, bool&);

// Takes over an error that escaped a message: the sender and the error.
using TExceptionHandler = std::function<void(TObject* sender, std::exception_ptr error)>;

// The part before "|" of a hint, and the part after it (the whole hint
// when it has no "|").
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

class TApplication : public TComponent {
    RUNTIME_CLASS(TApplication)

  public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    // ---- the message loop -------------------------------------------------------------------
    // Runs until Terminate (closing the main form terminates).
    void Run();
    // Handles one message; with none waiting, idles and waits for one.
    void HandleMessage();
    // Handles every message waiting, then returns.
    void ProcessMessages();
    // What the loop does when no message waits: OnIdle, the actions'
    // OnUpdate, the main-thread queue. For loops that wait by themselves.
    void ProcessIdle();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // ---- errors ----------------------------------------------------------------------------
    // Reports the exception being handled (call it inside a catch block).
    void HandleException(TObject* sender);
    void ShowException(const std::exception_ptr& error);
    TExceptionHandler OnException;

    // ---- windows ---------------------------------------------------------------------------
    // The hidden window every loop dispatches to.
    HWND Handle() const { return window_; }
    TCustomForm* MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm* form) { mainForm_ = form; }
    // Restores the main form from minimised and brings the program to the front.
    void Restore();
    void Minimize();
    void BringToFront();
    const std::string& Title() const { return title_; }
    void SetTitle(std::string value) { title_ = std::move(value); }

    // Makes a form of class T owned by the application, read from its
    // layout; the first form made becomes the main form (forms.h).
    template <class T>
    T& CreateForm();

    // Frees the component once the messages being handled are done.
    void ReleaseComponent(TComponent* component);
    // Destroys a window (no longer any control's) once the messages being
    // handled are done.
    void DestroyWindowLater(HWND window);

    // ---- modal state -----------------------------------------------------------------------
    int ModalLevel() const { return modalLevel_; }
    void ModalStarted() { ++modalLevel_; }
    void ModalFinished() { --modalLevel_; }

    // ---- mouse and hints -------------------------------------------------------------------
    TControl* MouseControl() const { return mouseControl_; }
    TControl* CaptureControl() const { return captureControl_; }
    void SetCaptureControl(TControl* control);
    // The windowed control under the mouse moved to `control` (nullptr: left
    // the program's windows).
    void SetMouseControl(TControl* control);
    // Where the last mouse message saw the mouse (screen coordinates).
    TPoint MousePos() const { return mousePos_; }
    void SetMousePos(TPoint screen) { mousePos_ = screen; }

    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    TColor HintColor = clInfoBk;
    THintWindowFactory HintWindowClass;
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    // Shows the hint of the control under `cursorPos` (screen) at once.
    void ActivateHint(TPoint cursorPos);
    void CancelHint();
    THintWindow* HintWindow() const { return hintWindow_.get(); }

    TIdleEvent OnIdle;
    TNotifyEvent OnHint;
    // Every message before it is dispatched; Handled keeps it from going on.
    std::function<void(MSG& msg, bool& handled)> OnMessage;

    // The control's message-independent references end (called by
    // ~TControl).
    void ControlDestroying(TControl* control);

  protected:
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    LRESULT AppWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    bool ProcessMessage(MSG& msg);
    bool IsKeyMsg(MSG& msg);
    bool IsHintMsg(const MSG& msg);
    void Idle();
    // The idle work; true when OnIdle is done (the loop may wait).
    bool IdleWork();
    void DoActionIdle();
    void StartHintTimer(int delay);
    void StopHintTimer();
    void HintTimerExpired();
    void HideHint();
    void FreeReleased();

    HWND window_ = nullptr;
    bool terminated_ = false;
    TCustomForm* mainForm_ = nullptr;
    std::string title_;
    int modalLevel_ = 0;
    TControl* mouseControl_ = nullptr;
    TPoint mousePos_;
    TControl* captureControl_ = nullptr;
    bool showHint_ = true;
    std::string hint_;
    std::unique_ptr<THintWindow> hintWindow_;
    TControl* hintControl_ = nullptr;
    TRect hintCursorRect_;
    bool hintActive_ = false;
    bool hintTimerRunning_ = false;
    std::vector<TComponent*> released_;
};

// The program's application and screen objects, made by gui::init().
extern TApplication* Application;

}  // namespace gui
