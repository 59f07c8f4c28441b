#include "runtime/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/events.h"  // the wait event and the handler type live side by side
#include "runtime/exceptions.h"
#include "runtime/os/clock.h"

namespace runtime {
namespace {

using os::CurrentThreadID;
using os::TickCount64;

constexpr std::uint64_t kPatienceMs = 20000;

// Runs the main-thread queue until `done` holds; false when it never does.
bool DrainUntil(const std::function<bool()>& done) {
    const std::uint64_t end = TickCount64() + kPatienceMs;
    while (!done()) {
        if (TickCount64() > end) return false;
        CheckSynchronize(10);
    }
    return true;
}

// Waits without running the queue.
bool PollUntil(const std::function<bool()>& done) {
    const std::uint64_t end = TickCount64() + kPatienceMs;
    while (!done()) {
        if (TickCount64() > end) return false;
        std::this_thread::yield();
    }
    return true;
}

// A thread whose body is a function; counts its destruction.
class BodyThread : public TThread {
  public:
    explicit BodyThread(std::function<void(BodyThread&)> body,
                        std::atomic<int>* destroyed = nullptr)
        : body_(std::move(body)), destroyed_(destroyed) {}
    ~BodyThread() override {
        TerminateAndWait();
        if (destroyed_) ++*destroyed_;
    }
    using TThread::SetReturnValue;

  protected:
    void Execute() override { body_(*this); }

  private:
    std::function<void(BodyThread&)> body_;
    std::atomic<int>* destroyed_;
};

// A log that the main thread and workers append to.
class Log {
  public:
    void Add(std::string entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(std::move(entry));
    }
    std::vector<std::string> Entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> entries_;
};

class ThreadsTest : public ::testing::Test {
  protected:
    void SetUp() override { InitThreads(); }
    void TearDown() override {
        SetWakeMainThread(nullptr);
        while (CheckSynchronize(0)) {
        }
    }
};

// ---- critical sections and events -------------------------------------------

TEST_F(ThreadsTest, CriticalSectionLetsOneThreadInAtATime) {
    TCriticalSection section;
    int counter = 0;  // deliberately not atomic
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                CriticalSectionGuard guard(section);
                const int now = ++inside;
                if (now > mostInside) mostInside = now;
                ++counter;
                --inside;
            }
        });
    }
    for (std::thread& t : workers) t.join();
    EXPECT_EQ(counter, 80000);
    EXPECT_EQ(mostInside, 1);
}

TEST_F(ThreadsTest, CriticalSectionIsRecursiveForItsOwner) {
    TCriticalSection section;
    const auto otherThreadGetsIn = [&] {
        bool entered = false;
        std::thread([&] {
            entered = section.TryEnter();
            if (entered) section.Leave();
        }).join();
        return entered;
    };
    section.Enter();
    ASSERT_TRUE(section.TryEnter());  // the owner enters again
    EXPECT_FALSE(otherThreadGetsIn());
    section.Leave();
    EXPECT_FALSE(otherThreadGetsIn());  // still entered once
    section.Leave();
    EXPECT_TRUE(otherThreadGetsIn());
}

TEST_F(ThreadsTest, EventStateAfterWaits) {
    struct Case {
        bool manualReset, initialState;
        TWaitResult first, second;
    };
    const Case cases[] = {
        {true, true, wrSignaled, wrSignaled},  // stays set
        {false, true, wrSignaled, wrTimeout},  // one wait takes it
        {true, false, wrTimeout, wrTimeout},
        {false, false, wrTimeout, wrTimeout},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "manual " << c.manualReset << " initial " << c.initialState);
        TSyncEvent event(c.manualReset, c.initialState);
        EXPECT_EQ(event.WaitFor(0), c.first);
        EXPECT_EQ(event.WaitFor(0), c.second);
        event.SetEvent();
        event.ResetEvent();
        EXPECT_EQ(event.WaitFor(0), wrTimeout);
    }
}

TEST_F(ThreadsTest, EventWaitTimesOutAfterItsTime) {
    TSyncEvent event;
    const std::uint64_t start = TickCount64();
    EXPECT_EQ(event.WaitFor(100), wrTimeout);
    // The tick may advance in steps of about 16 ms on Windows.
    EXPECT_GE(TickCount64() - start, 80u);
}

TEST_F(ThreadsTest, EventSetOnAnotherThreadWakesAWait) {
    TSyncEvent event;
    std::thread setter([&] {
        Sleep(20);
        event.SetEvent();
    });
    EXPECT_EQ(event.WaitFor(Infinite), wrSignaled);
    setter.join();
}

TEST_F(ThreadsTest, AutoResetEventReleasesOneWaiterPerSet) {
    TSyncEvent event(false, false);
    std::atomic<int> waiting{0}, released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            ++waiting;
            if (event.WaitFor(kPatienceMs) == wrSignaled) ++released;
        });
    }
    ASSERT_TRUE(PollUntil([&] { return waiting == 2; }));
    event.SetEvent();
    ASSERT_TRUE(PollUntil([&] { return released >= 1; }));
    // The waiter it released took the set: the event is off again, and the
    // other waiter needs a set of its own.
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
    EXPECT_EQ(released, 1);
    event.SetEvent();
    for (std::thread& t : waiters) t.join();
    EXPECT_EQ(released, 2);
}

// ---- the main-thread call queue ------------------------------------------

TEST_F(ThreadsTest, SynchronizeAndQueueRunOnTheMainThreadInOrder) {
    Log log;
    const TThreadID mainId = CurrentThreadID();
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        Queue([&] { log.Add(CurrentThreadID() == mainId ? "q1" : "q1 off main"); });
        Synchronize([&] { log.Add(CurrentThreadID() == mainId ? "s1" : "s1 off main"); });
        log.Add("worker after s1");
        Queue([&] { log.Add(CurrentThreadID() == mainId ? "q2" : "q2 off main"); });
        workerDone = true;
    });
    ASSERT_TRUE(DrainUntil([&] { return workerDone.load(); }));
    worker.join();
    CheckSynchronize(0);
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"q1", "s1", "worker after s1", "q2"}));
}

TEST_F(ThreadsTest, SynchronizeRaisesTheCallsExceptionInTheWorker) {
    std::string caught;
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        try {
            Synchronize([] { throw EConvertError("'x' is not a valid integer value"); });
            caught = "nothing";
        } catch (const Exception& e) {
            caught = std::string(e.ClassName()) + ": " + e.Message();
        }
        workerDone = true;
    });
    ASSERT_TRUE(DrainUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(caught, "EConvertError: 'x' is not a valid integer value");
}

TEST_F(ThreadsTest, FailingQueuedCallLeavesLaterCallsQueued) {
    Log log;
    std::atomic<int> wakes{0};
    SetWakeMainThread([&] { ++wakes; });
    std::thread worker([&] {
        Queue([] { throw EAbort("queued failure"); });
        Queue([&] { log.Add("b"); });
        Synchronize([&] { log.Add("c"); });
    });
    ASSERT_TRUE(PollUntil([&] { return wakes == 3; }));
    EXPECT_THROW(CheckSynchronize(0), EAbort);
    EXPECT_TRUE(log.Entries().empty());
    // Without the calls left queued the worker would wait for ever.
    ASSERT_TRUE(CheckSynchronize(0));
    worker.join();
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"b", "c"}));
}

TEST_F(ThreadsTest, CallsFromTheMainThreadRunAtOnce) {
    int ran = 0;
    Synchronize([&] { ++ran; });
    Queue([&] { ++ran; });
    EXPECT_EQ(ran, 2);
    EXPECT_FALSE(CheckSynchronize(0));
    EXPECT_THROW(Synchronize([] { throw EConvertError("direct"); }), EConvertError);
}

TEST_F(ThreadsTest, CheckSynchronizeWaitsForACallUpToItsTimeout) {
    const std::uint64_t start = TickCount64();
    EXPECT_FALSE(CheckSynchronize(100));
    EXPECT_GE(TickCount64() - start, 80u);

    bool ran = false;
    std::thread worker([&] {
        Sleep(20);
        Queue([&] { ran = true; });
    });
    EXPECT_TRUE(CheckSynchronize(Infinite));
    EXPECT_TRUE(ran);
    worker.join();
}

TEST_F(ThreadsTest, CheckSynchronizeRefusesOtherThreads) {
    std::string message;
    std::thread([&] {
        try {
            CheckSynchronize(0);
        } catch (const EThread& e) {
            message = e.Message();
        }
    }).join();
    EXPECT_NE(message.find("which is NOT the main thread"), std::string::npos) << message;
}

// ---- TThread ----------------------------------------------------------------

TEST_F(ThreadsTest, WaitForAnswersTheReturnValue) {
    std::atomic<TThreadID> idInside{0};
    BodyThread thread([&](BodyThread& self) {
        idInside = CurrentThreadID();
        self.SetReturnValue(42);
    });
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 42);
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(thread.ThreadID(), idInside);
    EXPECT_NE(thread.ThreadID(), MainThreadID());
    EXPECT_NE(thread.Handle(), 0u);
    EXPECT_FALSE(thread.FatalException());
}

// A thread made with a stack of its own size has it: the bounds it reports
// span the size, and a body that uses most of it runs.
TEST_F(ThreadsTest, ThreadsGetTheStackSizeTheyAskFor) {
    constexpr std::size_t kSize = std::size_t{64} << 20;
    os::TStackBounds bounds;
    std::uintptr_t deepest = 0;
    BodyThread thread([&](BodyThread&) {
        bounds = os::CurrentThreadStack();
        // Touches 48 MB of it, a page at a time, far below the default.
        const std::function<void(int)> down = [&](int levels) {
            volatile char page[4096];
            page[0] = static_cast<char>(levels);
            deepest = reinterpret_cast<std::uintptr_t>(&page[0]);
            if (levels > 0) down(levels - 1);
        };
        down(12 * 1024);
    });
    thread.SetStackSize(kSize);
    EXPECT_EQ(thread.StackSize(), kSize);
    thread.Start();
    thread.WaitFor();
    EXPECT_FALSE(thread.FatalException());
    EXPECT_GE(bounds.high - bounds.low, kSize);
    EXPECT_GT(deepest, bounds.low);
    EXPECT_LT(deepest, bounds.high - (std::size_t{48} << 20));
    // The calling thread knows its own stack too.
    const os::TStackBounds own = os::CurrentThreadStack();
    const auto here = reinterpret_cast<std::uintptr_t>(&own);
    EXPECT_GT(here, own.low);
    EXPECT_LT(here, own.high);
}

TEST_F(ThreadsTest, ExceptionEscapingExecuteIsKept) {
    BodyThread thread([](BodyThread&) { throw EOSError("disk gone"); });
    thread.Start();
    EXPECT_NO_THROW(thread.WaitFor());
    ASSERT_TRUE(thread.FatalException());
    try {
        std::rethrow_exception(thread.FatalException());
    } catch (const EOSError& e) {
        EXPECT_EQ(e.Message(), "disk gone");
    }
}

TEST_F(ThreadsTest, TerminateEndsALoopingExecute) {
    std::atomic<bool> running{false};
    BodyThread thread([&](BodyThread& self) {
        running = true;
        while (!self.Terminated()) Sleep(1);
        self.SetReturnValue(7);
    });
    thread.Start();
    ASSERT_TRUE(PollUntil([&] { return running.load(); }));
    thread.Terminate();
    EXPECT_EQ(thread.WaitFor(), 7);
}

TEST_F(ThreadsTest, ThreadTerminatedBeforeStartSkipsExecuteButReportsItsEnd) {
    bool executed = false, reported = false;
    BodyThread thread([&](BodyThread&) { executed = true; });
    thread.SetOnTerminate([&](TObject*) { reported = true; });
    thread.Terminate();
    thread.Start();
    thread.WaitFor();
    EXPECT_FALSE(executed);
    EXPECT_TRUE(reported);
}

TEST_F(ThreadsTest, OnTerminateRunsOnTheMainThreadAfterExecute) {
    Log log;
    TObject* sender = nullptr;
    BodyThread thread([&](BodyThread&) { log.Add("execute"); });
    thread.SetOnTerminate([&](TObject* s) {
        sender = s;
        log.Add(CurrentThreadID() == MainThreadID() ? "terminate on main" : "terminate off main");
        throw EConvertError("handler failed");
    });
    thread.Start();
    thread.WaitFor();  // runs the handler
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"execute", "terminate on main"}));
    EXPECT_EQ(sender, &thread);
    EXPECT_TRUE(thread.FatalException());  // the handler's
}

TEST_F(ThreadsTest, WorkerSynchronizesWhileTheMainThreadWaits) {
    int counter = 0;  // main thread only
    bool allOnMain = true;
    BodyThread thread([&](BodyThread& self) {
        for (int i = 0; i < 200; ++i) {
            Synchronize([&] {
                allOnMain = allOnMain && CurrentThreadID() == MainThreadID();
                ++counter;
            });
        }
        self.SetReturnValue(counter);  // read after the last call has run
    });
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 200);
    EXPECT_EQ(counter, 200);
    EXPECT_TRUE(allOnMain);
}

TEST_F(ThreadsTest, FreeOnTerminateThreadsDeleteThemselves) {
    constexpr int kThreads = 8;
    std::atomic<int> executed{0}, destroyed{0};
    int reported = 0;  // main thread only
    for (int i = 0; i < kThreads; ++i) {
        auto* thread = new BodyThread([&](BodyThread&) { ++executed; }, &destroyed);
        thread->SetFreeOnTerminate(true);
        thread->SetOnTerminate([&](TObject*) { ++reported; });
        thread->Start();
    }
    ASSERT_TRUE(DrainUntil([&] { return destroyed == kThreads; }));
    EXPECT_EQ(executed, kThreads);
    EXPECT_EQ(reported, kThreads);
}

TEST_F(ThreadsTest, FreeOnTerminateThreadWithoutHandlerNeedsNoMainThread) {
    std::atomic<int> destroyed{0};
    auto* thread = new BodyThread([](BodyThread&) {}, &destroyed);
    thread->SetFreeOnTerminate(true);
    thread->Start();
    EXPECT_TRUE(PollUntil([&] { return destroyed == 1; }));
}

TEST_F(ThreadsTest, ThreadMayBeDeletedInItsOnTerminateHandler) {
    std::atomic<int> destroyed{0};
    auto* thread = new BodyThread([](BodyThread&) {}, &destroyed);
    thread->SetOnTerminate([](TObject* sender) { delete static_cast<BodyThread*>(sender); });
    thread->Start();
    ASSERT_TRUE(DrainUntil([&] { return destroyed == 1; }));
    // The worker ends detached. Should it touch the freed object on its way
    // out, the sanitizers report it whenever that happens: the process runs
    // on. (Nothing portable tells when a detached thread has ended; under
    // Wine even a thread-local object's destructor is not sure to run.)
}

TEST_F(ThreadsTest, DeletingARunningThreadStopsItWithoutReportingItsEnd) {
    std::atomic<bool> running{false}, reported{false};
    auto* thread = new BodyThread([&](BodyThread& self) {
        running = true;
        while (!self.Terminated()) Sleep(1);
    });
    thread->SetOnTerminate([&](TObject*) { reported = true; });
    thread->Start();
    ASSERT_TRUE(PollUntil([&] { return running.load(); }));
    delete thread;
    EXPECT_FALSE(reported);
}

TEST_F(ThreadsTest, MisuseRaisesEThread) {
    BodyThread idle([](BodyThread&) {});
    EXPECT_THROW(idle.WaitFor(), EThread);

    std::string insideError;
    BodyThread thread([&](BodyThread& self) {
        try {
            self.WaitFor();
        } catch (const EThread& e) {
            insideError = e.Message();
        }
    });
    thread.Start();
    EXPECT_THROW(thread.Start(), EThread);
    thread.WaitFor();
    EXPECT_FALSE(insideError.empty());
}

}  // namespace
}  // namespace runtime
