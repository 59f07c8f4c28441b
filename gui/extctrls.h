#pragma once

// More controls: panels, bevels, splitters, images, timers, scroll boxes
// and the labelled edit.

#include <cstdint>
#include <memory>
#include <string>

#include "gui/controls.h"
#include "gui/graphic.h"
#include "gui/stdctrls.h"

namespace gui {

RUNTIME_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)
RUNTIME_ENUM(TBevelShape, bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine,
             bsSpacer)
RUNTIME_ENUM(TBevelStyle, bsLowered, bsRaised)
RUNTIME_ENUM(TResizeStyle, rsNone, rsLine, rsUpdate)
RUNTIME_ENUM(TLabelPosition, lpAbove, lpBelow, lpLeft, lpRight)

// A container with an optional raised or lowered border and a centred caption.
class TPanel : public TCustomControl {
    RUNTIME_CLASS(TPanel)

  public:
    explicit TPanel(TComponent* owner);

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

  protected:
    void CreateParams(TCreateParams& params) override;
    void AdjustClientRect(TRect& rect) const override;
    void Paint() override;
    void TextChanged() override { Invalidate(); }

  private:
    void Changed();
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    TAlignment alignment_ = taCenter;
};

// A line, frame or box drawn lowered or raised.
class TBevel : public TGraphicControl {
    RUNTIME_CLASS(TBevel)

  public:
    explicit TBevel(TComponent* owner);

    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);

  protected:
    void Paint() override;

  private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

RUNTIME_EVENT_TYPE(TCanResizeSplitEvent, "Sender, NewSize, Accept", TObject*, int&, bool&);

// Drags the edge between the aligned control next to it and the rest of
// its parent: a splitter aligned left sizes the left-aligned control at its
// left, and so on for the other edges.
class TSplitter : public TGraphicControl {
    RUNTIME_CLASS(TSplitter)

  public:
    explicit TSplitter(TComponent* owner);

    // The smallest size of the control it sizes and of what is left.
    int MinSize() const { return minSize_; }
    void SetMinSize(int value) { minSize_ = std::max(1, value); }
    TResizeStyle ResizeStyle() const { return resizeStyle_; }
    void SetResizeStyle(TResizeStyle value) { resizeStyle_ = value; }
    bool Beveled() const { return beveled_; }
    void SetBeveled(bool value);
    // The control the splitter sizes (found when a drag starts).
    TControl* ResizeControl() const;

    TCanResizeSplitEvent OnCanResize;
    TNotifyEvent OnMoved;

  protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint() override;
    void BoundsChanged(bool resized) override;
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
    int NewSize(int position) const;
    // The drag ends; the control it sized is no longer watched.
    void EndDrag();

    int minSize_ = 30;
    TResizeStyle resizeStyle_ = rsUpdate;
    bool beveled_ = false;
    // The control being sized during a drag, watched in case it goes.
    TControl* control_ = nullptr;
    int downPosition_ = 0;
    int startSize_ = 0;
    int maxSize_ = 0;
    bool dragging_ = false;
};

// An area without a window of its own that its OnPaint handler draws on
// its Canvas.
class TPaintBox : public TGraphicControl {
    RUNTIME_CLASS(TPaintBox)

  public:
    explicit TPaintBox(TComponent* owner);

    TNotifyEvent OnPaint;

  protected:
    void Paint() override;
};

// Shows a picture, as it is, stretched or centred.
class TImage : public TGraphicControl {
    RUNTIME_CLASS(TImage)

  public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    // Where the picture is drawn in the client area.
    TRect DestRect() const;

  protected:
    void Paint() override;

  private:
    void PictureChanged();
    std::unique_ptr<TPicture> picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

// Fires OnTimer every Interval milliseconds while Enabled. The timer is
// killed when the component goes.
class TTimer : public TComponent {
    RUNTIME_CLASS(TTimer)

  public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t value);
    bool Running() const { return id_ != 0; }

    TNotifyEvent OnTimer;
    void Loaded() override;

  protected:
    virtual void Timer();

  private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept;
    void UpdateTimer();

    bool enabled_ = true;
    uint32_t interval_ = 1000;
    UINT_PTR id_ = 0;
};

// A container whose children may extend past its client area, which then
// scrolls.
class TScrollBox : public TWinControl {
    RUNTIME_CLASS(TScrollBox)

  public:
    explicit TScrollBox(TComponent* owner);

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    int HorzPosition() const { return position_.X; }
    int VertPosition() const { return position_.Y; }
    // Scrolls so that the content's point `p` is at the client's top left.
    void ScrollTo(TPoint p);
    // The extent of the children (content size) at the current scroll.
    TSize ContentSize() const;
    // Scrolls the child into view.
    void ScrollInView(TControl* control);
    // Recomputes the ranges after children changed.
    void UpdateScrollBars();

  protected:
    GUI_MESSAGE_MAP(TScrollBox, TWinControl)
    void WMHScroll(TMessage& msg);
    void WMVScroll(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void BoundsChanged(bool resized) override;
    void ChildBoundsChanged(TControl* control) override;

  private:
    void ScrollMessage(TMessage& msg, int bar);
    TBorderStyle borderStyle_ = bsSingle;
    TPoint position_;
    bool updating_ = false;
};

// An edit with a label bound to it (EditLabel), placed beside it.
class TLabeledEdit : public TCustomEdit {
    RUNTIME_CLASS(TLabeledEdit)

  public:
    explicit TLabeledEdit(TComponent* owner);
    ~TLabeledEdit() override;

    TCustomLabel* EditLabel() const { return label_; }
    TLabelPosition LabelPosition() const { return labelPosition_; }
    void SetLabelPosition(TLabelPosition value);
    int LabelSpacing() const { return labelSpacing_; }
    void SetLabelSpacing(int value);

    void SetParent(TWinControl* parent) override;

  protected:
    void BoundsChanged(bool resized) override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void Notification(TComponent* component, runtime::TOperation operation) override;

  private:
    void PlaceLabel();
    TCustomLabel* label_;
    TLabelPosition labelPosition_ = lpAbove;
    int labelSpacing_ = 3;
};

}  // namespace gui
