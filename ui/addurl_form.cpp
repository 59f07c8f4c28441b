#include "ui/addurl_form.h"

#include "runtime/properties.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm3, gui::TForm)
RUNTIME_HANDLER(FormShow);
RUNTIME_END_CLASS

TForm3::TForm3(runtime::TComponent* owner) : TForm(owner) {
    Bind(LabeledEdit1, "LabeledEdit1");
}

void TForm3::FormShow(runtime::TObject*) {
    FocusControl(LabeledEdit1);
}

}  // namespace ui
