#include "ui/news_form.h"

#include "runtime/properties.h"
#include "ui/links.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm9, gui::TForm)
RUNTIME_HANDLER(FormCreate);
RUNTIME_HANDLER(htmlView1HotSpotClick);
RUNTIME_END_CLASS

TForm9::TForm9(runtime::TComponent* owner) : TForm(owner) {
    Bind(Image1, "Image1");
    Bind(htmlView1, "htmlView1");
}

void TForm9::FormCreate(runtime::TObject*) {
    Image1->Picture()->Icon().LoadFromResourceName(nullptr, u"MAINICON", 32, 32);
}

void TForm9::htmlView1HotSpotClick(runtime::TObject*, const std::string& src, bool& handled) {
    handled = true;
    (void)OpenNewsLink(src);
}

}  // namespace ui
