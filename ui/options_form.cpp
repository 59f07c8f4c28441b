#include "ui/options_form.h"

#include <algorithm>

#include "core/options.h"
#include "gui/dialogs.h"
#include "runtime/properties.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TForm5, gui::TForm)
RUNTIME_HANDLER(FormCreate);
RUNTIME_HANDLER(LabeledEdit1KeyPress);
RUNTIME_HANDLER(CheckBox1Click);
RUNTIME_HANDLER(Button1Click);
RUNTIME_END_CLASS

TForm5::TForm5(runtime::TComponent* owner) : TForm(owner) {
    Bind(LabeledEdit1, "LabeledEdit1");
    Bind(LabeledEdit2, "LabeledEdit2");
    Bind(LabeledEdit3, "LabeledEdit3");
    Bind(LabeledEdit4, "LabeledEdit4");
    Bind(SpinEdit1, "SpinEdit1");
    Bind(ComboBox1, "ComboBox1");
    Bind(CheckBox1, "CheckBox1");
    Bind(Edit1, "Edit1");
    Bind(CheckBox2, "CheckBox2");
    Bind(ComboBox2, "ComboBox2");
    Bind(Button1, "Button1");
    Bind(Button2, "Button2");
}

void TForm5::FormCreate(runtime::TObject*) {
    ComboBox1->FillEngines();
}

void TForm5::LabeledEdit1KeyPress(runtime::TObject*, char& key) {
    if ((key < '0' || key > '9') && key != '\b') key = 0;
}

void TForm5::CheckBox1Click(runtime::TObject*) {
    Edit1->SetEnabled(CheckBox1->Checked());
    // Filling the dialog clicks the box too; the focus moves only for the user.
    if (CheckBox1->Checked() && Showing()) FocusControl(Edit1);
}

void TForm5::Button1Click(runtime::TObject*) {
    if (!IsValidProxyPort(LabeledEdit1->Text())) {
        gui::MessageBox(SBadProxyPort, "Error", MB_OK | MB_ICONERROR);
        if (Showing()) FocusControl(LabeledEdit1);
        return;
    }
    SetModalResult(gui::mrOk);
}

bool IsValidProxyPort(const std::string& text) {
    if (text.empty()) return true;
    if (text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int port = std::stoi(text);
    return port >= 1 && port <= 65535;
}

void FillOptionsDialog(TForm5& dialog, const core::TOptions& options) {
    dialog.LabeledEdit1->SetText(options.ProxyPort);
    dialog.LabeledEdit2->SetText(options.ProxyHost);
    dialog.LabeledEdit3->SetText(options.ProxyUser);
    dialog.LabeledEdit4->SetText(options.ProxyPass);
    dialog.SpinEdit1->SetAsInteger(options.SearchResults);
    dialog.Edit1->SetText(options.GoogleKey);
    dialog.ComboBox1->SelectEntry(EngineEntryText(options.Country, options.Lang));
    dialog.CheckBox1->SetChecked(options.GoogleKeyActive);
    dialog.Edit1->SetEnabled(options.GoogleKeyActive);
    dialog.CheckBox2->SetChecked(options.CheckForNewVersion);
    // A mode the list does not have (an edited settings file) shows as the
    // nearest one.
    dialog.ComboBox2->SetItemIndex(std::clamp(options.HumanActivitySimulation, 0,
                                              static_cast<int>(std::size(kFriendlyModes)) - 1));
}

void StoreOptionsDialog(const TForm5& dialog, core::TOptions& options) {
    options.ProxyPort = dialog.LabeledEdit1->Text();
    options.ProxyHost = dialog.LabeledEdit2->Text();
    options.ProxyUser = dialog.LabeledEdit3->Text();
    options.ProxyPass = dialog.LabeledEdit4->Text();
    options.SearchResults = dialog.SpinEdit1->GetAsInteger();
    options.GoogleKey = dialog.Edit1->Text();
    const std::string entry = dialog.ComboBox1->Text();
    options.Country = CountryOfEntry(entry);
    options.Lang = LangOfEntry(entry);
    options.SEFileName = dialog.ComboBox1->EngineFile();
    options.GoogleKeyActive = dialog.CheckBox1->Checked();
    options.CheckForNewVersion = dialog.CheckBox2->Checked();
    if (dialog.ComboBox2->ItemIndex() >= 0)
        options.HumanActivitySimulation = dialog.ComboBox2->ItemIndex();
}

}  // namespace ui
