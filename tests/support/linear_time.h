#pragma once

// Scaling tests: work that grows with its input must grow in proportion.
// The work for 1, 2, 4 and 8 times a base size is timed; 8 times the input
// may cost at most three times what linear growth allows (quadratic work
// costs 64 times). The figures go into the test's properties.
//
// Made for a loaded machine (two cores shared with other builds, the
// sanitizers, Wine): each size's time is its best of several rounds, the
// sizes taking turns within a round so that a busy spell slows them alike.
// A busy machine only ever adds time, so the best of more rounds comes
// closer to the true cost: rounds go on until the bound holds or
// kMaxRounds have run. Work that truly grows faster never meets the bound,
// however many rounds run.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <limits>
#include <string>

namespace serplow::testing {

// `make(n)` prepares the input of size n outside the timing and returns
// the work to time.
inline void ExpectLinearTime(const std::string& what, int base,
                             const std::function<std::function<void()>(int)>& make) {
    constexpr int kFactors[] = {1, 2, 4, 8};
    constexpr int kMinRounds = 3;
    constexpr int kMaxRounds = 10;
    constexpr double kAllowed = 24;  // 8 times the input, three times linear
    std::array<std::function<void()>, 4> work;
    for (size_t i = 0; i < work.size(); ++i) work[i] = make(base * kFactors[i]);
    std::array<double, 4> best;
    best.fill(std::numeric_limits<double>::infinity());
    int rounds = 0;
    while (rounds < kMinRounds || (rounds < kMaxRounds && best[3] >= best[0] * kAllowed)) {
        for (size_t i = 0; i < work.size(); ++i) {
            const auto start = std::chrono::steady_clock::now();
            work[i]();
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            best[i] = std::min(best[i], took.count());
        }
        ++rounds;
    }
    std::string figures;
    for (size_t i = 0; i < best.size(); ++i)
        figures += (i ? ", " : "") + std::to_string(best[i]) + " ms";
    figures += " (best of " + std::to_string(rounds) + ")";
    ::testing::Test::RecordProperty(what, figures);
    EXPECT_LT(best[3], best[0] * kAllowed) << what << ": " << figures;
}

}  // namespace serplow::testing
