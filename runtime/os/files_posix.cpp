#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "runtime/os/files.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/os/native_text_posix.h"
#include "runtime/os/paths.h"

namespace runtime::os {

namespace {

using detail::ToNative;

bool statOf(const std::string& name, struct stat& info) {
    return ::stat(name.c_str(), &info) == 0;
}

bool fileExists(const std::string& name) {
    struct stat info;
    return statOf(name, info) && !S_ISDIR(info.st_mode);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool copyContents(int in, int out) {
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        if (!writeAll(out, buffer, static_cast<size_t>(got))) return false;
    }
}

bool copyFile(const std::string& source, const std::string& target, bool failIfExists) {
    const TFileHandle in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) return false;
    errno = EISDIR;  // kept when the source is a folder
    struct stat sourceInfo, targetInfo;
    if (::fstat(in.Get(), &sourceInfo) != 0 || S_ISDIR(sourceInfo.st_mode)) return false;
    // Opening the target with O_TRUNC would empty the source first.
    if (statOf(target, targetInfo) && targetInfo.st_dev == sourceInfo.st_dev &&
        targetInfo.st_ino == sourceInfo.st_ino) {
        errno = failIfExists ? EEXIST : EINVAL;
        return false;
    }
    TFileHandle out(::open(target.c_str(),
                           O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC),
                           sourceInfo.st_mode & 0777));
    if (!out) return false;
    const struct timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    bool ok = copyContents(in.Get(), out.Get()) && ::futimens(out.Get(), times) == 0;
    int error = errno;
    if (!CloseFile(out) && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(target.c_str());
        errno = error;
    }
    return ok;
}

// fsync of a file or folder opened with `flags`; errno tells why not.
bool syncPath(const std::string& path, int flags) {
    const TFileHandle file(::open(path.c_str(), flags | O_CLOEXEC));
    return file && ::fsync(file.Get()) == 0;
}

}  // namespace

bool FileExists(std::u16string_view fileName) {
    return fileExists(ToNative(fileName));
}

bool DirectoryExists(std::u16string_view path) {
    struct stat info;
    return statOf(ToNative(path), info) && S_ISDIR(info.st_mode);
}

bool CopyFile(std::u16string_view source, std::u16string_view target, bool failIfExists) {
    return copyFile(ToNative(source), ToNative(target), failIfExists);
}

bool DeleteFile(std::u16string_view fileName) {
    return ::unlink(ToNative(fileName).c_str()) == 0;
}

bool RenameFile(std::u16string_view oldName, std::u16string_view newName) {
    const std::string from = ToNative(oldName);
    const std::string to = ToNative(newName);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace flag: check, then rename.
    struct stat info;
    if (::lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RenameFileReplacing(std::u16string_view oldName, std::u16string_view newName) {
    const std::string from = ToNative(oldName);
    const std::string to = ToNative(newName);
    struct stat info;
    if (statOf(to, info) && S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    // The data must be on the disk before the new name points at it, or a
    // crash can leave an empty file under the name.
    if (!syncPath(from, O_RDONLY)) return false;
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    // The rename itself lives in the folder. It has happened whatever this
    // answers, so a folder that cannot be synced is no failure.
    const std::string folder = detail::ToNative(ExtractFilePath(newName));
    const int error = errno;
    (void)syncPath(folder.empty() ? std::string(".") : folder, O_RDONLY | O_DIRECTORY);
    errno = error;
    return true;
}

TCreateNewResult CreateNewFile(std::u16string_view fileName) {
    const TFileHandle file(
        ::open(ToNative(fileName).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file) return errno == EEXIST ? TCreateNewResult::Exists : TCreateNewResult::Failed;
    return TCreateNewResult::Created;
}

bool CreateDir(std::u16string_view path) {
    return ::mkdir(ToNative(path).c_str(), 0777) == 0;
}

bool RemoveDir(std::u16string_view path) {
    return ::rmdir(ToNative(path).c_str()) == 0;
}

std::int64_t FileSize(std::u16string_view fileName) {
    struct stat info;
    if (!statOf(ToNative(fileName), info) || S_ISDIR(info.st_mode)) return -1;
    return info.st_size;
}

bool FileAge(std::u16string_view fileName, TDateTime& age) {
    struct stat info;
    if (!statOf(ToNative(fileName), info)) return false;
    struct tm local;
    if (::localtime_r(&info.st_mtim.tv_sec, &local) == nullptr) return false;
    // Seconds since 1970-01-01 in local time; that day is day 25569.
    constexpr double kUnixEpochDays = 25569.0;
    const double seconds = static_cast<double>(info.st_mtim.tv_sec + local.tm_gmtoff) +
                           static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
    age = seconds / 86400.0 + kUnixEpochDays;
    return true;
}

}  // namespace runtime::os
