#include "runtime/os/kernel_handles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace runtime::os {
namespace {

// Handles that write down every close, with 0 for none or, like files on
// Windows, -1.
std::vector<int> closed;
struct ZeroNoneTraits {
    using Handle = int;
    static void Close(int handle) noexcept { closed.push_back(handle); }
};
struct MinusOneNoneTraits {
    using Handle = int;
    static constexpr int None() noexcept { return -1; }
    static void Close(int handle) noexcept { closed.push_back(handle); }
};
using TZeroNone = TUniqueHandle<ZeroNoneTraits>;
using TMinusOneNone = TUniqueHandle<MinusOneNoneTraits>;

static_assert(!std::is_copy_constructible_v<TFileHandle>);
static_assert(!std::is_copy_assignable_v<TFileHandle>);
static_assert(std::is_nothrow_move_constructible_v<TFileHandle>);
static_assert(std::is_nothrow_move_assignable_v<TFileHandle>);
static_assert(!std::is_convertible_v<TFileHandle::Handle, TFileHandle>);
static_assert(!std::is_convertible_v<TFileHandle, bool>);
// A constant-initialised owner: a program-wide one needs no start-up code.
constinit TZeroNone programWide;

TEST(OsUniqueHandle, EveryHandleClosesExactlyOnce) {
    struct Case {
        const char* name;
        std::function<void()> run;
        std::vector<int> closes;
    };
    const Case cases[] = {
        {"going out of scope", [] { TZeroNone a(5); }, {5}},
        {"moved into a new owner",
         [] {
             TZeroNone a(5);
             TZeroNone b(std::move(a));
             EXPECT_FALSE(a);
             EXPECT_EQ(b.Get(), 5);
         },
         {5}},
        {"moved onto an owner that holds one",
         [] {
             TZeroNone a(5);
             TZeroNone b(6);
             b = std::move(a);
             EXPECT_EQ(closed, std::vector<int>{6});
             EXPECT_EQ(b.Get(), 5);
         },
         {6, 5}},
        {"moved onto itself",
         [] {
             TZeroNone a(5);
             TZeroNone& same = a;
             a = std::move(same);
             EXPECT_EQ(a.Get(), 5);
         },
         {5}},
        {"released", [] { EXPECT_EQ(TZeroNone(5).Release(), 5); }, {}},
        {"reset to another",
         [] {
             TZeroNone a(5);
             a.Reset(6);
             EXPECT_EQ(closed, std::vector<int>{5});
         },
         {5, 6}},
        {"reset to the one it holds",
         [] {
             TZeroNone a(5);
             a.Reset(5);
             EXPECT_TRUE(closed.empty());
         },
         {5}},
        {"reset to none",
         [] {
             TZeroNone a(5);
             a.Reset();
             EXPECT_EQ(closed, std::vector<int>{5});
             EXPECT_FALSE(a);
         },
         {5}},
        {"never given one",
         [] {
             TZeroNone a;
             TZeroNone b(0);
             a = std::move(b);
             a.Reset();
         },
         {}},
        // Where -1 is none, 0 is a handle like any other.
        {"-1 for none: 0 held", [] { EXPECT_TRUE(TMinusOneNone(0)); }, {0}},
        {"-1 for none: -1 given",
         [] {
             TMinusOneNone a(-1);
             EXPECT_FALSE(a);
             EXPECT_EQ(TMinusOneNone().Get(), -1);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        closed.clear();
        c.run();
        EXPECT_EQ(closed, c.closes);
    }
}

#ifndef _WIN32

bool descriptorOpen(int descriptor) {
    return ::fcntl(descriptor, F_GETFD) != -1;
}

TEST(OsKernelHandles, FileDescriptorClosesOnceAndKeepsErrno) {
    const int descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    {
        TFileHandle file(descriptor);
        TFileHandle moved(std::move(file));
        EXPECT_TRUE(descriptorOpen(descriptor));
    }
    EXPECT_FALSE(descriptorOpen(descriptor));
    EXPECT_FALSE(TFileHandle());

    // A descriptor closed behind the owner's back fails to close again; the
    // caller's errno stands.
    TFileHandle stale(descriptor);
    errno = ENOENT;
    stale.Reset();
    EXPECT_EQ(errno, ENOENT);
}

TEST(OsKernelHandles, CloseFileTellsWhetherTheCloseWorked) {
    const int descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    TFileHandle file(descriptor);
    EXPECT_TRUE(CloseFile(file));
    EXPECT_FALSE(file);
    EXPECT_FALSE(descriptorOpen(descriptor));
    // Nothing held: nothing to fail.
    EXPECT_TRUE(CloseFile(file));

    TFileHandle stale(descriptor);
    EXPECT_FALSE(CloseFile(stale));
    EXPECT_EQ(errno, EBADF);
    EXPECT_FALSE(stale);
}

#endif

}  // namespace
}  // namespace runtime::os
