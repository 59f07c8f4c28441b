#include "core/helper_thread.h"

#include <condition_variable>
#include <mutex>

#include "runtime/threads.h"

namespace core {

namespace {

// Threads started and not yet done, so that the program (and a test) can
// wait for them before it ends.
std::mutex pendingMutex;
std::condition_variable pendingDone;
int pending = 0;

template <class Disposable>
class TFreeingThread : public runtime::TThread {
  public:
    explicit TFreeingThread(std::unique_ptr<Disposable> object) : object_(std::move(object)) {
        SetFreeOnTerminate(true);
    }

  protected:
    void Execute() override {
        object_.reset();
        std::lock_guard lock(pendingMutex);
        if (--pending == 0) pendingDone.notify_all();
    }

  private:
    std::unique_ptr<Disposable> object_;
};

}  // namespace

void THelperThread::Start(std::unique_ptr<Disposable> object) {
    {
        std::lock_guard lock(pendingMutex);
        ++pending;
    }
    try {
        auto thread = std::make_unique<TFreeingThread<Disposable>>(std::move(object));
        thread->Start();
        thread.release();  // it frees itself when done
    } catch (...) {
        // No thread to be had: the object went with the thread object.
        std::lock_guard lock(pendingMutex);
        if (--pending == 0) pendingDone.notify_all();
        throw;
    }
}

void THelperThread::WaitForAll() {
    std::unique_lock lock(pendingMutex);
    pendingDone.wait(lock, [] { return pending == 0; });
}

}  // namespace core
