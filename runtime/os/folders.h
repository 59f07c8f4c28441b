#pragma once

// Well-known folders and the current folder, each as an 8-bit string in the
// system code page and as a wide string (Wide*), which keeps a folder whose
// name the code page cannot spell (a user profile outside it). A folder
// that cannot be read is "".

#include <string>
#include <string_view>

namespace runtime::os {

// The folder of the running program file, with a trailing PathDelim.
std::string ProgramFolder();
std::u16string WideProgramFolder();

// The user's application-data folder, without a trailing delimiter. Windows:
// the shell's CSIDL_APPDATA folder; natively $XDG_CONFIG_HOME, else
// $HOME/.config.
std::string AppDataFolder();
std::u16string WideAppDataFolder();

// The Windows folder (GetWindowsDirectory); natively "".
std::string WindowsFolder();
std::u16string WideWindowsFolder();

// The temporary folder as the platform reports it, with a trailing PathDelim:
// Windows GetTempPath (which reads TMP, then TEMP, ...); natively $TMPDIR,
// else /tmp.
std::string TempFolder();
std::u16string WideTempFolder();

// The current folder, without a trailing delimiter (except for a root).
std::string GetCurrentDir();
std::u16string WideGetCurrentDir();
[[nodiscard]] bool SetCurrentDir(std::string_view path);
[[nodiscard]] bool SetCurrentDir(std::u16string_view path);

}  // namespace runtime::os
