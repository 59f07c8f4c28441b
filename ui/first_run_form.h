#pragma once

// The first-run dialog ("Preferences (first run)"): the search depth and the
// engine, asked once, on the program's first start. The main window reads
// its values when it closes, whatever closed it.

#include "gui/extctrls.h"
#include "gui/forms.h"
#include "ui/engine_selector.h"
#include "ui/spin_edit.h"

namespace ui {

class TForm11 : public gui::TForm {
    RUNTIME_CLASS(TForm11)

  public:
    explicit TForm11(runtime::TComponent* owner);

    void FormCreate(runtime::TObject* sender);
    // "Read more about Google IP block issue...".
    void Label7Click(runtime::TObject* sender);

    gui::TImage* Image1 = nullptr;
    TSpinEditStandIn* SpinEdit1 = nullptr;
    TEngineSelector* ComboBox1 = nullptr;
    gui::TButton* Button1 = nullptr;
};

}  // namespace ui
