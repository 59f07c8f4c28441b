#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/os/kernel_handles.h"

namespace runtime::os {

namespace detail {

// A close interrupted by a signal has still released the descriptor on
// Linux: it is never repeated.
void CloseDescriptor(int descriptor) noexcept {
    const int error = errno;
    ::close(descriptor);
    errno = error;
}

void CloseLibrary(void* library) noexcept {
    const int error = errno;
    ::dlclose(library);
    errno = error;
}

}  // namespace detail

bool CloseFile(TFileHandle& file) noexcept {
    const int descriptor = file.Release();
    return descriptor < 0 || ::close(descriptor) == 0;
}

}  // namespace runtime::os
