#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/os/wide_text_win.h"

namespace runtime::os {

namespace {

using detail::WideFromW;

// Calls a function of the GetTempPath kind: it answers the length written,
// or the size needed (terminator included) when the buffer is too small,
// or 0 on failure.
template <class Query>
std::u16string queryFolder(Query query) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = query(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return std::u16string();
        if (length < buffer.size()) return WideFromW(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

}  // namespace

std::u16string WideProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return std::u16string();
        if (length < size) return ExtractFilePath(WideFromW(buffer.data(), length));
        buffer.resize(buffer.size() * 2);  // truncated
    }
}

std::u16string WideAppDataFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    if (::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) {
        return std::u16string();
    }
    return WideFromW(path, ::wcslen(path));
}

std::u16string WideWindowsFolder() {
    return queryFolder([](DWORD size, wchar_t* buffer) {
        return static_cast<DWORD>(::GetWindowsDirectoryW(buffer, size));
    });
}

std::u16string WideTempFolder() {
    return queryFolder([](DWORD size, wchar_t* buffer) { return ::GetTempPathW(size, buffer); });
}

std::u16string WideGetCurrentDir() {
    return queryFolder(
        [](DWORD size, wchar_t* buffer) { return ::GetCurrentDirectoryW(size, buffer); });
}

bool SetCurrentDir(std::u16string_view path) {
    return ::SetCurrentDirectoryW(detail::WideName(path)) != 0;
}

}  // namespace runtime::os
