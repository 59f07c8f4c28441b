#include <algorithm>

#include "gui/extctrls.h"
#include "runtime/properties.h"

namespace gui {

RUNTIME_BEGIN_CLASS(TScrollBox, TWinControl)
RUNTIME_PROPERTY(BorderStyle, BorderStyle, SetBorderStyle).Default(bsSingle);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TScrollBox)
GUI_MESSAGE(WM_HSCROLL, WMHScroll)
GUI_MESSAGE(WM_VSCROLL, WMVScroll)
GUI_END_MESSAGE_MAP

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(
        {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    SetBounds(0, 0, 185, 41);
}

void TScrollBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.Style |= WS_HSCROLL | WS_VSCROLL;
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TScrollBox::CreateHandleDone() {
    UpdateScrollBars();
}

void TScrollBox::SetBorderStyle(TBorderStyle value) {
    if (borderStyle_ == value) return;
    borderStyle_ = value;
    RecreateWnd();
}

TSize TScrollBox::ContentSize() const {
    TSize size;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (!c->Visible()) continue;
        size.Width = std::max(size.Width, c->Left() + c->Width() + position_.X);
        size.Height = std::max(size.Height, c->Top() + c->Height() + position_.Y);
    }
    return size;
}

void TScrollBox::BoundsChanged(bool resized) {
    TWinControl::BoundsChanged(resized);
    if (resized) UpdateScrollBars();
}

void TScrollBox::ChildBoundsChanged(TControl*) {
    UpdateScrollBars();
}

void TScrollBox::UpdateScrollBars() {
    if (!HandleAllocated() || updating_) return;
    updating_ = true;
    // Showing one bar narrows the client area, which may call for the other.
    for (int pass = 0; pass < 2; ++pass) {
        const TSize content = ContentSize();
        const TRect client = ClientRect();
        const int bars[] = {SB_HORZ, SB_VERT};
        const int extents[] = {content.Width, content.Height};
        const int pages[] = {client.Width(), client.Height()};
        for (int i = 0; i < 2; ++i) {
            SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
            const bool needed = extents[i] > pages[i];
            info.nMax = needed ? extents[i] - 1 : 0;
            info.nPage = needed ? static_cast<UINT>(pages[i]) : 0;
            info.nPos = i == 0 ? position_.X : position_.Y;
            SetScrollInfo(WindowHandle(), bars[i], &info, TRUE);
        }
    }
    updating_ = false;
    // A shrunk content pulls the view back.
    const TSize content = ContentSize();
    const TRect client = ClientRect();
    ScrollTo({std::clamp(position_.X, 0, std::max(0, content.Width - client.Width())),
              std::clamp(position_.Y, 0, std::max(0, content.Height - client.Height()))});
}

void TScrollBox::ScrollTo(TPoint p) {
    const TSize content = ContentSize();
    const TRect client = ClientRect();
    p.X = std::clamp(p.X, 0, std::max(0, content.Width - client.Width()));
    p.Y = std::clamp(p.Y, 0, std::max(0, content.Height - client.Height()));
    const int dx = p.X - position_.X;
    const int dy = p.Y - position_.Y;
    if (dx == 0 && dy == 0) return;
    position_ = p;
    updating_ = true;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(c->Left() - dx, c->Top() - dy, c->Width(), c->Height());
    }
    EnableAlign();
    updating_ = false;
    if (HandleAllocated()) {
        SetScrollPos(WindowHandle(), SB_HORZ, position_.X, TRUE);
        SetScrollPos(WindowHandle(), SB_VERT, position_.Y, TRUE);
        InvalidateRect(WindowHandle(), nullptr, TRUE);
    }
}

void TScrollBox::ScrollInView(TControl* control) {
    if (control == nullptr || !ContainsControl(control)) return;
    const TRect client = ClientRect();
    TPoint p = position_;
    const int left = control->Left() + position_.X;
    const int top = control->Top() + position_.Y;
    if (control->Left() < 0) p.X = left;
    if (control->Left() + control->Width() > client.Width())
        p.X = left + control->Width() - client.Width();
    if (control->Top() < 0) p.Y = top;
    if (control->Top() + control->Height() > client.Height())
        p.Y = top + control->Height() - client.Height();
    ScrollTo(p);
}

void TScrollBox::ScrollMessage(TMessage& msg, int bar) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(WindowHandle(), bar, &info);
    int pos = bar == SB_HORZ ? position_.X : position_.Y;
    const int line = 8;
    const int page = std::max(1, static_cast<int>(info.nPage) - line);
    switch (LOWORD(msg.WParam)) {
        case SB_LINEUP:
            pos -= line;
            break;
        case SB_LINEDOWN:
            pos += line;
            break;
        case SB_PAGEUP:
            pos -= page;
            break;
        case SB_PAGEDOWN:
            pos += page;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = info.nTrackPos;
            break;
        case SB_TOP:
            pos = 0;
            break;
        case SB_BOTTOM:
            pos = info.nMax;
            break;
        default:
            return;
    }
    ScrollTo(bar == SB_HORZ ? TPoint{pos, position_.Y} : TPoint{position_.X, pos});
}

void TScrollBox::WMHScroll(TMessage& msg) {
    if (msg.LParam != 0) {
        GUI_INHERITED(msg);
        return;
    }
    ScrollMessage(msg, SB_HORZ);
}

void TScrollBox::WMVScroll(TMessage& msg) {
    if (msg.LParam != 0) {
        GUI_INHERITED(msg);
        return;
    }
    ScrollMessage(msg, SB_VERT);
}

bool TScrollBox::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (TWinControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int step = -wheelDelta * static_cast<int>(lines) * 8 / WHEEL_DELTA;
    const TPoint before = position_;
    ScrollTo({position_.X, position_.Y + step});
    return position_ != before;
}

}  // namespace gui
