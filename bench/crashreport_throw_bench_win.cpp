// Cost of a C++ throw caught ten frames up, without the exception reporter
// and with it (every throw then records its registers and call stack), in
// one run under Wine. "Without" is the same program before the reporter
// starts (the throw wrapper then records nothing). Measure a Release tree:
//
//   cmake -S . -B build/windows-release -G Ninja -DCMAKE_BUILD_TYPE=Release
//         -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64.cmake   (one line)
//   cmake --build build/windows-release --target crashreport_throw_bench
//   build/windows/wine-run.sh build/windows-release/bench/crashreport_throw_bench.exe

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "crashreport/reporter.h"

namespace {

constexpr int depth = 10;
constexpr int iterations = 20000;
constexpr int rounds = 5;

volatile int sink = 0;

__attribute__((noinline)) void Dive(int level) {
    if (level == 0) throw std::runtime_error("bottom");
    Dive(level - 1);
    sink = sink + 1;
}

// The best of a few rounds, in microseconds per throw.
double Measure() {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < iterations; ++i) {
            try {
                Dive(depth - 1);
            } catch (const std::runtime_error&) {
                sink = sink + 1;
            }
        }
        const double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count() /
            iterations;
        best = std::min(best, us);
    }
    return best;
}

}  // namespace

int main() {
    const double without = Measure();
    crashreport::InitExceptionReporting({});
    const double with = Measure();
    crashreport::DoneExceptionReporting();
    std::printf(
        "throw/catch %d frames deep: %.2f us without the reporter, %.2f us with it (%.2fx)\n",
        depth, without, with, with / without);
    return 0;
}
