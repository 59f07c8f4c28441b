#pragma once

// The owner-drawn scroll bar's geometry, as plain data: button and thumb
// sizes, the thumb's offset and the position it stands for, hit testing,
// what a press on each part does, and the rectangles the parts paint in.
// Coordinates run along the bar (y of a vertical bar, x of a horizontal
// one); the rectangles are in client coordinates. Portable.

#include "gui/geometry.h"
#include "runtime/typeinfo.h"

namespace controls::tree {

// Left stands for the left or top end, Right for the right or bottom end.
RUNTIME_ENUM(TGtScrollBarPart, sbpNowhere, sbpLeftArrow, sbpRightSndArrow, sbpRightArrow,
             sbpLeftSndArrow, sbpThumb, sbpLeftTop, sbpRightBottom)
RUNTIME_ENUM(TGtScrollCode, escLineUp, escLineDown, escPageUp, escPageDown, escPosition, escTrack,
             escTop, escBottom, escEndScroll, escSndLineUp, escSndLineDown)
RUNTIME_ENUM(TGtScrollThumbMode, etmFixed, etmAuto)
RUNTIME_ENUM(TGtSecButtonsKind, sbkOpposite, sbkPage, sbkCustom)

// Windows' MulDiv: a * b / c rounded half away from zero, -1 for c = 0.
int MulDivRound(int a, int b, int c);

// Everything the geometry depends on.
struct TGtScrollMetrics {
    bool Vertical = false;
    int Length = 0;     // client extent along the bar
    int Thickness = 0;  // client extent across it
    int Min = 0;
    int Max = 100;
    int Page = 14;
    int Position = 0;
    int ButtonSize = 16;  // the stored button length
    bool UseSystemMetrics = true;
    int SystemButton = 16;  // the system's arrow-button length for this orientation
    int SystemThumb = 16;   // the system's thumb length for this orientation
    TGtScrollThumbMode ThumbMode = etmAuto;
    int ThumbSize = 0;
    int MinThumbSize = 4;
    bool ShowLeftArrows = true;
    bool ShowRightArrows = true;
    bool SecondaryButtons = false;
    bool AltDisablingArrows = false;
};

// Buttons at the left/top end and at the right/bottom end (0, 1 or 2).
int LeftButtons(const TGtScrollMetrics& m);
int RightButtons(const TGtScrollMetrics& m);
// The length of each button: shared equally when they do not fit.
int ButtonLength(const TGtScrollMetrics& m);
// The thumb's length; 0 when there is no thumb.
int ThumbLength(const TGtScrollMetrics& m);
// The thumb's offset from the start of the client area.
int ThumbOffset(const TGtScrollMetrics& m);
// The position a thumb at `offset` stands for (not clamped).
int PositionFromThumb(const TGtScrollMetrics& m, int offset);
// The first and last offsets a dragged thumb may take.
int MinThumbOffset(const TGtScrollMetrics& m);
int MaxThumbOffset(const TGtScrollMetrics& m);

bool CanScrollBack(const TGtScrollMetrics& m);
bool CanScrollForward(const TGtScrollMetrics& m);

// The part at (along, across) with the thumb at `thumbOffset`.
TGtScrollBarPart HitTestScrollBar(const TGtScrollMetrics& m, int thumbOffset, int along,
                                  int across);

// What a press (or a repeat) on a part does.
struct TGtScrollAction {
    TGtScrollCode Code = escEndScroll;
    int NewPosition = 0;
};
// For the thumb and sbpNowhere there is no action (false).
bool ActionForPart(const TGtScrollMetrics& m, TGtScrollBarPart part, TGtSecButtonsKind kind,
                   int step, TGtScrollAction& action);
// Whether a press on the part starts tracking.
bool PressAccepted(const TGtScrollMetrics& m, TGtScrollBarPart part, TGtSecButtonsKind kind,
                   const TGtScrollAction& action, bool noDisableButtons);

// The parts' client rectangles; an empty rectangle for a part not shown.
struct TGtScrollBarLayout {
    gui::TRect LeftArrow, RightArrow, LeftSndArrow, RightSndArrow;
    gui::TRect Track;  // between the buttons
    gui::TRect BeforeThumb, Thumb, AfterThumb;
    bool HasThumb = false;
};
TGtScrollBarLayout LayoutScrollBar(const TGtScrollMetrics& m, int thumbOffset);

// A wheel turn as line steps: `linesPerNotch` steps per notch of 120 (0
// counts as 1; a negative count is the system's page mode: a page per
// notch). Never more steps than the range holds positions.
int WheelSteps(const TGtScrollMetrics& m, int wheelDelta, int linesPerNotch);

}  // namespace controls::tree
