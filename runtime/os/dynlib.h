#pragma once

// A library loaded at run time by file name: LoadLibrary/GetProcAddress on
// Windows, dlopen/dlsym natively. Unloaded when the object goes.

#include <string>
#include <string_view>

namespace runtime::os {

class DynamicLibrary {
  public:
    DynamicLibrary() = default;
    // Loads at once; see Loaded() and ErrorText().
    explicit DynamicLibrary(std::string_view fileName) { (void)Load(fileName); }
    explicit DynamicLibrary(std::u16string_view fileName) { (void)Load(fileName); }
    ~DynamicLibrary() { Unload(); }

    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Unloads what was loaded, then loads fileName (8-bit in the system code
    // page, or wide).
    [[nodiscard]] bool Load(std::string_view fileName);
    [[nodiscard]] bool Load(std::u16string_view fileName);
    void Unload();
    bool Loaded() const { return handle_ != nullptr; }

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
    void* handle_ = nullptr;
    std::string errorText_;
};

}  // namespace runtime::os
