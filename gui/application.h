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
//
// The application's window (Handle) also takes what no form took: a key no
// form used as a shortcut (CM_APPKEYDOWN), a form's menu key
// (CM_APPSYSCOMMAND), an action nobody executed or updated
// (CM_ACTIONEXECUTE, CM_ACTIONUPDATE). Hooks on that window
// (HookMainWindow) see every one of its messages first; tool bars that act
// as menu bars and the Unicode layer stand there.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/colors.h"
#include "gui/controls.h"
#include "gui/geometry.h"
#include "gui/shortcuts.h"
#include "gui/win.h"
#include "runtime/component.h"
#include "runtime/events.h"

namespace gui {

class TApplicationEvents;
class TBasicAction;
class TDragManager;
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
// A shortcut (key code with the scShift, scCtrl, scAlt bits) offered to the
// handler; Handled keeps it from going on.
RUNTIME_EVENT_TYPE(TShortCutEvent, "Key, Handled", uint16_t&, bool&);

// Takes over an error that escaped a message: the sender and the error.
using TExceptionHandler = std::function<void(TObject* sender, std::exception_ptr error)>;
// Sees a message before it is dispatched; Handled keeps it from going on.
using TMessageHandler = std::function<void(MSG& msg, bool& handled)>;
// Sees a message of the application's window first; true when it handled it.
using TWindowHook = std::function<bool(TMessage& msg)>;
// Asks for help (a HELP_ command and its data); true when it was given.
using THelpHandler = std::function<bool(UINT command, ULONG_PTR data)>;

// The part before "|" of a hint, and the part after it (the whole hint
// when it has no "|").
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);
// The hint a client of the action shows: with the application's
// HintShortCuts and an action with a shortcut, "Save (Ctrl+S)".
std::string HintWithShortCut(const std::string& hint, const TBasicAction* action);

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
    // Reports the exception being handled (call it inside a catch block):
    // OnException and the application events' OnException take it over
    // when any is set, else ShowException shows it.
    void HandleException(TObject* sender);
    void ShowException(const std::exception_ptr& error);
    TExceptionHandler OnException;

    // ---- the application window's hooks ----------------------------------------------------
    // Every message of Handle() goes to the hooks first, in the order they
    // were hooked, until one answers true. A hook may unhook itself (or
    // another) while it runs.
    int HookMainWindow(TWindowHook hook);
    void UnhookMainWindow(int id);

    // ---- keys and help ---------------------------------------------------------------------
    // A key no form used (CM_APPKEYDOWN): OnShortCut, the application
    // events' OnShortCut, then the main form's shortcuts while it is enabled.
    bool IsShortCut(TShortCut shortCut);
    TShortCutEvent OnShortCut;
    // The modeless dialog window whose keys (Tab, Enter, Escape) the loop
    // lets IsDialogMessage handle; nullptr for none.
    HWND DialogHandle() const { return dialogHandle_; }
    void SetDialogHandle(HWND window) { dialogHandle_ = window; }
    // Help for a context (HELP_CONTEXT) or any command: OnHelp gives it;
    // false when nothing did.
    bool HelpContext(int32_t context);
    bool HelpCommand(UINT command, ULONG_PTR data);
    THelpHandler OnHelp;

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
    // A hint of a control linked to an action with a shortcut reads
    // "Save (Ctrl+S)".
    bool HintShortCuts = true;
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    TColor HintColor = clInfoBk;
    THintWindowFactory HintWindowClass;
    // The long hint of the control under the mouse (or of the menu item
    // highlighted). A change fires OnHint and the application events'
    // OnHint; with none set, a THintAction carries the hint instead.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    // Shows the hint of the control under `cursorPos` (screen) at once.
    void ActivateHint(TPoint cursorPos);
    void CancelHint();
    THintWindow* HintWindow() const { return hintWindow_.get(); }

    // When the loop has no message: Done (true on entry) false keeps the
    // loop from waiting for the next message.
    TIdleEvent OnIdle;
    TNotifyEvent OnHint;
    // Every message before it is dispatched (the application events' too).
    TMessageHandler OnMessage;

    // The control's message-independent references end (called by
    // ~TControl).
    void ControlDestroying(TControl* control);

    // The class library's drag and drop (drag.h); nullptr once the
    // application is being destroyed.
    TDragManager* DragManager() const { return drag_.get(); }

  protected:
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TApplicationEvents;
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    bool RunHooks(TMessage& msg);
    // Calls `fire` for each application events component, the newest
    // first, until one cancels the dispatch.
    void ForEachEvents(const std::function<void(TApplicationEvents&)>& fire);
    bool FireHint();
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
    std::vector<std::pair<int, TWindowHook>> hooks_;
    int lastHookId_ = 0;
    std::vector<TApplicationEvents*> events_;
    HWND dialogHandle_ = nullptr;
    std::unique_ptr<TDragManager> drag_;
};

// The program's application and screen objects, made by gui::init().
extern TApplication* Application;

}  // namespace gui
