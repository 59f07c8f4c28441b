#include "runtime/thread_hooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "runtime/threads.h"

namespace runtime {
namespace {

std::atomic<int> started{0};
std::atomic<TThreadID> startedId{0};
std::atomic<TThreadID> startedOn{0};
std::atomic<int> escaped{0};
std::atomic<TThreadID> escapedOn{0};
std::atomic<bool> sawException{false};

class Failing : public TThread {
  protected:
    void Execute() override { throw std::runtime_error("from Execute"); }
};

class Quiet : public TThread {
  protected:
    void Execute() override {}
};

TEST(ThreadHooks, TellTheStartOnTheCreatorAndTheEscapeOnTheThread) {
    SetThreadStartedHook([](TThread& thread) {
        ++started;
        startedId = thread.ThreadID();
        startedOn = os::CurrentThreadID();
    });
    SetThreadExceptionHook([](TThread& thread) {
        ++escaped;
        escapedOn = thread.ThreadID();
        try {
            throw;
        } catch (const std::runtime_error& e) {
            sawException = std::string(e.what()) == "from Execute";
        }
        throw std::logic_error("a hook that raises changes nothing");
    });
    Failing failing;
    failing.Start();
    failing.WaitFor();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(startedId, failing.ThreadID());
    EXPECT_EQ(startedOn, os::CurrentThreadID());
    EXPECT_EQ(escaped, 1);
    EXPECT_EQ(escapedOn, failing.ThreadID());
    EXPECT_TRUE(sawException);
    ASSERT_TRUE(failing.FatalException());

    Quiet quiet;
    quiet.Start();
    quiet.WaitFor();
    EXPECT_EQ(started, 2);
    EXPECT_EQ(escaped, 1);

    SetThreadStartedHook(nullptr);
    SetThreadExceptionHook(nullptr);
    Failing unwatched;
    unwatched.Start();
    unwatched.WaitFor();
    EXPECT_EQ(started, 2);
    EXPECT_EQ(escaped, 1);
}

}  // namespace
}  // namespace runtime
