#include <windows.h>

#include "core/old_windows.h"
#include "core/state.h"

namespace core {

bool CheckOldWindows() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    OldWindows = !::GetVersionExW(&info) || info.dwMajorVersion < 5;
    return OldWindows;
}

}  // namespace core
