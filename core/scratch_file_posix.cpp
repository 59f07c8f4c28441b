#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/scratch_file.h"
#include "runtime/strings.h"

namespace core::detail {

ScratchResult CreateScratchFile(const std::string& name) {
    const std::string native = runtime::AnsiToUtf8(name);
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST ? ScratchResult::Exists : ScratchResult::Failed;
    ::unlink(native.c_str());
    ::close(fd);
    return ScratchResult::Created;
}

unsigned long CurrentProcessID() {
    return static_cast<unsigned long>(::getpid());
}

}  // namespace core::detail
