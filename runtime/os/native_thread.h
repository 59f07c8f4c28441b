#pragma once

// A platform thread with a stack of a chosen size, for the threads that run
// deep recursion (script engines). The size is address space reserved for
// the stack; memory is taken as the stack grows into it.

#include <cstddef>
#include <functional>

#include "runtime/os/kernel_handles.h"

namespace runtime::os {

class TNativeThread {
  public:
    TNativeThread() = default;
    // Starts `body` on a new thread with `stackSize` bytes of stack (0: the
    // platform's default). EThread when the thread cannot be made.
    TNativeThread(std::size_t stackSize, std::function<void()> body);
    // A thread still joinable is detached.
    ~TNativeThread();
    TNativeThread(TNativeThread&& other) noexcept;
    TNativeThread& operator=(TNativeThread&& other) noexcept;
    TNativeThread(const TNativeThread&) = delete;
    TNativeThread& operator=(const TNativeThread&) = delete;

    bool Joinable() const { return static_cast<bool>(thread_); }
    // Waits for the thread's end.
    void Join();
    // Lets the thread end on its own.
    void Detach();

  private:
    TThreadHandle thread_;
};

}  // namespace runtime::os
