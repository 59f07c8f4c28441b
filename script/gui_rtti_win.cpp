// The Windows groups' start-up, and what of the class library belongs to
// the main thread.

#include "gui/actions.h"
#include "gui/appevents.h"
#include "gui/application.h"
#include "gui/comctrls.h"
#include "gui/controls.h"
#include "gui/dialogs.h"
#include "gui/extctrls.h"
#include "gui/graphic.h"
#include "gui/graphics.h"
#include "gui/imagelist.h"
#include "gui/menus.h"
#include "gui/screen.h"
#include "gui/stdctrls.h"
#include "script/gui_rtti.h"
#include "script/main_thread_objects.h"

namespace script {

namespace {

// Windows and what draws on them or runs on the main thread's message loop:
// controls, forms and the application, graphics objects and pictures,
// menus, actions, image lists, timers, dialogs, and the lists and items that
// live inside controls.
bool BelongsToMainThread(const runtime::TClassInfo& classInfo, const runtime::TObject* object) {
    static const runtime::TClassInfo* const kRoots[] = {
        &gui::TControl::StaticClassInfo(),
        &gui::TGraphicsObject::StaticClassInfo(),
        &gui::TCanvas::StaticClassInfo(),
        &gui::TGraphic::StaticClassInfo(),
        &gui::TPicture::StaticClassInfo(),
        &gui::TApplication::StaticClassInfo(),
        &gui::TApplicationEvents::StaticClassInfo(),
        &gui::TScreen::StaticClassInfo(),
        &gui::TMenu::StaticClassInfo(),
        &gui::TMenuItem::StaticClassInfo(),
        &gui::TBasicAction::StaticClassInfo(),
        &gui::TCustomActionList::StaticClassInfo(),
        &gui::TCustomImageList::StaticClassInfo(),
        &gui::TTimer::StaticClassInfo(),
        &gui::TOpenDialog::StaticClassInfo(),
        &gui::TToolButton::StaticClassInfo(),
        &gui::TTreeNode::StaticClassInfo(),
        &gui::TTreeNodes::StaticClassInfo(),
        &gui::TListItem::StaticClassInfo(),
        &gui::TListItems::StaticClassInfo(),
        &gui::TListColumn::StaticClassInfo(),
        &gui::TListColumns::StaticClassInfo(),
        &gui::TStatusPanel::StaticClassInfo(),
        &gui::TStatusPanels::StaticClassInfo(),
    };
    for (const runtime::TClassInfo* root : kRoots)
        if (classInfo.InheritsFrom(*root)) return true;
    // The lines of memos and the items of list and combo boxes are their
    // windows' contents.
    return object != nullptr && (dynamic_cast<const gui::TMemoStrings*>(object) != nullptr ||
                                 dynamic_cast<const gui::TControlStrings*>(object) != nullptr);
}

}  // namespace

void RegisterGuiClassModules() {
    RegisterModuleClass(&NewModule<graphics::TFunctions>);
    RegisterModuleClass(&NewModule<forms::TFunctions>);
    RegisterModuleClass(&NewModule<extctrls::TFunctions>);
    SetMainThreadTest(&BelongsToMainThread);
}

}  // namespace script
