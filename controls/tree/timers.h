#pragma once

// The timers of the family's controls (the scroll bar's press repeat) go
// through this service: the program's runs on window-message timers; a
// test puts its own in place (TGtTimersOverride) and fires the timers
// itself, so no test waits for time to pass.

#include <functional>

namespace controls::tree {

class TGtTimerService {
  public:
    using Tick = std::function<void()>;
    virtual ~TGtTimerService() = default;
    // Starts the timer of `owner`, or restarts it with a new interval: `tick`
    // runs every intervalMs milliseconds until Stop.
    virtual void Start(const void* owner, int intervalMs, Tick tick) = 0;
    virtual void Stop(const void* owner) = 0;
};

// The service in use.
TGtTimerService& GtTimers();

// Puts `service` in place for its lifetime.
class TGtTimersOverride {
  public:
    explicit TGtTimersOverride(TGtTimerService& service);
    ~TGtTimersOverride();
    TGtTimersOverride(const TGtTimersOverride&) = delete;
    TGtTimersOverride& operator=(const TGtTimersOverride&) = delete;

  private:
    TGtTimerService* previous_;
};

}  // namespace controls::tree
