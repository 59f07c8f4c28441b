#pragma once

// Forms: top-level windows made from their layouts, shown modeless or
// modal, closed through OnCloseQuery and OnClose.
//
// A form is made on the heap (NewForm, CreateForm) and freed with delete,
// Release or its owner. Deleting it fires OnDestroy first, while the whole
// form (its class's fields included) still stands; a form that is not
// deleted (a local variable) fires OnDestroy from its base destructor.
//
// A form class T derives from TForm, declares its class information with
// its handler methods (RUNTIME_HANDLER), binds its component fields in its
// constructor (Bind(Button1, "Button1")) and is made with
// NewForm<T>(owner) or Application->CreateForm<T>(). Both read the layout
// compiled into the program for T's class (layout.h), bind the fields,
// and then fire OnCreate. A layout names the form's handlers as event
// values ("OnClick = Button1Click"), which the reader binds by name.

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/controls.h"
#include "gui/shortcuts.h"
#include "runtime/events.h"

namespace gui {

class TMainMenu;

RUNTIME_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
// The border of a control: bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;
RUNTIME_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
RUNTIME_SET(TBorderIcons, TBorderIcon)
RUNTIME_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
             poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
RUNTIME_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
// The MDI styles exist for their values only: a form refuses them.
RUNTIME_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)

using TModalResult = int32_t;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = IDOK;
inline constexpr TModalResult mrCancel = IDCANCEL;
inline constexpr TModalResult mrAbort = IDABORT;
inline constexpr TModalResult mrRetry = IDRETRY;
inline constexpr TModalResult mrIgnore = IDIGNORE;
inline constexpr TModalResult mrYes = IDYES;
inline constexpr TModalResult mrNo = IDNO;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

class TCustomForm : public TWinControl {
    RUNTIME_CLASS(TCustomForm)

  public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    // delete: BeforeDestruction while the whole object stands, then the
    // destructors.
    void operator delete(TCustomForm* form, std::destroying_delete_t);

    // Reads the form's layout (when the program has one for its class or an
    // ancestor), binds the fields, fires OnCreate. NewForm calls it.
    void InitializeForm();

    // ---- showing and closing --------------------------------------------------------------
    void Show();
    // Shows the form modal and runs the message loop until ModalResult is
    // set (a button with a ModalResult, Close, or the program ending);
    // returns it. EInvalidOperation for a form already visible.
    TModalResult ShowModal();
    bool Modal() const { return modal_; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    // Asks OnCloseQuery, then OnClose decides: hide (the default), free,
    // minimise or nothing. Closing the main form ends the program.
    void Close();
    virtual bool CloseQuery();

    // ---- focus ---------------------------------------------------------------------------
    bool Active() const { return active_; }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    // Gives the control the focus when the form shows, or at once.
    void FocusControl(TWinControl* control);
    // A control inside got the focus (from its WM_SETFOCUS).
    void SetFocusedControl(TWinControl* control);
    // A mouse button went down on `sender`: the focused control, when it
    // is another one, leaves any mode it is in (CM_CANCELMODE).
    void SendCancelMode(TControl* sender);

    // ---- appearance --------------------------------------------------------------------
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState value);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* value);
    TCanvas& Canvas() { return *canvas_; }
    // The client size a layout gives; while loading it waits for the border.
    int LayoutClientWidth() const { return ClientWidth(); }
    void SetLayoutClientWidth(int value);
    int LayoutClientHeight() const { return ClientHeight(); }
    void SetLayoutClientHeight(int value);

    // Moves (and shrinks) the form onto the work area of a present monitor
    // when too little of it is reachable there.
    void MakeFullyVisible();

    // Runs the shortcut through OnShortCut, the menu and the action lists.
    virtual bool IsShortCut(TShortCut shortCut);
    // The program is idle: the action lists update their actions, the
    // controls the actions they show.
    virtual void UpdateActions();

    bool Showing() const override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    runtime::TCloseEvent OnClose;
    runtime::TCloseQueryEvent OnCloseQuery;
    TShortCutEvent OnShortCut;

    void Loaded() override;

  protected:
    GUI_MESSAGE_MAP(TCustomForm, TWinControl)
    void WMClose(TMessage& msg);
    void WMActivate(TMessage& msg);
    void WMGetMinMaxInfo(TMessage& msg);
    void WMCommand(TMessage& msg);
    void WMMenuSelect(TMessage& msg);
    void WMSize(TMessage& msg);
    void CMDialogKey(TMessage& msg);

  protected:
    // Field binding: each field is set to the component of its name after
    // the layout is read.
    template <class T>
    void Bind(T*& field, std::string name) {
        bindings_.push_back({std::move(name), [&field](TComponent* c) {
                                 field = dynamic_cast<T*>(c);
                                 return field != nullptr;
                             }});
    }

    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    TSize FrameExtent() const override;
    void PaintWindow(HDC dc) override;
    void VisibleChanged() override;
    void Notification(TComponent* component, runtime::TOperation operation) override;
    // Fires OnDestroy (once); the form is about to be destroyed.
    virtual void BeforeDestruction();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(runtime::TCloseAction& action);
    virtual void Activate();
    virtual void Deactivate();

  private:
    struct Binding {
        std::string name;
        std::function<bool(TComponent*)> set;
    };
    void ReadLayout();
    void BindFields();
    void ApplyPosition();
    void CloseModal();
    void ShowWindowNow();
    void UpdateWindowState();

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    TFormStyle formStyle_ = fsNormal;
    bool keyPreview_ = false;
    bool modal_ = false;
    bool active_ = false;
    bool shownOnce_ = false;
    bool showingNow_ = false;
    bool destroyFired_ = false;
    TModalResult modalResult_ = mrNone;
    TWinControl* activeControl_ = nullptr;
    TMainMenu* menu_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
    std::vector<Binding> bindings_;
    int pendingClientWidth_ = -1;
    int pendingClientHeight_ = -1;
};

// A container of components without a window, which a program declares to
// scripts (or reads from a layout) as one.
class TDataModule : public TComponent {
    RUNTIME_CLASS(TDataModule)

  public:
    explicit TDataModule(TComponent* owner) : TComponent(owner) {}
};

class TForm : public TCustomForm {
    RUNTIME_CLASS(TForm)

  public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// Makes a form of class T owned by `owner`, reads its layout and fires
// OnCreate; on failure nothing is left behind.
template <class T>
T& NewForm(TComponent& owner) {
    T* form = new T(&owner);
    try {
        form->InitializeForm();
    } catch (...) {
        delete form;
        throw;
    }
    return *form;
}

template <class T>
T& TApplication::CreateForm() {
    T& form = NewForm<T>(*this);
    if (MainForm() == nullptr) SetMainForm(&form);
    return form;
}

}  // namespace gui
