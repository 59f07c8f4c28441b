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

// The main thread's stack as the system lets it grow (its size limit);
// other threads' as they were made. Asking costs a look at the process's
// mappings on the main thread, so each thread asks once.
TStackBounds CurrentThreadStack() {
    thread_local TStackBounds bounds = [] {
        TStackBounds found;
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) != 0) return found;
        void* address = nullptr;
        size_t size = 0;
        if (pthread_attr_getstack(&attributes, &address, &size) == 0) {
            found.low = reinterpret_cast<std::uintptr_t>(address);
            found.high = found.low + size;
        }
        pthread_attr_destroy(&attributes);
        return found;
    }();
    return bounds;
}

// A pthread_t needs no closing; it names the thread until it is joined.
TThreadHandle OpenCurrentThreadHandle() {
    return TThreadHandle(static_cast<std::uintptr_t>(::pthread_self()));
}

}  // namespace runtime::os
