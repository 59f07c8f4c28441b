// The 8-bit forms of the file functions: each names the same file as the
// wide form does, so the platform halves implement only the wide one.

#include "runtime/os/files.h"

#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace runtime::os {

bool FileExists(std::string_view fileName) {
    return FileExists(AnsiToWide(fileName));
}

bool DirectoryExists(std::string_view path) {
    return DirectoryExists(AnsiToWide(path));
}

bool CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
    return CopyFile(AnsiToWide(source), AnsiToWide(target), failIfExists);
}

bool DeleteFile(std::string_view fileName) {
    return DeleteFile(AnsiToWide(fileName));
}

bool RenameFile(std::string_view oldName, std::string_view newName) {
    return RenameFile(AnsiToWide(oldName), AnsiToWide(newName));
}

bool RenameFileReplacing(std::string_view oldName, std::string_view newName) {
    return RenameFileReplacing(AnsiToWide(oldName), AnsiToWide(newName));
}

TCreateNewResult CreateNewFile(std::string_view fileName) {
    return CreateNewFile(AnsiToWide(fileName));
}

bool CreateDir(std::string_view path) {
    return CreateDir(AnsiToWide(path));
}

bool ForceDirectories(std::string_view path) {
    return ForceDirectories(AnsiToWide(path));
}

bool ForceDirectories(std::u16string_view path) {
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    const std::u16string folder = ExcludeTrailingPathDelimiter(path);
    // Each step is strictly shorter, so the walk up ends at a root, a drive
    // or the first relative name.
    const std::u16string parent = ExtractFilePath(folder);
    if (!parent.empty() && parent.size() < path.size() && !ForceDirectories(parent)) return false;
    // Another thread or process may have made it meanwhile.
    return CreateDir(folder) || DirectoryExists(folder);
}

bool RemoveDir(std::string_view path) {
    return RemoveDir(AnsiToWide(path));
}

std::int64_t FileSize(std::string_view fileName) {
    return FileSize(AnsiToWide(fileName));
}

bool FileAge(std::string_view fileName, TDateTime& age) {
    return FileAge(AnsiToWide(fileName), age);
}

}  // namespace runtime::os
