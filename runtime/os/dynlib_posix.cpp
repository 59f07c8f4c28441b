#include <dlfcn.h>

#include "runtime/os/dynlib.h"
#include "runtime/os/native_text_posix.h"

namespace runtime::os {

namespace {

std::string lastDlError() {
    const char* text = ::dlerror();
    return text != nullptr ? detail::FromNative(text) : std::string("Unknown error");
}

}  // namespace

bool DynamicLibrary::Load(std::u16string_view fileName) {
    Unload();
    handle_ = ::dlopen(detail::ToNative(fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    errorText_ = handle_ != nullptr ? std::string() : lastDlError();
    return handle_ != nullptr;
}

void DynamicLibrary::Unload() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) {
    if (handle_ == nullptr) {
        errorText_ = "No library is loaded";
        return nullptr;
    }
    ::dlerror();  // a symbol may be null by right; only dlerror tells
    void* address = ::dlsym(handle_, name);
    const char* error = ::dlerror();
    errorText_ = error != nullptr ? detail::FromNative(error) : std::string();
    return error != nullptr ? nullptr : address;
}

}  // namespace runtime::os
