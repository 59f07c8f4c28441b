#include <windows.h>

#include "xml/resource.h"

namespace xml {

bool ReadOwnResource(std::u16string_view type, std::u16string_view name, std::string& bytes) {
    std::wstring typeText(type.begin(), type.end());
    std::wstring nameText(name.begin(), name.end());
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, nameText.c_str(), typeText.c_str());
    if (!info) return false;
    HGLOBAL handle = LoadResource(module, info);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data) return false;
    bytes.assign(static_cast<const char*>(data), SizeofResource(module, info));
    return true;
}

}  // namespace xml
