#include "controls/tree/header.h"
#include "controls/tree/helpers.h"
#include "controls/tree/hintwindow.h"
#include "controls/tree/hook.h"
#include "controls/tree/init.h"
#include "controls/tree/scrollbar.h"
#include "controls/tree/tree.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/xpthemed.h"
#include "runtime/classinfo.h"

namespace controls::tree {

namespace {
bool started = false;
}  // namespace

void init() {
    if (started) return;
    started = true;
    InitOsFlags();
    InitThemes();
    runtime::RegisterClassInfo<TGtScrollBar>();
    runtime::RegisterClassInfo<TGtScrollBarStyles>();
    runtime::RegisterClassInfo<TGtHeader>();
    runtime::RegisterClassInfo<TGtHook>();
    runtime::RegisterClassInfo<TGtHintWindow>();
    RegisterDragCursors();
    runtime::RegisterClassInfo<TGtTree>();
}

void shutdown() {
    DoneThemes();
}

}  // namespace controls::tree
