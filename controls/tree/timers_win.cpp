// Window-message timers: each runs its tick from the thread's message loop.
#include <map>
#include <utility>

#include "controls/tree/timers.h"
#include "gui/application.h"
#include "gui/win.h"

namespace controls::tree {

namespace {

class TWindowTimers : public TGtTimerService {
  public:
    void Start(const void* owner, int intervalMs, Tick tick) override {
        auto it = byOwner_.find(owner);
        // SetTimer with the same identifier only changes the interval.
        UINT_PTR id = SetTimer(nullptr, it != byOwner_.end() ? it->second : 0,
                               static_cast<UINT>(intervalMs > 0 ? intervalMs : 1), &TimerProc);
        if (id == 0) return;
        byOwner_[owner] = id;
        ticks_[id] = {owner, std::move(tick)};
    }

    void Stop(const void* owner) override {
        auto it = byOwner_.find(owner);
        if (it == byOwner_.end()) return;
        KillTimer(nullptr, it->second);
        ticks_.erase(it->second);
        byOwner_.erase(it);
    }

    static TWindowTimers& Instance() {
        static TWindowTimers timers;
        return timers;
    }

  private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept {
        auto& self = Instance();
        auto it = self.ticks_.find(id);
        if (it == self.ticks_.end()) return;
        // The tick may stop or restart its own timer.
        const Tick tick = it->second.second;
        try {
            tick();
        } catch (...) {
            if (gui::Application != nullptr) gui::Application->HandleException(nullptr);
        }
    }

    std::map<const void*, UINT_PTR> byOwner_;
    std::map<UINT_PTR, std::pair<const void*, Tick>> ticks_;
};

TGtTimerService* current = nullptr;

}  // namespace

TGtTimerService& GtTimers() {
    return current != nullptr ? *current : TWindowTimers::Instance();
}

TGtTimersOverride::TGtTimersOverride(TGtTimerService& service) : previous_(current) {
    current = &service;
}

TGtTimersOverride::~TGtTimersOverride() {
    current = previous_;
}

}  // namespace controls::tree
