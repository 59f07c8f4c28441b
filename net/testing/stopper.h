#pragma once

// Sets a socket's StopFlag from a thread of its own, as the user's Stop
// does while a request waits: once `ready` holds (the state that shows the
// wait is under way, or about to be), polled every millisecond. A wait that
// never comes is stopped anyway after kGiveUpMs, so a test never hangs.

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace net::testing {

class TStopper {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kGiveUpMs = 30000;

    explicit TStopper(std::atomic<bool>& flag, std::function<bool()> ready)
        : thread_([this, &flag, ready = std::move(ready)] {
              const auto start = Clock::now();
              while (!ready() && Clock::now() - start < std::chrono::milliseconds(kGiveUpMs))
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              stoppedAt_ = Clock::now();
              flag = true;
          }) {}
    ~TStopper() { Join(); }
    TStopper(const TStopper&) = delete;
    TStopper& operator=(const TStopper&) = delete;

    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    // Milliseconds from the stop to `ended`; call after Join.
    int64_t MsUntil(Clock::time_point ended) const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(ended - stoppedAt_).count();
    }

  private:
    Clock::time_point stoppedAt_;
    std::thread thread_;
};

}  // namespace net::testing
