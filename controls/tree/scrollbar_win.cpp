// The scroll bar's state, properties and input; painting is in
// scrollbar_paint_win.cpp.
#include <algorithm>

#include "controls/tree/drawing.h"
#include "controls/tree/helpers.h"
#include "controls/tree/hintwindow.h"
#include "controls/tree/scrollbar.h"
#include "controls/tree/timers.h"
#include "gui/application.h"
#include "gui/geometry_win.h"
#include "gui/screen.h"
#include "runtime/properties.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TCustomGtScrollBar, TGtXPThemedControl)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TGtScrollBar, TCustomGtScrollBar)
RUNTIME_PROPERTY(Kind, Kind, SetKind).Default(gui::sbHorizontal);
RUNTIME_PROPERTY(Min, Min, SetMin).Default(0);
RUNTIME_PROPERTY(Max, Max, SetMax).Default(100);
RUNTIME_PROPERTY(Position, Position, SetPosition).Default(0);
RUNTIME_PROPERTY(Page, Page, SetPage).Default(14);
RUNTIME_FIELD(Step).Default(1);
RUNTIME_PROPERTY(Flat, Flat, SetFlat).Default(true);
RUNTIME_PROPERTY(ActiveFlat, ActiveFlat, SetActiveFlat).Default(false);
RUNTIME_PROPERTY(ThumbMode, ThumbMode, SetThumbMode).Default(etmAuto);
RUNTIME_PROPERTY(ThumbSize, ThumbSize, SetThumbSize).Default(0);
RUNTIME_PROPERTY(MinThumbSize, MinThumbSize, SetMinThumbSize).Default(4);
RUNTIME_PROPERTY(ButtonSize, ButtonSize, SetButtonSize);
RUNTIME_PROPERTY(UseSystemMetrics, UseSystemMetrics, SetUseSystemMetrics).Default(true);
RUNTIME_PROPERTY(ShowLeftArrows, ShowLeftArrows, SetShowLeftArrows).Default(true);
RUNTIME_PROPERTY(ShowRightArrows, ShowRightArrows, SetShowRightArrows).Default(true);
RUNTIME_PROPERTY(SecondaryButtons, SecondaryButtons, SetSecondaryButtons).Default(false);
RUNTIME_FIELD(SecondBtnKind).Default(sbkOpposite);
RUNTIME_PROPERTY(AltDisablingArrows, AltDisablingArrows, SetAltDisablingArrows).Default(false);
RUNTIME_PROPERTY(NoDisableButtons, NoDisableButtons, SetNoDisableButtons).Default(false);
RUNTIME_PROPERTY(NoSunkenThumb, NoSunkenThumb, SetNoSunkenThumb).Default(false);
RUNTIME_PROPERTY(ChangeColorsOnScroll, ChangeColorsOnScroll, SetChangeColorsOnScroll).Default(true);
RUNTIME_PROPERTY(BlendBackground, BlendBackground, SetBlendBackground).Default(true);
RUNTIME_PROPERTY(SystemBkColor, SystemBkColor, SetSystemBkColor).Default(true);
RUNTIME_PROPERTY(DrawFrames, DrawFrames, SetDrawFrames).Default(true);
RUNTIME_PROPERTY(DrawArrowFrames, DrawArrowFrames, SetDrawArrowFrames).Default(true);
RUNTIME_PROPERTY(ThinFrames, ThinFrames, SetThinFrames).Default(false);
RUNTIME_PROPERTY(DrawBars, DrawBars, SetDrawBars).Default(true);
RUNTIME_PROPERTY(BarOffset, BarOffset, SetBarOffset).Default(2u);
RUNTIME_PROPERTY(BarColor, BarColor, SetBarColor).Default(gui::clBtnShadow);
RUNTIME_PROPERTY(ArrowColor, ArrowColor, SetArrowColor).Default(gui::clBtnText);
RUNTIME_PROPERTY(ArrowHotTrackColor, ArrowHotTrackColor, SetArrowHotTrackColor)
    .Default(gui::clHighlight);
RUNTIME_FIELD(ShowTrackHint).Default(false);
RUNTIME_PROPERTY(OwnerDraw, OwnerDraw, SetOwnerDraw).Default(false);
RUNTIME_PROPERTY(Hint, HintW, SetHintW);
RUNTIME_FIELD(OnChange);
RUNTIME_FIELD(OnScroll);
RUNTIME_FIELD(OnScrollHintNeeded);
RUNTIME_FIELD(OnHitTest);
RUNTIME_FIELD(OnDrawPart);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TCustomGtScrollBar)
GUI_MESSAGE(WM_GETDLGCODE, WMGetDlgCode)
GUI_MESSAGE(SBM_GETSCROLLINFO, WMGetScrollInfo)
GUI_MESSAGE(SBM_SETSCROLLINFO, WMSetScrollInfo)
GUI_MESSAGE(WM_SETFOCUS, WMFocusChanged)
GUI_MESSAGE(WM_KILLFOCUS, WMFocusChanged)
GUI_MESSAGE(WM_SYSCOLORCHANGE, WMSysColorChange)
GUI_MESSAGE(WM_CANCELMODE, WMCancelMode)
GUI_MESSAGE(gui::CM_MOUSEENTER, CMMouseEnter)
GUI_MESSAGE(gui::CM_MOUSELEAVE, CMMouseLeave)
GUI_MESSAGE(gui::CM_COLORCHANGED, CMColorChanged)
GUI_MESSAGE(gui::CM_ENABLEDCHANGED, CMEnabledChanged)
GUI_MESSAGE(gui::CM_HINTSHOW, CMHintShow)
GUI_END_MESSAGE_MAP

TCustomGtScrollBar::TCustomGtScrollBar(runtime::TComponent* owner)
    : TGtXPThemedControl(owner), buttonSize_(GetSystemMetrics(SM_CXHSCROLL)) {
    SetCtl3D(false);
    SetTabStop(true);
    SetColor(gui::clBtnFace);
    SetControlStyle(ControlStyle() + gui::TControlStyle{gui::csFramed});
    SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
}

TCustomGtScrollBar::~TCustomGtScrollBar() {
    GtTimers().Stop(this);
}

bool TCustomGtScrollBar::Loading() const {
    return ComponentState().Contains(runtime::csLoading);
}

bool TCustomGtScrollBar::Focused() const {
    return HandleAllocated() && GetFocus() == WindowHandle();
}

TGtScrollMetrics TCustomGtScrollBar::Metrics() const {
    TGtScrollMetrics m;
    m.Vertical = kind_ == gui::sbVertical;
    const gui::TRect client = ClientRect();
    m.Length = m.Vertical ? client.Height() : client.Width();
    m.Thickness = m.Vertical ? client.Width() : client.Height();
    m.Min = min_;
    m.Max = max_;
    m.Page = page_;
    m.Position = position_;
    m.ButtonSize = buttonSize_;
    m.UseSystemMetrics = useSystemMetrics_;
    m.SystemButton = GetSystemMetrics(m.Vertical ? SM_CYVSCROLL : SM_CXHSCROLL);
    m.SystemThumb = GetSystemMetrics(m.Vertical ? SM_CYVTHUMB : SM_CXHTHUMB);
    m.ThumbMode = thumbMode_;
    m.ThumbSize = thumbSize_;
    m.MinThumbSize = minThumbSize_;
    m.ShowLeftArrows = showLeftArrows_;
    m.ShowRightArrows = showRightArrows_;
    m.SecondaryButtons = secondaryButtons_;
    m.AltDisablingArrows = altDisablingArrows_;
    return m;
}

void TCustomGtScrollBar::UpdateThumb() {
    thumbOffset_ = controls::tree::ThumbOffset(Metrics());
}

TGtScrollBarPart TCustomGtScrollBar::HitTest(int x, int y) {
    TGtScrollBarPart part = sbpNowhere;
    bool defaultTest = true;
    DoHitTest(x, y, part, defaultTest);
    if (!defaultTest) return part;
    const TGtScrollMetrics m = Metrics();
    return HitTestScrollBar(m, thumbOffset_, Along(x, y), m.Vertical ? x : y);
}

bool TCustomGtScrollBar::PartCanAct(TGtScrollBarPart part) const {
    if (!Enabled()) return false;
    const TGtScrollMetrics m = Metrics();
    TGtScrollAction action;
    if (part != sbpThumb && !ActionForPart(m, part, SecondBtnKind, Step, action)) return false;
    return PressAccepted(m, part, SecondBtnKind, action, noDisableButtons_);
}

// ---- events ----------------------------------------------------------------------------------

void TCustomGtScrollBar::DoChange() {
    OnChange(this);
}

void TCustomGtScrollBar::DoScroll(TGtScrollCode code, int& position, bool& doChange) {
    doChange = true;
    OnScroll(this, code, position, doChange);
}

void TCustomGtScrollBar::DoScrollHintNeeded(int position, std::u16string& hint) {
    OnScrollHintNeeded(this, position, hint);
}

void TCustomGtScrollBar::DoHitTest(int x, int y, TGtScrollBarPart& part, bool& defaultTest) {
    defaultTest = true;
    OnHitTest(this, x, y, part, defaultTest);
}

void TCustomGtScrollBar::ReportStep(TGtScrollCode code, int position) {
    bool doChange = true;
    DoScroll(code, position, doChange);
    if (!doChange) return;
    SetPosition(position);
    DoChange();
}

// ---- properties ------------------------------------------------------------------------------

void TCustomGtScrollBar::InvalidateTrack(bool now) {
    if (!HandleAllocated()) return;
    const TGtScrollBarLayout layout = LayoutScrollBar(Metrics(), thumbOffset_);
    const RECT r = gui::ToRECT(layout.Track);
    InvalidateRect(WindowHandle(), &r, FALSE);
    if (now) UpdateWindow(WindowHandle());
}

void TCustomGtScrollBar::SetPosition(int value) {
    if (value == position_) return;
    if (Loading()) {
        position_ = value;
        bool doChange = true;
        DoScroll(escPosition, value, doChange);
        return;
    }
    const int old = position_;
    position_ = std::clamp(value, min_, max_);
    UpdateThumb();
    if (HandleAllocated()) {
        const bool wasInside = InRange(min_ + 1, max_ - 1, old);
        const bool isInside = InRange(min_ + 1, max_ - 1, position_);
        if (noDisableButtons_ || wasInside == isInside)
            InvalidateTrack(true);
        else
            Invalidate();
    }
    if (position_ != old) {
        bool doChange = true;
        DoScroll(escPosition, value, doChange);
    }
}

void TCustomGtScrollBar::ClampToRange() {
    if (position_ > max_)
        SetPosition(max_);
    else if (position_ < min_)
        SetPosition(min_);
}

void TCustomGtScrollBar::SetMax(int value) {
    if (value == max_) return;
    max_ = value;
    if (!Loading()) {
        if (max_ < min_) max_ = min_;
        page_ = std::min(page_, max_ - min_ + 1);
        UpdateThumb();
        Invalidate();
    }
    ClampToRange();
}

void TCustomGtScrollBar::SetMin(int value) {
    if (value == min_) return;
    min_ = value;
    if (!Loading()) {
        if (min_ > max_) min_ = max_;
        page_ = std::min(page_, max_ - min_ + 1);
        UpdateThumb();
        Invalidate();
    }
    ClampToRange();
}

void TCustomGtScrollBar::SetPage(int value) {
    if (value == page_ || value < 0) return;
    page_ = value;
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetKind(gui::TScrollBarKind value) {
    if (value == kind_) return;
    kind_ = value;
    if (Loading()) return;
    // The thickness goes with the orientation.
    SetBounds(Left(), Top(), Height(), Width());
    if (!HandleAllocated()) return;
    if (useSystemMetrics_) ApplySystemMetrics();
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::ApplySystemMetrics() {
    const bool vertical = kind_ == gui::sbVertical;
    gui::TSize themed;
    bool fromTheme = false;
    if (ThemeInUse() && HandleAllocated()) {
        gui::TWindowDC dc(WindowHandle());
        fromTheme = gui::TThemeServices::Instance().PartSize(Theme(), dc.Get(), 1, 9, themed) &&
                    themed.Width > 0 && themed.Height > 0;
    }
    // Each orientation takes its own metrics: the arrow button's length
    // along the bar and the bar's thickness across it.
    if (vertical) {
        buttonSize_ = fromTheme ? themed.Height : GetSystemMetrics(SM_CYVSCROLL);
        SetWidth(fromTheme ? themed.Width : GetSystemMetrics(SM_CXVSCROLL));
    } else {
        buttonSize_ = fromTheme ? themed.Width : GetSystemMetrics(SM_CXHSCROLL);
        SetHeight(fromTheme ? themed.Height : GetSystemMetrics(SM_CYHSCROLL));
    }
}

void TCustomGtScrollBar::SetUseSystemMetrics(bool value) {
    if (value == useSystemMetrics_ || Loading()) return;
    if (Owner() != nullptr && Owner()->ComponentState().Contains(runtime::csLoading)) return;
    useSystemMetrics_ = value;
    if (value) ApplySystemMetrics();
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetButtonSize(int value) {
    if (value == buttonSize_ || value <= 0) return;
    if (HandleAllocated()) {
        const TGtScrollMetrics m = Metrics();
        if (2 * value > m.Length) return;
    }
    buttonSize_ = value;
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetThumbMode(TGtScrollThumbMode value) {
    if (value == thumbMode_) return;
    thumbMode_ = value;
    if (value == etmFixed && useSystemMetrics_)
        thumbSize_ = GetSystemMetrics(kind_ == gui::sbVertical ? SM_CYVTHUMB : SM_CXHTHUMB);
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetThumbSize(int value) {
    if (value < 1 || value == thumbSize_) return;
    thumbSize_ = value;
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetMinThumbSize(int value) {
    if (value < 1 || value == minThumbSize_) return;
    minThumbSize_ = value;
    if (thumbMode_ != etmAuto) return;
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetAndInvalidate(bool& field, bool value) {
    if (field == value) return;
    field = value;
    Invalidate();
}

void TCustomGtScrollBar::SetShowLeftArrows(bool value) {
    if (value == showLeftArrows_) return;
    showLeftArrows_ = value;
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetShowRightArrows(bool value) {
    if (value == showRightArrows_) return;
    showRightArrows_ = value;
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetSecondaryButtons(bool value) {
    if (value == secondaryButtons_) return;
    secondaryButtons_ = value;
    UpdateThumb();
    Invalidate();
}

void TCustomGtScrollBar::SetAltDisablingArrows(bool value) {
    SetAndInvalidate(altDisablingArrows_, value);
}
void TCustomGtScrollBar::SetNoDisableButtons(bool value) {
    SetAndInvalidate(noDisableButtons_, value);
}
void TCustomGtScrollBar::SetFlat(bool value) {
    SetAndInvalidate(flat_, value);
}
void TCustomGtScrollBar::SetChangeColorsOnScroll(bool value) {
    SetAndInvalidate(changeColorsOnScroll_, value);
}
void TCustomGtScrollBar::SetBlendBackground(bool value) {
    SetAndInvalidate(blendBackground_, value);
}
void TCustomGtScrollBar::SetSystemBkColor(bool value) {
    SetAndInvalidate(systemBkColor_, value);
}
void TCustomGtScrollBar::SetDrawArrowFrames(bool value) {
    SetAndInvalidate(drawArrowFrames_, value);
}
void TCustomGtScrollBar::SetThinFrames(bool value) {
    SetAndInvalidate(thinFrames_, value);
}
void TCustomGtScrollBar::SetDrawBars(bool value) {
    SetAndInvalidate(drawBars_, value);
}
void TCustomGtScrollBar::SetOwnerDraw(bool value) {
    SetAndInvalidate(ownerDraw_, value);
}

void TCustomGtScrollBar::SetDrawFrames(bool value) {
    if (!value) drawArrowFrames_ = false;
    SetAndInvalidate(drawFrames_, value);
}

void TCustomGtScrollBar::SetActiveFlat(bool value) {
    if (value == activeFlat_) return;
    activeFlat_ = value;
    if (Focused() || mouseInside_) Invalidate();
}

void TCustomGtScrollBar::SetNoSunkenThumb(bool value) {
    if (value == noSunkenThumb_) return;
    noSunkenThumb_ = value;
    if (tracking_) Invalidate();
}

void TCustomGtScrollBar::SetBarOffset(uint32_t value) {
    if (value == barOffset_) return;
    barOffset_ = value;
    Invalidate();
}

void TCustomGtScrollBar::SetBarColor(gui::TColor value) {
    if (value == barColor_) return;
    barColor_ = value;
    Invalidate();
}

void TCustomGtScrollBar::SetArrowColor(gui::TColor value) {
    if (value == arrowColor_) return;
    arrowColor_ = value;
    Invalidate();
}

void TCustomGtScrollBar::SetArrowHotTrackColor(gui::TColor value) {
    if (value == arrowHotTrackColor_) return;
    arrowHotTrackColor_ = value;
    Invalidate();
}

void TCustomGtScrollBar::SetHintW(std::u16string_view value) {
    hint_ = value;
    PublishWideHint(*this, hint_);
}

void TCustomGtScrollBar::Loaded() {
    TGtXPThemedControl::Loaded();
    if (max_ < min_) max_ = min_;
    page_ = std::min(page_, max_ - min_ + 1);
    position_ = std::clamp(position_, min_, max_);
    if (useSystemMetrics_) ApplySystemMetrics();
    UpdateThumb();
}

void TCustomGtScrollBar::CreateWnd() {
    TGtXPThemedControl::CreateWnd();
    UpdateThumb();
}

void TCustomGtScrollBar::BoundsChanged(bool resized) {
    TGtXPThemedControl::BoundsChanged(resized);
    UpdateThumb();
}

// ---- the mouse -------------------------------------------------------------------------------

void TCustomGtScrollBar::StartRepeat(int intervalMs) {
    repeatInterval_ = intervalMs;
    repeatRunning_ = true;
    GtTimers().Start(this, intervalMs, [this] { RepeatTick(); });
}

void TCustomGtScrollBar::StopRepeat() {
    if (!repeatRunning_) return;
    repeatRunning_ = false;
    GtTimers().Stop(this);
}

void TCustomGtScrollBar::MouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                                   int y) {
    TGtXPThemedControl::MouseDown(button, shift, x, y);
    if (button != runtime::mbLeft) return;
    const TGtScrollBarPart before = pressed_;
    const bool wasPressing = pressing_;
    pressed_ = HitTest(x, y);
    if (!pressing_) {
        const TGtScrollMetrics m = Metrics();
        TGtScrollAction action;
        const bool hasAction = ActionForPart(m, pressed_, SecondBtnKind, Step, action);
        const bool accepted = PressAccepted(m, pressed_, SecondBtnKind, action, noDisableButtons_);
        if (accepted && pressed_ == sbpThumb) {
            tracking_ = true;
            dragStart_ = Along(x, y);
            dragStartPosition_ = position_;
            dragOffset_ = dragStart_ - thumbOffset_;
            trackPosition_ = position_;
            lastDragAlong_ = dragStart_;
        }
        if (accepted) {
            pressing_ = true;
            HWND capture = GetCapture();
            previousCapture_ = capture != WindowHandle() ? capture : nullptr;
            SetCapture(WindowHandle());
            if (tracking_) {
                const bool designing = Parent() != nullptr &&
                                       Parent()->ComponentState().Contains(runtime::csDesigning);
                if (ShowTrackHint && !designing) ShowTrackHintAt(position_);
                InvalidateTrack(false);
            } else if (hasAction) {
                mousePoint_ = {x, y};
                StartRepeat(KeyboardTiming(SPI_GETKEYBOARDDELAY));
                ReportStep(action.Code, action.NewPosition);
            }
        } else {
            pressed_ = sbpNowhere;
        }
    }
    if (pressed_ != before || !wasPressing) Invalidate();
}

void TCustomGtScrollBar::RepeatTick() {
    if (!pressing_ || tracking_) return;
    const int interval = KeyboardTiming(SPI_GETKEYBOARDSPEED);
    if (interval != repeatInterval_) StartRepeat(interval);
    TGtScrollMetrics m = Metrics();
    if (m.Page == 0) m.Page = 1;
    TGtScrollAction action;
    if (!ActionForPart(m, pressed_, SecondBtnKind, Step, action)) return;
    if ((pressed_ == sbpLeftTop || pressed_ == sbpRightBottom) &&
        HitTest(mousePoint_.X, mousePoint_.Y) != pressed_)
        action.NewPosition = position_;  // the thumb has reached the pointer
    bool doChange = true;
    int position = action.NewPosition;
    DoScroll(action.Code, position, doChange);
    if (doChange) SetPosition(position);
}

void TCustomGtScrollBar::MouseMove(runtime::TShiftState shift, int x, int y) {
    TGtXPThemedControl::MouseMove(shift, x, y);
    if (!pressing_) {
        const TGtScrollBarPart hot = HitTest(x, y);
        if (hot != hot_) {
            hot_ = hot;
            Invalidate();
        }
        return;
    }
    if (!tracking_) {
        mousePoint_ = {x, y};
        const TGtScrollBarPart under = HitTest(x, y);
        // The repeat pauses while the pointer is off the pressed part.
        if (under != pressed_)
            StopRepeat();
        else if (!repeatRunning_)
            StartRepeat(repeatInterval_);
        if (under != hot_) {
            hot_ = under;
            Invalidate();
        }
        return;
    }
    const TGtScrollMetrics m = Metrics();
    const int along = Along(x, y);
    if (along == lastDragAlong_) return;
    lastDragAlong_ = along;
    int offset;
    if (along < -m.Length / 2 || along > m.Length + m.Length / 2) {
        // Far off the bar: the thumb goes back to where the drag began.
        offset = dragStart_ - dragOffset_;
    } else {
        offset = std::clamp(along - dragOffset_, MinThumbOffset(m),
                            std::max(MinThumbOffset(m), MaxThumbOffset(m)));
    }
    const int position = std::clamp(PositionFromThumb(m, offset), min_, max_);
    if (!NoScrollMessages && Parent() != nullptr && Parent()->HandleAllocated())
        SendMessageW(Parent()->WindowHandle(), m.Vertical ? WM_VSCROLL : WM_HSCROLL,
                     MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(position)),
                     reinterpret_cast<LPARAM>(WindowHandle()));
    int reported = position;
    bool doChange = true;
    DoScroll(escTrack, reported, doChange);
    if (offset != thumbOffset_) {
        InvalidateTrack(false);
        thumbOffset_ = offset;
        InvalidateTrack(true);
    }
    if (ShowTrackHint && position != trackPosition_) ShowTrackHintAt(position);
    trackPosition_ = position;
}

void TCustomGtScrollBar::ReleasePress() {
    StopRepeat();
    if (previousCapture_ != nullptr && IsWindow(previousCapture_))
        SetCapture(previousCapture_);
    else if (HandleAllocated() && GetCapture() == WindowHandle())
        ReleaseCapture();
    previousCapture_ = nullptr;
    pressing_ = false;
    if (tracking_) {
        tracking_ = false;
        hintWindow_.reset();
        ReportStep(escPosition, std::clamp(PositionFromThumb(Metrics(), thumbOffset_), min_, max_));
    } else {
        ReportStep(escEndScroll, position_);
    }
    UpdateThumb();
    pressed_ = sbpNowhere;
    Invalidate();
}

void TCustomGtScrollBar::MouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                                 int y) {
    TGtXPThemedControl::MouseUp(button, shift, x, y);
    if (button != runtime::mbLeft) return;
    if (pressing_) {
        ReleasePress();
        return;
    }
    if (previousCapture_ != nullptr && IsWindow(previousCapture_)) SetCapture(previousCapture_);
    previousCapture_ = nullptr;
}

void TCustomGtScrollBar::EndPress() {
    if (pressing_) ReleasePress();
}

void TCustomGtScrollBar::WMCancelMode(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    EndPress();
}

int TCustomGtScrollBar::WheelScrollLines() const {
    if (!IsWinNT() && !IsWin98Up()) return 3;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    return lines == WHEEL_PAGESCROLL ? -1 : static_cast<int>(lines);
}

bool TCustomGtScrollBar::DoMouseWheel(runtime::TShiftState shift, int wheelDelta,
                                      gui::TPoint mousePos) {
    if (TGtXPThemedControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    const int steps = WheelSteps(Metrics(), wheelDelta, WheelScrollLines());
    if (steps == 0) return true;
    const int direction = steps > 0 ? 1 : -1;
    for (int i = 0; i < std::abs(steps); ++i) {
        int position = position_ - direction;
        bool doChange = true;
        DoScroll(direction > 0 ? escLineUp : escLineDown, position, doChange);
        if (!doChange) break;
        SetPosition(position);
    }
    int position = position_;
    bool doChange = true;
    DoScroll(escEndScroll, position, doChange);
    if (doChange) SetPosition(position);
    return true;
}

// ---- keys ------------------------------------------------------------------------------------

void TCustomGtScrollBar::KeyDown(uint16_t& key, runtime::TShiftState shift) {
    if (shift.Contains(runtime::ssShift) || shift.Contains(runtime::ssCtrl) ||
        shift.Contains(runtime::ssAlt)) {
        TGtXPThemedControl::KeyDown(key, shift);
        return;
    }
    TGtScrollCode code;
    int position;
    switch (key) {
        case VK_PRIOR:
            code = escPageUp;
            position = std::max(min_, position_ - page_);
            break;
        case VK_NEXT:
            code = escPageDown;
            position = std::min(max_, position_ + page_);
            break;
        case VK_END:
            code = escBottom;
            position = max_;
            break;
        case VK_HOME:
            code = escTop;
            position = min_;
            break;
        case VK_RIGHT:
        case VK_DOWN:
            code = escLineDown;
            position = std::min(max_, position_ + 1);
            break;
        case VK_LEFT:
        case VK_UP:
            code = escLineUp;
            position = std::max(min_, position_ - 1);
            break;
        default:
            key = 0;
            return;
    }
    key = 0;
    bool doChange = true;
    DoScroll(code, position, doChange);
    if (doChange && position != position_) {
        SetPosition(position);
        DoChange();
    }
}

void TCustomGtScrollBar::WMGetDlgCode(gui::TMessage& msg) {
    msg.Result = DLGC_WANTARROWS;
}

// ---- standard scroll-bar messages --------------------------------------------------------------

void TCustomGtScrollBar::WMGetScrollInfo(gui::TMessage& msg) {
    auto* info = reinterpret_cast<SCROLLINFO*>(msg.LParam);
    if (info == nullptr || info->cbSize < sizeof(SCROLLINFO)) {
        msg.Result = 0;
        return;
    }
    if ((info->fMask & SIF_PAGE) != 0) info->nPage = static_cast<UINT>(page_);
    if ((info->fMask & SIF_POS) != 0) info->nPos = position_;
    if ((info->fMask & SIF_TRACKPOS) != 0)
        info->nTrackPos = std::clamp(PositionFromThumb(Metrics(), thumbOffset_), min_, max_);
    if ((info->fMask & SIF_RANGE) != 0) {
        info->nMin = min_;
        info->nMax = max_;
    }
    msg.Result = -1;
}

void TCustomGtScrollBar::WMSetScrollInfo(gui::TMessage& msg) {
    const auto* info = reinterpret_cast<const SCROLLINFO*>(msg.LParam);
    if (info == nullptr || info->cbSize < sizeof(SCROLLINFO)) {
        msg.Result = position_;
        return;
    }
    const UINT mask = info->fMask;
    const int page = static_cast<int>(info->nPage);
    if ((mask & SIF_RANGE) != 0) {
        if (info->nMax >= info->nMin) {
            if ((mask & SIF_POS) != 0) {
                position_ =
                    info->nPos >= info->nMin && info->nPos <= info->nMax ? info->nPos : info->nMax;
                min_ = info->nMin;
                max_ = info->nMax;
                if ((mask & SIF_PAGE) != 0 && page >= 0) page_ = page;
            } else if (position_ >= info->nMin && position_ <= info->nMax) {
                min_ = info->nMin;
                max_ = info->nMax;
                if ((mask & SIF_PAGE) != 0 && page >= 0) page_ = page;
            }
        }
    } else if ((mask & SIF_POS) != 0) {
        if (info->nPos >= min_ && info->nPos <= max_) {
            position_ = info->nPos;
            if ((mask & SIF_PAGE) != 0 && page >= 0) page_ = page;
        }
    } else if ((mask & SIF_PAGE) != 0 && page >= 0) {
        page_ = page;
    }
    UpdateThumb();
    if (msg.WParam != 0) Invalidate();
    msg.Result = position_;
}

// ---- hot tracking, focus, colours, hints ------------------------------------------------------

void TCustomGtScrollBar::CMMouseEnter(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    mouseInside_ = true;
    if ((flat_ && !activeFlat_) || ThemeInUse()) Invalidate();
}

void TCustomGtScrollBar::CMMouseLeave(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    mouseInside_ = false;
    const TGtScrollBarPart was = hot_;
    hot_ = sbpNowhere;
    const bool button = was == sbpLeftArrow || was == sbpRightArrow || was == sbpLeftSndArrow ||
                        was == sbpRightSndArrow;
    if ((flat_ && !activeFlat_) || ThemeInUse() || button) Invalidate();
}

void TCustomGtScrollBar::WMFocusChanged(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    if ((flat_ && !activeFlat_) || ThemeInUse()) Invalidate();
}

void TCustomGtScrollBar::CMColorChanged(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    blendBrush_.Reset();
    Invalidate();
}

void TCustomGtScrollBar::WMSysColorChange(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    blendBrush_.Reset();
    Invalidate();
}

void TCustomGtScrollBar::CMEnabledChanged(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    Invalidate();
}

void TCustomGtScrollBar::CMHintShow(gui::TMessage& msg) {
    auto* info = reinterpret_cast<gui::THintInfo*>(msg.LParam);
    msg.Result = info != nullptr && PrepareWideHint(*this, hint_, *info) ? 0 : 1;
}

void TCustomGtScrollBar::ShowTrackHintAt(int position) {
    std::u16string text;
    DoScrollHintNeeded(position, text);
    if (text.empty()) {
        if (hintWindow_) hintWindow_->HideHint();
        return;
    }
    if (!hintWindow_) hintWindow_ = std::make_unique<TGtHintWindow>(nullptr);
    hintWindow_->Font()->Assign(Font());
    hintWindow_->Font()->SetColor(gui::clInfoText);
    hintWindow_->SetColor(gui::clInfoBk);
    const gui::TRect area = gui::Screen != nullptr ? gui::Screen->WorkAreaFor(BoundsRect())
                                                   : gui::TRect{0, 0, 1024, 768};
    gui::TRect r = hintWindow_->CalcHintRectWide(area.Right, text);
    const gui::TPoint anchor =
        ClientToScreen(kind_ == gui::sbVertical ? gui::TPoint{-2, thumbOffset_ - 2}
                                                : gui::TPoint{thumbOffset_ - 2, -5});
    // Ending one pixel left of and above the anchor, inside the work area.
    r = KeepOnWorkArea(r.Offset(anchor.X - 1 - r.Width(), anchor.Y - 1 - r.Height()));
    hintWindow_->ActivateHintWide(r, text);
}

}  // namespace controls::tree
