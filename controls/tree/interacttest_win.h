#pragma once

// What the tests of the tree's hints, editing and dragging share: a tree
// on a form with three columns and a few rows (timers the test fires itself
// come from windowtest_win.h), and an editor that only records what it was handed.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "controls/tree/inplaceeditor.h"
#include "controls/tree/timers.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "controls/tree/windowtest_win.h"
#include "gui/forms.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace controls::tree::testing {

// An editor without a window: it shows while an edit runs and logs what
// the view hands it.
class TRecordingEditor : public TGtTreeInplaceEditor {
  public:
    TRecordingEditor(runtime::TComponent* owner, gui::testing::TEventLog& log, std::string name)
        : TGtTreeInplaceEditor(owner), log_(log), name_(std::move(name)) {}
    bool GetVisible() override { return shown_; }
    bool Shown() const { return shown_; }

  protected:
    void DoStartOperation() override {
        shown_ = true;
        log_.Add(name_ + " start \"" + runtime::WideToUtf8(ValueAsText) + "\"");
    }
    void DoStopOperation() override {
        shown_ = false;
        TGtTreeInplaceEditor::DoStopOperation();
    }

  private:
    gui::testing::TEventLog& log_;
    std::string name_;
    bool shown_ = false;
};

class GtInteractTest : public GtTreeTest {
  protected:
    void SetUp() override {
        Place({});
        Show();
    }

    TGtTreeView& View() const { return *tree_->View(); }

    void AddColumns() {
        GtTreeTest::AddColumns();
        gui::testing::Pump();
    }
    void AddRows(int count) {
        GtTreeTest::AddRows(count);
        gui::testing::Pump();
    }

    TGtTreeItem* Item(int index) const { return tree_->Items().GetVisItem(index); }

    // The middle of a row's main text, in view coordinates.
    gui::TPoint TextPoint(int row) const {
        const TGtMainCellLayout cell = tree_->MainCellLayout(Item(row));
        const gui::TRect r = View().GetRowRect(row - View().TopIndex());
        return {(cell.Text.Left + cell.Text.Right) / 2 - View().LeftPosition(),
                (r.Top + r.Bottom) / 2};
    }

    void Post(UINT msg, gui::TPoint p, WPARAM keys = 0) { PostMouse(View(), msg, p.X, p.Y, keys); }
    void Click(gui::TPoint p) {
        Post(WM_LBUTTONDOWN, p, MK_LBUTTON);
        Post(WM_LBUTTONUP, p);
    }

    TFakeTimers timers_;
    TGtTimersOverride timersInPlace_{timers_};
};

}  // namespace controls::tree::testing
