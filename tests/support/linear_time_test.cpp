// The scaling check passes work that grows in proportion and
// fails work that grows with the square of its input.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "tests/support/linear_time.h"

namespace {

volatile uint64_t sink;

// Work of the processor alone: memory caches, which a larger input may
// outgrow, play no part.
std::function<void()> Steps(int n) {
    return [n] {
        uint64_t total = 0;
        for (int i = 0; i < n; ++i) total = total * 31 + static_cast<uint64_t>(i);
        sink = total;
    };
}

std::function<void()> EveryPair(int n) {
    return [n] {
        uint64_t total = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) total += static_cast<uint64_t>(i ^ j);
        sink = total;
    };
}

TEST(LinearTime, ProportionalWorkPasses) {
    serplow::testing::ExpectLinearTime("steps", 400000, Steps);
}

TEST(LinearTime, QuadraticWorkFails) {
    EXPECT_NONFATAL_FAILURE(serplow::testing::ExpectLinearTime("every pair", 400, EveryPair),
                            "every pair");
}

}  // namespace
