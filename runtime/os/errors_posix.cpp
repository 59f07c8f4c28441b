#include <cerrno>
#include <cstring>

#include "runtime/os/errors.h"
#include "runtime/os/native_text_posix.h"

namespace runtime::os {

int LastOSError() {
    return errno;
}

std::string SysErrorMessage(int errorCode) {
    char buffer[256];
    // The GNU strerror_r may answer a static text instead of filling buffer.
    const char* text = ::strerror_r(errorCode, buffer, sizeof buffer);
    size_t length = std::strlen(text);
    while (length > 0 &&
           (static_cast<unsigned char>(text[length - 1]) <= ' ' || text[length - 1] == '.')) {
        --length;
    }
    return detail::FromNative(std::string_view(text, length));
}

}  // namespace runtime::os
