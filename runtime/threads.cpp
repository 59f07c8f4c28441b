#include "runtime/threads.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <string>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/thread_hooks.h"

namespace runtime {

namespace {

// One call waiting in the main-thread queue. A synchronised call carries
// the waiter that its worker sleeps on; a queued one has none.
struct SyncWaiter {
    std::mutex mutex;
    std::condition_variable ran;
    bool done = false;
    std::exception_ptr error;
};

struct QueuedCall {
    std::function<void()> fn;
    SyncWaiter* waiter = nullptr;
};

// The main-thread call queue. `changed` also wakes a main thread that waits
// in TThread::WaitFor when a thread ends.
struct MainQueue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QueuedCall> calls;
    std::mutex hookMutex;
    std::function<void()> wakeHook;
};

// Never destroyed: a thread that frees itself may still be finishing while
// the process runs its exit code.
MainQueue& mainQueue() {
    static MainQueue* const queue = new MainQueue;
    return *queue;
}

// 0 until a main thread is chosen; no thread has id 0.
std::atomic<TThreadID> mainThreadId{0};

bool isMainThread() {
    return os::CurrentThreadID() == MainThreadID();
}

void wakeMainThread() {
    MainQueue& q = mainQueue();
    std::function<void()> hook;
    {
        std::lock_guard lock(q.hookMutex);
        hook = q.wakeHook;
    }
    if (hook) hook();
}

void enqueue(QueuedCall call) {
    MainQueue& q = mainQueue();
    {
        std::lock_guard lock(q.mutex);
        q.calls.push_back(std::move(call));
    }
    q.changed.notify_all();
    wakeMainThread();
}

// Wakes a main thread waiting for `changed` after the caller changed what it
// waits for. Taking the lock orders the change before the waiter's next check.
void pokeMainQueue() {
    MainQueue& q = mainQueue();
    { std::lock_guard lock(q.mutex); }
    q.changed.notify_all();
}

// Notifies under the lock: the waiter lives on the worker's stack and is
// gone as soon as the worker sees `done`.
void finishSynchronized(SyncWaiter& waiter, std::exception_ptr error) {
    std::lock_guard lock(waiter.mutex);
    waiter.error = std::move(error);
    waiter.done = true;
    waiter.ran.notify_all();
}

}  // namespace

// ---- main thread and its queue ----------------------------------------------

void InitThreads() {
    SetMainThread();
}

void SetMainThread() {
    mainThreadId = os::CurrentThreadID();
}

TThreadID MainThreadID() {
    TThreadID id = mainThreadId;
    if (id == 0) {
        const TThreadID self = os::CurrentThreadID();
        if (mainThreadId.compare_exchange_strong(id, self)) return self;
    }
    return id;
}

void Synchronize(std::function<void()> fn) {
    if (isMainThread()) {
        fn();
        return;
    }
    SyncWaiter waiter;
    enqueue(QueuedCall{std::move(fn), &waiter});
    std::unique_lock lock(waiter.mutex);
    waiter.ran.wait(lock, [&] { return waiter.done; });
    if (waiter.error) std::rethrow_exception(waiter.error);
}

void Queue(std::function<void()> fn) {
    if (isMainThread()) {
        fn();
        return;
    }
    enqueue(QueuedCall{std::move(fn), nullptr});
}

bool CheckSynchronize(std::uint32_t timeoutMs) {
    if (!isMainThread()) {
        char message[100];
        std::snprintf(message, sizeof message,
                      "CheckSynchronize called from thread $%X, which is NOT the main thread",
                      static_cast<unsigned>(os::CurrentThreadID()));
        throw EThread(message);
    }
    MainQueue& q = mainQueue();
    std::deque<QueuedCall> batch;
    {
        std::unique_lock lock(q.mutex);
        const auto queued = [&] { return !q.calls.empty(); };
        if (timeoutMs == Infinite) {
            q.changed.wait(lock, queued);
        } else if (timeoutMs > 0) {
            q.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), queued);
        }
        batch.swap(q.calls);
    }
    const bool ranAny = !batch.empty();
    while (!batch.empty()) {
        QueuedCall call = std::move(batch.front());
        batch.pop_front();
        if (call.waiter) {
            std::exception_ptr error;
            try {
                call.fn();
            } catch (...) {
                error = std::current_exception();
            }
            finishSynchronized(*call.waiter, std::move(error));
            continue;
        }
        try {
            call.fn();
        } catch (...) {
            // The calls behind this one keep their place, ahead of anything
            // queued meanwhile; dropping them would leave workers blocked in
            // Synchronize for ever.
            std::lock_guard lock(q.mutex);
            q.calls.insert(q.calls.begin(), std::make_move_iterator(batch.begin()),
                           std::make_move_iterator(batch.end()));
            throw;
        }
    }
    return ranAny;
}

void SetWakeMainThread(std::function<void()> hook) {
    MainQueue& q = mainQueue();
    std::lock_guard lock(q.hookMutex);
    q.wakeHook = std::move(hook);
}

void Sleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// ---- TSyncEvent -------------------------------------------------------------

// Notifies under the lock, so a waiter may delete the event once it wakes.
void TSyncEvent::SetEvent() {
    std::lock_guard lock(mutex_);
    signaled_ = true;
    changed_.notify_all();
}

void TSyncEvent::ResetEvent() {
    std::lock_guard lock(mutex_);
    signaled_ = false;
}

TWaitResult TSyncEvent::WaitFor(std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto signaled = [&] { return signaled_; };
    if (timeoutMs == Infinite) {
        changed_.wait(lock, signaled);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), signaled)) {
        return wrTimeout;
    }
    if (!manualReset_) signaled_ = false;
    return wrSignaled;
}

// ---- TThread ----------------------------------------------------------------

// What the worker shares with its object. The worker keeps its own
// reference, so it can report its end after the object is gone (deleted in
// its OnTerminate handler, or by itself).
struct TThread::Completion {
    std::mutex mutex;
    std::condition_variable changed;
    bool idsPublished = false;  // the worker has set ThreadID and Handle
    bool go = false;            // Start has finished with the object
    std::atomic<bool> done{false};
    // Main thread only: the OnTerminate handler is running, and the object
    // was deleted meanwhile.
    bool handlerRunning = false;
    bool objectGone = false;
};

// The worker announces each step of its end (Execute returned, all done)
// under the completion lock and on the main queue's condition, so both kinds
// of waiter see it.
template <class Condition>
void TThread::WaitUntil(Condition condition) {
    Completion& c = *completion_;
    if (!isMainThread()) {
        std::unique_lock lock(c.mutex);
        c.changed.wait(lock, condition);
        return;
    }
    MainQueue& q = mainQueue();
    for (;;) {
        {
            std::unique_lock lock(q.mutex);
            q.changed.wait(lock, [&] { return !q.calls.empty() || condition(); });
            if (condition()) return;
        }
        CheckSynchronize(0);
    }
}

// A queued call that fails while a destructor waits cannot pass its error
// on; the wait goes on.
template <class Condition>
void TThread::WaitUntilInDestructor(Condition condition) noexcept {
    for (;;) {
        try {
            WaitUntil(condition);
            return;
        } catch (...) {
        }
    }
}

TThread::TThread() : completion_(std::make_shared<Completion>()) {}

TThread::~TThread() {
    if (thread_.Joinable()) {
        if (os::CurrentThreadID() == threadId_) {
            // Freed on its own thread (FreeOnTerminate): nothing to wait for.
            thread_.Detach();
        } else if (isMainThread() && completion_->handlerRunning) {
            // Deleted by its own OnTerminate handler: the worker waits for
            // that call to return and touches the object no more.
            completion_->objectGone = true;
            thread_.Detach();
        } else {
            ForgetOnTerminate();
            Terminate();
            WaitUntilInDestructor([&] { return completion_->done.load(); });
            thread_.Join();
        }
    }
}

void TThread::Start() {
    if (started_.exchange(true))
        throw EThread("Cannot call Start on a running or suspended thread");
    MainThreadID();  // the creator becomes the main thread when none is set
    std::shared_ptr<Completion> completion = completion_;
    thread_ = os::TNativeThread(stackSize_, [this, completion] { Run(completion); });
    std::unique_lock lock(completion->mutex);
    completion->changed.wait(lock, [&] { return completion->idsPublished; });
    // The thread waits for `go`, so the object is still here.
    NotifyThreadStarted(*this);
    completion->go = true;
    completion->changed.notify_all();
    // From here on the object may be gone (FreeOnTerminate).
}

// A thread being deleted does not report its end to a handler that would
// see a half-destroyed object.
void TThread::ForgetOnTerminate() noexcept {
    std::lock_guard lock(onTerminateLock_);
    onTerminate_ = nullptr;
}

void TThread::SetOnTerminate(std::function<void(TObject* sender)> handler) {
    std::lock_guard lock(onTerminateLock_);
    onTerminate_ = std::move(handler);
}

std::int32_t TThread::WaitFor() {
    if (!started_) throw EThread("Cannot call WaitFor on a thread that was not started");
    if (freeOnTerminate_) throw EThread("Cannot call WaitFor on a thread that frees itself");
    if (os::CurrentThreadID() == threadId_) throw EThread("A thread cannot wait for itself");
    WaitUntil([&] { return completion_->done.load(); });
    return returnValue_;
}

void TThread::TerminateAndWait() noexcept {
    ForgetOnTerminate();
    Terminate();
    if (!started_ || os::CurrentThreadID() == threadId_) return;
    WaitUntilInDestructor([&] { return finished_.load(); });
}

void TThread::Run(const std::shared_ptr<Completion>& completion) {
    {
        std::unique_lock lock(completion->mutex);
        threadId_ = os::CurrentThreadID();
        handle_ = os::OpenCurrentThreadHandle();
        completion->idsPublished = true;
        completion->changed.notify_all();
        completion->changed.wait(lock, [&] { return completion->go; });
    }
    try {
        if (!Terminated()) Execute();
    } catch (...) {
        NotifyThreadException(*this);
        fatalException_ = std::current_exception();
    }
    const bool freeIt = freeOnTerminate_;
    {
        std::lock_guard lock(completion->mutex);
        finished_ = true;
    }
    completion->changed.notify_all();
    pokeMainQueue();
    DoTerminate(completion);
    // Without FreeOnTerminate the object may be gone already.
    if (freeIt) delete this;
    {
        std::lock_guard lock(completion->mutex);
        completion->done = true;
    }
    completion->changed.notify_all();
    pokeMainQueue();
}

void TThread::DoTerminate(const std::shared_ptr<Completion>& completion) {
    {
        std::lock_guard lock(onTerminateLock_);
        if (!onTerminate_) return;
    }
    TThread* self = this;
    try {
        Synchronize([self, completion] {
            std::function<void(TObject*)> handler;
            {
                std::lock_guard lock(self->onTerminateLock_);
                handler = self->onTerminate_;
            }
            if (!handler) return;
            completion->handlerRunning = true;
            try {
                handler(self);
            } catch (...) {
                if (!completion->objectGone && !self->fatalException_) {
                    self->fatalException_ = std::current_exception();
                }
            }
            completion->handlerRunning = false;
        });
    } catch (...) {
        // Only a failure to queue the call gets here; the thread ends anyway.
    }
}

}  // namespace runtime
