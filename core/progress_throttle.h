#pragma once

// Lets a long loop report progress and pump the window's messages at most
// every 50 ms, so that reporting does not dominate the work.

#include <cstdint>

#include "runtime/os/clock.h"

namespace core {

class TProgressThrottle {
  public:
    static constexpr uint64_t IntervalMs = 50;

    // True at most once per interval; the first call is due at once.
    [[nodiscard]] bool Due() {
        uint64_t now = runtime::os::TickCount64();
        if (started_ && now - last_ < IntervalMs) return false;
        started_ = true;
        last_ = now;
        return true;
    }

  private:
    bool started_ = false;
    uint64_t last_ = 0;
};

}  // namespace core
