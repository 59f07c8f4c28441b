#pragma once

// What the family's window tests share: start-up, colours as pixels read
// back, the event log as one line, and a tree on a form.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "controls/tree/headersections.h"
#include "controls/tree/init.h"
#include "controls/tree/timers.h"
#include "controls/tree/tree.h"
#include "gui/forms.h"
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

// A colour value of the tree as a pixel reads back.
inline uint32_t Px(TGtColor c) {
    return Px(static_cast<gui::TColor>(c));
}

// A form with one tree at its top left, the set-up most of the tree's window
// tests start from. The form is made but not shown: no other test program
// loses the foreground.
class GtTreeTest : public GtWindowTest {
  protected:
    struct TPlace {
        int Width = 300;
        int Height = 200;
        int FormWidth = 360;
        int FormHeight = 260;
        // Tahoma 8 pt: text extents and row heights hold on any machine.
        bool PinFont = true;
        // Themes off: the classic look the pixel checks know.
        bool Classic = true;
    };

    // Puts `tree` (owned by form_) on the form; it becomes tree_.
    template <class Tree>
    Tree* Place(Tree* tree, const TPlace& place) {
        form_.SetBounds(100, 100, place.FormWidth, place.FormHeight);
        tree->SetParent(&form_);
        if (place.PinFont) {
            tree->Font()->SetName("Tahoma");
            tree->Font()->SetHeight(-11);
        }
        if (place.Classic) tree->SetUseXPThemes(false);
        tree->SetBounds(0, 0, place.Width, place.Height);
        tree_ = tree;
        return tree;
    }
    TGtTree* Place(const TPlace& place) { return Place(new TGtTree(&form_), place); }

    // Makes the windows and lets the tree lay out.
    void Show() {
        form_.HandleNeeded();
        gui::testing::Pump();
    }

    // Three columns shown: "Keyword" 120, "Position" 70 and "Best" 60 pixels.
    void AddColumns() {
        for (auto [text, width] : {std::pair{u"Keyword", 120}, {u"Position", 70}, {u"Best", 60}}) {
            TGtHeaderSection* s = tree_->HeaderSections()->AddSection();
            s->SetText(text);
            s->SetWidth(width);
        }
        tree_->SetShowColumns(true);
    }

    // `count` top-level rows "Row N" with column texts "N" and "N0".
    void AddRows(int count) {
        tree_->Items().BeginUpdate();
        for (int i = 0; i < count; ++i) {
            TGtTreeItem* item =
                tree_->Items().Add(nullptr, runtime::Utf8ToWide("Row " + std::to_string(i)));
            item->ColumnText()->Add(runtime::Utf8ToWide(std::to_string(i)));
            item->ColumnText()->Add(runtime::Utf8ToWide(std::to_string(i) + "0"));
        }
        tree_->Items().EndUpdate();
    }

    std::string Log() { return TakeLog(log_); }

    gui::TForm form_{nullptr};
    TGtTree* tree_ = nullptr;
    gui::testing::TEventLog log_;
};

}  // namespace controls::tree::testing
