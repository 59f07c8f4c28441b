#include <process.h>
#include <windows.h>

#include <memory>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/os/native_thread.h"

namespace runtime::os {

namespace {

unsigned __stdcall ThreadMain(void* argument) {
    const std::unique_ptr<std::function<void()>> body(
        static_cast<std::function<void()>*>(argument));
    (*body)();
    return 0;
}

}  // namespace

// The stack size is a reservation: only what the thread uses is committed.
TNativeThread::TNativeThread(std::size_t stackSize, std::function<void()> body) {
    auto argument = std::make_unique<std::function<void()>>(std::move(body));
    const std::uintptr_t thread =
        _beginthreadex(nullptr, static_cast<unsigned>(stackSize), ThreadMain, argument.get(),
                       stackSize != 0 ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (thread == 0) throw EThread("Thread creation error");
    (void)argument.release();
    thread_.Reset(reinterpret_cast<HANDLE>(thread));
}

void TNativeThread::Join() {
    if (!thread_) return;
    ::WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
}

void TNativeThread::Detach() {
    thread_.Reset();
}

}  // namespace runtime::os
