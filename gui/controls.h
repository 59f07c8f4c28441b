#pragma once

// Controls: TControl (anything placed on a form), TWinControl (a control
// with its own window), TCustomControl (a windowed control that paints
// itself on a canvas) and TGraphicControl (a windowless control painted by
// its parent).
//
// Messages reach a control through its WindowProc, which a program may
// replace and chain (save the old one, install a new one that calls it).
// WindowProc starts as WndProc, which dispatches each message to the
// handler its class registered for it (messages.h) or to the default
// handling. No exception leaves a window procedure: it is caught per message
// and handed to TApplication::HandleException.
//
// Ownership: a control belongs to its owner component (usually the form);
// its parent only places it. Destroying a parent destroys the children it
// still places. Deleting a control while it handles one of its own
// messages is safe: the window procedure notices and touches nothing of it
// afterwards; Release() defers the deletion to the message loop instead.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gui/align.h"
#include "gui/colors.h"
#include "gui/cursors.h"
#include "gui/drag.h"
#include "gui/geometry.h"
#include "gui/graphics.h"
#include "gui/messages.h"
#include "gui/win.h"
#include "runtime/component.h"
#include "runtime/events.h"

namespace gui {

using runtime::TComponent;
using runtime::TMouseButton;
using runtime::TNotifyEvent;
using runtime::TObject;
using runtime::TShiftState;

class TBasicAction;
class TControlActionLink;
class TCustomImageList;
class TDragManager;
class TDoubleBuffer;
class TCustomForm;
class TPopupMenu;
class TWinControl;

RUNTIME_ENUM(TControlStyleFlag, csAcceptsControls, csCaptureMouse, csClickEvents, csFramed,
             csSetCaption, csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csReplicatable,
             csNoStdEvents, csActionClient, csMenuEvents, csParentBackground, csDisplayDragImage)
RUNTIME_SET(TControlStyle, TControlStyleFlag)
// A bevelled frame a windowed control may draw around its client area:
// none, a sunken edge, a soft sunken edge, or a one-pixel shadow line.
RUNTIME_ENUM(TBevelKind, bkNone, bkTile, bkSoft, bkFlat)

RUNTIME_EVENT_TYPE(TMouseWheelEvent, "Sender, Shift, WheelDelta, X, Y, Handled", TObject*,
                   TShiftState, int, int, int, bool&);
RUNTIME_EVENT_TYPE(TContextPopupEvent, "Sender, X, Y, Handled", TObject*, int, int, bool&);

// The shift state in a mouse message's wParam, and in a key message's
// lParam together with the keyboard's state.
TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyDataToShiftState(LPARAM keyData);

// The smallest and largest size a control may take (0: no limit).
class TSizeConstraints : public runtime::TPersistent {
    RUNTIME_CLASS(TSizeConstraints)

  public:
    int MinWidth() const { return limits_.MinWidth; }
    void SetMinWidth(int value);
    int MinHeight() const { return limits_.MinHeight; }
    void SetMinHeight(int value);
    int MaxWidth() const { return limits_.MaxWidth; }
    void SetMaxWidth(int value);
    int MaxHeight() const { return limits_.MaxHeight; }
    void SetMaxHeight(int value);
    const TSizeLimits& Limits() const { return limits_; }

    void Assign(const runtime::TPersistent* source) override;
    TNotifyEvent OnChange;

  private:
    void Set(int& field, int value);
    TSizeLimits limits_;
};

class TControl : public TComponent {
    RUNTIME_CLASS(TControl)

  public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    static const TMessageMap& StaticMessageMap();
    virtual const TMessageMap& MessageMap() const { return StaticMessageMap(); }

  protected:
    using MessageParent = TNoMessages;

  public:
    // ---- placement ---------------------------------------------------------------------
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    // Moves and sizes the control, within its constraints, in its
    // parent's client coordinates.
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return gui::BoundsRect(left_, top_, width_, height_); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int value) { SetClientSize(value, ClientHeight()); }
    void SetClientHeight(int value) { SetClientSize(ClientWidth(), value); }
    virtual void SetClientSize(int width, int height);
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    // The origin of the client area in screen coordinates.
    virtual TPoint ClientOrigin() const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors value);
    TSizeConstraints* Constraints() const { return constraints_.get(); }

    // ---- state ---------------------------------------------------------------------------
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent up to a shown form visible too.
    virtual bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);

    // The control's text (a caption or an edit's contents). The class library
    // keeps it as UTF-16; Text is its conversion to the system code page.
    std::string Text() const;
    void SetText(const std::string& value);
    virtual std::u16string TextW() const { return text_; }
    virtual void SetTextW(const std::u16string& value);

    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* value);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* value);

    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle value) { controlStyle_ = value; }

    TBasicAction* Action() const;
    void SetAction(TBasicAction* value);
    // When the program is idle: the linked action's OnUpdate runs (unless
    // its action list updates it) so that the control shows its state. A
    // control with more action clients inside (a tool bar's items) updates
    // them too; a windowed control passes it on to its children.
    virtual void UpdateActionState();

    // ---- painting ------------------------------------------------------------------------
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // ---- messages ------------------------------------------------------------------------
    // Sends a message through WindowProc at once.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    const TWndMethod& WindowProc() const { return windowProc_; }
    void SetWindowProc(TWndMethod value) { windowProc_ = std::move(value); }
    // The default WindowProc: the class library's own handling, then Dispatch.
    virtual void WndProc(TMessage& msg);
    // The handler of the message's class, else DefaultHandler.
    void Dispatch(TMessage& msg);
    virtual void DefaultHandler(TMessage& msg);

    bool MouseCapture() const;
    void SetMouseCapture(bool value);

    // Frees the control once the message being handled is done.
    void Release();

    // ---- actions -------------------------------------------------------------------------
    // Runs OnClick, or the action when OnClick is not set or is the
    // action's own handler.
    virtual void Click();
    virtual void DblClick();

    // ---- drag and drop (drag.h) ----------------------------------------------------------
    // dmAutomatic: a left-button press begins a drag (with the default threshold).
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value) { dragMode_ = value; }
    // The cursor of this control's drag over a target that accepts it.
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor value) { dragCursor_ = value; }
    // Begins dragging this control: at once, or once the pointer moved
    // `threshold` pixels (-1: kDefaultDragThreshold) with the button held.
    // Nothing while a drag runs.
    void BeginDrag(bool immediate, int threshold = -1);
    // Ends this control's drag: drops it where the pointer is, or cancels it.
    void EndDrag(bool drop);
    // This control's drag is pending or running.
    bool Dragging() const;
    // The images this control's drag shows under the pointer (nullptr: none).
    virtual TCustomImageList* GetDragImages() { return nullptr; }
    // Something was dropped on the control: fires OnDragDrop.
    virtual void DragDrop(TObject* source, int x, int y);

    // ---- streaming -----------------------------------------------------------------------
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;
    void Loaded() override;

    // ---- events --------------------------------------------------------------------------
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    runtime::TMouseEvent OnMouseDown;
    runtime::TMouseMoveEvent OnMouseMove;
    runtime::TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    TContextPopupEvent OnContextPopup;
    TStartDragEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

  protected:
    void WMLButtonDown(TMessage& msg);
    void WMRButtonDown(TMessage& msg);
    void WMMButtonDown(TMessage& msg);
    void WMLButtonDblClk(TMessage& msg);
    void WMRButtonDblClk(TMessage& msg);
    void WMMButtonDblClk(TMessage& msg);
    void WMLButtonUp(TMessage& msg);
    void WMRButtonUp(TMessage& msg);
    void WMMButtonUp(TMessage& msg);
    void WMMouseMove(TMessage& msg);
    void WMMouseWheel(TMessage& msg);
    void WMContextMenu(TMessage& msg);
    void CMMouseEnter(TMessage& msg);
    void CMMouseLeave(TMessage& msg);
    void CMParentFontChanged(TMessage& msg);
    void CMParentColorChanged(TMessage& msg);
    void CMParentShowHintChanged(TMessage& msg);
    void CMHitTest(TMessage& msg);
    void CMEnabledChanged(TMessage& msg);
    void CMHintShow(TMessage& msg);
    void CMDrag(TMessage& msg);

  protected:
    // A handler's way to the handling its base class gives the message.
    void InheritedMessage(const TMessageMap& parentMap, TMessage& msg);

    // A property the control may take from its parent (ShowHint, Ctl3D):
    // setting it ends taking the parent's (`changed` tells the control);
    // switching `fromParent` on asks the parent again (`parentChanged`).
    template <class T>
    void SetOwnValue(T& field, bool& fromParent, T value, UINT changed) {
        fromParent = false;
        if (field == value) return;
        field = value;
        Perform(changed);
    }
    void SetFromParent(bool& fromParent, bool value, UINT parentChanged);

    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // True when the wheel turn was used; the base fires OnMouseWheel.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    // Fires OnContextPopup; shows PopupMenu at the screen point unless handled.
    virtual void DoContextPopup(TPoint screenPos, bool& handled);
    virtual void Resize();
    virtual void Paint() {}
    // This control's drag begins: fires OnStartDrag, which may supply the
    // drag object (the drag makes a TDragControlObject when it does not).
    virtual void DoStartDrag(TDragObject*& dragObject);
    // Would the control accept what is dragged at its client point? Accept
    // comes in true when OnDragOver is set (false otherwise); the base
    // fires OnDragOver.
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    // This control's drag ended on `target` (nullptr: nothing took it) at
    // its client point: fires OnEndDrag.
    virtual void DoEndDrag(TObject* target, int x, int y);
    // The action's properties changed (or a new action was linked).
    virtual void ActionChange(TObject* sender, bool checkDefaults);
    // Makes the link to an action; a control class with more to show
    // returns a link of its own class.
    virtual std::unique_ptr<TControlActionLink> CreateActionLink();
    void Notification(TComponent* component, runtime::TOperation operation) override;

    // The bounds changed; the base realigns the parent and fires Resize.
    virtual void BoundsChanged(bool resized);
    // Called by SetBounds for a windowless control; windowed ones move their window.
    virtual void UpdateBoundsRect(int left, int top, int width, int height);
    void SetBoundsFields(int left, int top, int width, int height);
    virtual void FontChanged();
    virtual void TextChanged() {}
    virtual void VisibleChanged();
    virtual void EnabledChanged();
    // Remembers where the control stands relative to its parent's size,
    // the base of anchoring.
    void UpdateAnchorOrigin();
    const TAnchorOrigin& AnchorOrigin() const { return anchorOrigin_; }

    std::u16string text_;
    TColor color_ = clBtnFace;

    // Tells whether the control still exists after calling out to a
    // handler that may have freed it. Guards of a control nest (they are
    // locals of the calls in progress), so they form a stack.
    class TAliveGuard {
      public:
        explicit TAliveGuard(TControl& control) : control_(control), next_(control.guards_) {
            control.guards_ = this;
        }
        ~TAliveGuard() {
            if (alive_) control_.guards_ = next_;
        }
        TAliveGuard(const TAliveGuard&) = delete;
        TAliveGuard& operator=(const TAliveGuard&) = delete;
        bool Alive() const { return alive_; }

      private:
        friend class TControl;
        TControl& control_;
        TAliveGuard* next_;
        bool alive_ = true;
    };

  private:
    friend class TWinControl;
    friend class TDragManager;
    friend class TDragControlObject;
    void MouseButtonDown(TMessage& msg, TMouseButton button, bool doubleClick);
    void MouseButtonUp(TMessage& msg, TMouseButton button);
    void ApplyParentFont();

    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_ = kDefaultAnchors;
    TAnchorOrigin anchorOrigin_;
    std::unique_ptr<TSizeConstraints> constraints_;
    bool visible_ = true;
    bool enabled_ = true;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool parentColor_ = false;
    bool applyingParentFont_ = false;
    TCursor cursor_ = crDefault;
    TDragMode dragMode_ = dmManual;
    TCursor dragCursor_ = crDrag;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TPopupMenu* popupMenu_ = nullptr;
    TControlStyle controlStyle_;
    bool clicked_ = false;
    std::unique_ptr<TControlActionLink> actionLink_;
    TWndMethod windowProc_;
    // The innermost guard watching this control (the destructor clears them).
    TAliveGuard* guards_ = nullptr;
};

// What a windowed control asks of CreateWindowExW, filled by CreateParams.
struct TCreateParams {
    std::u16string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSW WindowClass{};
    std::u16string WinClassName;
    // A system window class ("BUTTON", "EDIT", a common control) that the
    // control's class is made from; empty for the class library's own.
    std::u16string SystemClassName;
};

class TWinControl : public TControl {
    RUNTIME_CLASS(TWinControl)

  public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // ---- the window ------------------------------------------------------------------------
    // The window, made on demand (EInvalidOperation "Control '<name>' has
    // no parent window" for a child control without a parent window).
    HWND Handle();
    HWND WindowHandle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    // Destroys the window and makes it again with the current properties.
    void RecreateWnd();
    // The window a top-level control's window is owned by.
    HWND ParentWindow() const { return parentWindow_; }
    void SetParentWindow(HWND value);

    // ---- children ------------------------------------------------------------------------
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    bool ContainsControl(const TControl* control) const;
    // The visible child at the client point (the topmost one).
    TControl* ControlAtPos(TPoint p, bool allowDisabled = false,
                           bool allowWinControls = false) const;
    // Sends the message to every child until one answers non-zero.
    void Broadcast(TMessage& msg);

    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    void Realign();

    // ---- focus and tab order ---------------------------------------------------------------
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    int TabOrder() const;
    void SetTabOrder(int value);
    // The windowed children in tab order.
    const std::vector<TWinControl*>& TabList() const { return tabList_; }
    // Every focusable descendant in tab order, depth first. A container
    // that hides some of its children (a tool bar's overflow) leaves them out.
    virtual void GetTabOrderList(std::vector<TWinControl*>& list) const;
    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    // Moves the focus to the next (or previous) control in tab order after
    // `current`; true when one took it.
    bool SelectNext(TWinControl* current, bool forward, bool checkTabStop);

    TBrush& Brush() { return *brush_; }

    // Nested: the window stops redrawing until the last unlock, then
    // redraws whole (for batches of changes to lists).
    void BeginRedrawLock();
    void EndRedrawLock();
    bool RedrawLocked() const { return redrawLocks_ > 0; }

    // Visual styles for this control's window (on unless switched off).
    bool Themed() const { return themed_; }
    void SetThemed(bool value);
    // The sunken 3-D look of a bordered control, or a flat line when off.
    // With ParentCtl3D the control takes its parent's. The classes that
    // draw a border draw it by this (CM_CTL3DCHANGED tells them).
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool value);
    // The frame drawn in the window's non-client area, inside its border.
    TBevelKind BevelKind() const { return bevelKind_; }
    void SetBevelKind(TBevelKind value);

    // The form's part in keyboard handling (TApplication calls it).
    virtual bool DoKeyDown(TMessage& msg);
    virtual bool DoKeyPress(TMessage& msg);
    virtual bool DoKeyUp(TMessage& msg);

    void WndProc(TMessage& msg) override;
    void UpdateActionState() override;
    TPoint ClientOrigin() const override;
    TRect ClientRect() const override;
    bool Showing() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetClientSize(int width, int height) override;
    void Invalidate() override;
    void Update() override;
    void SetTextW(const std::u16string& value) override;
    std::u16string TextW() const override;

    // Paints the window and its windowless children into a device context.
    void PaintTo(HDC dc, int x, int y);

    void GetChildren(const runtime::TGetChildProc& proc, TComponent* root) override;
    void Loaded() override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    runtime::TKeyEvent OnKeyDown;
    runtime::TKeyPressEvent OnKeyPress;
    runtime::TWideKeyPressEvent OnWideKeyPress;
    runtime::TKeyEvent OnKeyUp;

    // The control whose window this is, nullptr for a window the class
    // library did not make.
    static TWinControl* FindControl(HWND window);

  protected:
    GUI_MESSAGE_MAP(TWinControl, TControl)
    void WMPaint(TMessage& msg);
    void WMPrintClient(TMessage& msg);
    void WMEraseBkgnd(TMessage& msg);
    void WMCommand(TMessage& msg);
    void WMNotify(TMessage& msg);
    void WMDrawItem(TMessage& msg);
    void WMMeasureItem(TMessage& msg);
    void WMCtlColor(TMessage& msg);
    void WMScroll(TMessage& msg);
    void WMSetFocus(TMessage& msg);
    void WMKillFocus(TMessage& msg);
    void WMKeyDown(TMessage& msg);
    void WMChar(TMessage& msg);
    void WMKeyUp(TMessage& msg);
    void WMSize(TMessage& msg);
    void WMWindowPosChanged(TMessage& msg);
    void WMSetCursor(TMessage& msg);
    void WMNCDestroy(TMessage& msg);
    void WMMouseLeave(TMessage& msg);
    void WMContextMenu(TMessage& msg);
    void WMSysCommand(TMessage& msg);
    void CNKeyDown(TMessage& msg);
    void CNChar(TMessage& msg);
    void CNSysChar(TMessage& msg);
    void CMDialogKey(TMessage& msg);
    void CMDialogChar(TMessage& msg);
    void CMFocusChanged(TMessage& msg);
    void CMColorChanged(TMessage& msg);
    void CMFontChanged(TMessage& msg);
    void CMShowHintChanged(TMessage& msg);
    void CMCtl3DChanged(TMessage& msg);
    void CMParentCtl3DChanged(TMessage& msg);
    void WMNCCalcSize(TMessage& msg);
    void WMNCPaint(TMessage& msg);
    void CMCtlColor(TMessage& msg);
    void CMEnter(TMessage& msg);
    void CMExit(TMessage& msg);

  protected:
    virtual void CreateParams(TCreateParams& params);
    // Makes the window: CreateParams, the window class, MakeWindowHandle,
    // then the children's windows.
    virtual void CreateWnd();
    // Calls CreateWindowExW with the parameters.
    virtual void MakeWindowHandle(const TCreateParams& params);
    // Keeps what the window holds (its text) and destroys it.
    virtual void DestroyWnd();
    // The window exists now (children have theirs too).
    virtual void CreateHandleDone() {}

    // Lays out the aligned children within `rect` (the client area, less
    // what AdjustClientRect takes away).
    virtual void AlignControls(TControl* control, TRect& rect);
    virtual void AdjustClientRect(TRect&) const {}
    // True for containers that place their children themselves (pages of
    // a page control), so that Realign always runs AlignControls.
    virtual bool ArrangesChildren() const { return false; }
    // How much larger the window is than its client area (before it exists).
    virtual TSize FrameExtent() const;
    // The parent's client area changed size: anchored children follow.
    void ApplyAnchors();

    virtual void KeyDown(uint16_t& key, TShiftState shift);
    virtual void KeyUp(uint16_t& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void DoEnter();
    virtual void DoExit();

    // WM_PAINT, with a device context in wParam or from BeginPaint, and
    // WM_PRINTCLIENT come here. The base lets the window paint itself and
    // paints the windowless children on top.
    virtual void PaintHandler(TMessage& msg);
    virtual void PaintWindow(HDC dc);
    void PaintControls(HDC dc, TControl* first);
    bool HasGraphicChildren() const;

    void BoundsChanged(bool resized) override;
    void UpdateBoundsRect(int left, int top, int width, int height) override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void FontChanged() override;

    // The window procedure the class came with (DefWindowProcW for the
    // class library's own classes).
    WNDPROC DefWndProc() const { return defWndProc_; }
    void DefaultHandler(TMessage& msg) override;

    // A child moved, changed size, came or went (nullptr).
    virtual void ChildBoundsChanged(TControl*) {}
    // Children join and leave their parent's lists.
    virtual void InsertControl(TControl* control);
    virtual void RemoveControl(TControl* control);
    // A child's window is made when its parent's window exists.
    void CreateChildHandles();
    void DestroyHandle();
    // Destroys the window (and those inside it) now, or - while a message
    // of it or of a window inside it is being handled - detaches it from
    // this control and destroys it once that is done.
    void ReleaseWindow();
    // A message of this window or of one inside it is being handled.
    bool SubtreeBusy() const;

  private:
    friend class TControl;
    friend class TApplication;
    friend LRESULT CALLBACK StdWndProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    LRESULT MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    void ReflectToChild(HWND child, TMessage& msg);
    // Hands a mouse message to the windowless child under the mouse (or
    // holding the capture); true when one took it.
    bool IsControlMouseMsg(TMessage& msg);
    void TrackMouseLeave();

    HWND handle_ = nullptr;
    HWND parentWindow_ = nullptr;
    // Messages of this window being handled (nested).
    int dispatchDepth_ = 0;
    int redrawLocks_ = 0;
    WNDPROC defWndProc_ = DefWindowProcW;
    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    bool tabStop_ = false;
    bool themed_ = true;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    TBevelKind bevelKind_ = bkNone;
    // The tab order a layout asked for, applied once every sibling is read.
    int loadTabOrder_ = -1;
    int alignDisabled_ = 0;
    bool alignPending_ = false;
    bool anchoring_ = false;
    bool trackingMouse_ = false;
    bool destroyingHandle_ = false;
    std::unique_ptr<TBrush> brush_;
};

// A windowed control that paints itself with Paint on its Canvas. With
// DoubleBuffered (the default) painting goes to a memory bitmap first; a
// device context in WM_PAINT's wParam or WM_PRINTCLIENT's is painted into
// the same way.
class TCustomControl : public TWinControl {
    RUNTIME_CLASS(TCustomControl)

  public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;

    TCanvas& Canvas() { return *canvas_; }
    bool DoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool value);

  protected:
    GUI_MESSAGE_MAP(TCustomControl, TWinControl)
    void WMEraseBkgnd(TMessage& msg);

  protected:
    void PaintHandler(TMessage& msg) override;

  private:
    std::unique_ptr<TCanvas> canvas_;
    std::unique_ptr<TDoubleBuffer> buffer_;
    bool doubleBuffered_ = true;
};

// A control without a window, painted by its parent.
class TGraphicControl : public TControl {
    RUNTIME_CLASS(TGraphicControl)

  public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    TCanvas& Canvas() { return *canvas_; }

  protected:
    GUI_MESSAGE_MAP(TGraphicControl, TControl)
    void WMPaint(TMessage& msg);

  private:
    std::unique_ptr<TCanvas> canvas_;
};

// The form a control lies on (nullptr when none).
TCustomForm* GetParentForm(const TControl* control);

// The class library's control under a screen point: the windowless child
// there, else the windowed control whose window it is (the nearest one the
// class library made). With allowDisabled, disabled controls (and the
// windows of disabled ones) count too. nullptr over other windows.
TControl* FindControlAtPoint(TPoint screen, bool allowDisabled = false);

}  // namespace gui
