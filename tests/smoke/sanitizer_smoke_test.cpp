#include <gtest/gtest.h>

#include <vector>

// The native tree exists to run the portable code under the sanitizers; a
// configuration that silently dropped them would still pass every other test.
TEST(SanitizerSmoke, AddressSanitizerIsCompiledIn) {
#if defined(__SANITIZE_ADDRESS__)
    SUCCEED();
#else
    FAIL() << "native tests must be built with -fsanitize=address";
#endif
}

TEST(SanitizerSmoke, OutOfBoundsReadIsCaught) {
    EXPECT_DEATH(
        {
            std::vector<int> v(4);
            volatile int* p = v.data();
            volatile int x = p[4];
            (void)x;
        },
        "heap-buffer-overflow");
}
