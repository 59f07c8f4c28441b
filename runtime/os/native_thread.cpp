#include "runtime/os/native_thread.h"

#include <utility>

namespace runtime::os {

TNativeThread::~TNativeThread() {
    Detach();
}

TNativeThread::TNativeThread(TNativeThread&& other) noexcept : thread_(std::move(other.thread_)) {}

// A pthread_t is let go by a detach, not by its owner: detach first.
TNativeThread& TNativeThread::operator=(TNativeThread&& other) noexcept {
    if (this != &other) {
        Detach();
        thread_ = std::move(other.thread_);
    }
    return *this;
}

}  // namespace runtime::os
