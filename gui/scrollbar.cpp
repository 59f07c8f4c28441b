#include <algorithm>

#include "gui/stdctrls.h"
#include "runtime/properties.h"

namespace gui {

RUNTIME_BEGIN_CLASS(TScrollBar, TWinControl)
RUNTIME_PROPERTY(Kind, Kind, SetKind).Default(sbHorizontal);
RUNTIME_PROPERTY(LargeChange, LargeChange, SetLargeChange).Default(1);
RUNTIME_PROPERTY(Max, Max, SetMax).Default(100);
RUNTIME_PROPERTY(Min, Min, SetMin).Default(0);
RUNTIME_PROPERTY(PageSize, PageSize, SetPageSize).Default(0);
RUNTIME_PROPERTY(Position, Position, SetPosition).Default(0);
RUNTIME_PROPERTY(SmallChange, SmallChange, SetSmallChange).Default(1);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_FIELD(OnChange);
RUNTIME_FIELD(OnScroll);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TScrollBar)
GUI_MESSAGE(CN_HSCROLL, CNScroll)
GUI_MESSAGE(CN_VSCROLL, CNScroll)
GUI_END_MESSAGE_MAP

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
    SetControlStyle({csFramed, csDoubleClicks});
    SetTabStop(true);
    SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
}

void TScrollBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"SCROLLBAR";
    params.Style |= kind_ == sbHorizontal ? SBS_HORZ : SBS_VERT;
}

void TScrollBar::CreateHandleDone() {
    UpdateWindow();
}

void TScrollBar::UpdateWindow() {
    if (!HandleAllocated()) return;
    SCROLLINFO info{sizeof info,
                    SIF_ALL | SIF_DISABLENOSCROLL,
                    min_,
                    max_,
                    static_cast<UINT>(pageSize_),
                    position_,
                    0};
    SetScrollInfo(WindowHandle(), SB_CTL, &info, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind value) {
    if (kind_ == value) return;
    kind_ = value;
    // A new kind turns the bar: the width and height change places.
    if (!ComponentState().Contains(runtime::csLoading)) SetBounds(Left(), Top(), Height(), Width());
    RecreateWnd();
}

void TScrollBar::SetParams(int position, int min, int max) {
    if (max < min) max = min;
    const int last = std::max(min, max - std::max(0, pageSize_ - 1));
    position = std::clamp(position, min, last);
    const bool moved = position != position_;
    min_ = min;
    max_ = max;
    position_ = position;
    UpdateWindow();
    if (moved && !ComponentState().Contains(runtime::csLoading)) OnChange(this);
}

void TScrollBar::SetPageSize(int value) {
    pageSize_ = std::max(0, value);
    SetParams(position_, min_, max_);
    UpdateWindow();
}

void TScrollBar::CNScroll(TMessage& msg) {
    static constexpr TScrollCode kCodes[] = {scLineUp, scLineDown, scPageUp, scPageDown, scPosition,
                                             scTrack,  scTop,      scBottom, scEndScroll};
    const UINT request = LOWORD(msg.WParam);
    if (request > SB_ENDSCROLL) return;
    const TScrollCode code = kCodes[request];
    int position = position_;
    switch (code) {
        case scLineUp:
            position -= smallChange_;
            break;
        case scLineDown:
            position += smallChange_;
            break;
        case scPageUp:
            position -= largeChange_;
            break;
        case scPageDown:
            position += largeChange_;
            break;
        case scPosition:
        case scTrack: {
            SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
            GetScrollInfo(WindowHandle(), SB_CTL, &info);
            position = info.nTrackPos;
            break;
        }
        case scTop:
            position = min_;
            break;
        case scBottom:
            position = max_;
            break;
        case scEndScroll:
            break;
    }
    OnScroll(this, code, position);
    SetPosition(position);
}

}  // namespace gui
