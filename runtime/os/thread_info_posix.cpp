#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "runtime/os/thread_info.h"

namespace runtime::os {

TThreadID CurrentThreadID() {
    return static_cast<TThreadID>(::syscall(SYS_gettid));
}

std::uint32_t CurrentProcessID() {
    return static_cast<std::uint32_t>(::getpid());
}

// A pthread_t needs no closing; it names the thread until it is joined.
TThreadHandle OpenCurrentThreadHandle() {
    return static_cast<TThreadHandle>(::pthread_self());
}

void CloseThreadHandle(TThreadHandle) {}

}  // namespace runtime::os
