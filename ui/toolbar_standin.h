#pragma once

// The tool bar as the main window uses it, standing in for the program's
// own tool bars until they are built: the platform's tool bar with flat
// 32-pixel buttons bound to actions, hints, and items that hold a control
// (the "Site URL" label and the site selector) at their place in the row.

#include "gui/comctrls.h"

namespace ui {

class TToolBarStandIn;

// An item that places an existing control inside the tool bar: a gap as
// wide as the control, with the control centred on it.
class TToolControlItem : public gui::TToolButton {
    RUNTIME_CLASS(TToolControlItem)

  public:
    explicit TToolControlItem(runtime::TComponent* owner);
    ~TToolControlItem() override;

    gui::TControl* Control() const { return control_; }
    void SetControl(gui::TControl* value);

  protected:
    void Notification(runtime::TComponent* component, runtime::TOperation operation) override;

  private:
    friend class TToolBarStandIn;
    gui::TControl* control_ = nullptr;
};

class TToolBarStandIn : public gui::TToolBar {
    RUNTIME_CLASS(TToolBarStandIn)

  public:
    explicit TToolBarStandIn(runtime::TComponent* owner);

    // Moves the items' controls onto their gaps and fits the bar's height
    // to its buttons.
    void PlaceControls();

  protected:
    GUI_MESSAGE_MAP(TToolBarStandIn, gui::TToolBar)
    void TBAutoSize(gui::TMessage& msg);
    void WMSize(gui::TMessage& msg);

  protected:
    void CreateParams(gui::TCreateParams& params) override;
    void Loaded() override;

  private:
    bool placing_ = false;
};

}  // namespace ui
