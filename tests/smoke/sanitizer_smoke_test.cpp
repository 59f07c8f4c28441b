#include <gtest/gtest.h>

#include <cstddef>
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
            // The index is read at run time, so optimised builds do not
            // warn about a read the test makes on purpose.
            volatile size_t past = v.size();
            volatile int x = v.data()[past];
            (void)x;
        },
        "heap-buffer-overflow");
}
