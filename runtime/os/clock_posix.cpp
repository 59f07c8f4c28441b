#include <time.h>

#include "runtime/os/clock.h"

namespace runtime::os {

std::uint64_t TickCount64() {
    struct timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace runtime::os
