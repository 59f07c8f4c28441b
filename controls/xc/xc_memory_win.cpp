#include <windows.h>

#include "controls/xc/xc_memory.h"
#include "gui/dialogs.h"
#include "gui/screen.h"
#include "runtime/exceptions.h"

namespace xc {

void* GlobalAllocZeroed(int64_t size) {
    if (size <= 0) return nullptr;
    void* block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
    if (block == nullptr) throw runtime::EOutOfMemory("Out of memory");
    return block;
}

void GlobalFreeAndNil(void*& block) {
    if (block != nullptr) GlobalFree(block);
    block = nullptr;
}

void NotImplementedAbort() {
    // The user sees the message with the ordinary cursor, whatever the
    // operation had set; the message goes through the class library's
    // desktop services.
    if (gui::Screen != nullptr) gui::Screen->SetCursor(gui::crDefault);
    gui::MessageDlg(SNotImplemented, gui::mtInformation, {gui::mbOK});
    throw runtime::EAbort(SNotImplemented);
}

}  // namespace xc
