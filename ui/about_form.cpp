#include "ui/about_form.h"

#include "runtime/properties.h"
#include "ui/links.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm4, gui::TForm)
RUNTIME_HANDLER(FormCreate);
RUNTIME_HANDLER(Button1Click);
RUNTIME_HANDLER(Label4Click);
RUNTIME_HANDLER(Label6Click);
RUNTIME_END_CLASS

TForm4::TForm4(runtime::TComponent* owner) : TForm(owner) {
    Bind(Image1, "Image1");
    Bind(Label2, "Label2");
    Bind(Label4, "Label4");
    Bind(Label6, "Label6");
}

void TForm4::FormCreate(runtime::TObject*) {
    Label2->SetText(std::string("ver ") + ProgramVersion);
    Label4->SetText(MakerWebAddress);
    Label6->SetText(MakerSupportAddress);
    Image1->Picture()->Icon().LoadFromResourceName(nullptr, u"MAINICON", 48, 48);
}

void TForm4::Button1Click(runtime::TObject*) {
    Close();
}

void TForm4::Label4Click(runtime::TObject*) {
    OpenLink(MakerHomePage());
}

void TForm4::Label6Click(runtime::TObject*) {
    OpenLink(std::string("mailto:") + MakerSupportAddress + "?subject=" + ProgramName +
             "&body=Hello%20support!%0d%0a%0d%0aI%20am%20using%20your%20program%20and%20I%20like%20"
             "it%20very%20much,%20though%20%0d%0aI%20would%20like%20to%20ask%20you%20about...%20"
             "[describe%20your%20question%20here]");
}

}  // namespace ui
