#pragma once

// TGtHintWindow: the family's pop-up hint window. It shows Unicode text,
// measured and drawn with the family's wide-text drawing, and understands
// hint strings that carry a wide hint after their 8-bit text (colormath.h),
// so a control's wide hint shows whole when the application's hints use
// this window. It stays on the work area of the monitor it shows on.
// Windows only.

#include <string>
#include <string_view>

#include "gui/application.h"
#include "gui/hints.h"

namespace controls::tree {

class TGtHintWindow : public gui::THintWindow {
    RUNTIME_CLASS(TGtHintWindow)

  public:
    explicit TGtHintWindow(runtime::TComponent* owner);

    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // The text shown: the window's caption.
    std::u16string WideCaption() const { return TextW(); }
    void SetWideCaption(std::u16string_view value) { SetTextW(std::u16string(value)); }

    // The size the text needs at (0, 0), at most maxWidth wide.
    gui::TRect CalcHintRectWide(int maxWidth, std::u16string_view text);
    // Shows the text at the screen rectangle (4 pixels taller), kept on
    // the work area, without taking the focus.
    virtual void ActivateHintWide(gui::TRect r, std::u16string_view text);

    // The application's hints: a wide hint inside the string shows whole.
    gui::TRect MeasureHintRect(int maxWidth, const std::string& hint, void* data) override;
    void ShowHintText(const gui::TRect& rect, const std::string& hint) override;

  protected:
    void Paint() override;
    void TextChanged() override;

  private:
    void FitToText();
    UINT Format() const;

    bool wordWrap_ = false;
    // Set while the window is being placed: text changes then do not
    // resize it.
    bool activating_ = false;
};

// The rectangle moved (never resized) onto the work area of the monitor
// that shows most of it: ends past the right or bottom edge first, then
// starts before the left or top edge.
gui::TRect KeepOnWorkArea(gui::TRect r);

// The hint string's text as the hint window shows it: the wide hint it
// carries, else its 8-bit text up to the first zero.
std::u16string HintStringText(const std::string& hint);

// A control's wide hint handed to the class library: the control's 8-bit
// hint becomes the encoded form.
void PublishWideHint(gui::TControl& control, std::u16string_view hint);
// CM_HINTSHOW of a control with a wide hint: the shown string is rebuilt in
// the encoding from the wide hint (its short part when the application
// chose the short hint) and the family's hint window is asked for; false
// when nothing is to show (an empty hint).
bool PrepareWideHint(const gui::TControl& control, std::u16string_view hint, gui::THintInfo& info);

}  // namespace controls::tree
