#include "ui/project_form.h"

#include "runtime/properties.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm2, gui::TForm)
RUNTIME_HANDLER(FormShow);
RUNTIME_END_CLASS

TForm2::TForm2(runtime::TComponent* owner) : TForm(owner) {
    Bind(PageControl1, "PageControl1");
    Bind(TabSheet1, "TabSheet1");
    Bind(TabSheet2, "TabSheet2");
    Bind(Edit1, "Edit1");
    Bind(GtTree1, "GtTree1");
    Bind(Memo1, "Memo1");
    Bind(Button3, "Button3");
    Bind(Button4, "Button4");
    Bind(Button5, "Button5");
    Bind(Button6, "Button6");
    Bind(PopupMenu1, "PopupMenu1");
}

void TForm2::FormShow(runtime::TObject*) {
    const gui::TTabSheet* page = PageControl1->ActivePage();
    if (page != nullptr && page->Text() == "Keywords")
        FocusControl(Edit1);
    else
        FocusControl(Memo1);
}

}  // namespace ui
