#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/os/wide_text_win.h"

namespace runtime::os {

namespace {

// Calls a function of the GetTempPath kind: it answers the length written,
// or the size needed (terminator included) when the buffer is too small,
// or 0 on failure.
template <class Query>
std::string queryFolder(Query query) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = query(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return std::string();
        if (length < buffer.size()) return detail::FromWide(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

}  // namespace

std::string ProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return std::string();
        if (length < size) return ExtractFilePath(detail::FromWide(buffer.data(), length));
        buffer.resize(buffer.size() * 2);  // truncated
    }
}

std::string AppDataFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    if (::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) {
        return std::string();
    }
    return detail::FromWide(path, ::wcslen(path));
}

std::string WindowsFolder() {
    return queryFolder([](DWORD size, wchar_t* buffer) {
        return static_cast<DWORD>(::GetWindowsDirectoryW(buffer, size));
    });
}

std::string TempFolder() {
    return queryFolder([](DWORD size, wchar_t* buffer) { return ::GetTempPathW(size, buffer); });
}

std::string GetCurrentDir() {
    return queryFolder(
        [](DWORD size, wchar_t* buffer) { return ::GetCurrentDirectoryW(size, buffer); });
}

bool SetCurrentDir(std::string_view path) {
    const std::u16string wide = detail::ToWide(path);
    return ::SetCurrentDirectoryW(detail::WidePtr(wide)) != 0;
}

}  // namespace runtime::os
