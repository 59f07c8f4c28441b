#pragma once

// The hint window: a borderless top-most popup that shows a control's
// short hint near the mouse. The application shows one at a time; a
// program may replace its class (TApplication::HintWindowClass), and a
// descendant overrides how the text is measured and painted.

#include <string>

#include "gui/controls.h"

namespace gui {

class THintWindow : public TCustomControl {
    RUNTIME_CLASS(THintWindow)

  public:
    explicit THintWindow(TComponent* owner);

    // The size the hint needs, at (0, 0), at most maxWidth wide.
    virtual TRect MeasureHintRect(int maxWidth, const std::string& hint, void* data);
    // Shows the hint at the screen rectangle without taking the focus.
    virtual void ShowHintText(const TRect& rect, const std::string& hint);
    virtual void ShowHintWithData(const TRect& rect, const std::string& hint, void* data);
    void HideHint();
    bool IsShowing() const;

  protected:
    GUI_MESSAGE_MAP(THintWindow, TCustomControl)
    void WMNCHitTest(TMessage& msg);
    void WMMouseActivate(TMessage& msg);

  protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    // The text area inside the border.
    virtual TRect TextRect() const;
};

}  // namespace gui
