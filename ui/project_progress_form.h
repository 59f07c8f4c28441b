#pragma once

// The project-progress dialog ("Serplow - Progress"): shown while the
// project loads at start and while it is saved at close, with the stage's
// text and a bar the core's progress callbacks move.

#include <cstdint>
#include <string>

#include "gui/comctrls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"

namespace ui {

class TForm10 : public gui::TForm {
    RUNTIME_CLASS(TForm10)

  public:
    explicit TForm10(runtime::TComponent* owner);

    void SetStageText(const std::string& text);
    // The bar's maximum and position; totals past the bar's range are
    // scaled down.
    void SetProgress(int64_t position, int64_t total);
    void StepIt();

    gui::TLabel* Label1 = nullptr;
    gui::TProgressBar* ProgressBar1 = nullptr;
};

}  // namespace ui
