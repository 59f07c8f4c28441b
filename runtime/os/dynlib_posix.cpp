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
    module_.Reset(::dlopen(detail::ToNative(fileName).c_str(), RTLD_NOW | RTLD_LOCAL));
    errorText_ = module_ ? std::string() : lastDlError();
    return Loaded();
}

void* DynamicLibrary::Symbol(const char* name) {
    if (!module_) {
        errorText_ = "No library is loaded";
        return nullptr;
    }
    ::dlerror();  // a symbol may be null by right; only dlerror tells
    void* address = ::dlsym(module_.Get(), name);
    const char* error = ::dlerror();
    errorText_ = error != nullptr ? detail::FromNative(error) : std::string();
    return error != nullptr ? nullptr : address;
}

}  // namespace runtime::os
