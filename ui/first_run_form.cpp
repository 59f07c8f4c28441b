#include "ui/first_run_form.h"

#include "runtime/properties.h"
#include "ui/links.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm11, gui::TForm)
RUNTIME_HANDLER(FormCreate);
RUNTIME_HANDLER(Label7Click);
RUNTIME_END_CLASS

TForm11::TForm11(runtime::TComponent* owner) : TForm(owner) {
    Bind(Image1, "Image1");
    Bind(SpinEdit1, "SpinEdit1");
    Bind(ComboBox1, "ComboBox1");
    Bind(Button1, "Button1");
}

void TForm11::FormCreate(runtime::TObject*) {
    Image1->Picture()->Icon().LoadFromResourceName(nullptr, u"MAINICON", 64, 64);
    ComboBox1->FillEngines();
}

void TForm11::Label7Click(runtime::TObject*) {
    OpenLink(MakerPage("/forum/viewtopic.php?t=975&utm_nooverride=1"));
}

}  // namespace ui
