// The 8-bit forms of the folder functions, from the wide ones.

#include "runtime/os/folders.h"

#include "runtime/strings.h"

namespace runtime::os {

std::string ProgramFolder() {
    return WideToAnsi(WideProgramFolder());
}

std::string AppDataFolder() {
    return WideToAnsi(WideAppDataFolder());
}

std::string WindowsFolder() {
    return WideToAnsi(WideWindowsFolder());
}

std::string TempFolder() {
    return WideToAnsi(WideTempFolder());
}

std::string GetCurrentDir() {
    return WideToAnsi(WideGetCurrentDir());
}

bool SetCurrentDir(std::string_view path) {
    return SetCurrentDir(AnsiToWide(path));
}

}  // namespace runtime::os
