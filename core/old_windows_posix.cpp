#include "core/old_windows.h"
#include "core/state.h"

namespace core {

bool CheckOldWindows() {
    OldWindows = false;
    return OldWindows;
}

}  // namespace core
