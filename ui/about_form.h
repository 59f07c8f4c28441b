#pragma once

// The About dialog: the program's picture, name and version, the maker's
// web site and support address as links, and the legal notice.

#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"

namespace ui {

class TForm4 : public gui::TForm {
    RUNTIME_CLASS(TForm4)

  public:
    explicit TForm4(runtime::TComponent* owner);

    void FormCreate(runtime::TObject* sender);
    // OK.
    void Button1Click(runtime::TObject* sender);
    // The web site.
    void Label4Click(runtime::TObject* sender);
    // The support address.
    void Label6Click(runtime::TObject* sender);

    gui::TImage* Image1 = nullptr;
    gui::TLabel* Label2 = nullptr;
    gui::TLinkLabel* Label4 = nullptr;
    gui::TLinkLabel* Label6 = nullptr;
};

}  // namespace ui
