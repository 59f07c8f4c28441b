#pragma once

// The check-progress dialog ("Progress"): shown while a site is checked,
// with a bar that advances once per keyword, the check's log and Stop.
// Showing it disables the main window and clears the site's stop request;
// hiding it enables the main window again.

#include <string>

#include "gui/comctrls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"

namespace ui {

class TForm6 : public gui::TForm {
    RUNTIME_CLASS(TForm6)

  public:
    explicit TForm6(runtime::TComponent* owner);

    // One keyword's check ended: the bar advances, the line joins the log.
    void KeywordDone(const std::u16string& line);
    // A line for the log that is no keyword's (a news or version check
    // that went wrong): the bar stays.
    void LogLine(const std::u16string& line);

    void FormShow(runtime::TObject* sender);
    void FormHide(runtime::TObject* sender);
    // Stop.
    void Button1Click(runtime::TObject* sender);

    gui::TLabel* Label1 = nullptr;
    gui::TProgressBar* ProgressBar1 = nullptr;
    gui::TMemo* Memo1 = nullptr;
    gui::TButton* Button1 = nullptr;
};

}  // namespace ui
