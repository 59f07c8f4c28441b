#include <windows.h>

// The program's entry point. The main window is not part of the program yet,
// so it starts and ends quietly.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
