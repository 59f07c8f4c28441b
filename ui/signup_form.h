#pragma once

// The key sign-up dialog ("Register with Google"): how to get a key for
// Google's SOAP search interface, and a button that opens its sign-up page.

#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"

namespace ui {

// The sign-up page of the search interface.
inline constexpr const char* kSoapSignUpPage = "http://www.google.com/apis/soapsearch/";

class TForm8 : public gui::TForm {
    RUNTIME_CLASS(TForm8)

  public:
    explicit TForm8(runtime::TComponent* owner);

    void FormCreate(runtime::TObject* sender);
    // Opens the sign-up page and closes the dialog.
    void Button1Click(runtime::TObject* sender);

    gui::TImage* Image1 = nullptr;
    gui::TButton* Button1 = nullptr;
};

}  // namespace ui
