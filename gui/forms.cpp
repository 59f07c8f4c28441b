#include "gui/forms.h"

#include <algorithm>

#include "gui/actions.h"
#include "gui/geometry_win.h"
#include "gui/layout.h"
#include "gui/menus.h"
#include "gui/screen.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"

namespace gui {

using runtime::TCloseAction;

RUNTIME_BEGIN_CLASS(TCustomForm, TWinControl)
RUNTIME_PROPERTY(Width, Width, SetWidth).Stored(false);
RUNTIME_PROPERTY(Height, Height, SetHeight).Stored(false);
RUNTIME_PROPERTY(Visible, Visible, SetVisible).Default(false);
RUNTIME_PROPERTY(BorderIcons, BorderIcons, SetBorderIcons)
    .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
RUNTIME_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsSizeable);
RUNTIME_PROPERTY(Caption, Text, SetText);
RUNTIME_PROPERTY(ClientWidth, LayoutClientWidth, SetLayoutClientWidth);
RUNTIME_PROPERTY(ClientHeight, LayoutClientHeight, SetLayoutClientHeight);
RUNTIME_PROPERTY(FormStyle, FormStyle, SetFormStyle).Default(fsNormal);
RUNTIME_PROPERTY(KeyPreview, KeyPreview, SetKeyPreview).Default(false);
RUNTIME_PROPERTY(Menu, Menu, SetMenu);
RUNTIME_PROPERTY(Position, Position, SetPosition).Default(poDesigned);
RUNTIME_PROPERTY(WindowState, WindowState, SetWindowState).Default(wsNormal);
RUNTIME_FIELD(OnActivate);
RUNTIME_FIELD(OnClose);
RUNTIME_FIELD(OnCloseQuery);
RUNTIME_FIELD(OnCreate);
RUNTIME_FIELD(OnDeactivate);
RUNTIME_FIELD(OnDestroy);
RUNTIME_FIELD(OnHide);
RUNTIME_FIELD(OnPaint);
RUNTIME_FIELD(OnShortCut);
RUNTIME_FIELD(OnShow);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomForm)
GUI_MESSAGE(WM_CLOSE, WMClose)
GUI_MESSAGE(WM_ACTIVATE, WMActivate)
GUI_MESSAGE(WM_GETMINMAXINFO, WMGetMinMaxInfo)
GUI_MESSAGE(WM_COMMAND, WMCommand)
GUI_MESSAGE(WM_MENUSELECT, WMMenuSelect)
GUI_MESSAGE(WM_SIZE, WMSize)
GUI_MESSAGE(CM_DIALOGKEY, CMDialogKey)
GUI_END_MESSAGE_MAP

RUNTIME_BEGIN_CLASS(TForm, TCustomForm)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TDataModule, runtime::TComponent)
RUNTIME_END_CLASS

TCustomForm::TCustomForm(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {
    SetControlStyle(
        {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    SetParentFont(false);
    SetVisible(false);
    if (Screen != nullptr) Screen->AddForm(this);
}

void TCustomForm::operator delete(TCustomForm* form, std::destroying_delete_t) {
    void* whole = dynamic_cast<void*>(form);
    form->BeforeDestruction();
    form->~TCustomForm();
    ::operator delete(whole);
}

void TCustomForm::BeforeDestruction() {
    if (destroyFired_) return;
    destroyFired_ = true;
    try {
        OnDestroy(this);
    } catch (...) {
        if (Application != nullptr) Application->HandleException(this);
    }
}

TCustomForm::~TCustomForm() {
    // Deleted forms fired it already, with their own class still there.
    BeforeDestruction();
    if (Screen != nullptr) Screen->RemoveForm(this);
    // One window destruction takes every window of the form, instead of
    // one per control; then the components go while the form still stands.
    ReleaseWindow();
    Destroying();
    DestroyComponents();
    canvas_->SetHandle(nullptr);
}

// ---- making the form -----------------------------------------------------------------------

void TCustomForm::InitializeForm() {
    ReadLayout();
    OnCreate(this);
}

void TCustomForm::ReadLayout() {
    for (const runtime::TClassInfo* c = &ClassInfo(); c != nullptr; c = c->Parent()) {
        if (c == &TForm::StaticClassInfo() || c == &TCustomForm::StaticClassInfo()) break;
        if (std::optional<std::string_view> text = FindLayout(c->Name())) {
            gui::ReadLayout(*this, *text);
            return;
        }
    }
    BindFields();
}

void TCustomForm::BindFields() {
    for (const Binding& b : bindings_) {
        TComponent* c = FindComponent(b.name);
        if (c == nullptr || !b.set(c))
            throw runtime::EComponentError("Form " + ClassName() + " has no component " + b.name +
                                           " of the class its field expects");
    }
}

void TCustomForm::Loaded() {
    // The client size waited for the border; the children keep their
    // places (anchoring waits until loading ends).
    if (pendingClientWidth_ >= 0 || pendingClientHeight_ >= 0) {
        const TRect client = ClientRect();
        SetClientSize(pendingClientWidth_ >= 0 ? pendingClientWidth_ : client.Width(),
                      pendingClientHeight_ >= 0 ? pendingClientHeight_ : client.Height());
        pendingClientWidth_ = pendingClientHeight_ = -1;
    }
    BindFields();
    TWinControl::Loaded();
}

void TCustomForm::SetLayoutClientWidth(int value) {
    if (ComponentState().Contains(runtime::csLoading))
        pendingClientWidth_ = value;
    else
        SetClientWidth(value);
}

void TCustomForm::SetLayoutClientHeight(int value) {
    if (ComponentState().Contains(runtime::csLoading))
        pendingClientHeight_ = value;
    else
        SetClientHeight(value);
}

// ---- the window ----------------------------------------------------------------------------

void TCustomForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.ExStyle = 0;
    switch (borderStyle_) {
        case bsNone:
            params.Style |= WS_POPUP;
            break;
        case bsSingle:
            params.Style |= WS_CAPTION;
            break;
        case bsSizeable:
            params.Style |= WS_CAPTION | WS_THICKFRAME;
            break;
        case bsDialog:
            params.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
            params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
            break;
        case bsToolWindow:
            params.Style |= WS_CAPTION;
            params.ExStyle |= WS_EX_TOOLWINDOW;
            break;
        case bsSizeToolWin:
            params.Style |= WS_CAPTION | WS_THICKFRAME;
            params.ExStyle |= WS_EX_TOOLWINDOW;
            break;
    }
    if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
            if (borderIcons_.Contains(biMinimize)) params.Style |= WS_MINIMIZEBOX;
            if (borderIcons_.Contains(biMaximize)) params.Style |= WS_MAXIMIZEBOX;
        }
        if (borderStyle_ == bsDialog && borderIcons_.Contains(biHelp))
            params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (!Enabled()) params.Style |= WS_DISABLED;
    if (formStyle_ == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
    params.WndParent = ParentWindow();
    if (params.WndParent == nullptr && Application != nullptr &&
        Application->MainForm() != nullptr && Application->MainForm() != this)
        params.WndParent = Application->MainForm()->WindowHandle();
    if (position_ == poDefault || position_ == poDefaultPosOnly)
        params.X = params.Y = CW_USEDEFAULT;
    params.WindowClass.style = CS_DBLCLKS;
}

TSize TCustomForm::FrameExtent() const {
    TCreateParams params;
    const_cast<TCustomForm*>(this)->CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.Style, menu_ != nullptr, params.ExStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void TCustomForm::CreateHandleDone() {
    // A shown form whose window was made again (a new border) shows again.
    const bool recreated = Visible() && shownOnce_ && !showingNow_;
    if (menu_ != nullptr) {
        ::SetMenu(WindowHandle(), menu_->Handle());
        menu_->SetWindow(WindowHandle());
    }
    if (position_ == poDefault || position_ == poDefaultPosOnly) {
        // The system chose the place: take it.
        RECT r;
        GetWindowRect(WindowHandle(), &r);
        SetBoundsFields(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    if (recreated) ShowWindowNow();
}

bool TCustomForm::Showing() const {
    return HandleAllocated() && IsWindowVisible(WindowHandle()) != FALSE;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (borderStyle_ == value) return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    if (borderIcons_ == value) return;
    borderIcons_ = value;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (value == fsMDIChild || value == fsMDIForm)
        throw runtime::EInvalidOperation("MDI forms are not supported");
    if (formStyle_ == value) return;
    formStyle_ = value;
    if (HandleAllocated())
        SetWindowPos(WindowHandle(), value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0,
                     0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetMenu(TMainMenu* value) {
    if (menu_ == value) return;
    if (menu_ != nullptr) {
        menu_->RemoveFreeNotification(this);
        menu_->SetWindow(nullptr);
    }
    menu_ = value;
    if (value != nullptr) value->FreeNotification(this);
    if (HandleAllocated()) {
        ::SetMenu(WindowHandle(), value != nullptr ? value->Handle() : nullptr);
        if (value != nullptr) value->SetWindow(WindowHandle());
    }
}

void TCustomForm::Notification(TComponent* component, runtime::TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != runtime::opRemove) return;
    if (component == menu_) {
        menu_ = nullptr;
        if (HandleAllocated() && !ComponentState().Contains(runtime::csDestroying))
            ::SetMenu(WindowHandle(), nullptr);
    }
    if (component == activeControl_) {
        activeControl_ = nullptr;
        if (Screen != nullptr && Screen->ActiveForm() == this) Screen->SetActiveControl(nullptr);
    }
}

void TCustomForm::PaintWindow(HDC dc) {
    canvas_->SetHandle(dc);
    try {
        canvas_->Font().Assign(Font());
        OnPaint(this);
    } catch (...) {
        canvas_->SetHandle(nullptr);
        throw;
    }
    canvas_->SetHandle(nullptr);
}

// ---- showing -------------------------------------------------------------------------------

void TCustomForm::Show() {
    SetVisible(true);
    if (HandleAllocated())
        SetWindowPos(WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TCustomForm::VisibleChanged() {
    if (showingNow_) return;
    showingNow_ = true;
    try {
        if (Visible()) {
            HandleNeeded();
            DoShow();
            if (!shownOnce_) {
                ApplyPosition();
                shownOnce_ = true;
            }
            MakeFullyVisible();
            ShowWindowNow();
            if (activeControl_ != nullptr && activeControl_->CanFocus())
                ::SetFocus(activeControl_->Handle());
            else if (activeControl_ == nullptr)
                SelectNext(nullptr, true, true);
        } else {
            DoHide();
            if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
        }
    } catch (...) {
        showingNow_ = false;
        throw;
    }
    showingNow_ = false;
}

void TCustomForm::ShowWindowNow() {
    const int command = windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
                        : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                      : SW_SHOW;
    ShowWindow(WindowHandle(), command);
}

void TCustomForm::SetWindowState(TWindowState value) {
    if (windowState_ == value) return;
    windowState_ = value;
    if (Showing())
        ShowWindow(WindowHandle(), value == wsMaximized   ? SW_MAXIMIZE
                                   : value == wsMinimized ? SW_MINIMIZE
                                                          : SW_RESTORE);
}

void TCustomForm::WMSize(TMessage& msg) {
    DefaultHandler(msg);
    if (!Showing()) return;
    windowState_ = msg.WParam == SIZE_MAXIMIZED   ? wsMaximized
                   : msg.WParam == SIZE_MINIMIZED ? wsMinimized
                                                  : wsNormal;
}

void TCustomForm::ApplyPosition() {
    TRect area;
    auto centreOn = [](TCustomForm* form) {
        return form != nullptr && form->Showing() ? form->BoundsRect() : TRect{};
    };
    switch (position_) {
        case poScreenCenter:
        case poDesktopCenter:
            area = Screen != nullptr ? Screen->WorkAreaRect() : TRect{};
            break;
        case poMainFormCenter:
            area = centreOn(Application != nullptr && Application->MainForm() != this
                                ? Application->MainForm()
                                : nullptr);
            break;
        case poOwnerFormCenter:
            area = centreOn(dynamic_cast<TCustomForm*>(Owner()));
            break;
        default:
            return;
    }
    if (area.IsEmpty() && Screen != nullptr) area = Screen->WorkAreaRect();
    SetBounds(area.Left + (area.Width() - Width()) / 2, area.Top + (area.Height() - Height()) / 2,
              Width(), Height());
}

void TCustomForm::MakeFullyVisible() {
    if (Parent() != nullptr || windowState_ != wsNormal || Screen == nullptr) return;
    std::vector<TRect> areas;
    for (const TMonitor& m : Screen->Monitors()) areas.push_back(m.WorkareaRect);
    const TRect r = FitOntoWorkArea(BoundsRect(), areas);
    if (r != BoundsRect()) SetBoundsRect(r);
}

void TCustomForm::DoShow() {
    OnShow(this);
}

void TCustomForm::DoHide() {
    OnHide(this);
}

// ---- modal ---------------------------------------------------------------------------------

namespace {

struct DisabledWindows {
    HWND keep;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM data) {
    auto* list = reinterpret_cast<DisabledWindows*>(data);
    if (window != list->keep && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        list->windows.push_back(window);
    }
    return TRUE;
}

}  // namespace

TModalResult TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || modal_)
        throw runtime::EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture() != nullptr) SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    HWND activeBefore = GetActiveWindow();
    HandleNeeded();
    DisabledWindows disabled{WindowHandle(), {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&disabled));
    modal_ = true;
    if (Application != nullptr) Application->ModalStarted();
    TModalResult result = mrNone;
    TAliveGuard guard(*this);
    // The form may be gone (freed while its loop ran): then only what is
    // not the form's is restored.
    auto finish = [&] {
        if (guard.Alive()) modal_ = false;
        if (Application != nullptr) Application->ModalFinished();
        for (HWND w : disabled.windows)
            if (IsWindow(w)) EnableWindow(w, TRUE);
        if (activeBefore != nullptr && IsWindow(activeBefore)) SetActiveWindow(activeBefore);
    };
    try {
        Show();
        modalResult_ = mrNone;
        while (guard.Alive() && modalResult_ == mrNone) {
            Application->HandleMessage();
            if (!guard.Alive()) break;
            if (Application->Terminated()) modalResult_ = mrCancel;
            if (modalResult_ != mrNone) CloseModal();
        }
        if (guard.Alive()) {
            result = modalResult_;
            if (Visible()) Hide();
        } else {
            result = mrCancel;
        }
    } catch (...) {
        if (guard.Alive() && Visible()) Hide();
        finish();
        throw;
    }
    finish();
    return result;
}

void TCustomForm::CloseModal() {
    TCloseAction action = runtime::caHide;
    if (!CloseQuery()) {
        modalResult_ = mrNone;
        return;
    }
    TAliveGuard guard(*this);
    DoClose(action);
    if (!guard.Alive()) return;
    if (action == runtime::caNone) {
        modalResult_ = mrNone;
    } else if (action == runtime::caFree) {
        Release();
    }
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
    OnClose(this, action);
}

void TCustomForm::Close() {
    if (modal_) {
        // The modal loop asks OnCloseQuery and OnClose.
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = runtime::caHide;
    TAliveGuard guard(*this);
    DoClose(action);
    if (!guard.Alive() || action == runtime::caNone) return;
    if (Application != nullptr && Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
        case runtime::caHide:
            Hide();
            break;
        case runtime::caMinimize:
            SetWindowState(wsMinimized);
            break;
        default:
            Release();
            break;
    }
}

void TCustomForm::WMClose(TMessage&) {
    Close();
}

// ---- focus ---------------------------------------------------------------------------------

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control != nullptr && !ContainsControl(control))
        throw runtime::EInvalidOperation("Invalid control for the form's focus");
    if (activeControl_ != nullptr) activeControl_->RemoveFreeNotification(this);
    activeControl_ = control;
    if (control != nullptr) control->FreeNotification(this);
    if (control != nullptr && Showing() && control->CanFocus()) ::SetFocus(control->Handle());
}

void TCustomForm::FocusControl(TWinControl* control) {
    if (control == nullptr || !control->CanFocus()) return;
    if (Showing())
        ::SetFocus(control->Handle());
    else
        SetActiveControl(control);
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
    if (activeControl_ == control) return;
    TWinControl* old = activeControl_;
    if (old != nullptr) old->RemoveFreeNotification(this);
    activeControl_ = control;
    if (control != nullptr) control->FreeNotification(this);
    if (Screen != nullptr && Screen->ActiveForm() == this) Screen->SetActiveControl(control);
    if (old != nullptr) old->Perform(CM_EXIT);
    if (activeControl_ != control) return;  // a handler moved the focus on
    if (control != nullptr) control->Perform(CM_ENTER);
    TMessage changed{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control), 0};
    Broadcast(changed);
}

void TCustomForm::SendCancelMode(TControl* sender) {
    if (activeControl_ != nullptr && activeControl_ != sender)
        activeControl_->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
}

void TCustomForm::WMActivate(TMessage& msg) {
    const bool activating = LOWORD(msg.WParam) != WA_INACTIVE;
    if (!activating) {
        active_ = false;
        Deactivate();
        DefaultHandler(msg);
        return;
    }
    active_ = true;
    if (Screen != nullptr) Screen->SetActiveForm(this);
    if (activeControl_ != nullptr && activeControl_->HandleAllocated() &&
        activeControl_->CanFocus())
        ::SetFocus(activeControl_->WindowHandle());
    else
        DefaultHandler(msg);
    Activate();
}

void TCustomForm::Activate() {
    OnActivate(this);
}

void TCustomForm::Deactivate() {
    OnDeactivate(this);
}

void TCustomForm::WMGetMinMaxInfo(TMessage& msg) {
    DefaultHandler(msg);
    auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
    const TSizeLimits& limits = Constraints()->Limits();
    if (limits.MinWidth > 0) info->ptMinTrackSize.x = limits.MinWidth;
    if (limits.MinHeight > 0) info->ptMinTrackSize.y = limits.MinHeight;
    if (limits.MaxWidth > 0) info->ptMaxTrackSize.x = limits.MaxWidth;
    if (limits.MaxHeight > 0) info->ptMaxTrackSize.y = limits.MaxHeight;
}

// ---- keys and commands ---------------------------------------------------------------------

void TCustomForm::CMDialogKey(TMessage& msg) {
    const auto key = static_cast<uint16_t>(msg.WParam);
    const TShiftState shift = KeyDataToShiftState(msg.LParam);
    if (key == VK_TAB && !shift.Contains(runtime::ssCtrl) && !shift.Contains(runtime::ssAlt)) {
        SelectNext(activeControl_, !shift.Contains(runtime::ssShift), true);
        msg.Result = 1;
        return;
    }
    if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) &&
        activeControl_ != nullptr && activeControl_->Parent() != nullptr) {
        activeControl_->Parent()->SelectNext(activeControl_, key == VK_RIGHT || key == VK_DOWN,
                                             false);
        msg.Result = 1;
        return;
    }
    GUI_INHERITED(msg);
}

bool TCustomForm::IsShortCut(TShortCut shortCut) {
    if ((shortCut & 0xFF) == 0) return false;
    uint16_t key = shortCut;
    bool handled = false;
    OnShortCut(key, handled);
    if (handled) return true;
    if (menu_ != nullptr && menu_->IsShortCut(shortCut)) return true;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* list = dynamic_cast<TCustomActionList*>(Components(i));
            list != nullptr && list->IsShortCut(shortCut))
            return true;
    return false;
}

void TCustomForm::UpdateActions() {
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* list = dynamic_cast<TCustomActionList*>(Components(i))) list->UpdateActions();
    UpdateActionState();
}

void TCustomForm::WMCommand(TMessage& msg) {
    if (msg.LParam == 0 && HIWORD(msg.WParam) == 0 && menu_ != nullptr &&
        menu_->DispatchCommand(LOWORD(msg.WParam)))
        return;
    GUI_INHERITED(msg);
}

void TCustomForm::WMMenuSelect(TMessage& msg) {
    if (menu_ != nullptr && Application != nullptr && (HIWORD(msg.WParam) & MF_POPUP) == 0)
        Application->SetHint(menu_->HintOf(LOWORD(msg.WParam)));
    DefaultHandler(msg);
}

}  // namespace gui
