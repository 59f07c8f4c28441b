#include "crashreport/stackwalk_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "runtime/os/kernel_handles.h"
#include "runtime/os/paths.h"

namespace crashreport {
namespace {

volatile int opaqueZero = 0;
constexpr uintptr_t garbage = 0x0000BAD0BAD0BAD0;

uintptr_t ownStackTop() {
    const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
    return reinterpret_cast<uintptr_t>(tib->StackBase);
}

// Registers taken inside a function that keeps its frame in RBP (its frame
// has a variable size), so unwinding it reads where RBP points.
__attribute__((noinline)) void captureInFramedFunction(CONTEXT& context) {
    volatile char* area = static_cast<volatile char*>(__builtin_alloca(32 + opaqueZero));
    area[0] = 0;
    ::RtlCaptureContext(&context);
    area[1] = 1;
}

// The guard of the thread a test runs on, resumed by a handler of the test
// the way the reporter's vectored handler resumes it.
thread_local TWalkGuard* testGuard = nullptr;

LONG CALLBACK resumeWalk(EXCEPTION_POINTERS* p) {
    if (testGuard != nullptr && ResumeFaultedWalk(*testGuard, *p->ContextRecord))
        return EXCEPTION_CONTINUE_EXECUTION;
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST(StackWalk, AHealthyStackIsWalkedToTheThreadsStart) {
    const auto walkHere = [] {
        TWalkGuard guard{};
        CONTEXT context;
        ::RtlCaptureContext(&context);
        uintptr_t frames[256];
        for (const TWalk mode : {TWalk::OwnStack, TWalk::OtherStack}) {
            const TWalkResult result =
                WalkStack(&guard, context, ownStackTop(), StartModules(), mode, frames, 256);
            EXPECT_EQ(result.End, TWalkEnd::StackEnd);
            EXPECT_GT(result.Count, 3u);
            EXPECT_FALSE(guard.Faulted);
            // Too little room: the walk stops at the capacity.
            EXPECT_EQ(
                WalkStack(&guard, context, ownStackTop(), StartModules(), mode, frames, 2).End,
                TWalkEnd::Limit);
        }
    };
    InitStartModules();
    walkHere();
    std::thread other(walkHere);
    other.join();
}

TEST(StackWalk, AFaultWhileUnwindingEndsTheGuardedWalkAtThatFrame) {
    InitStartModules();
    TWalkGuard guard{};
    testGuard = &guard;
    PVOID handler = ::AddVectoredExceptionHandler(1, resumeWalk);
    for (const TWalk mode : {TWalk::OwnStack, TWalk::OtherStack}) {
        CONTEXT context;
        captureInFramedFunction(context);
        context.Rbp = garbage;
        uintptr_t frames[64] = {};
        const TWalkResult result =
            WalkStack(&guard, context, ownStackTop(), StartModules(), mode, frames, 64);
        EXPECT_EQ(result.End, TWalkEnd::Faulted);
        EXPECT_TRUE(guard.Faulted);
        EXPECT_FALSE(guard.Active);
        // The frame whose unwinding faulted is kept.
        ASSERT_EQ(result.Count, 1u);
        EXPECT_EQ(frames[0], context.Rip);
    }
    // The guard is ready for the next walk.
    CONTEXT context;
    ::RtlCaptureContext(&context);
    uintptr_t frames[256];
    EXPECT_EQ(
        WalkStack(&guard, context, ownStackTop(), StartModules(), TWalk::OwnStack, frames, 256).End,
        TWalkEnd::StackEnd);
    EXPECT_FALSE(guard.Faulted);
    ::RemoveVectoredExceptionHandler(handler);
    testGuard = nullptr;
}

TEST(StackWalk, ASnapshotFollowingUnloadsForgetsAModuleAsItGoes) {
    char name[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, name, MAX_PATH);
    const std::string path =
        runtime::os::ExtractFilePath(std::string(name, length)) + "crashreport_testdll.dll";
    runtime::os::TModuleHandle loaded(::LoadLibraryA(path.c_str()));
    ASSERT_TRUE(loaded);
    const HMODULE dll = loaded.Get();
    const auto function = reinterpret_cast<uintptr_t>(
        reinterpret_cast<void*>(::GetProcAddress(dll, "TestExportOne")));
    TUnwindModules following;
    following.Refresh();
    following.FollowUnloads();
    TUnwindModules still;
    still.Refresh();
    uintptr_t base = 0;
    ASSERT_NE(following.Find(function, base), nullptr);
    EXPECT_EQ(base, reinterpret_cast<uintptr_t>(dll));
    EXPECT_TRUE(following.Holds(function));

    loaded.Reset();
    ASSERT_EQ(::GetModuleHandleA(path.c_str()), nullptr);
    EXPECT_FALSE(following.Holds(function));
    EXPECT_EQ(following.Find(function, base), nullptr);
    // A snapshot that does not follow would still point into the unloaded
    // image.
    EXPECT_TRUE(still.Holds(function));
    // The other modules stay.
    const auto self = reinterpret_cast<uintptr_t>(&captureInFramedFunction);
    EXPECT_NE(following.Find(self, base), nullptr);
}

}  // namespace
}  // namespace crashreport
