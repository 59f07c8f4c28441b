#pragma once

// The project-properties dialog: the current site's keywords and notes on
// two pages. The main window fills it, shows it and takes its result.

#include "gui/comctrls.h"
#include "gui/forms.h"
#include "gui/menus.h"
#include "gui/stdctrls.h"
#include "ui/tree_standin.h"

namespace ui {

class TForm2 : public gui::TForm {
    RUNTIME_CLASS(TForm2)

  public:
    explicit TForm2(runtime::TComponent* owner);

    // Focuses the keyword edit on the "Keywords" page, else the notes.
    void FormShow(runtime::TObject* sender);

    gui::TPageControl* PageControl1 = nullptr;
    gui::TTabSheet* TabSheet1 = nullptr;
    gui::TTabSheet* TabSheet2 = nullptr;
    gui::TEdit* Edit1 = nullptr;
    TTreeStandIn* GtTree1 = nullptr;
    gui::TMemo* Memo1 = nullptr;
    gui::TButton* Button3 = nullptr;
    gui::TButton* Button4 = nullptr;
    gui::TButton* Button5 = nullptr;
    gui::TButton* Button6 = nullptr;
    gui::TPopupMenu* PopupMenu1 = nullptr;
};

}  // namespace ui
