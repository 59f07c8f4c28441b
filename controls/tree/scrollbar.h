#pragma once

// TCustomGtScrollBar: the owner-drawn scroll bar of the tree family. It
// draws itself with visual styles or classically (flat or 3-D, blended
// track, grip bars, hot tracking), with optional secondary buttons, a
// proportional or fixed thumb and a track hint, and takes presses (with
// repeat), thumb drags (snapping back when the pointer strays far), keys,
// the wheel and the standard scroll-bar messages. TGtScrollBar publishes
// it; TGtScrollBarStyles publishes a bar's look through its owner (the
// tree's HorzScrollBarStyles and VertScrollBarStyles).
//
// Every scroll step goes through DoScroll (OnScroll), whose handler may
// change the new position or refuse the change; geometry is
// scrollgeometry.h. Windows only.

#include <memory>
#include <string>

#include "controls/tree/eventtypes.h"
#include "controls/tree/scrollgeometry.h"
#include "controls/tree/xpthemed.h"
#include "gui/stdctrls.h"

namespace gui {
struct THintInfo;
}

namespace controls::tree {

class TGtHintWindow;

RUNTIME_EVENT_TYPE(TGtScrollEvent, "Sender, ScrollCode, ScrollPos, DoChange", runtime::TObject*,
                   TGtScrollCode, int&, bool&);
RUNTIME_EVENT_TYPE(TGtScrollHintNeededEvent, "Sender, TrackPosition, Hint", runtime::TObject*, int,
                   std::u16string&);
RUNTIME_EVENT_TYPE(TGtScrollHitTestEvent, "Sender, X, Y, Part, DefaultTest", runtime::TObject*, int,
                   int, TGtScrollBarPart&, bool&);
GT_EVENT_TYPE(TGtScrollDrawPartEvent,
              "Sender, Canvas, R, Part, Enabled, Focused, Pressed, DefaultDraw", runtime::TObject*,
              gui::TCanvas*, gui::TRect, TGtScrollBarPart, bool, bool, bool, bool&);

class TCustomGtScrollBar : public TGtXPThemedControl {
    RUNTIME_CLASS(TCustomGtScrollBar)

  public:
    explicit TCustomGtScrollBar(runtime::TComponent* owner);
    ~TCustomGtScrollBar() override;

    // ---- range and position --------------------------------------------------------------
    gui::TScrollBarKind Kind() const { return kind_; }
    void SetKind(gui::TScrollBarKind value);
    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);
    int Page() const { return page_; }
    void SetPage(int value);
    // The line step of the arrow buttons.
    int Step = 1;

    // ---- geometry ------------------------------------------------------------------------
    TGtScrollThumbMode ThumbMode() const { return thumbMode_; }
    void SetThumbMode(TGtScrollThumbMode value);
    int ThumbSize() const { return thumbSize_; }
    void SetThumbSize(int value);
    int MinThumbSize() const { return minThumbSize_; }
    void SetMinThumbSize(int value);
    int ButtonSize() const { return buttonSize_; }
    void SetButtonSize(int value);
    bool UseSystemMetrics() const { return useSystemMetrics_; }
    void SetUseSystemMetrics(bool value);
    bool ShowLeftArrows() const { return showLeftArrows_; }
    void SetShowLeftArrows(bool value);
    bool ShowRightArrows() const { return showRightArrows_; }
    void SetShowRightArrows(bool value);
    bool SecondaryButtons() const { return secondaryButtons_; }
    void SetSecondaryButtons(bool value);
    TGtSecButtonsKind SecondBtnKind = sbkOpposite;
    bool AltDisablingArrows() const { return altDisablingArrows_; }
    void SetAltDisablingArrows(bool value);
    bool NoDisableButtons() const { return noDisableButtons_; }
    void SetNoDisableButtons(bool value);

    // ---- look ----------------------------------------------------------------------------
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool ActiveFlat() const { return activeFlat_; }
    void SetActiveFlat(bool value);
    bool NoSunkenThumb() const { return noSunkenThumb_; }
    void SetNoSunkenThumb(bool value);
    bool ChangeColorsOnScroll() const { return changeColorsOnScroll_; }
    void SetChangeColorsOnScroll(bool value);
    bool BlendBackground() const { return blendBackground_; }
    void SetBlendBackground(bool value);
    bool SystemBkColor() const { return systemBkColor_; }
    void SetSystemBkColor(bool value);
    bool DrawFrames() const { return drawFrames_; }
    void SetDrawFrames(bool value);
    bool DrawArrowFrames() const { return drawArrowFrames_; }
    void SetDrawArrowFrames(bool value);
    bool ThinFrames() const { return thinFrames_; }
    void SetThinFrames(bool value);
    bool DrawBars() const { return drawBars_; }
    void SetDrawBars(bool value);
    uint32_t BarOffset() const { return barOffset_; }
    void SetBarOffset(uint32_t value);
    gui::TColor BarColor() const { return barColor_; }
    void SetBarColor(gui::TColor value);
    gui::TColor ArrowColor() const { return arrowColor_; }
    void SetArrowColor(gui::TColor value);
    gui::TColor ArrowHotTrackColor() const { return arrowHotTrackColor_; }
    void SetArrowHotTrackColor(gui::TColor value);
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);
    // Held for the styles object; not used for drawing.
    gui::TColor HintColor = gui::clInfoBk;
    gui::TColor HintTextColor = gui::clInfoText;

    // ---- hints ---------------------------------------------------------------------------
    bool ShowTrackHint = false;
    const std::u16string& HintW() const { return hint_; }
    void SetHintW(std::u16string_view value);
    // The window of the track hint while a drag shows one.
    TGtHintWindow* TrackHintWindow() const { return hintWindow_.get(); }

    // The tree sets it: no WM_HSCROLL/WM_VSCROLL to the parent during drags.
    bool NoScrollMessages = false;

    // Ends a press or drag from outside, as a button release would.
    void EndPress();

    // ---- state ---------------------------------------------------------------------------
    TGtScrollMetrics Metrics() const;
    int ThumbOffset() const { return thumbOffset_; }
    TGtScrollBarPart PressedPart() const { return pressed_; }
    TGtScrollBarPart HotPart() const { return hot_; }
    bool Pressing() const { return pressing_; }
    bool Dragging() const { return tracking_; }
    TGtScrollBarPart HitTest(int x, int y);

    runtime::TNotifyEvent OnChange;
    TGtScrollEvent OnScroll;
    TGtScrollHintNeededEvent OnScrollHintNeeded;
    TGtScrollHitTestEvent OnHitTest;
    TGtScrollDrawPartEvent OnDrawPart;

    void Loaded() override;

  protected:
    GUI_MESSAGE_MAP(TCustomGtScrollBar, TGtXPThemedControl)
    void WMGetDlgCode(gui::TMessage& msg);
    void WMGetScrollInfo(gui::TMessage& msg);
    void WMSetScrollInfo(gui::TMessage& msg);
    void WMFocusChanged(gui::TMessage& msg);
    void WMSysColorChange(gui::TMessage& msg);
    void WMCancelMode(gui::TMessage& msg);
    void CMMouseEnter(gui::TMessage& msg);
    void CMMouseLeave(gui::TMessage& msg);
    void CMColorChanged(gui::TMessage& msg);
    void CMEnabledChanged(gui::TMessage& msg);
    void CMHintShow(gui::TMessage& msg);

  protected:
    virtual void DoChange();
    virtual void DoScroll(TGtScrollCode code, int& position, bool& doChange);
    virtual void DoScrollHintNeeded(int position, std::u16string& hint);
    virtual void DoHitTest(int x, int y, TGtScrollBarPart& part, bool& defaultTest);
    // Lines a wheel notch scrolls: the system's setting (negative: a page).
    virtual int WheelScrollLines() const;

    const wchar_t* ThemeClassName() const override { return L"SCROLLBAR"; }
    void CreateWnd() override;
    void BoundsChanged(bool resized) override;
    void Paint() override;
    void MouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x, int y) override;
    void MouseMove(runtime::TShiftState shift, int x, int y) override;
    void MouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x, int y) override;
    bool DoMouseWheel(runtime::TShiftState shift, int wheelDelta, gui::TPoint mousePos) override;
    void KeyDown(uint16_t& key, runtime::TShiftState shift) override;

  private:
    struct Painter;
    bool Loading() const;
    void UpdateThumb();
    void ApplySystemMetrics();
    void ClampToRange();
    void InvalidateTrack(bool now);
    // Reports a step; sets the position and fires DoChange unless refused.
    void ReportStep(TGtScrollCode code, int position);
    void RepeatTick();
    void StartRepeat(int intervalMs);
    void StopRepeat();
    void ReleasePress();
    void ShowTrackHintAt(int position);
    bool PartCanAct(TGtScrollBarPart part) const;
    bool Focused() const;
    // Along and across the bar.
    int Along(int x, int y) const { return kind_ == gui::sbVertical ? y : x; }
    // A property change that only needs a repaint.
    void SetAndInvalidate(bool& field, bool value);

    gui::TScrollBarKind kind_ = gui::sbHorizontal;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int page_ = 14;
    TGtScrollThumbMode thumbMode_ = etmAuto;
    int thumbSize_ = 0;
    int minThumbSize_ = 4;
    int buttonSize_;
    bool useSystemMetrics_ = true;
    bool showLeftArrows_ = true;
    bool showRightArrows_ = true;
    bool secondaryButtons_ = false;
    bool altDisablingArrows_ = false;
    bool noDisableButtons_ = false;
    bool flat_ = true;
    bool activeFlat_ = false;
    bool noSunkenThumb_ = false;
    bool changeColorsOnScroll_ = true;
    bool blendBackground_ = true;
    bool systemBkColor_ = true;
    bool drawFrames_ = true;
    bool drawArrowFrames_ = true;
    bool thinFrames_ = false;
    bool drawBars_ = true;
    uint32_t barOffset_ = 2;
    gui::TColor barColor_ = gui::clBtnShadow;
    gui::TColor arrowColor_ = gui::clBtnText;
    gui::TColor arrowHotTrackColor_ = gui::clHighlight;
    bool ownerDraw_ = false;
    std::u16string hint_;

    int thumbOffset_ = 0;
    TGtScrollBarPart pressed_ = sbpNowhere;
    TGtScrollBarPart hot_ = sbpNowhere;
    bool pressing_ = false;
    bool tracking_ = false;
    bool mouseInside_ = false;
    gui::TPoint mousePoint_;
    int dragStart_ = 0;
    int dragStartPosition_ = 0;
    int dragOffset_ = 0;
    int trackPosition_ = 0;
    // The pointer along the bar at the last drag move: a move to the same
    // place (the system's own) is no move.
    int lastDragAlong_ = 0;
    HWND previousCapture_ = nullptr;
    bool repeatRunning_ = false;
    int repeatInterval_ = 0;
    std::unique_ptr<TGtHintWindow> hintWindow_;
    gui::TBrushHandle blendBrush_;
};

class TGtScrollBar : public TCustomGtScrollBar {
    RUNTIME_CLASS(TGtScrollBar)

  public:
    explicit TGtScrollBar(runtime::TComponent* owner) : TCustomGtScrollBar(owner) {}
};

// A scroll bar's look published through another control (the tree).
class TGtScrollBarStyles : public runtime::TPersistent {
    RUNTIME_CLASS(TGtScrollBarStyles)

  public:
    // EGtTreeError when either is missing.
    TGtScrollBarStyles(TCustomGtScrollBar* scrollBar, runtime::TComponent* owner);

    TCustomGtScrollBar& ScrollBar() const { return *bar_; }
    // The bar's thickness; ignored while system metrics apply (outside
    // loading), which are then applied again.
    int Width() const;
    void SetWidth(int value);
    bool UseSystemMetrics() const;
    void SetUseSystemMetrics(bool value);

    void Assign(const runtime::TPersistent* source) override;

    runtime::TNotifyEvent OnChange;

  private:
    TCustomGtScrollBar* bar_;
    runtime::TComponent* owner_;
};

}  // namespace controls::tree
