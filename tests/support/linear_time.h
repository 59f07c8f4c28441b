#pragma once

// Scaling tests: work that grows with its input must grow in proportion.
// The work for a base size and for 8 times that size is timed; 8 times the
// input may cost at most four times what linear growth allows (quadratic
// work costs 64 times). The margin is that wide because the larger input's
// data outgrows the processor's caches: a linear hash table of 32,768
// names was seen to cost 3.2 times its eighth. The figures go into the
// test's properties.
//
// Made for a loaded machine (two cores shared with other builds, the
// sanitizers, Wine):
// - Each timing does the same amount of linear work: the work for the base
//   size runs 8 times in a row, the work for 8 times the base once. A
//   busy machine slows a long timing by its share of the processor while a
//   short one often slips between two other programs' turns untouched; so
//   timings of unequal length would compare a quiet machine with a busy
//   one. Timings of equal length are slowed alike.
// - Each size's time is its best of several rounds, the sizes taking turns
//   within a round. A busy machine only ever adds time, so the best of more
//   rounds comes closer to the true cost: rounds go on until the bound
//   holds or kMaxRounds have run. Work that truly grows faster never meets
//   the bound, however many rounds run.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <iterator>
#include <limits>
#include <string>

namespace serplow::testing {

// `make(n)` prepares the input of size n outside the timing and returns
// the work to time; the work may run many times.
inline void ExpectLinearTime(const std::string& what, int base,
                             const std::function<std::function<void()>(int)>& make) {
    constexpr int kFactors[] = {1, 8};
    constexpr int kLargest = 8;
    constexpr int kMinRounds = 3;
    constexpr int kMaxRounds = 10;
    // The whole work of the largest size against as much work done in
    // pieces of the base size: linear growth gives 1, quadratic 8.
    constexpr double kAllowed = 4;
    std::array<std::function<void()>, std::size(kFactors)> work;
    for (size_t i = 0; i < work.size(); ++i) work[i] = make(base * kFactors[i]);
    std::array<double, std::size(kFactors)> best;
    best.fill(std::numeric_limits<double>::infinity());
    int rounds = 0;
    while (rounds < kMinRounds || (rounds < kMaxRounds && best[1] >= best[0] * kAllowed)) {
        for (size_t i = 0; i < work.size(); ++i) {
            const auto start = std::chrono::steady_clock::now();
            for (int run = 0; run < kLargest / kFactors[i]; ++run) work[i]();
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            best[i] = std::min(best[i], took.count());
        }
        ++rounds;
    }
    // The figures are the time of one run of each size.
    const std::string figures = "base " + std::to_string(best[0] / kLargest) + " ms, 8 times " +
                                std::to_string(best[1]) + " ms (best of " + std::to_string(rounds) +
                                ")";
    ::testing::Test::RecordProperty(what, figures);
    EXPECT_LT(best[1], best[0] * kAllowed) << what << ": " << figures;
}

}  // namespace serplow::testing
