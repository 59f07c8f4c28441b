#include <windows.h>

#include "runtime/os/files.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/os/wide_text_win.h"

namespace runtime::os {

namespace {

using detail::WideName;

bool attributes(std::u16string_view name, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return ::GetFileAttributesExW(WideName(name), GetFileExInfoStandard, &data) != 0;
}

// Writes the file's data and metadata to the disk.
bool flushFile(const wchar_t* name) {
    const TFileHandle file(::CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::FlushFileBuffers(file.Get()) != 0;
}

}  // namespace

bool FileExists(std::u16string_view fileName) {
    const DWORD attributes = ::GetFileAttributesW(WideName(fileName));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::u16string_view path) {
    const DWORD attributes = ::GetFileAttributesW(WideName(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyFile(std::u16string_view source, std::u16string_view target, bool failIfExists) {
    return ::CopyFileW(WideName(source), WideName(target), failIfExists ? TRUE : FALSE) != 0;
}

bool DeleteFile(std::u16string_view fileName) {
    return ::DeleteFileW(WideName(fileName)) != 0;
}

bool RenameFile(std::u16string_view oldName, std::u16string_view newName) {
    return ::MoveFileW(WideName(oldName), WideName(newName)) != 0;
}

bool RenameFileReplacing(std::u16string_view oldName, std::u16string_view newName) {
    const WideName from(oldName), to(newName);
    if (DirectoryExists(newName)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // The data first, then the rename, itself written through before the
    // call returns.
    return flushFile(from) &&
           ::MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

TCreateNewResult CreateNewFile(std::u16string_view fileName) {
    const TFileHandle file(::CreateFileW(WideName(fileName), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return TCreateNewResult::Created;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? TCreateNewResult::Exists
                                                                       : TCreateNewResult::Failed;
}

bool CreateDir(std::u16string_view path) {
    return ::CreateDirectoryW(WideName(path), nullptr) != 0;
}

bool RemoveDir(std::u16string_view path) {
    return ::RemoveDirectoryW(WideName(path)) != 0;
}

std::int64_t FileSize(std::u16string_view fileName) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!attributes(fileName, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return -1;
    }
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool FileAge(std::u16string_view fileName, TDateTime& age) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    if (!attributes(fileName, data) || !::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local)) {
        return false;
    }
    // 100-nanosecond steps since 1601-01-01; that day is 109205 days before
    // the TDateTime epoch.
    constexpr double kTicksPerDay = 864000000000.0;
    constexpr double kEpochOffsetDays = 109205.0;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
    age = static_cast<double>(ticks) / kTicksPerDay - kEpochOffsetDays;
    return true;
}

}  // namespace runtime::os
