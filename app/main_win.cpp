#include <windows.h>

#include "core/init.h"
#include "core/program_win.h"

// The program's entry point: each subsystem's start-up in its fixed order,
// then the main routine.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    core::init();
    return core::ProgramMain();
}
