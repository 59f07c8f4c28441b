// Drag and drop under Wine: when a drag of rows starts, the drop target
// that follows the pointer, the events the tree relays, the drag cursors,
// the image of the dragged rows, scrolling at the edge and expanding a
// row the pointer rests on.
#include <gtest/gtest.h>

#include <string>

#include "controls/tree/interacttest_win.h"
#include "controls/tree/treedrag.h"
#include "gui/graphic.h"
#include "gui/imagelist.h"
#include "gui/screen.h"

namespace controls::tree {
namespace {

using testing::TakeLog;

class GtTreeDrag : public testing::GtInteractTest {
  protected:
    void SetUp() override {
        GtInteractTest::SetUp();
        AddRows(6);
        tree_->DragAllowed = true;
        tree_->OnDragOver = [this](runtime::TObject*, runtime::TObject* source, int, int,
                                   gui::TDragState state, bool& accept) {
            if (state == gui::dsDragEnter) log_.Add(std::string("enter from ") + NameOf(source));
            accept = Accepts;
        };
        tree_->OnDragDrop = [this](runtime::TObject*, runtime::TObject* source, int, int) {
            log_.Add(std::string("drop from ") + NameOf(source) + " on " + TargetText());
        };
        tree_->OnEndDrag = [this](runtime::TObject*, runtime::TObject* target, int, int) {
            log_.Add(std::string("end on ") + NameOf(target));
        };
    }

    void TearDown() override {
        gui::CancelDrag();
        gui::testing::Pump();
    }

    const char* NameOf(runtime::TObject* object) const {
        return object == tree_ ? "tree" : object == nullptr ? "nothing" : "other";
    }
    std::string TargetText() const {
        return View().DropTarget() != nullptr ? runtime::WideToUtf8(View().DropTarget()->Text())
                                              : "none";
    }

    // Presses on the row's text and moves the pointer by (dx, dy).
    void PressAndMove(int row, int dx, int dy) {
        const gui::TPoint p = TextPoint(row);
        Post(WM_LBUTTONDOWN, p, MK_LBUTTON);
        Post(WM_MOUSEMOVE, {p.X + dx, p.Y + dy}, MK_LBUTTON);
    }

    bool Accepts = true;
};

TEST_F(GtTreeDrag, DragStartsFivepixelsAwayWithASelection) {
    struct Case {
        const char* what;
        TGtDragType type;
        int dx, dy;
        bool starts;
    } cases[] = {
        {"4 pixels", dtKestrin, 3, 2, false},
        {"5 pixels", dtKestrin, 3, 4, true},
        {"class library's drag for both", dtBoth, 0, 5, true},
        {"no OLE drag exists", dtOLE, 0, 8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tree_->DragType = c.type;
        PressAndMove(1, c.dx, c.dy);
        EXPECT_EQ(gui::CurrentDragObject() != nullptr, c.starts);
        EXPECT_EQ(View().DragStarted(), c.starts || c.type == dtOLE);
        if (c.starts) {
            EXPECT_NE(dynamic_cast<TGtTreeDragObject*>(gui::CurrentDragObject()), nullptr);
            EXPECT_EQ(TakeLog(log_), "enter from tree");
            gui::CancelDrag();
            gui::testing::Pump();
            EXPECT_EQ(TakeLog(log_), "end on nothing");
        }
        Post(WM_LBUTTONUP, TextPoint(1));
        TakeLog(log_);
    }

    // Nothing selected, or dragging not allowed: no drag.
    tree_->DragType = dtKestrin;
    tree_->DragAllowed = false;
    PressAndMove(2, 0, 10);
    EXPECT_EQ(gui::CurrentDragObject(), nullptr);
    Post(WM_LBUTTONUP, TextPoint(2));
}

TEST_F(GtTreeDrag, RowDroppedOnAnotherRow) {
    std::string targets;
    tree_->OnDragTargetChange = [&](runtime::TObject*, TGtTreeItem* item, gui::TRect rect, int,
                                    int y) {
        targets += (item != nullptr ? runtime::WideToUtf8(item->Text()) : "none") + " " +
                   std::to_string(rect.Top) + "/" + std::to_string(y >= rect.Top) + ", ";
    };
    PressAndMove(0, 0, 6);
    ASSERT_NE(gui::CurrentDragObject(), nullptr);
    const gui::TPoint over = TextPoint(3);
    Post(WM_MOUSEMOVE, over, MK_LBUTTON);
    EXPECT_EQ(View().DropTarget(), Item(3));
    EXPECT_TRUE(View().DropAccepted());
    EXPECT_TRUE(View().DragOverActive());
    // The event fires on every move, also while the target stays.
    Post(WM_MOUSEMOVE, {over.X + 1, over.Y}, MK_LBUTTON);
    const std::string top = std::to_string(tree_->GetItemRect(3).Top);
    EXPECT_EQ(targets, "Row 3 " + top + "/1, Row 3 " + top + "/1, ");

    Post(WM_LBUTTONUP, {over.X + 1, over.Y});
    EXPECT_EQ(TakeLog(log_), "enter from tree, drop from tree on Row 3, end on tree");
    EXPECT_EQ(View().DropTarget(), nullptr);
    EXPECT_FALSE(View().DragOverActive());
    EXPECT_EQ(gui::CurrentDragObject(), nullptr);

    // A disabled row is no target unless the tree ignores the flag.
    Item(4)->SetEnabled(false);
    for (bool ignore : {false, true}) {
        tree_->IgnoreEnabled = ignore;
        PressAndMove(0, 0, 6);
        Post(WM_MOUSEMOVE, TextPoint(4), MK_LBUTTON);
        EXPECT_EQ(View().DropTarget(), ignore ? Item(4) : nullptr) << ignore;
        gui::CancelDrag();
        gui::testing::Pump();
        Post(WM_LBUTTONUP, TextPoint(4));
    }
}

TEST_F(GtTreeDrag, CursorsSayRefusedMovedOrCopied) {
    for (int cursor : {crGtDragNoDrop, crGtDragMove, crGtDragCopy})
        EXPECT_NE(gui::Screen->Cursors(static_cast<gui::TCursor>(cursor)),
                  gui::Screen->Cursors(gui::crDefault))
            << cursor;
    TGtTreeDragObject object(tree_);
    BYTE state[256];
    GetKeyboardState(state);
    struct Case {
        bool accepted;
        bool ctrl;
        int cursor;
    } cases[] = {{false, false, crGtDragNoDrop},
                 {false, true, crGtDragNoDrop},
                 {true, false, crGtDragMove},
                 {true, true, crGtDragCopy}};
    for (const Case& c : cases) {
        state[VK_CONTROL] = c.ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        EXPECT_EQ(object.GetDragCursor(c.accepted, 0, 0), c.cursor) << c.accepted << c.ctrl;
    }
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    // Dragging another control: the class library's cursor.
    TGtTreeDragObject other(&form_);
    EXPECT_EQ(other.GetDragCursor(false, 0, 0), gui::crNoDrop);
}

TEST_F(GtTreeDrag, ImageShowsTheDraggedRows) {
    tree_->SetItemFocused(Item(1));  // which selects it
    Item(3)->SetSelected(true);
    tree_->SetCurrentItem(Item(1));
    gui::testing::Pump();
    const int line = tree_->LineHeight();
    struct Case {
        TDragImgMode mode;
        int height;  // 0: no image
    } cases[] = {{dimNever, 0}, {dimOne, 0}, {dimAll, 3 * line}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        tree_->DragImageMode = c.mode;
        // A press on a member of the selection keeps it whole for the drag.
        PressAndMove(1, 0, 6);
        ASSERT_NE(gui::CurrentDragObject(), nullptr);
        EXPECT_TRUE(Item(3)->Selected());
        gui::TCustomImageList* images = View().GetDragImages();
        EXPECT_EQ(images != nullptr ? images->Height() : 0, c.height);
        if (images != nullptr) {
            EXPECT_EQ(View().ImageTop(), View().GetRowRect(1).Top);
            gui::TBitmap image;
            images->GetBitmap(0, image);
            const gui::TPoint text = TextPoint(1);
            // Row 2, between the dragged rows, is left out of the image.
            bool inked = false;
            bool between = false;
            for (int x = 0; x < image.Width(); ++x) {
                inked |= (image.ScanLine(text.Y - View().ImageTop())[x] >> 24) != 0;
                between |= (image.ScanLine(line + line / 2)[x] >> 24) != 0;
            }
            EXPECT_TRUE(inked) << "the first row's text";
            EXPECT_FALSE(between);
        }
        gui::CancelDrag();
        gui::testing::Pump();
        Post(WM_LBUTTONUP, TextPoint(1));
        Item(1)->SetSelected(true);
        Item(3)->SetSelected(true);
    }
}

TEST_F(GtTreeDrag, RestingAtTheEdgeScrollsAndOnARowExpandsIt) {
    TGtTreeItem* parent = Item(2);
    tree_->Items().AddChild(parent, u"Child");
    for (int i = 0; i < 30; ++i) tree_->Items().Add(nullptr, u"More");
    gui::testing::Pump();
    tree_->ExpandOnDragOver = true;

    PressAndMove(0, 0, 6);
    ASSERT_NE(gui::CurrentDragObject(), nullptr);
    const void* expand = View().DragExpandTimer();
    Post(WM_MOUSEMOVE, TextPoint(2), MK_LBUTTON);
    ASSERT_TRUE(timers_.Running(expand));
    EXPECT_EQ(timers_.Interval(expand), tree_->DragExpandDelay);
    timers_.Fire(expand);
    EXPECT_TRUE(parent->Expanded());
    EXPECT_FALSE(timers_.Running(expand));

    // The bottom row: the first step after a second, the next ones at the
    // drag-scroll interval; away from the edge the scrolling stops.
    const void* scroll = View().DragScrollTimer();
    const gui::TRect last = View().GetRowRect(View().RowCount() - 1);
    const gui::TPoint edge{20, std::min(last.Bottom, View().ClientHeight()) - 2};
    Post(WM_MOUSEMOVE, edge, MK_LBUTTON);
    ASSERT_TRUE(timers_.Running(scroll));
    EXPECT_EQ(timers_.Interval(scroll), 1000);
    for (int step = 1; step <= 2; ++step) {
        timers_.Fire(scroll);
        EXPECT_EQ(View().TopIndex(), step);
        ASSERT_TRUE(timers_.Running(scroll));
        EXPECT_EQ(timers_.Interval(scroll), tree_->DragScrollInterval);
    }
    Post(WM_MOUSEMOVE, TextPoint(View().TopIndex() + 3), MK_LBUTTON);
    timers_.Fire(scroll);
    EXPECT_EQ(View().TopIndex(), 2);
    EXPECT_FALSE(timers_.Running(scroll));
}

}  // namespace
}  // namespace controls::tree
