#pragma once

// The add-URL dialog: the site's address after a bold "http://" (which is
// not part of it), OK and Cancel.

#include "gui/extctrls.h"
#include "gui/forms.h"

namespace ui {

class TForm3 : public gui::TForm {
    RUNTIME_CLASS(TForm3)

  public:
    explicit TForm3(runtime::TComponent* owner);

    void FormShow(runtime::TObject* sender);

    gui::TLabeledEdit* LabeledEdit1 = nullptr;
};

}  // namespace ui
