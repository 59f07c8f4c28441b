// The scaling check passes work that grows in proportion (or nearly) and
// fails work that grows with the square of its input.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

#include "tests/support/linear_time.h"

namespace {

volatile uint64_t sink;

std::function<void()> Sum(int n) {
    auto values = std::make_shared<std::vector<uint64_t>>(n);
    std::iota(values->begin(), values->end(), 1);
    return [values] { sink = std::accumulate(values->begin(), values->end(), uint64_t{0}); };
}

std::function<void()> Sort(int n) {
    auto values = std::make_shared<std::vector<uint32_t>>(n);
    for (int i = 0; i < n; ++i) (*values)[i] = static_cast<uint32_t>(i) * 2654435761u;
    return [values] {
        std::vector<uint32_t> copy = *values;
        std::sort(copy.begin(), copy.end());
        sink = copy.front();
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
    struct Row {
        const char* what;
        int base;
        std::function<std::function<void()>(int)> make;
    } rows[] = {
        {"a sum", 100000, Sum},
        {"a sort", 20000, Sort},
    };
    for (const Row& row : rows) serplow::testing::ExpectLinearTime(row.what, row.base, row.make);
}

TEST(LinearTime, QuadraticWorkFails) {
    EXPECT_NONFATAL_FAILURE(serplow::testing::ExpectLinearTime("every pair", 400, EveryPair),
                            "every pair");
}

}  // namespace
