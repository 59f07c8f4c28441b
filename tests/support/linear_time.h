#pragma once

// Scaling tests: work that grows with its input must grow in proportion.
// The work for 1, 2, 4 and 8 times a base size is timed (best of two
// runs); 8 times the input may cost at most three times what linear growth
// allows (quadratic work costs 64 times). The figures go into the test's
// properties.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace serplow::testing {

inline double BestMs(const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < 2; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    }
    return best;
}

// `make(n)` prepares the input of size n outside the timing and returns
// the work to time.
inline void ExpectLinearTime(const std::string& what, int base,
                             const std::function<std::function<void()>(int)>& make) {
    std::vector<double> times;
    for (int factor : {1, 2, 4, 8}) times.push_back(BestMs(make(base * factor)));
    std::string figures;
    for (size_t i = 0; i < times.size(); ++i)
        figures += (i ? ", " : "") + std::to_string(times[i]) + " ms";
    ::testing::Test::RecordProperty(what, figures);
    EXPECT_LT(times[3], times[0] * 24) << what << ": " << figures;
}

}  // namespace serplow::testing
