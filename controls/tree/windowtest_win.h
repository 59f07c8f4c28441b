#pragma once

// What the family's window tests share: start-up, colours as pixels read
// back, and the event log as one line.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "controls/tree/init.h"
#include "controls/tree/timers.h"
#include "gui/geometry_win.h"
#include "gui/graphics.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace controls::tree::testing {

// A colour as gui::testing::PixelAt reports it (0xRRGGBB).
inline uint32_t Px(gui::TColor c) {
    const COLORREF v = gui::ColorToRGB(c);
    return uint32_t{GetRValue(v)} << 16 | uint32_t{GetGValue(v)} << 8 | GetBValue(v);
}

// The entries since the last call, comma-separated; the log is emptied.
inline std::string TakeLog(gui::testing::TEventLog& log) {
    std::string out;
    for (const std::string& e : log.Entries) out += (out.empty() ? "" : ", ") + e;
    log.Entries.clear();
    return out;
}

// A mouse message posted to the control and handled. The real pointer goes
// there first: moves the system makes of its own (when windows of other
// programs change) then report the same point.
inline void PostMouse(gui::TWinControl& control, UINT msg, int x, int y, WPARAM keys = 0) {
    const gui::TPoint screen = control.ClientToScreen({x, y});
    SetCursorPos(screen.X, screen.Y);
    PostMessageW(control.Handle(), msg, keys, gui::PointToLParam({x, y}));
    gui::testing::Pump();
}

// A snapshot for people to look at, written beside the test program.
inline void SaveShot(const gui::TBitmap& bitmap, const char* name) {
    gui::testing::SavePng(bitmap, runtime::AnsiToWide(std::string(SERPLOW_BINARY_DIR "/") + name));
}

// Timers the test fires itself (put in place with TGtTimersOverride).
class TFakeTimers : public TGtTimerService {
  public:
    void Start(const void* owner, int intervalMs, Tick tick) override {
        running[owner] = {intervalMs, std::move(tick)};
    }
    void Stop(const void* owner) override { running.erase(owner); }
    bool Running(const void* owner) const { return running.count(owner) != 0; }
    int Interval(const void* owner) const { return running.at(owner).first; }
    void Fire(const void* owner) {
        const Tick tick = running.at(owner).second;
        tick();
    }
    std::map<const void*, std::pair<int, Tick>> running;
};

class GtWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gui::testing::EnsureGui();
        init();
    }
};

}  // namespace controls::tree::testing
