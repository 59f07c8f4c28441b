#include "crashreport/hook_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <stdexcept>

namespace crashreport {
namespace {

// Six arguments: four in registers, two on the stack, floating point mixed in.
__attribute__((noinline)) double Weighted(int a, double b, int c, double d, int e, int f) {
    return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f;
}

using WeightedFn = double (*)(int, double, int, double, int, int);
uintptr_t weightedStub = 0;
int hookCalls = 0;

__attribute__((noinline)) double WeightedHook(int a, double b, int c, double d, int e, int f) {
    ++hookCalls;
    return 1000 + reinterpret_cast<WeightedFn>(weightedStub)(a, b, c, d, e, f);
}

// Called through a function pointer, so the compiler cannot fold the call.
WeightedFn volatile callWeighted = Weighted;

TEST(HookCode, TheStubCallsTheOriginalWithEveryArgumentAndTheHookStays) {
    hookCalls = 0;
    const double plain = callWeighted(1, 2.5, 3, 4.25, 5, 6);
    weightedStub = HookCode(reinterpret_cast<uintptr_t>(&Weighted),
                            reinterpret_cast<uintptr_t>(&WeightedHook), "Weighted");
    EXPECT_EQ(callWeighted(1, 2.5, 3, 4.25, 5, 6), 1000 + plain);
    EXPECT_EQ(callWeighted(1, 2.5, 3, 4.25, 5, 6), 1000 + plain);
    EXPECT_EQ(hookCalls, 2);
    UnhookCode(weightedStub);
    EXPECT_EQ(callWeighted(1, 2.5, 3, 4.25, 5, 6), plain);
    EXPECT_EQ(hookCalls, 2);
}

__attribute__((noinline)) int Thrower(int value) {
    if (value < 0) throw std::runtime_error("negative");
    return value * 2;
}

using ThrowerFn = int (*)(int);
uintptr_t throwerStub = 0;
bool rearmInHook = true;

__attribute__((noinline)) int ThrowerHook(int value) {
    try {
        return reinterpret_cast<ThrowerFn>(throwerStub)(value) + 1;
    } catch (...) {
        if (rearmInHook) RearmCodeHook(throwerStub);
        throw;
    }
}

ThrowerFn volatile callThrower = Thrower;

TEST(HookCode, AnExceptionLeavesTheHookRemovedUntilRearmed) {
    uint8_t original[16];
    std::memcpy(original, reinterpret_cast<void*>(&Thrower), sizeof original);
    throwerStub = HookCode(reinterpret_cast<uintptr_t>(&Thrower),
                           reinterpret_cast<uintptr_t>(&ThrowerHook), "Thrower");
    EXPECT_EQ(callThrower(4), 9);
    uint8_t hooked[16];
    std::memcpy(hooked, reinterpret_cast<void*>(&Thrower), sizeof hooked);
    EXPECT_NE(std::memcmp(hooked, original, sizeof original), 0);

    rearmInHook = false;
    EXPECT_THROW(callThrower(-1), std::runtime_error);
    EXPECT_EQ(std::memcmp(reinterpret_cast<void*>(&Thrower), original, sizeof original), 0);
    EXPECT_EQ(callThrower(4), 8);  // unhooked meanwhile
    RearmCodeHook(throwerStub);
    EXPECT_EQ(std::memcmp(reinterpret_cast<void*>(&Thrower), hooked, sizeof hooked), 0);

    rearmInHook = true;
    EXPECT_THROW(callThrower(-1), std::runtime_error);
    EXPECT_EQ(callThrower(4), 9);
    UnhookCode(throwerStub);
    EXPECT_EQ(std::memcmp(reinterpret_cast<void*>(&Thrower), original, sizeof original), 0);
}

__attribute__((noinline)) int Seven() {
    return 7;
}
__attribute__((noinline)) int Eight() {
    return 8;
}
int (*volatile callSeven)() = Seven;

TEST(HookCode, FollowsImportThunksAndRejectsNull) {
    // An import thunk as the linker writes one: jmp [rip+d] to a slot.
    auto* code = static_cast<uint8_t*>(
        ::VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    ASSERT_NE(code, nullptr);
    const uintptr_t target = reinterpret_cast<uintptr_t>(&Seven);
    const uint8_t thunk[] = {0xFF, 0x25, 0x02, 0x00, 0x00, 0x00, 0x90, 0x90};
    std::memcpy(code, thunk, sizeof thunk);
    std::memcpy(code + 8, &target, 8);
    EXPECT_EQ(ResolveThunk(reinterpret_cast<uintptr_t>(code)), target);
    EXPECT_EQ(ResolveThunk(target), target);

    const uintptr_t stub =
        HookCode(reinterpret_cast<uintptr_t>(code), reinterpret_cast<uintptr_t>(&Eight), "thunk");
    EXPECT_EQ(callSeven(), 8);
    EXPECT_EQ(reinterpret_cast<int (*)()>(stub)(), 7);
    UnhookCode(stub);
    EXPECT_EQ(callSeven(), 7);
    ::VirtualFree(code, 0, MEM_RELEASE);

    try {
        HookCode(0, reinterpret_cast<uintptr_t>(&Eight), "nothing");
        FAIL();
    } catch (const EProcNull& e) {
        EXPECT_STREQ(e.what(), "Cannot hook a null procedure (\"nothing\").");
    }
}

struct Shape {
    virtual ~Shape() = default;
    virtual int Corners() const { return 4; }
};

int FiveCorners(const Shape*) {
    return 5;
}

TEST(HookVirtualMethod, RecordsTheFirstEntryOnceAndPutsItBack) {
    Shape shape;
    Shape* volatile viaPointer = &shape;
    void** vtable = *reinterpret_cast<void***>(&shape);
    // Slots 0 and 1 are the destructors; Corners follows.
    const int slot = 2;
    const auto original = reinterpret_cast<uintptr_t>(vtable[slot]);
    const auto five = reinterpret_cast<uintptr_t>(&FiveCorners);
    EXPECT_EQ(HookVirtualMethod(vtable, slot, five), original);
    EXPECT_EQ(viaPointer->Corners(), 5);
    EXPECT_EQ(HookVirtualMethod(vtable, slot, five), original);
    EXPECT_TRUE(UnhookVirtualMethod(vtable, slot));
    EXPECT_EQ(viaPointer->Corners(), 4);
    EXPECT_FALSE(UnhookVirtualMethod(vtable, slot));

    // A table outside every module is not touched.
    void* heapTable[3] = {nullptr, nullptr, reinterpret_cast<void*>(original)};
    EXPECT_EQ(HookVirtualMethod(heapTable, 2, five), original);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(heapTable[2]), original);
}

DWORD WINAPI FixedTicks() {
    return 12345;
}

TEST(HookImport, RedirectsTheProgramsSlotsAndUndoesThem) {
    const auto self = reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr));
    uintptr_t real = 0;
    ASSERT_TRUE(HookImport({self}, "kernel32.dll", false, real,
                           reinterpret_cast<uintptr_t>(&FixedTicks), "GetTickCount"));
    EXPECT_NE(real, 0u);
    EXPECT_EQ(::GetTickCount(), 12345u);
    UnhookAll();
    EXPECT_NE(::GetTickCount(), 12345u);

    // A function the program never imports: no slot to change.
    EXPECT_FALSE(HookImport({self}, "kernel32.dll", true, real,
                            reinterpret_cast<uintptr_t>(&FixedTicks), "GetSystemFirmwareTable"));
    EXPECT_THROW(HookImport({self}, "kernel32.dll", false, real,
                            reinterpret_cast<uintptr_t>(&FixedTicks), "GetSystemFirmwareTable"),
                 EHookingError);
    EXPECT_THROW(HookImport({self}, "kernel32.dll", true, real,
                            reinterpret_cast<uintptr_t>(&FixedTicks), "NoSuchFunctionAnywhere"),
                 EProcNull);
}

}  // namespace
}  // namespace crashreport
