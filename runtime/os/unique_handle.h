#pragma once

// The owner of one handle of the system: it closes the handle with the call
// that belongs to it when it goes out of scope or takes another, and can be
// moved but not copied. What a handle is, what stands for "none" and how it
// closes come from Traits:
//   using Handle = ...;                  the handle's type
//   static void Close(Handle) noexcept;  closes a handle that is not none
//   static Handle None() noexcept;       optional: "no handle" (else Handle{})
// Kernel handles (runtime/os/kernel_handles.h) and the window library's
// handles (gui/handles.h) are owners of this kind.

#include <utility>

namespace runtime::os {

template <class Traits>
class TUniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    // The value that holds no handle: null for most handles, but
    // INVALID_HANDLE_VALUE for the calls that answer that on failure.
    static constexpr Handle None() noexcept {
        if constexpr (requires { Traits::None(); }) {
            return Traits::None();
        } else {
            return Handle{};
        }
    }

    constexpr TUniqueHandle() noexcept : handle_(None()) {}
    explicit TUniqueHandle(Handle handle) noexcept : handle_(handle) {}
    TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(other.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    ~TUniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != None(); }
    // Gives the handle up without closing it.
    [[nodiscard]] Handle Release() noexcept { return std::exchange(handle_, None()); }
    // Closes the handle held and takes `handle`; taking the handle already
    // held keeps it open.
    void Reset(Handle handle = None()) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (old != None() && old != handle) Traits::Close(old);
    }

  private:
    Handle handle_;
};

}  // namespace runtime::os
