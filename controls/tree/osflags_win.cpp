#include <windows.h>

#include "controls/tree/helpers.h"

namespace controls::tree {

namespace {

// Written once by InitOsFlags before any thread of the program exists.
bool winNT = false;
bool win98Up = false;

}  // namespace

bool IsWinNT() {
    return winNT;
}

bool IsWin98Up() {
    return win98Up;
}

void InitOsFlags() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return;
#pragma GCC diagnostic pop
    winNT = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    win98Up = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && info.dwMinorVersion != 0;
}

runtime::TShiftState GetShiftState() {
    runtime::TShiftState state;
    if (GetKeyState(VK_SHIFT) < 0) state.Include(runtime::ssShift);
    if (GetKeyState(VK_MENU) < 0) state.Include(runtime::ssAlt);
    if (GetKeyState(VK_CONTROL) < 0) state.Include(runtime::ssCtrl);
    return state;
}

}  // namespace controls::tree
