#include "gui/stdctrls.h"
#include "runtime/classinfo.h"

namespace gui {

// Every control class a layout may name.
void RegisterStandardControls() {
    runtime::RegisterClassInfo<TLabel>();
    runtime::RegisterClassInfo<TLinkLabel>();
    runtime::RegisterClassInfo<TButton>();
    runtime::RegisterClassInfo<TCheckBox>();
    runtime::RegisterClassInfo<TRadioButton>();
    runtime::RegisterClassInfo<TGroupBox>();
    runtime::RegisterClassInfo<TEdit>();
    runtime::RegisterClassInfo<TMemo>();
    runtime::RegisterClassInfo<TListBox>();
    runtime::RegisterClassInfo<TComboBox>();
}

}  // namespace gui
