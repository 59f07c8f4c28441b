// The file stream on POSIX file descriptors. Share modes have no
// equivalent here (no locks are taken); the access part of the mode is
// honoured.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/os/errors.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

// One read or write call at most this many bytes (Linux moves no more).
constexpr int64_t kMaxTransfer = 0x7FFFF000;

os::TFileHandle openFile(const std::string& nativeName, uint16_t mode) {
    if (mode == fmCreate) {
        return os::TFileHandle(
            ::open(nativeName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    }
    static constexpr int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR};
    const unsigned access = mode & 3;
    const unsigned share = mode & 0xF0;
    if (access > 2 || share > fmShareDenyNone) {
        errno = EINVAL;
        return os::TFileHandle();
    }
    os::TFileHandle file(::open(nativeName.c_str(), kAccess[access] | O_CLOEXEC));
    // A folder opens here but not on Windows: refuse it the same way.
    struct stat info {};
    if (file && ::fstat(file.Get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        file.Reset();
        errno = EISDIR;
    }
    return file;
}

int fdOf(THandleStream::THandle handle) {
    return static_cast<int>(handle);
}

}  // namespace

int64_t THandleStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fdOf(handle_), static_cast<char*>(buffer) + done,
                                 static_cast<size_t>(std::min(count - done, kMaxTransfer)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fdOf(handle_), static_cast<const char*>(buffer) + done,
                                  static_cast<size_t>(std::min(count - done, kMaxTransfer)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t THandleStream::Seek(int64_t offset, uint16_t origin) {
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin > soFromEnd) return -1;
    return ::lseek(fdOf(handle_), offset, kWhence[origin]);
}

void THandleStream::SetSize(int64_t newSize) {
    Seek(newSize, soFromBeginning);
    if (::ftruncate(fdOf(handle_), newSize) != 0) {
        const int code = os::LastOSError();
        throw EOSError(Format("System Error.  Code: %d.\r\n%s", {code, os::SysErrorMessage(code)}));
    }
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(-1), file_(openFile(AnsiToUtf8(fileName), mode)), fileName_(fileName) {
    if (!file_) {
        if (mode == fmCreate) throw EFCreateError(Format(SFCreateError, {fileName}));
        throw EFOpenError(Format(SFOpenError, {fileName}));
    }
    handle_ = file_.Get();
}

TFileStream::TFileStream(const std::u16string& fileName, uint16_t mode)
    : THandleStream(-1),
      file_(openFile(WideToUtf8(fileName), mode)),
      fileName_(WideToAnsi(fileName)) {
    if (!file_) {
        if (mode == fmCreate) throw EFCreateError(Format(SFCreateError, {fileName_}));
        throw EFOpenError(Format(SFOpenError, {fileName_}));
    }
    handle_ = file_.Get();
}

}  // namespace runtime
