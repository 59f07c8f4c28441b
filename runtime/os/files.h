#pragma once

// Files and folders by name. Every function takes 8-bit names in the system
// code page or wide (UTF-16) names; a wide name reaches the file system
// whole, also where the code page cannot spell it (a user profile outside
// the ANSI code page, a name from a file dialog). A false answer leaves the
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
bool DirectoryExists(std::u16string_view path);

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
[[nodiscard]] bool RenameFile(std::u16string_view oldName, std::u16string_view newName);

// Safe saving: writes the file `oldName` through to the disk, then renames
// it to `newName` in one step, replacing a file of that name. A crash or a
// power cut leaves either the old file or the whole new one under
// `newName`, never a mix or an empty file. Both names must be on one
// volume; `newName` must not be a folder.
[[nodiscard]] bool RenameFileReplacing(std::string_view oldName, std::string_view newName);
[[nodiscard]] bool RenameFileReplacing(std::u16string_view oldName, std::u16string_view newName);

// Creates an empty file only when no file of that name exists; the
// exclusive create that choosing a name of one's own needs.
enum class TCreateNewResult { Created, Exists, Failed };
[[nodiscard]] TCreateNewResult CreateNewFile(std::string_view fileName);
[[nodiscard]] TCreateNewResult CreateNewFile(std::u16string_view fileName);

// One level; fails when the folder exists.
[[nodiscard]] bool CreateDir(std::string_view path);
[[nodiscard]] bool CreateDir(std::u16string_view path);
// Creates the folder and every missing folder above it; true when it exists
// afterwards.
[[nodiscard]] bool ForceDirectories(std::string_view path);
[[nodiscard]] bool ForceDirectories(std::u16string_view path);
// Removes an empty folder.
[[nodiscard]] bool RemoveDir(std::string_view path);
[[nodiscard]] bool RemoveDir(std::u16string_view path);

// Size in bytes, -1 when the file cannot be read.
std::int64_t FileSize(std::string_view fileName);
std::int64_t FileSize(std::u16string_view fileName);

// The local date and time of the file's last modification.
[[nodiscard]] bool FileAge(std::string_view fileName, TDateTime& age);
[[nodiscard]] bool FileAge(std::u16string_view fileName, TDateTime& age);

}  // namespace runtime::os
