#include "runtime/os/dynlib.h"

#include <utility>

#include "runtime/strings.h"

namespace runtime::os {

bool DynamicLibrary::Load(std::string_view fileName) {
    return Load(AnsiToWide(fileName));
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), errorText_(std::move(other.errorText_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        handle_ = std::exchange(other.handle_, nullptr);
        errorText_ = std::move(other.errorText_);
    }
    return *this;
}

}  // namespace runtime::os
