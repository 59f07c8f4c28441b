#pragma once

// A library loaded at run time by file name: LoadLibrary/GetProcAddress on
// Windows, dlopen/dlsym natively. Unloaded when the object goes.

#include <string>
#include <string_view>

#include "runtime/os/kernel_handles.h"

namespace runtime::os {

class DynamicLibrary {
  public:
    DynamicLibrary() = default;
    // Loads at once; see Loaded() and ErrorText().
    explicit DynamicLibrary(std::string_view fileName) { (void)Load(fileName); }
    explicit DynamicLibrary(std::u16string_view fileName) { (void)Load(fileName); }

    DynamicLibrary(DynamicLibrary&& other) noexcept = default;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept = default;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Unloads what was loaded, then loads fileName (8-bit in the system code
    // page, or wide).
    [[nodiscard]] bool Load(std::string_view fileName);
    [[nodiscard]] bool Load(std::u16string_view fileName);
    void Unload() { module_.Reset(); }
    bool Loaded() const { return static_cast<bool>(module_); }

    // The address of an exported symbol, or nullptr.
    void* Symbol(const char* name);
    // The same, as a function pointer type.
    template <class Function>
    Function SymbolAs(const char* name) {
        return reinterpret_cast<Function>(Symbol(name));
    }

    // Why the last Load or Symbol failed ("" after a success).
    const std::string& ErrorText() const { return errorText_; }

  private:
    TModuleHandle module_;
    std::string errorText_;
};

}  // namespace runtime::os
