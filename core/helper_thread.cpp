#include "core/helper_thread.h"

#include <mutex>
#include <vector>

#include "runtime/threads.h"

namespace core {

namespace {

class TFreeingThread : public runtime::TThread {
  public:
    template <class Object>
    explicit TFreeingThread(std::unique_ptr<Object> object) : object_(std::move(object)) {}
    // Execute uses object_: the thread ends before this part of the object
    // goes, or it would run on in a half-destroyed object.
    ~TFreeingThread() override { TerminateAndWait(); }

  protected:
    void Execute() override { object_.reset(); }

  private:
    std::shared_ptr<void> object_;
};

// The freeing threads started and not yet joined. They are joined rather
// than left to free themselves: a thread still on its way out when the
// program ends races the process's own teardown.
class TFreeingThreads {
  public:
    ~TFreeingThreads() { JoinAll(); }

    void Add(std::unique_ptr<runtime::TThread> thread) {
        std::vector<std::unique_ptr<runtime::TThread>> done;
        std::lock_guard lock(mutex_);
        // Joins what has finished, so a long session keeps no dead threads.
        std::erase_if(threads_, [&](std::unique_ptr<runtime::TThread>& t) {
            if (!t->Finished()) return false;
            done.push_back(std::move(t));
            return true;
        });
        threads_.push_back(std::move(thread));
    }

    void JoinAll() {
        std::vector<std::unique_ptr<runtime::TThread>> threads;
        {
            std::lock_guard lock(mutex_);
            threads.swap(threads_);
        }
        threads.clear();  // each waits for its thread and joins it
    }

  private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<runtime::TThread>> threads_;
};

TFreeingThreads& FreeingThreads() {
    static TFreeingThreads threads;
    return threads;
}

}  // namespace

void THelperThread::Start(std::unique_ptr<Disposable> object) {
    auto thread = std::make_unique<TFreeingThread>(std::move(object));
    thread->Start();
    FreeingThreads().Add(std::move(thread));
}

void THelperThread::WaitForAll() {
    FreeingThreads().JoinAll();
}

}  // namespace core
