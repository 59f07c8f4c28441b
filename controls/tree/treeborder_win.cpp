// The tree's window border: the room it takes on the sides that have one,
// and its drawing, themed, or flat and 3-D frame types by the focus.
#include "controls/tree/drawing.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "gui/geometry_win.h"
#include "gui/themes.h"

namespace controls::tree {

namespace {

// The device context of the whole window, frame included.
class TFrameDC {
  public:
    explicit TFrameDC(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    ~TFrameDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    TFrameDC(const TFrameDC&) = delete;
    TFrameDC& operator=(const TFrameDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

}  // namespace

void TCustomGtTree::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    if (value) SetCtl3D(true);
    RedrawFrame();
}

void TCustomGtTree::SetBorderSides(TGtBorderSides value) {
    if (value == borderSides_) return;
    borderSides_ = value;
    // The client area changes with the sides.
    if (HandleAllocated())
        SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomGtTree::SetActiveBorderType(TGtFlatBorderType value) {
    if (value == activeBorderType_) return;
    activeBorderType_ = value;
    RedrawFrame();
}

void TCustomGtTree::SetInactiveBorderType(TGtFlatBorderType value) {
    if (value == inactiveBorderType_) return;
    inactiveBorderType_ = value;
    RedrawFrame();
}

void TCustomGtTree::SetLineBorderActiveColor(TGtColor value) {
    if (value == lineBorderActiveColor_) return;
    lineBorderActiveColor_ = value;
    if (flat_ && HasFocus()) RedrawFrame();
}

void TCustomGtTree::SetLineBorderInactiveColor(TGtColor value) {
    if (value == lineBorderInactiveColor_) return;
    lineBorderInactiveColor_ = value;
    if (flat_ && !HasFocus()) RedrawFrame();
}

void TCustomGtTree::RedrawFrame() {
    if (!HandleAllocated() || borderStyle_ != gui::bsSingle) return;
    RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
}

void TCustomGtTree::WMNCCalcSize(gui::TMessage& msg) {
    // The system's bars take their room as usual when they are the ones shown.
    if (borderStyle_ != gui::bsSingle || !useCustomScrollBars_) {
        GUI_INHERITED(msg);
        return;
    }
    // The client area keeps no room for the system's bars: the tree has
    // its own.
    RECT& r = reinterpret_cast<NCCALCSIZE_PARAMS*>(msg.LParam)->rgrc[0];
    const int dx = GetSystemMetrics(Ctl3D() ? SM_CXEDGE : SM_CXBORDER);
    const int dy = GetSystemMetrics(Ctl3D() ? SM_CYEDGE : SM_CYBORDER);
    if (borderSides_.Contains(ebsLeft)) r.left += dx;
    if (borderSides_.Contains(ebsTop)) r.top += dy;
    if (borderSides_.Contains(ebsRight)) r.right -= dx;
    if (borderSides_.Contains(ebsBottom)) r.bottom -= dy;
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    msg.Result = 0;
}

void TCustomGtTree::WMNCPaint(gui::TMessage& msg) {
    if (borderStyle_ != gui::bsSingle) {
        GUI_INHERITED(msg);
        return;
    }
    TFrameDC dc(WindowHandle());
    DrawFrame(dc.Get());
    msg.Result = 0;
}

void TCustomGtTree::WMNCHitTest(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    // The window style names the system's bars, but with the tree's own
    // bars they have no room: what the system takes for them is border.
    if (useCustomScrollBars_ && (msg.Result == HTHSCROLL || msg.Result == HTVSCROLL))
        msg.Result = HTBORDER;
}

void TCustomGtTree::WMSysColorChange(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    // Child windows hear of new system colours only from their parent.
    for (gui::TWinControl* child :
         {static_cast<gui::TWinControl*>(horzBar_), static_cast<gui::TWinControl*>(vertBar_),
          static_cast<gui::TWinControl*>(header_)})
        if (child != nullptr && child->HandleAllocated())
            SendMessageW(child->WindowHandle(), WM_SYSCOLORCHANGE, msg.WParam, msg.LParam);
    if (view_ != nullptr) view_->Perform(gui::CM_SYSCOLORCHANGE);
}

void TCustomGtTree::DrawFrame(HDC dc) {
    if (borderStyle_ != gui::bsSingle || !HandleAllocated()) return;
    HWND window = WindowHandle();
    RECT bounds, client;
    GetWindowRect(window, &bounds);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -bounds.left, -bounds.top);
    const gui::TRect whole{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    if (ThemeInUse()) {
        gui::TThemeHandle edit(window, L"EDIT");
        if (edit)
            gui::TThemeServices::Instance().DrawBackground(edit.Get(), dc, 0, 0, whole, nullptr);
    } else {
        const bool active = HasFocus();
        TGtFlatBorderType type = active ? activeBorderType_ : inactiveBorderType_;
        if (!flat_) type = fbtSunken;
        if (type == fbtRaised) type = fbtRaisedOuter;
        DrawFlatBorder(
            dc, whole,
            static_cast<gui::TColor>(active ? lineBorderActiveColor_ : lineBorderInactiveColor_),
            type, borderSides_, static_cast<gui::TColor>(BkColor()));
    }
    RestoreDC(dc, saved);
}

}  // namespace controls::tree
