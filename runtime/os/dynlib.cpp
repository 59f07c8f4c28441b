#include "runtime/os/dynlib.h"

#include <utility>

namespace runtime::os {

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
