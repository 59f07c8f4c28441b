#include "ui/project_progress_form.h"

#include <algorithm>

#include "runtime/properties.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm10, gui::TForm)
RUNTIME_END_CLASS

TForm10::TForm10(runtime::TComponent* owner) : TForm(owner) {
    Bind(Label1, "Label1");
    Bind(ProgressBar1, "ProgressBar1");
}

void TForm10::SetStageText(const std::string& text) {
    Label1->SetText(text);
}

void TForm10::SetProgress(int64_t position, int64_t total) {
    // The bar counts in 32 bits; a project of billions of characters is
    // shown at a coarser step.
    int64_t scale = 1;
    while (total / scale > INT32_MAX) scale *= 2;
    const auto max = static_cast<int>(std::max<int64_t>(total / scale, 1));
    if (ProgressBar1->Max() != max) ProgressBar1->SetMax(max);
    ProgressBar1->SetPosition(static_cast<int>(std::clamp<int64_t>(position / scale, 0, max)));
}

void TForm10::StepIt() {
    ProgressBar1->StepIt();
}

}  // namespace ui
