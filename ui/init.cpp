#include "ui/init.h"

#include "controls/tree/init.h"
#include "controls/tree/tree.h"
#include "runtime/classinfo.h"
#include "script/script.h"
#include "ui/engine_selector.h"
#include "ui/html_standin.h"
#include "ui/image_lists.h"
#include "ui/spin_edit.h"
#include "ui/toolbar_standin.h"
#include "ui/vista_fix.h"

namespace ui {

void init() {
    // The windows hold the program's tree control: it starts first (a
    // second start does nothing).
    controls::tree::init();
    runtime::RegisterClassInfo<controls::tree::TGtTree>();
    runtime::RegisterClassInfo<TToolBarStandIn>();
    runtime::RegisterClassInfo<TToolControlItem>();
    runtime::RegisterClassInfo<TResourceImageList>();
    runtime::RegisterClassInfo<TSpinEditStandIn>();
    runtime::RegisterClassInfo<TEngineSelector>();
    runtime::RegisterClassInfo<THtmlTextView>();
    runtime::RegisterClassInfo<TVistaAltFix>();
    // The main window holds the program's script component.
    runtime::RegisterClassInfo<script::TscScript>();
}

}  // namespace ui
