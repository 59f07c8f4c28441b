#include "ui/progress_form.h"

#include "core/options.h"
#include "core/site.h"
#include "core/state.h"
#include "runtime/properties.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm6, gui::TForm)
RUNTIME_HANDLER(FormShow);
RUNTIME_HANDLER(FormHide);
RUNTIME_HANDLER(Button1Click);
RUNTIME_END_CLASS

TForm6::TForm6(runtime::TComponent* owner) : TForm(owner) {
    Bind(Label1, "Label1");
    Bind(ProgressBar1, "ProgressBar1");
    Bind(Memo1, "Memo1");
    Bind(Button1, "Button1");
}

void TForm6::KeywordDone(const std::u16string& line) {
    ProgressBar1->StepIt();
    LogLine(line);
}

void TForm6::LogLine(const std::u16string& line) {
    // The log is wide text: the line goes in at its end as typed text would.
    std::u16string text = line + u"\r\n";
    if (Memo1->HandleAllocated()) {
        const LRESULT end = SendMessageW(Memo1->WindowHandle(), WM_GETTEXTLENGTH, 0, 0);
        SendMessageW(Memo1->WindowHandle(), EM_SETSEL, end, end);
        SendMessageW(Memo1->WindowHandle(), EM_REPLACESEL, FALSE,
                     reinterpret_cast<LPARAM>(text.c_str()));
    } else {
        Memo1->SetTextW(Memo1->TextW() + text);
    }
}

void TForm6::FormShow(runtime::TObject*) {
    Button1->SetEnabled(true);
    if (gui::Application->MainForm() != nullptr) gui::Application->MainForm()->SetEnabled(false);
    if (core::CurrentSite != nullptr) core::CurrentSite->Stop = false;
    Label1->SetText(core::Options != nullptr && core::Options->GoogleKeyActive
                        ? "Quering Google Web API... Please wait."
                        : "Quering Google... Please wait.");
    Memo1->Clear();
}

void TForm6::FormHide(runtime::TObject*) {
    if (gui::Application->MainForm() != nullptr) gui::Application->MainForm()->SetEnabled(true);
}

void TForm6::Button1Click(runtime::TObject*) {
    Button1->SetEnabled(false);
    if (core::CurrentSite != nullptr) core::CurrentSite->Stop = true;
    Label1->SetText("Stopping... Please wait.");
}

}  // namespace ui
