#pragma once

// Threads, critical sections, events and the main-thread call queue.
//
// The main thread is the one that called InitThreads() (or SetMainThread());
// until one of them runs, the first thread that asks for MainThreadID() or
// starts a TThread becomes it. Workers reach the main thread only through
// the one main-thread call queue: Synchronize (waits) and Queue (does not).
// The main thread runs the queued calls in CheckSynchronize, called by the
// message loop when the wake-up hook has woken it, or by a test.

#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "runtime/object.h"
#include "runtime/os/native_thread.h"
#include "runtime/os/thread_info.h"

namespace runtime {

using os::TThreadID;

// A timeout that never ends.
inline constexpr std::uint32_t Infinite = 0xFFFFFFFF;

// Makes the calling thread the main thread. Called once at start, before
// any other thread exists.
void InitThreads();
void SetMainThread();
TThreadID MainThreadID();

// Runs fn on the main thread and waits until it has run; an exception fn
// raises there is raised again in the calling thread. On the main thread fn
// runs at once.
void Synchronize(std::function<void()> fn);
// Puts fn on the main-thread call queue and returns at once; on the main
// thread fn runs at once. An exception fn raises leaves the CheckSynchronize
// that ran it; the calls queued behind it stay queued for the next one.
void Queue(std::function<void()> fn);
// Main thread only (EThread otherwise): waits up to timeoutMs for a queued
// call, then runs every call queued so far in order. True when it ran any.
bool CheckSynchronize(std::uint32_t timeoutMs = 0);
// Called on the queuing thread each time a call is queued, so that a message
// loop asleep in its wait can be woken (the GUI posts a message). Empty: none.
void SetWakeMainThread(std::function<void()> hook);

void Sleep(std::uint32_t milliseconds);

// A recursive lock, like the platform's critical section: the owning thread
// may enter again and must leave as often as it entered.
class TCriticalSection : public TObject {
  public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    [[nodiscard]] bool TryEnter() { return mutex_.try_lock(); }

  private:
    std::recursive_mutex mutex_;
};

// Holds a critical section for its lifetime.
class CriticalSectionGuard {
  public:
    explicit CriticalSectionGuard(TCriticalSection& section) : section_(section) {
        section_.Enter();
    }
    ~CriticalSectionGuard() { section_.Leave(); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

  private:
    TCriticalSection& section_;
};

enum TWaitResult { wrSignaled, wrTimeout };

// A wait event (TEvent is the event-handler type of events.h). A manual-reset
// event stays signalled until ResetEvent; an auto-reset one lets exactly one
// wait through per SetEvent.
class TSyncEvent : public TObject {
  public:
    explicit TSyncEvent(bool manualReset = true, bool initialState = false)
        : manualReset_(manualReset), signaled_(initialState) {}

    void SetEvent();
    void ResetEvent();
    TWaitResult WaitFor(std::uint32_t timeoutMs = Infinite);

  private:
    const bool manualReset_;
    bool signaled_;
    std::mutex mutex_;
    std::condition_variable changed_;
};

// A thread object. Derive, implement Execute, construct, then Start.
//
// Every thread is created suspended: a base constructor cannot start a
// thread that runs the derived class's Execute, whose object is not built
// yet, so "created running" is construction followed by Start().
//
// After Execute (skipped when Terminate came before Start) the handler set
// with SetOnTerminate runs on the main thread through Synchronize; then a
// thread with FreeOnTerminate deletes its object. An exception that escapes
// Execute is kept in FatalException; one that escapes the OnTerminate
// handler is kept there too when Execute left none.
//
// Deleting a running thread that does not free itself terminates it and
// waits for its end without running its OnTerminate handler. The derived
// part is gone by then, so a derived class whose Execute uses its own
// members calls TerminateAndWait() in its own destructor. The object may be
// deleted inside its OnTerminate handler.
class TThread : public TObject {
  public:
    TThread();
    ~TThread() override;

    // EThread when called a second time.
    void Start();

    // The size of the thread's stack, set before Start (0, the default: the
    // platform's). It is reserved address space, taken into use as the
    // stack grows; threads that run scripts need a large one.
    void SetStackSize(std::size_t bytes) { stackSize_ = bytes; }
    std::size_t StackSize() const { return stackSize_; }

    // Asks Execute to end; Execute polls Terminated().
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // Waits until the thread has ended (OnTerminate included) and returns
    // ReturnValue. On the main thread it runs the queued main-thread calls
    // meanwhile, so a thread that synchronises can finish. EThread when the
    // thread was not started, frees itself, or is the calling thread.
    std::int32_t WaitFor();

    bool FreeOnTerminate() const { return freeOnTerminate_; }
    void SetFreeOnTerminate(bool value) { freeOnTerminate_ = value; }

    // Run on the main thread with this thread as the sender.
    void SetOnTerminate(std::function<void(TObject* sender)> handler);

    std::int32_t ReturnValue() const { return returnValue_; }
    // Read it after WaitFor (or in OnTerminate).
    std::exception_ptr FatalException() const { return fatalException_; }
    // Execute has returned.
    bool Finished() const { return finished_; }

    // Valid once Start has returned.
    TThreadID ThreadID() const { return threadId_; }
    // A Windows HANDLE; natively the pthread_t.
    std::uintptr_t Handle() const { return std::bit_cast<std::uintptr_t>(handle_.Get()); }

  protected:
    virtual void Execute() = 0;
    void SetReturnValue(std::int32_t value) { returnValue_ = value; }

    // Unbinds OnTerminate, terminates, then waits until Execute has returned
    // (on the main thread running the queued main-thread calls meanwhile).
    // For destructors of derived classes; returns at once when the thread was
    // not started or is the calling thread.
    void TerminateAndWait() noexcept;

  private:
    struct Completion;

    void Run(const std::shared_ptr<Completion>& completion);
    void DoTerminate(const std::shared_ptr<Completion>& completion);
    void ForgetOnTerminate() noexcept;
    template <class Condition>
    void WaitUntil(Condition condition);
    template <class Condition>
    void WaitUntilInDestructor(Condition condition) noexcept;

    os::TNativeThread thread_;
    std::size_t stackSize_ = 0;
    std::shared_ptr<Completion> completion_;
    std::atomic<bool> started_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> freeOnTerminate_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::int32_t> returnValue_{0};
    std::exception_ptr fatalException_;
    std::mutex onTerminateLock_;
    std::function<void(TObject*)> onTerminate_;
    TThreadID threadId_ = 0;
    os::TThreadHandle handle_;
};

}  // namespace runtime
