#include "gui/comctrls.h"
#include "gui/extctrls.h"
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
    runtime::RegisterClassInfo<TScrollBar>();
    runtime::RegisterClassInfo<TPanel>();
    runtime::RegisterClassInfo<TBevel>();
    runtime::RegisterClassInfo<TSplitter>();
    runtime::RegisterClassInfo<TPaintBox>();
    runtime::RegisterClassInfo<TImage>();
    runtime::RegisterClassInfo<TTimer>();
    runtime::RegisterClassInfo<TScrollBox>();
    runtime::RegisterClassInfo<TLabeledEdit>();
    runtime::RegisterClassInfo<TPageControl>();
    runtime::RegisterClassInfo<TTabSheet>();
    runtime::RegisterClassInfo<TStatusBar>();
    runtime::RegisterClassInfo<TProgressBar>();
    runtime::RegisterClassInfo<TUpDown>();
    runtime::RegisterClassInfo<TListView>();
    runtime::RegisterClassInfo<TTreeView>();
    runtime::RegisterClassInfo<TToolBar>();
    runtime::RegisterClassInfo<TToolButton>();
}

}  // namespace gui
