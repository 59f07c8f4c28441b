#include "controls/xc/xc_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/exceptions.h"

namespace xc {
namespace {

TEST(XcMemory, SameMemoryComparesEveryByte) {
    // Lengths around the four-byte steps, differing in the last byte only.
    for (size_t length : {1u, 3u, 4u, 5u, 7u, 8u, 9u}) {
        std::string a(length, 'x'), b = a;
        EXPECT_TRUE(SameMemory(a.data(), b.data(), length)) << length;
        b.back() = 'y';
        EXPECT_FALSE(SameMemory(a.data(), b.data(), length)) << length;
    }
    EXPECT_TRUE(SameMemory(nullptr, nullptr, 0));
}

TEST(XcMemory, ZeroedBlocksAndCopies) {
    EXPECT_EQ(GlobalAllocZeroed(0), nullptr);
    EXPECT_EQ(GlobalAllocZeroed(-8), nullptr);
    void* block = GlobalAllocZeroed(100);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(SameMemory(block, std::string(100, '\0').data(), 100));
    GlobalFreeAndNil(block);
    EXPECT_EQ(block, nullptr);
    GlobalFreeAndNil(block);  // nil: nothing happens
    EXPECT_EQ(block, nullptr);

    // Overlapping copies, both ways.
    char text[] = "abcdefgh";
    CopyMemoryBlock(OffsetPointer(text, 2), text, 4);
    EXPECT_STREQ(text, "ababcdgh");
    CopyMemoryBlock(text, OffsetPointer(text, 3), 5);
    EXPECT_STREQ(text, "bcdghdgh");
    CopyMemoryBlock(nullptr, nullptr, 0);
}

#ifndef _WIN32
// On Windows the stop tells the user first (xc_win_test.cpp).
TEST(XcMemory, NotImplementedAbortsSilently) {
    try {
        NotImplementedAbort();
    } catch (const runtime::EAbort& e) {
        EXPECT_EQ(e.Message(), "Function not yet implemented");
    }
}
#endif

}  // namespace
}  // namespace xc
