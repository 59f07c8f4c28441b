#pragma once

// The options dialog ("Options"): the proxy, the search depth, the engine,
// the key of the search interface, the version check and the friendly
// mode. The Preferences command makes it, fills it from the settings,
// shows it and, on OK, stores it back.
//
// OK closes the dialog only with a port from 1 to 65535 (or none): the
// port field takes only digits as they are typed, and a pasted text is
// checked here.

#include <string>

#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "ui/engine_selector.h"
#include "ui/spin_edit.h"

namespace core {
class TOptions;
}

namespace ui {

inline constexpr const char* SBadProxyPort = "Please enter a proxy port from 1 to 65535.";

// The friendly modes in the order of their list (the setting is the index).
inline constexpr const char* kFriendlyModes[] = {"Off", "Low", "High", "Safe"};

class TForm5 : public gui::TForm {
    RUNTIME_CLASS(TForm5)

  public:
    explicit TForm5(runtime::TComponent* owner);

    void FormCreate(runtime::TObject* sender);
    // The port takes the digits and Backspace only.
    void LabeledEdit1KeyPress(runtime::TObject* sender, char& key);
    // The key edit is usable exactly while the box is checked.
    void CheckBox1Click(runtime::TObject* sender);
    // OK: the dialog closes when the port is one.
    void Button1Click(runtime::TObject* sender);

    // ---- groups ------------------------------------------------------------------------------
    gui::TLabeledEdit* LabeledEdit1 = nullptr;  // Port
    gui::TLabeledEdit* LabeledEdit2 = nullptr;  // Host
    gui::TLabeledEdit* LabeledEdit3 = nullptr;  // User
    gui::TLabeledEdit* LabeledEdit4 = nullptr;  // Password
    TSpinEditStandIn* SpinEdit1 = nullptr;
    TEngineSelector* ComboBox1 = nullptr;
    gui::TCheckBox* CheckBox1 = nullptr;  // the search interface's key
    gui::TEdit* Edit1 = nullptr;
    gui::TCheckBox* CheckBox2 = nullptr;  // "Check for new version"
    gui::TComboBox* ComboBox2 = nullptr;  // friendly mode
    gui::TButton* Button1 = nullptr;
    gui::TButton* Button2 = nullptr;
};

// A proxy port as the dialog accepts it: empty (no port), or decimal
// digits giving 1 to 65535.
bool IsValidProxyPort(const std::string& text);

// The settings into the dialog, and back.
void FillOptionsDialog(TForm5& dialog, const core::TOptions& options);
void StoreOptionsDialog(const TForm5& dialog, core::TOptions& options);

}  // namespace ui
