#include "gui/init.h"

#include "gui/actions.h"
#include "gui/appevents.h"
#include "gui/application.h"
#include "gui/colors.h"
#include "gui/cursors.h"
#include "gui/dialogs.h"
#include "gui/forms.h"
#include "gui/graphic.h"
#include "gui/hints.h"
#include "gui/imagelist.h"
#include "gui/menus.h"
#include "gui/screen.h"
#include "gui/stdctrls.h"
#include "runtime/classinfo.h"

namespace gui {

void RegisterStandardControls();

void init() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    RegisterColorIdents();
    RegisterCursorIdents();
    RegisterStandardGraphics();
    runtime::RegisterClassInfo<TForm>();
    runtime::RegisterClassInfo<TAction>();
    runtime::RegisterClassInfo<TActionList>();
    runtime::RegisterClassInfo<THintAction>();
    runtime::RegisterClassInfo<TApplicationEvents>();
    runtime::RegisterClassInfo<TImageList>();
    runtime::RegisterClassInfo<TMenuItem>();
    runtime::RegisterClassInfo<TMainMenu>();
    runtime::RegisterClassInfo<TPopupMenu>();
    runtime::RegisterClassInfo<TBitmap>();
    runtime::RegisterClassInfo<TIcon>();
    runtime::RegisterClassInfo<TOpenDialog>();
    runtime::RegisterClassInfo<TSaveDialog>();
    RegisterStandardControls();
    if (Screen == nullptr) Screen = new TScreen(nullptr);
    if (Application == nullptr) Application = new TApplication(nullptr);
}

void shutdown() {
    delete Application;
    Application = nullptr;
    delete Screen;
    Screen = nullptr;
}

}  // namespace gui
