#include "gui/layout.h"

#include "runtime/objecttext.h"
#include "runtime/strings.h"

namespace gui {

std::optional<std::string_view> FindLayout(std::string_view className, HMODULE module) {
    if (module == nullptr) module = GetModuleHandleW(nullptr);
    const std::u16string name = runtime::AnsiToWide(runtime::UpperCase(className));
    HRSRC resource =
        FindResourceW(module, reinterpret_cast<const wchar_t*>(name.c_str()), RT_RCDATA);
    if (resource == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, resource);
    const DWORD size = SizeofResource(module, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return std::nullopt;
    return std::string_view(static_cast<const char*>(data), size);
}

void ReadLayout(runtime::TComponent& root, std::string_view text) {
    runtime::ReadComponentFromText(text, root);
}

}  // namespace gui
