#include <algorithm>

#include "gui/actions.h"
#include "gui/application.h"
#include "gui/controls.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/menus.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

using runtime::TOperation;

TShiftState KeysToShiftState(WPARAM keys) {
    TShiftState s;
    if (keys & MK_SHIFT) s.Include(runtime::ssShift);
    if (keys & MK_CONTROL) s.Include(runtime::ssCtrl);
    if (keys & MK_LBUTTON) s.Include(runtime::ssLeft);
    if (keys & MK_RBUTTON) s.Include(runtime::ssRight);
    if (keys & MK_MBUTTON) s.Include(runtime::ssMiddle);
    if (GetKeyState(VK_MENU) < 0) s.Include(runtime::ssAlt);
    return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(runtime::ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(runtime::ssCtrl);
    if ((keyData & 0x20000000) != 0) s.Include(runtime::ssAlt);  // context code
    return s;
}

TCustomForm* GetParentForm(const TControl* control) {
    while (control != nullptr && control->Parent() != nullptr) control = control->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(control));
}

TControl* FindControlAtPoint(TPoint screen, bool allowDisabled) {
    const POINT p = ToPOINT(screen);
    HWND window = WindowFromPoint(p);
    if (window == nullptr) return nullptr;
    // WindowFromPoint passes over disabled windows; look into them.
    if (allowDisabled) {
        for (;;) {
            POINT client = p;
            ::ScreenToClient(window, &client);
            HWND child =
                ChildWindowFromPointEx(window, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
            if (child == nullptr || child == window) break;
            window = child;
        }
    }
    TWinControl* control = nullptr;
    for (; window != nullptr && control == nullptr; window = GetParent(window))
        control = TWinControl::FindControl(window);
    if (control == nullptr) return nullptr;
    TControl* child = control->ControlAtPos(control->ScreenToClient(screen), allowDisabled);
    return child != nullptr ? child : control;
}

// ---- TSizeConstraints ------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TSizeConstraints, runtime::TPersistent)
RUNTIME_PROPERTY(MaxHeight, MaxHeight, SetMaxHeight).Default(0);
RUNTIME_PROPERTY(MaxWidth, MaxWidth, SetMaxWidth).Default(0);
RUNTIME_PROPERTY(MinHeight, MinHeight, SetMinHeight).Default(0);
RUNTIME_PROPERTY(MinWidth, MinWidth, SetMinWidth).Default(0);
RUNTIME_END_CLASS

void TSizeConstraints::Set(int& field, int value) {
    value = std::max(0, value);
    if (field == value) return;
    field = value;
    OnChange(this);
}
void TSizeConstraints::SetMinWidth(int value) {
    Set(limits_.MinWidth, value);
}
void TSizeConstraints::SetMinHeight(int value) {
    Set(limits_.MinHeight, value);
}
void TSizeConstraints::SetMaxWidth(int value) {
    Set(limits_.MaxWidth, value);
}
void TSizeConstraints::SetMaxHeight(int value) {
    Set(limits_.MaxHeight, value);
}

void TSizeConstraints::Assign(const runtime::TPersistent* source) {
    if (const auto* other = dynamic_cast<const TSizeConstraints*>(source)) {
        limits_ = other->limits_;
        OnChange(this);
        return;
    }
    runtime::TPersistent::Assign(source);
}

// ---- TControl: class information and handlers -------------------------------------------------

RUNTIME_BEGIN_CLASS(TControl, runtime::TComponent)
RUNTIME_PROPERTY(Left, Left, SetLeft);
RUNTIME_PROPERTY(Top, Top, SetTop);
RUNTIME_PROPERTY(Width, Width, SetWidth);
RUNTIME_PROPERTY(Height, Height, SetHeight);
RUNTIME_PROPERTY(Align, Align, SetAlign).Default(alNone);
RUNTIME_PROPERTY(Anchors, Anchors, SetAnchors).Default(kDefaultAnchors);
RUNTIME_READONLY(Constraints, Constraints);
RUNTIME_PROPERTY(Action, Action, SetAction);
RUNTIME_PROPERTY(Enabled, Enabled, SetEnabled).Default(true);
RUNTIME_PROPERTY(ParentColor, ParentColor, SetParentColor).Default(false);
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clBtnFace);
RUNTIME_PROPERTY(ParentFont, ParentFont, SetParentFont).Default(true);
RUNTIME_READONLY(Font, Font);
RUNTIME_PROPERTY(Cursor, Cursor, SetCursor).Default(crDefault);
RUNTIME_PROPERTY(DragCursor, DragCursor, SetDragCursor).Default(crDrag);
RUNTIME_PROPERTY(DragMode, DragMode, SetDragMode).Default(dmManual);
RUNTIME_PROPERTY(Hint, Hint, SetHint);
RUNTIME_PROPERTY(ParentShowHint, ParentShowHint, SetParentShowHint).Default(true);
RUNTIME_PROPERTY(ShowHint, ShowHint, SetShowHint).Default(false);
RUNTIME_PROPERTY(PopupMenu, PopupMenu, SetPopupMenu);
RUNTIME_PROPERTY(Visible, Visible, SetVisible).Default(true);
RUNTIME_FIELD(OnClick);
RUNTIME_FIELD(OnDblClick);
RUNTIME_FIELD(OnMouseDown);
RUNTIME_FIELD(OnMouseMove);
RUNTIME_FIELD(OnMouseUp);
RUNTIME_FIELD(OnMouseWheel);
RUNTIME_FIELD(OnMouseEnter);
RUNTIME_FIELD(OnMouseLeave);
RUNTIME_FIELD(OnResize);
RUNTIME_FIELD(OnContextPopup);
RUNTIME_FIELD(OnStartDrag);
RUNTIME_FIELD(OnDragOver);
RUNTIME_FIELD(OnDragDrop);
RUNTIME_FIELD(OnEndDrag);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TControl)
GUI_MESSAGE(WM_LBUTTONDOWN, WMLButtonDown)
GUI_MESSAGE(WM_RBUTTONDOWN, WMRButtonDown)
GUI_MESSAGE(WM_MBUTTONDOWN, WMMButtonDown)
GUI_MESSAGE(WM_LBUTTONDBLCLK, WMLButtonDblClk)
GUI_MESSAGE(WM_RBUTTONDBLCLK, WMRButtonDblClk)
GUI_MESSAGE(WM_MBUTTONDBLCLK, WMMButtonDblClk)
GUI_MESSAGE(WM_LBUTTONUP, WMLButtonUp)
GUI_MESSAGE(WM_RBUTTONUP, WMRButtonUp)
GUI_MESSAGE(WM_MBUTTONUP, WMMButtonUp)
GUI_MESSAGE(WM_MOUSEMOVE, WMMouseMove)
GUI_MESSAGE(WM_MOUSEWHEEL, WMMouseWheel)
GUI_MESSAGE(WM_CONTEXTMENU, WMContextMenu)
GUI_MESSAGE(CM_MOUSEENTER, CMMouseEnter)
GUI_MESSAGE(CM_MOUSELEAVE, CMMouseLeave)
GUI_MESSAGE(CM_PARENTFONTCHANGED, CMParentFontChanged)
GUI_MESSAGE(CM_PARENTCOLORCHANGED, CMParentColorChanged)
GUI_MESSAGE(CM_PARENTSHOWHINTCHANGED, CMParentShowHintChanged)
GUI_MESSAGE(CM_HITTEST, CMHitTest)
GUI_MESSAGE(CM_ENABLEDCHANGED, CMEnabledChanged)
GUI_MESSAGE(CM_HINTSHOW, CMHintShow)
GUI_MESSAGE(CM_DRAG, CMDrag)
GUI_END_MESSAGE_MAP

const TMessageMap& TNoMessages::StaticMessageMap() {
    static const TMessageMap map(nullptr, {});
    return map;
}

TMessageMap::TMessageMap(const TMessageMap* parent, std::initializer_list<Entry> own) {
    if (parent != nullptr) entries_ = parent->entries_;
    for (const Entry& e : own) {
        auto it = std::lower_bound(entries_.begin(), entries_.end(), e.first,
                                   [](const Entry& x, UINT m) { return x.first < m; });
        if (it != entries_.end() && it->first == e.first)
            it->second = e.second;
        else
            entries_.insert(it, e);
    }
}

// ---- TControl ----------------------------------------------------------------------------------

TControl::TControl(TComponent* owner)
    : TComponent(owner),
      constraints_(std::make_unique<TSizeConstraints>()),
      font_(std::make_unique<TFont>()),
      controlStyle_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks},
      windowProc_([this](TMessage& msg) { WndProc(msg); }) {
    font_->OnChange = [this](TObject*) {
        if (!applyingParentFont_) parentFont_ = false;
        FontChanged();
    };
    constraints_->OnChange = [this](TObject*) { SetBounds(left_, top_, width_, height_); };
}

TControl::~TControl() {
    for (TAliveGuard* guard = guards_; guard != nullptr; guard = guard->next_)
        guard->alive_ = false;
    guards_ = nullptr;
    if (Application != nullptr) Application->ControlDestroying(this);
    actionLink_.reset();
    if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::InheritedMessage(const TMessageMap& parentMap, TMessage& msg) {
    if (!parentMap.Dispatch(*this, msg)) DefaultHandler(msg);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    windowProc_(m);
    return m.Result;
}

void TControl::WndProc(TMessage& msg) {
    Dispatch(msg);
}

void TControl::Dispatch(TMessage& msg) {
    if (!MessageMap().Dispatch(*this, msg)) DefaultHandler(msg);
}

void TControl::DefaultHandler(TMessage& msg) {
    switch (msg.Msg) {
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
            // A windowless control answers for its caption.
            if (msg.Msg == WM_GETTEXTLENGTH) {
                msg.Result = static_cast<LRESULT>(text_.size());
            } else if (msg.WParam > 0) {
                const size_t n = std::min<size_t>(text_.size(), msg.WParam - 1);
                auto* out = reinterpret_cast<char16_t*>(msg.LParam);
                std::copy_n(text_.data(), n, out);
                out[n] = u'\0';
                msg.Result = static_cast<LRESULT>(n);
            }
            break;
        default:
            break;
    }
}

// ---- placement -----------------------------------------------------------------------------

void TControl::SetParent(TWinControl* parent) {
    if (parent_ == parent) return;
    if (parent == this)
        throw runtime::EInvalidOperation("A control cannot have itself as its parent");
    if (parent_ != nullptr) parent_->RemoveControl(this);
    if (parent != nullptr) parent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const {
    return parent_;
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* winParent = dynamic_cast<TWinControl*>(parent)) SetParent(winParent);
}

void TControl::Loaded() {
    TComponent::Loaded();
    UpdateAnchorOrigin();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    const TSize size =
        ConstrainSize({std::max(0, width), std::max(0, height)}, constraints_->Limits());
    if (left != left_ || top != top_ || size.Width != width_ || size.Height != height_)
        UpdateBoundsRect(left, top, size.Width, size.Height);
    if (parent_ == nullptr || !parent_->anchoring_) UpdateAnchorOrigin();
}

void TControl::SetBoundsFields(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TControl::UpdateBoundsRect(int left, int top, int width, int height) {
    const bool resized = width != width_ || height != height_;
    const bool showing = parent_ != nullptr && visible_;
    if (showing) Invalidate();
    SetBoundsFields(left, top, width, height);
    if (showing) Invalidate();
    BoundsChanged(resized);
}

void TControl::BoundsChanged(bool resized) {
    if (parent_ != nullptr) {
        if (align_ != alNone) parent_->Realign();
        parent_->ChildBoundsChanged(this);
    }
    if (resized) Resize();
}

void TControl::Resize() {
    OnResize(this);
}

TRect TControl::ClientRect() const {
    return {0, 0, width_, height_};
}

void TControl::SetClientSize(int width, int height) {
    const TRect client = ClientRect();
    SetBounds(left_, top_, width_ + width - client.Width(), height_ + height - client.Height());
}

TPoint TControl::ClientOrigin() const {
    if (parent_ == nullptr) return {left_, top_};
    const TPoint p = parent_->ClientOrigin();
    return {p.X + left_, p.Y + top_};
}

TPoint TControl::ClientToScreen(TPoint p) const {
    const TPoint o = ClientOrigin();
    return {p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
    const TPoint o = ClientOrigin();
    return {p.X - o.X, p.Y - o.Y};
}

void TControl::SetAlign(TAlign value) {
    if (align_ == value) return;
    const TAlign old = align_;
    align_ = value;
    if (parent_ != nullptr && (old != alNone || value != alNone)) parent_->Realign();
}

void TControl::SetAnchors(TAnchors value) {
    anchors_ = value;
    UpdateAnchorOrigin();
}

void TControl::UpdateAnchorOrigin() {
    // Only controls anchored otherwise than top-left move with their parent.
    if (parent_ == nullptr || anchors_ == kDefaultAnchors) return;
    const TRect client = parent_->ClientRect();
    anchorOrigin_ = {{left_, top_, width_, height_}, {client.Width(), client.Height()}};
}

// ---- state -------------------------------------------------------------------------------------

void TControl::SetVisible(bool value) {
    if (visible_ == value) return;
    if (!value && parent_ != nullptr) Invalidate();
    visible_ = value;
    VisibleChanged();
}

void TControl::VisibleChanged() {
    if (visible_ && parent_ != nullptr) Invalidate();
    Perform(CM_VISIBLECHANGED, visible_ ? 1 : 0);
    if (parent_ != nullptr && align_ != alNone) parent_->Realign();
}

bool TControl::Showing() const {
    return visible_ && parent_ != nullptr && parent_->Showing();
}

void TControl::SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    EnabledChanged();
}

void TControl::EnabledChanged() {
    Perform(CM_ENABLEDCHANGED);
}

void TControl::CMEnabledChanged(TMessage&) {
    Invalidate();
}

std::string TControl::Text() const {
    return runtime::WideToAnsi(TextW());
}

void TControl::SetText(const std::string& value) {
    SetTextW(runtime::AnsiToWide(value));
}

void TControl::SetTextW(const std::u16string& value) {
    if (text_ == value) return;
    text_ = value;
    TextChanged();
    Perform(CM_TEXTCHANGED);
    Invalidate();
}

void TControl::SetFont(TFont* value) {
    if (value != nullptr) font_->Assign(value);
}

void TControl::SetParentFont(bool value) {
    if (parentFont_ == value) return;
    parentFont_ = value;
    if (value) ApplyParentFont();
}

void TControl::ApplyParentFont() {
    if (!parentFont_ || parent_ == nullptr) return;
    applyingParentFont_ = true;
    try {
        font_->Assign(parent_->Font());
    } catch (...) {
        applyingParentFont_ = false;
        throw;
    }
    applyingParentFont_ = false;
}

void TControl::FontChanged() {
    Perform(CM_FONTCHANGED);
    Invalidate();
}

void TControl::CMParentFontChanged(TMessage&) {
    ApplyParentFont();
}

void TControl::SetColor(TColor value) {
    parentColor_ = false;
    if (color_ == value) return;
    color_ = value;
    Perform(CM_COLORCHANGED);
    Invalidate();
}

void TControl::SetParentColor(bool value) {
    SetFromParent(parentColor_, value, CM_PARENTCOLORCHANGED);
}

void TControl::CMParentColorChanged(TMessage&) {
    if (!parentColor_ || parent_ == nullptr) return;
    SetColor(parent_->Color());
    parentColor_ = true;
}

void TControl::SetCursor(TCursor value) {
    if (cursor_ == value) return;
    cursor_ = value;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetHint(const std::string& value) {
    hint_ = value;
}

void TControl::SetShowHint(bool value) {
    SetOwnValue(showHint_, parentShowHint_, value, CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value) {
    SetFromParent(parentShowHint_, value, CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetFromParent(bool& fromParent, bool value, UINT parentChanged) {
    if (fromParent == value) return;
    fromParent = value;
    if (value && parent_ != nullptr) Perform(parentChanged);
}

void TControl::CMParentShowHintChanged(TMessage&) {
    if (!parentShowHint_ || parent_ == nullptr) return;
    SetShowHint(parent_->ShowHint());
    parentShowHint_ = true;
}

void TControl::SetPopupMenu(TPopupMenu* value) {
    if (popupMenu_ == value) return;
    if (popupMenu_ != nullptr) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != runtime::opRemove) return;
    if (component == popupMenu_) popupMenu_ = nullptr;
    if (actionLink_ && component == actionLink_->Action()) SetAction(nullptr);
}

// ---- painting ------------------------------------------------------------------------------

void TControl::Invalidate() {
    if (parent_ == nullptr || !parent_->HandleAllocated() || !visible_) return;
    const RECT r = ToRECT(BoundsRect());
    InvalidateRect(parent_->WindowHandle(), &r, !controlStyle_.Contains(csOpaque));
}

void TControl::Update() {
    if (parent_ != nullptr) parent_->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (parent_ == nullptr) return;
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
    if (auto* win = dynamic_cast<TWinControl*>(this); win != nullptr && win->HandleAllocated())
        SetWindowPos(win->WindowHandle(), HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendToBack() {
    if (parent_ == nullptr) return;
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(list.begin(), this);
    if (auto* win = dynamic_cast<TWinControl*>(this); win != nullptr && win->HandleAllocated())
        SetWindowPos(win->WindowHandle(), HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

// ---- mouse ---------------------------------------------------------------------------------

bool TControl::MouseCapture() const {
    return Application != nullptr && Application->CaptureControl() == this;
}

void TControl::SetMouseCapture(bool value) {
    if (Application == nullptr || MouseCapture() == value) return;
    Application->SetCaptureControl(value ? this : nullptr);
}

void TControl::MouseButtonDown(TMessage& msg, TMouseButton button, bool doubleClick) {
    TAliveGuard guard(*this);
    if (TCustomForm* form = GetParentForm(this)) form->SendCancelMode(this);
    if (!guard.Alive()) return;
    DefaultHandler(msg);
    if (!guard.Alive()) return;
    if (Application != nullptr) Application->CancelHint();
    if (button == runtime::mbLeft) {
        if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
        if (controlStyle_.Contains(csClickEvents)) clicked_ = true;
    }
    const TPoint p = PointFromLParam(msg.LParam);
    TShiftState shift = KeysToShiftState(msg.WParam);
    if (doubleClick) {
        shift.Include(runtime::ssDouble);
        if (button == runtime::mbLeft && controlStyle_.Contains(csDoubleClicks)) DblClick();
        if (!guard.Alive()) return;
    }
    MouseDown(button, shift, p.X, p.Y);
    if (guard.Alive() && button == runtime::mbLeft && !doubleClick && dragMode_ == dmAutomatic)
        BeginDrag(false);
}

void TControl::MouseButtonUp(TMessage& msg, TMouseButton button) {
    TAliveGuard guard(*this);
    DefaultHandler(msg);
    if (!guard.Alive()) return;
    const TPoint p = PointFromLParam(msg.LParam);
    if (button == runtime::mbLeft) {
        if (MouseCapture()) SetMouseCapture(false);
        if (clicked_) {
            clicked_ = false;
            if (ClientRect().Contains(p)) Click();
            if (!guard.Alive()) return;
        }
    }
    MouseUp(button, KeysToShiftState(msg.WParam), p.X, p.Y);
}

void TControl::WMLButtonDown(TMessage& msg) {
    MouseButtonDown(msg, runtime::mbLeft, false);
}
void TControl::WMRButtonDown(TMessage& msg) {
    MouseButtonDown(msg, runtime::mbRight, false);
}
void TControl::WMMButtonDown(TMessage& msg) {
    MouseButtonDown(msg, runtime::mbMiddle, false);
}
void TControl::WMLButtonDblClk(TMessage& msg) {
    MouseButtonDown(msg, runtime::mbLeft, true);
}
void TControl::WMRButtonDblClk(TMessage& msg) {
    MouseButtonDown(msg, runtime::mbRight, true);
}
void TControl::WMMButtonDblClk(TMessage& msg) {
    MouseButtonDown(msg, runtime::mbMiddle, true);
}
void TControl::WMLButtonUp(TMessage& msg) {
    MouseButtonUp(msg, runtime::mbLeft);
}
void TControl::WMRButtonUp(TMessage& msg) {
    MouseButtonUp(msg, runtime::mbRight);
}
void TControl::WMMButtonUp(TMessage& msg) {
    MouseButtonUp(msg, runtime::mbMiddle);
}

void TControl::WMMouseMove(TMessage& msg) {
    TAliveGuard guard(*this);
    DefaultHandler(msg);
    if (!guard.Alive()) return;
    const TPoint p = PointFromLParam(msg.LParam);
    MouseMove(KeysToShiftState(msg.WParam), p.X, p.Y);
}

void TControl::WMMouseWheel(TMessage& msg) {
    const TPoint screen = PointFromLParam(msg.LParam);
    const int delta = static_cast<short>(HIWORD(msg.WParam));
    TAliveGuard guard(*this);
    if (DoMouseWheel(KeysToShiftState(LOWORD(msg.WParam)), delta, screen)) {
        msg.Result = 1;
        return;
    }
    if (!guard.Alive()) return;
    // Not used here: the parent may scroll.
    if (parent_ != nullptr) {
        msg.Result = parent_->Perform(msg.Msg, msg.WParam, msg.LParam);
        if (msg.Result != 0) return;
    }
    DefaultHandler(msg);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    OnMouseWheel(this, shift, wheelDelta, mousePos.X, mousePos.Y, handled);
    return handled;
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
    OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseUp(this, button, shift, x, y);
}

void TControl::WMContextMenu(TMessage& msg) {
    TPoint screen = PointFromLParam(msg.LParam);
    if (msg.LParam == -1) {
        // From the keyboard: the middle of the control.
        screen = ClientToScreen({width_ / 2, height_ / 2});
    }
    bool handled = false;
    TAliveGuard guard(*this);
    DoContextPopup(screen, handled);
    if (handled || !guard.Alive()) {
        msg.Result = 1;
        return;
    }
    DefaultHandler(msg);
}

void TControl::DoContextPopup(TPoint screenPos, bool& handled) {
    const TPoint client = ScreenToClient(screenPos);
    OnContextPopup(this, client.X, client.Y, handled);
    if (handled || popupMenu_ == nullptr || !popupMenu_->AutoPopup()) return;
    handled = true;
    popupMenu_->SetPopupComponent(this);
    popupMenu_->Popup(screenPos.X, screenPos.Y);
}

void TControl::CMMouseEnter(TMessage&) {
    OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage&) {
    OnMouseLeave(this);
}

void TControl::CMHintShow(TMessage& msg) {
    auto* info = reinterpret_cast<THintInfo*>(msg.LParam);
    info->HintStr = HintWithShortCut(info->HintStr, Action());
}

void TControl::CMHitTest(TMessage& msg) {
    msg.Result = HTCLIENT;
}

void TControl::Release() {
    if (Application != nullptr) Application->ReleaseComponent(this);
}

// ---- clicks and actions -----------------------------------------------------------------------

void TControl::Click() {
    TBasicAction* action = Action();
    const bool sameAsAction = IsActionExecute(OnClick, action);
    if (OnClick && !sameAsAction)
        OnClick(this);
    else if (actionLink_)
        actionLink_->Execute(this);
    else
        OnClick(this);
}

void TControl::DblClick() {
    OnDblClick(this);
}

TBasicAction* TControl::Action() const {
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TControl::SetAction(TBasicAction* value) {
    if (value == nullptr) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) actionLink_ = CreateActionLink();
    actionLink_->SetAction(value);
    value->FreeNotification(this);
    const bool loading = ComponentState().Contains(runtime::csLoading);
    ActionChange(value, loading);
}

void TControl::UpdateActionState() {
    if (!actionLink_) return;
    auto* contained = dynamic_cast<TContainedAction*>(actionLink_->Action());
    if (contained != nullptr && contained->ActionList() != nullptr) return;
    actionLink_->Update();
}

std::unique_ptr<TControlActionLink> TControl::CreateActionLink() {
    return std::make_unique<TControlActionLink>(*this);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
    auto* action = dynamic_cast<TCustomAction*>(sender);
    if (action == nullptr) return;
    // While loading, what the layout gave the control itself wins.
    if (!checkDefaults || Text().empty()) SetText(action->Caption());
    if (!checkDefaults || Hint().empty()) SetHint(action->Hint());
    if (!checkDefaults || Enabled()) SetEnabled(action->Enabled());
    if (!checkDefaults || Visible()) SetVisible(action->Visible());
}

}  // namespace gui
