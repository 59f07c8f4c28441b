// The file stream on Windows file handles, opened through the W functions
// with the share mode the stream mode asks for.

#include <windows.h>

#include <algorithm>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/os/errors.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

// One ReadFile or WriteFile call at most this many bytes.
constexpr int64_t kMaxTransfer = 0x40000000;

HANDLE handleOf(THandleStream::THandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

os::TFileHandle openFile(const std::u16string& name, uint16_t mode) {
    const auto* path = reinterpret_cast<const wchar_t*>(name.c_str());
    HANDLE h = INVALID_HANDLE_VALUE;
    if (mode == fmCreate) {
        h = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    } else {
        static constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE,
                                            GENERIC_READ | GENERIC_WRITE};
        // fmShareCompat, fmShareExclusive, fmShareDenyWrite, fmShareDenyRead,
        // fmShareDenyNone.
        static constexpr DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE};
        const unsigned access = mode & 3;
        const unsigned share = (mode & 0xF0) >> 4;
        if (access <= 2 && share <= 4) {
            h = ::CreateFileW(path, kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        }
    }
    return os::TFileHandle(h);
}

}  // namespace

int64_t THandleStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        DWORD n = 0;
        const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
        if (!::ReadFile(handleOf(handle_), static_cast<char*>(buffer) + done, chunk, &n, nullptr) ||
            n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        DWORD n = 0;
        const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
        if (!::WriteFile(handleOf(handle_), static_cast<const char*>(buffer) + done, chunk, &n,
                         nullptr) ||
            n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

int64_t THandleStream::Seek(int64_t offset, uint16_t origin) {
    static constexpr DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (origin > soFromEnd) return -1;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!::SetFilePointerEx(handleOf(handle_), distance, &position, kMethod[origin])) return -1;
    return position.QuadPart;
}

void THandleStream::SetSize(int64_t newSize) {
    Seek(newSize, soFromBeginning);
    if (!::SetEndOfFile(handleOf(handle_))) {
        const int code = os::LastOSError();
        throw EOSError(Format("System Error.  Code: %d.\r\n%s", {code, os::SysErrorMessage(code)}));
    }
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(-1), file_(openFile(AnsiToWide(fileName), mode)), fileName_(fileName) {
    if (!file_) {
        if (mode == fmCreate) throw EFCreateError(Format(SFCreateError, {fileName_}));
        throw EFOpenError(Format(SFOpenError, {fileName_}));
    }
    handle_ = reinterpret_cast<THandle>(file_.Get());
}

TFileStream::TFileStream(const std::u16string& fileName, uint16_t mode)
    : THandleStream(-1), file_(openFile(fileName, mode)), fileName_(WideToAnsi(fileName)) {
    if (!file_) {
        if (mode == fmCreate) throw EFCreateError(Format(SFCreateError, {fileName_}));
        throw EFOpenError(Format(SFOpenError, {fileName_}));
    }
    handle_ = reinterpret_cast<THandle>(file_.Get());
}

}  // namespace runtime
