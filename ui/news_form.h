#pragma once

// The news window ("Latest News from Tarvenixco"): the maker's news page
// in the HTML viewer. A link the user clicks opens in the browser or the
// mail program (web and mail addresses only: the page comes from the
// network); the viewer never follows it itself.

#include <string>

#include "gui/extctrls.h"
#include "gui/forms.h"
#include "ui/html_standin.h"

namespace ui {

class TForm9 : public gui::TForm {
    RUNTIME_CLASS(TForm9)

  public:
    explicit TForm9(runtime::TComponent* owner);

    void FormCreate(runtime::TObject* sender);
    void htmlView1HotSpotClick(runtime::TObject* sender, const std::string& src, bool& handled);

    gui::TImage* Image1 = nullptr;
    THtmlTextView* htmlView1 = nullptr;
};

}  // namespace ui
