#pragma once

// What the family's window tests share: start-up, colours as pixels read
// back, and the event log as one line.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "controls/tree/init.h"
#include "gui/graphics.h"
#include "gui/testing.h"

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

class GtWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gui::testing::EnsureGui();
        init();
    }
};

}  // namespace controls::tree::testing
