#include <pthread.h>

#include <memory>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/os/native_thread.h"

namespace runtime::os {

namespace {

void* ThreadMain(void* argument) {
    const std::unique_ptr<std::function<void()>> body(
        static_cast<std::function<void()>*>(argument));
    (*body)();
    return nullptr;
}

}  // namespace

TNativeThread::TNativeThread(std::size_t stackSize, std::function<void()> body) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize != 0 && pthread_attr_setstacksize(&attributes, stackSize) != 0) {
        pthread_attr_destroy(&attributes);
        throw EThread("Thread stack size not accepted");
    }
    auto argument = std::make_unique<std::function<void()>>(std::move(body));
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, ThreadMain, argument.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) throw EThread("Thread creation error");
    (void)argument.release();
    thread_.Reset(static_cast<std::uintptr_t>(thread));
}

// The owner forgets the pthread_t once it is joined or detached.
void TNativeThread::Join() {
    if (!thread_) return;
    pthread_join(static_cast<pthread_t>(thread_.Get()), nullptr);
    thread_.Reset();
}

void TNativeThread::Detach() {
    if (!thread_) return;
    pthread_detach(static_cast<pthread_t>(thread_.Get()));
    thread_.Reset();
}

}  // namespace runtime::os
