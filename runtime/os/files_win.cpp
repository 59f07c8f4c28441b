#include <windows.h>

#include "runtime/os/files.h"
#include "runtime/os/wide_text_win.h"

namespace runtime::os {

namespace {

using detail::ToWide;
using detail::WidePtr;

bool fileExists(const wchar_t* name) {
    const DWORD attributes = ::GetFileAttributesW(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool copyFile(const wchar_t* source, const wchar_t* target, bool failIfExists) {
    return ::CopyFileW(source, target, failIfExists ? TRUE : FALSE) != 0;
}

bool attributes(std::string_view name, WIN32_FILE_ATTRIBUTE_DATA& data) {
    const std::u16string wide = ToWide(name);
    return ::GetFileAttributesExW(WidePtr(wide), GetFileExInfoStandard, &data) != 0;
}

}  // namespace

bool FileExists(std::string_view fileName) {
    return fileExists(WidePtr(ToWide(fileName)));
}

bool FileExists(std::u16string_view fileName) {
    return fileExists(WidePtr(std::u16string(fileName)));
}

bool DirectoryExists(std::string_view path) {
    const DWORD attributes = ::GetFileAttributesW(WidePtr(ToWide(path)));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
    return copyFile(WidePtr(ToWide(source)), WidePtr(ToWide(target)), failIfExists);
}

bool CopyFile(std::u16string_view source, std::u16string_view target, bool failIfExists) {
    return copyFile(WidePtr(std::u16string(source)), WidePtr(std::u16string(target)), failIfExists);
}

bool DeleteFile(std::string_view fileName) {
    return ::DeleteFileW(WidePtr(ToWide(fileName))) != 0;
}

bool DeleteFile(std::u16string_view fileName) {
    return ::DeleteFileW(WidePtr(std::u16string(fileName))) != 0;
}

bool RenameFile(std::string_view oldName, std::string_view newName) {
    return ::MoveFileW(WidePtr(ToWide(oldName)), WidePtr(ToWide(newName))) != 0;
}

bool CreateDir(std::string_view path) {
    return ::CreateDirectoryW(WidePtr(ToWide(path)), nullptr) != 0;
}

bool CreateDir(std::u16string_view path) {
    return ::CreateDirectoryW(WidePtr(std::u16string(path)), nullptr) != 0;
}

bool RemoveDir(std::string_view path) {
    return ::RemoveDirectoryW(WidePtr(ToWide(path))) != 0;
}

std::int64_t FileSize(std::string_view fileName) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!attributes(fileName, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return -1;
    }
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool FileAge(std::string_view fileName, TDateTime& age) {
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
