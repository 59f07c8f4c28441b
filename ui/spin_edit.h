#pragma once

// The numeric spin edit as the options and first-run dialogs use it,
// standing in for the program's own until that is built: an edit with the
// system's up and down arrows inside its right edge. The arrows, the Up and
// Down keys and the mouse wheel step the value by Increment; typed text
// becomes the value when it reads as a number, and the text shows the
// value again when the focus leaves.

#include "gui/stdctrls.h"
#include "runtime/typeinfo.h"

namespace ui {

RUNTIME_ENUM(TSpinButtonKind, bkStandard, bkClassic)

class TSpinEditStandIn : public gui::TCustomEdit {
    RUNTIME_CLASS(TSpinEditStandIn)

  public:
    explicit TSpinEditStandIn(runtime::TComponent* owner);

    // No limit when the two are equal; otherwise Value stays within them.
    double MinValue() const { return minValue_; }
    void SetMinValue(double value);
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double value);
    // The step of the arrows.
    double Increment() const { return increment_; }
    void SetIncrement(double value) { increment_ = value; }
    double Value() const { return value_; }
    void SetValue(double value);
    // The value truncated to an integer.
    int32_t GetAsInteger() const;
    void SetAsInteger(int32_t value) { SetValue(value); }
    TSpinButtonKind ButtonKind() const { return buttonKind_; }
    void SetButtonKind(TSpinButtonKind value) { buttonKind_ = value; }

    // Steps the value by `steps` increments (negative: down).
    void Step(int steps);
    // The arrows' window.
    HWND ArrowsHandle() const { return arrows_; }

  protected:
    GUI_MESSAGE_MAP(TSpinEditStandIn, gui::TCustomEdit)
    void WMNotify(gui::TMessage& msg);
    void WMSize(gui::TMessage& msg);
    void WMMouseWheel(gui::TMessage& msg);

  protected:
    void CreateHandleDone() override;
    void DestroyWnd() override;
    void KeyDown(uint16_t& key, runtime::TShiftState shift) override;
    void Change() override;
    void DoExit() override;

  private:
    double Clamped(double value) const;
    void ShowValue();
    void PlaceArrows();

    double minValue_ = 0;
    double maxValue_ = 0;
    double increment_ = 1;
    double value_ = 0;
    TSpinButtonKind buttonKind_ = bkStandard;
    HWND arrows_ = nullptr;
    bool showing_ = false;
};

}  // namespace ui
