#pragma once

// Owners of the system's kernel handles (runtime/os/unique_handle.h): each
// closes its handle with the call that belongs to it, exactly once.
//
// Files, threads and loaded libraries are owned on both platforms, each as
// the platform has them: a file is a HANDLE on Windows and a descriptor
// natively, a thread a HANDLE or a pthread_t (which needs no closing; its
// end is a join or a detach), a library an HMODULE or what dlopen gave.
// Events, mutexes, processes, file mappings and their views, file searches
// and registry keys exist on Windows only.
//
// Closing keeps the thread's last error (errno natively): a handle that goes
// out of scope never changes the reason a failed call left for its caller.
// Closing never allocates or throws, so these owners serve in exception
// interception and thread hooks too.

#include <cstdint>

#include "runtime/os/unique_handle.h"

#ifdef _WIN32
// Windows' own handle types as <windows.h> declares them, so that callers
// pass them without casts and this header needs no <windows.h>.
struct HINSTANCE__;
struct HKEY__;
#endif

namespace runtime::os {

namespace detail {

#ifdef _WIN32
void CloseKernelHandle(void* handle) noexcept;
void UnloadModule(HINSTANCE__* module) noexcept;
void CloseFind(void* search) noexcept;
void CloseRegistryKey(HKEY__* key) noexcept;
void UnmapView(void* view) noexcept;

// One traits type per kind of object, so that an event cannot be handed
// where a thread is asked for; every kind closes with CloseHandle.
struct ThreadKind;
struct EventKind;
struct MutexKind;
struct ProcessKind;
struct MappingKind;
template <class Kind>
struct TKernelTraits {
    using Handle = void*;
    static void Close(Handle handle) noexcept { CloseKernelHandle(handle); }
};
// Files and searches answer INVALID_HANDLE_VALUE, not null, on failure.
inline void* InvalidHandleValue() noexcept {
    return reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
}
struct TFileTraits {
    using Handle = void*;
    static Handle None() noexcept { return InvalidHandleValue(); }
    static void Close(Handle handle) noexcept { CloseKernelHandle(handle); }
};
struct TFindTraits {
    using Handle = void*;
    static Handle None() noexcept { return InvalidHandleValue(); }
    static void Close(Handle handle) noexcept { CloseFind(handle); }
};
struct TModuleTraits {
    using Handle = HINSTANCE__*;
    static void Close(Handle handle) noexcept { UnloadModule(handle); }
};
struct TRegistryKeyTraits {
    using Handle = HKEY__*;
    static void Close(Handle handle) noexcept { CloseRegistryKey(handle); }
};
struct TMappedViewTraits {
    using Handle = void*;
    static void Close(Handle view) noexcept { UnmapView(view); }
};
using TThreadTraits = TKernelTraits<ThreadKind>;
#else
void CloseDescriptor(int descriptor) noexcept;
void CloseLibrary(void* library) noexcept;

struct TFileTraits {
    using Handle = int;
    static constexpr Handle None() noexcept { return -1; }
    static void Close(Handle descriptor) noexcept { CloseDescriptor(descriptor); }
};
struct TModuleTraits {
    using Handle = void*;
    static void Close(Handle library) noexcept { CloseLibrary(library); }
};
// A pthread_t; 0 stands for none.
struct TThreadTraits {
    using Handle = std::uintptr_t;
    static void Close(Handle) noexcept {}
};
#endif

}  // namespace detail

using TFileHandle = TUniqueHandle<detail::TFileTraits>;
using TThreadHandle = TUniqueHandle<detail::TThreadTraits>;
using TModuleHandle = TUniqueHandle<detail::TModuleTraits>;

#ifdef _WIN32
using TEventHandle = TUniqueHandle<detail::TKernelTraits<detail::EventKind>>;
using TMutexHandle = TUniqueHandle<detail::TKernelTraits<detail::MutexKind>>;
using TProcessHandle = TUniqueHandle<detail::TKernelTraits<detail::ProcessKind>>;
using TMappingHandle = TUniqueHandle<detail::TKernelTraits<detail::MappingKind>>;
// A view of a file mapping, from MapViewOfFile.
using TMappedView = TUniqueHandle<detail::TMappedViewTraits>;
// A search from FindFirstFile.
using TFindHandle = TUniqueHandle<detail::TFindTraits>;
using TRegistryKey = TUniqueHandle<detail::TRegistryKeyTraits>;
#endif

// Closes the file now and tells whether the system took the close: a
// file's last writes can fail only there. LastOSError holds the reason.
[[nodiscard]] bool CloseFile(TFileHandle& file) noexcept;

}  // namespace runtime::os
