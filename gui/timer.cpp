#include <map>

#include "gui/application.h"
#include "gui/extctrls.h"
#include "runtime/properties.h"

namespace gui {

namespace {

// The running timers by the identifier SetTimer gave them (main thread).
std::map<UINT_PTR, TTimer*>& Timers() {
    static std::map<UINT_PTR, TTimer*> timers;
    return timers;
}

}  // namespace

RUNTIME_BEGIN_CLASS(TTimer, runtime::TComponent)
RUNTIME_PROPERTY(Enabled, Enabled, SetEnabled).Default(true);
RUNTIME_PROPERTY(Interval, Interval, SetInterval).Default(uint32_t{1000});
RUNTIME_FIELD(OnTimer);
RUNTIME_END_CLASS

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    enabled_ = false;
    UpdateTimer();
}

void TTimer::SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t value) {
    if (interval_ == value) return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (id_ != 0) {
        KillTimer(nullptr, id_);
        Timers().erase(id_);
        id_ = 0;
    }
    // A timer read from a layout starts once the whole layout is read.
    if (!enabled_ || interval_ == 0 || ComponentState().Contains(runtime::csLoading) ||
        ComponentState().Contains(runtime::csDestroying))
        return;
    id_ = SetTimer(nullptr, 0, interval_, TimerProc);
    if (id_ != 0) Timers()[id_] = this;
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    auto it = Timers().find(id);
    if (it == Timers().end()) return;
    TTimer* timer = it->second;
    try {
        timer->Timer();
    } catch (...) {
        try {
            // The handler may have freed its timer.
            const bool alive = Timers().count(id) != 0;
            if (Application != nullptr) Application->HandleException(alive ? timer : nullptr);
        } catch (...) {
        }
    }
}

void TTimer::Timer() {
    OnTimer(this);
}

}  // namespace gui
