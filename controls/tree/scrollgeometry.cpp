#include "controls/tree/scrollgeometry.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace controls::tree {

int MulDivRound(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t p = int64_t{a} * b;
    const int64_t half = std::llabs(c) / 2;
    const int64_t q = (p < 0) == (c < 0) ? (std::llabs(p) + half) / std::llabs(c)
                                         : -((std::llabs(p) + half) / std::llabs(c));
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<int>(q);
}

int LeftButtons(const TGtScrollMetrics& m) {
    return !m.ShowLeftArrows ? 0 : m.SecondaryButtons ? 2 : 1;
}

int RightButtons(const TGtScrollMetrics& m) {
    return !m.ShowRightArrows ? 0 : m.SecondaryButtons ? 2 : 1;
}

int ButtonLength(const TGtScrollMetrics& m) {
    const int b = m.UseSystemMetrics ? m.SystemButton : m.ButtonSize;
    const int n = LeftButtons(m) + RightButtons(m);
    return n > 0 && m.Length < b * n ? m.Length / n : b;
}

namespace {

// The track's length: the bar less its buttons.
int TrackLength(const TGtScrollMetrics& m) {
    return m.Length - ButtonLength(m) * (LeftButtons(m) + RightButtons(m));
}

gui::TRect Span(const TGtScrollMetrics& m, int from, int to) {
    if (to <= from) return {};
    return m.Vertical ? gui::TRect{0, from, m.Thickness, to} : gui::TRect{from, 0, to, m.Thickness};
}

}  // namespace

int ThumbLength(const TGtScrollMetrics& m) {
    const int track = TrackLength(m);
    const int range = m.Max - m.Min + 1;
    int t;
    if (m.ThumbMode == etmFixed) {
        t = m.UseSystemMetrics ? m.SystemThumb : m.ThumbSize;
    } else {
        if (track < 0)
            t = 0;
        else if (m.Page != 0 && m.Max >= m.Min + 1 && m.Max - m.Min >= m.Page)
            t = MulDivRound(std::min(m.Page, range), track, range);
        else if (m.Page == 0 && m.Max >= m.Min + 1)
            t = m.SystemThumb;
        else
            t = track;
        t = std::max(t, m.MinThumbSize);
    }
    return t > track ? 0 : t;
}

int ThumbOffset(const TGtScrollMetrics& m) {
    const int b = ButtonLength(m);
    const int nl = LeftButtons(m);
    const int t = ThumbLength(m);
    const int buttons = b * (nl + RightButtons(m));
    if (t + buttons < m.Length && m.Min <= m.Max) {
        const int p = std::min(m.Max - m.Page + 1, m.Position);
        const int f = std::min(m.Page, m.Max - m.Min + 1);
        return std::max(0, MulDivRound(m.Length - buttons - t, p - m.Min, m.Max - m.Min - f + 1)) +
               nl * b;
    }
    return nl * b;
}

int PositionFromThumb(const TGtScrollMetrics& m, int offset) {
    const int b = ButtonLength(m);
    const int nl = LeftButtons(m);
    const int f = std::min(m.Page, m.Max - m.Min + 1);
    const int buttons = b * (nl + RightButtons(m));
    return MulDivRound(offset - b * nl, m.Max - m.Min - f + 1,
                       m.Length - buttons - ThumbLength(m)) +
           m.Min;
}

int MinThumbOffset(const TGtScrollMetrics& m) {
    return LeftButtons(m) * ButtonLength(m);
}

int MaxThumbOffset(const TGtScrollMetrics& m) {
    return m.Length - RightButtons(m) * ButtonLength(m) - ThumbLength(m);
}

bool CanScrollBack(const TGtScrollMetrics& m) {
    return m.Min < m.Position && m.Max - m.Min >= m.Page;
}

bool CanScrollForward(const TGtScrollMetrics& m) {
    const bool before = m.AltDisablingArrows ? m.Position < m.Max - m.Page + 1 : m.Position < m.Max;
    return before && m.Max - m.Min >= m.Page;
}

TGtScrollBarPart HitTestScrollBar(const TGtScrollMetrics& m, int thumbOffset, int along,
                                  int across) {
    if (across < 0 || across > m.Thickness) return sbpNowhere;
    const int b = ButtonLength(m);
    const int l = m.Length;
    const int y = along;
    if (m.ShowLeftArrows && y >= 0 && y <= b) return sbpLeftArrow;
    if (m.ShowRightArrows && l - y < b) return sbpRightArrow;
    if (m.SecondaryButtons) {
        if (m.ShowLeftArrows && y >= b && y <= 2 * b) return sbpLeftSndArrow;
        if (m.ShowRightArrows && y >= l - 2 * b && y <= l - b) return sbpRightSndArrow;
    }
    if (y < thumbOffset) return sbpLeftTop;
    if (y < thumbOffset + ThumbLength(m)) return sbpThumb;
    return sbpRightBottom;
}

bool ActionForPart(const TGtScrollMetrics& m, TGtScrollBarPart part, TGtSecButtonsKind kind,
                   int step, TGtScrollAction& action) {
    const int lineBack = std::max(m.Min, m.Position - step);
    const int lineForward = std::min(m.Max, m.Position + step);
    const int pageBack = std::max(m.Min, m.Position - m.Page);
    const int pageForward = std::min(m.Max, m.Position + m.Page);
    switch (part) {
        case sbpLeftArrow:
            action = {escLineUp, lineBack};
            return true;
        case sbpRightArrow:
            action = {escLineDown, lineForward};
            return true;
        case sbpLeftSndArrow:
        case sbpRightSndArrow: {
            const bool left = part == sbpLeftSndArrow;
            switch (kind) {
                case sbkOpposite:
                    action = left ? TGtScrollAction{escLineDown, lineForward}
                                  : TGtScrollAction{escLineUp, lineBack};
                    break;
                case sbkPage:
                    action = left ? TGtScrollAction{escPageUp, pageBack}
                                  : TGtScrollAction{escPageDown, pageForward};
                    break;
                case sbkCustom:
                    action = {left ? escSndLineDown : escSndLineUp, m.Position};
                    break;
            }
            return true;
        }
        case sbpLeftTop:
            action = {escPageUp, pageBack};
            return true;
        case sbpRightBottom:
            action = {escPageDown, pageForward};
            return true;
        case sbpThumb:
        case sbpNowhere:
            break;
    }
    return false;
}

bool PressAccepted(const TGtScrollMetrics& m, TGtScrollBarPart part, TGtSecButtonsKind kind,
                   const TGtScrollAction& action, bool noDisableButtons) {
    if (part == sbpThumb) return m.Page < m.Max - m.Min + 1 && m.Max != m.Min;
    if (part == sbpNowhere) return false;
    if (noDisableButtons) return true;
    const bool custom = (part == sbpLeftSndArrow || part == sbpRightSndArrow) && kind == sbkCustom;
    if (custom) return true;
    switch (action.Code) {
        case escLineUp:
        case escPageUp:
            return CanScrollBack(m);
        case escLineDown:
        case escPageDown:
            return CanScrollForward(m);
        default:
            return false;
    }
}

TGtScrollBarLayout LayoutScrollBar(const TGtScrollMetrics& m, int thumbOffset) {
    TGtScrollBarLayout out;
    const int b = ButtonLength(m);
    const int l = m.Length;
    if (m.ShowLeftArrows) {
        out.LeftArrow = Span(m, 0, b);
        if (m.SecondaryButtons) out.LeftSndArrow = Span(m, b, 2 * b);
    }
    if (m.ShowRightArrows) {
        out.RightArrow = Span(m, l - b, l);
        if (m.SecondaryButtons) out.RightSndArrow = Span(m, l - 2 * b, l - b);
    }
    const int start = LeftButtons(m) * b;
    const int end = l - RightButtons(m) * b;
    out.Track = Span(m, start, end);
    const int t = ThumbLength(m);
    out.HasThumb = t > 0;
    if (out.HasThumb) {
        out.BeforeThumb = Span(m, start, thumbOffset);
        out.Thumb = Span(m, thumbOffset, thumbOffset + t);
        out.AfterThumb = Span(m, thumbOffset + t, end);
    }
    return out;
}

int WheelSteps(const TGtScrollMetrics& m, int wheelDelta, int linesPerNotch) {
    int64_t lines = linesPerNotch;
    if (lines < 0) lines = std::max(1, m.Page);
    if (lines == 0) lines = 1;
    const int64_t steps = int64_t{wheelDelta} * lines / 120;
    const int64_t most = std::max<int64_t>(1, int64_t{m.Max} - m.Min + 1);
    return static_cast<int>(std::clamp(steps, -most, most));
}

}  // namespace controls::tree
