#pragma once

// Shared by the HTTP client benchmarks that measure against curl in the same
// run: best-of-N timing, running curl, and the report line.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace bench {

inline constexpr int kRuns = 5;

// The best wall time of kRuns runs, in milliseconds; a failed run ends the
// benchmark.
inline double Best(const std::function<bool()>& run) {
    using Clock = std::chrono::steady_clock;
    double best = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        if (!run()) {
            std::fprintf(stderr, "a run failed\n");
            std::exit(1);
        }
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

// Runs curl quietly with the given arguments, its output thrown away.
inline bool Curl(const std::string& arguments) {
    return std::system(("curl -s -f " + arguments + " > /dev/null").c_str()) == 0;
}

inline void Report(const std::string& what, double ours, double curl) {
    std::printf("%-40s %10.1f ms %10.1f ms %8.2fx\n", what.c_str(), ours, curl, ours / curl);
}

}  // namespace bench
