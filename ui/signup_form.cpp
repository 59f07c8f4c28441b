#include "ui/signup_form.h"

#include "runtime/properties.h"
#include "ui/links.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm8, gui::TForm)
RUNTIME_HANDLER(FormCreate);
RUNTIME_HANDLER(Button1Click);
RUNTIME_END_CLASS

TForm8::TForm8(runtime::TComponent* owner) : TForm(owner) {
    Bind(Image1, "Image1");
    Bind(Button1, "Button1");
}

void TForm8::FormCreate(runtime::TObject*) {
    Image1->Picture()->Icon().LoadFromResourceName(nullptr, u"MAINICON", 48, 48);
}

void TForm8::Button1Click(runtime::TObject*) {
    OpenLink(kSoapSignUpPage);
    Close();
}

}  // namespace ui
