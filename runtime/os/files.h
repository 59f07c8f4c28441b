#pragma once

// Files and folders by name. 8-bit names are in the system code page;
// the wide overloads take any UTF-16 name. A false answer leaves the
// platform's reason in LastOSError (runtime/os/errors.h).
//
// <windows.h> defines DeleteFile and CopyFile as macros for its own
// functions; include this header after it so that they name these ones.

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/datetime.h"

#ifdef DeleteFile
#undef DeleteFile
#endif
#ifdef CopyFile
#undef CopyFile
#endif

namespace runtime::os {

// True for an existing file, false for a folder.
bool FileExists(std::string_view fileName);
bool FileExists(std::u16string_view fileName);
bool DirectoryExists(std::string_view path);

// Copies the contents and the modification time. With failIfExists an
// existing target is left alone and the copy fails; a file is never copied
// onto itself. A failed copy leaves no partial target behind.
[[nodiscard]] bool CopyFile(std::string_view source, std::string_view target, bool failIfExists);
[[nodiscard]] bool CopyFile(std::u16string_view source, std::u16string_view target,
                            bool failIfExists);

// Files only; folders are removed with RemoveDir.
[[nodiscard]] bool DeleteFile(std::string_view fileName);
[[nodiscard]] bool DeleteFile(std::u16string_view fileName);

// Renames or moves a file or folder; fails when the new name exists.
[[nodiscard]] bool RenameFile(std::string_view oldName, std::string_view newName);

// One level; fails when the folder exists.
[[nodiscard]] bool CreateDir(std::string_view path);
[[nodiscard]] bool CreateDir(std::u16string_view path);
// Creates the folder and every missing folder above it; true when it exists
// afterwards.
[[nodiscard]] bool ForceDirectories(std::string_view path);
// Removes an empty folder.
[[nodiscard]] bool RemoveDir(std::string_view path);

// Size in bytes, -1 when the file cannot be read.
std::int64_t FileSize(std::string_view fileName);

// The local date and time of the file's last modification.
[[nodiscard]] bool FileAge(std::string_view fileName, TDateTime& age);

}  // namespace runtime::os
