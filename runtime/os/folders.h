#pragma once

// Well-known folders and the current folder. Folder names are 8-bit strings
// in the system code page; one that cannot be read is "".

#include <string>
#include <string_view>

namespace runtime::os {

// The folder of the running program file, with a trailing PathDelim.
std::string ProgramFolder();

// The user's application-data folder, without a trailing delimiter. Windows:
// the shell's CSIDL_APPDATA folder; natively $XDG_CONFIG_HOME, else
// $HOME/.config.
std::string AppDataFolder();

// The Windows folder (GetWindowsDirectory); natively "".
std::string WindowsFolder();

// The temporary folder as the platform reports it, with a trailing PathDelim:
// Windows GetTempPath (which reads TMP, then TEMP, ...); natively $TMPDIR,
// else /tmp.
std::string TempFolder();

// The current folder, without a trailing delimiter (except for a root).
std::string GetCurrentDir();
[[nodiscard]] bool SetCurrentDir(std::string_view path);

}  // namespace runtime::os
