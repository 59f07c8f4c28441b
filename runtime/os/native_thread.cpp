#include "runtime/os/native_thread.h"

#include <utility>

namespace runtime::os {

TNativeThread::~TNativeThread() {
    Detach();
}

TNativeThread::TNativeThread(TNativeThread&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)) {}

TNativeThread& TNativeThread::operator=(TNativeThread&& other) noexcept {
    if (this != &other) {
        Detach();
        handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
}

}  // namespace runtime::os
