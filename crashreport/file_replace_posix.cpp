#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "crashreport/file_replace.h"
#include "runtime/strings.h"

namespace crashreport {

bool RenameFileReplacing(std::string_view oldName, std::string_view newName) {
    // 8-bit names are in the system code page; the file system takes UTF-8.
    const std::string from = runtime::AnsiToUtf8(oldName);
    const std::string to = runtime::AnsiToUtf8(newName);
    const int fd = ::open(from.c_str(), O_RDONLY);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace crashreport
