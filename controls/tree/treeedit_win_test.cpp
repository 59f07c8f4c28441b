// In-place editing under Wine: the editor registry, when a cell may be
// edited and by which editor, the value handed out and stored back, the
// click and double-click that schedule an edit, and what ends one.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "controls/tree/errors.h"
#include "controls/tree/headersections.h"
#include "controls/tree/interacttest_win.h"
#include "controls/tree/widestrings.h"

namespace controls::tree {
namespace {

using testing::TakeLog;
using testing::TRecordingEditor;

class GtTreeEdit : public testing::GtInteractTest {
  protected:
    void SetUp() override {
        GtInteractTest::SetUp();
        AddColumns();
        AddRows(5);
        for (int i = 0; i < tree_->SectionCount(); ++i) tree_->SectionByIndex(i)->SetEditable(true);
        tree_->OnEndEditItem = [this](runtime::TObject*, TGtTreeItem* item,
                                      TGtHeaderSection* section, bool canceled) {
            log_.Add("end " + runtime::WideToUtf8(item->Text()) + " section " +
                     std::to_string(section != nullptr ? section->Index() : -1) +
                     (canceled ? " canceled" : ""));
        };
    }

    TRecordingEditor* NewEditor(const std::string& name, TGtFieldTypes types) {
        auto* editor = new TRecordingEditor(&form_, log_, name);
        editor->Types = types;
        editor->SetTree(tree_);
        return editor;
    }
};

TEST_F(GtTreeEdit, RegistryPicksTheFirstEditorOfTheType) {
    TGtTreeInplaceManager& manager = *tree_->InplaceManager();
    TRecordingEditor* text = NewEditor("text", {sftText, sftMemo});
    TRecordingEditor* any = NewEditor("any", {sftText, sftNumber, sftMemo});
    EXPECT_EQ(manager.EditorCount(), 2);
    struct Case {
        TGtFieldType type;
        TGtTreeInplaceEditor* expected;
    } cases[] = {{sftText, text}, {sftMemo, text}, {sftNumber, any}, {sftDate, nullptr}};
    for (const Case& c : cases) EXPECT_EQ(manager.GetSuitableEditor(c.type), c.expected) << c.type;

    // Registering twice keeps one entry; a freed editor leaves the registry.
    manager.RegisterEditor(text);
    EXPECT_EQ(manager.EditorCount(), 2);
    delete text;
    EXPECT_EQ(manager.GetSuitableEditor(sftText), any);
    any->SetTree(nullptr);
    EXPECT_EQ(manager.EditorCount(), 0);
    EXPECT_EQ(manager.GetSuitableEditor(sftNumber), nullptr);
}

TEST_F(GtTreeEdit, AcceptedEditStoresTheValueAndCancelledStoresNothing) {
    TRecordingEditor* editor = NewEditor("ed", {sftText});
    TGtTreeItem* item = Item(1);
    item->ColumnText()->Clear();

    // The third column of a row without column texts: the empty second
    // column's text is made on the way.
    tree_->EditItem(item, 2);
    EXPECT_EQ(TakeLog(log_), "ed start \"\"");
    EXPECT_TRUE(tree_->IsEditing());
    EXPECT_EQ(View().EditingItem(), item);
    editor->ValueAsText = u"42";
    editor->CompleteOperation(true);
    EXPECT_FALSE(tree_->IsEditing());
    ASSERT_EQ(item->ColumnText()->Count(), 2);
    EXPECT_EQ(item->ColumnText()->Strings(0), u"");
    EXPECT_EQ(item->ColumnText()->Strings(1), u"42");
    EXPECT_EQ(TakeLog(log_), "end Row 1 section 2");

    // The main column, by its index and by -1, edits the item's text.
    for (int section : {0, -1}) {
        tree_->EditItem(item, section);
        EXPECT_EQ(TakeLog(log_), "ed start \"" + runtime::WideToUtf8(item->Text()) + "\"");
        editor->ValueAsText = u"Renamed " + runtime::Utf8ToWide(std::to_string(section));
        tree_->EndEdit(false);
        EXPECT_EQ(runtime::WideToUtf8(item->Text()), "Renamed " + std::to_string(section));
        EXPECT_EQ(TakeLog(log_), "end " + runtime::WideToUtf8(item->Text()) + " section 0");
    }

    // A cancelled edit fires nothing and keeps the text; so does an accepted
    // one that OnAfterOperation turns down.
    tree_->EditItem(item, 1);
    editor->ValueAsText = u"lost";
    tree_->EndEdit(true);
    editor->OnAfterOperation = [](runtime::TObject*, bool& accepted, bool&) { accepted = false; };
    tree_->EditItem(item, 1);
    editor->ValueAsText = u"lost too";
    tree_->EndEdit(false);
    EXPECT_EQ(item->ColumnText()->Strings(0), u"");
    EXPECT_EQ(TakeLog(log_), "ed start \"\", ed start \"\"");
    EXPECT_EQ(View().Editor(), nullptr);

    // An empty value starts as the editor's default when the conversion is left on.
    editor->OnAfterOperation = {};
    editor->DefaultValueAsText = u"7";
    tree_->EditItem(item, 1);
    EXPECT_EQ(TakeLog(log_), "ed start \"7\"");
    tree_->EndEdit(true);
}

TEST_F(GtTreeEdit, NoRowIsHotWhileTheEditorIsOpen) {
    NewEditor("ed", {sftText});
    tree_->Tracking = true;
    std::vector<TGtTreeItem*> hot;
    tree_->OnHotTrack = [&](runtime::TObject*, TGtTreeItem*, TGtTreeItem* now) {
        hot.push_back(now);
    };
    Post(WM_MOUSEMOVE, TextPoint(0));
    ASSERT_EQ(View().HotItem(), Item(0));
    tree_->EditItem(Item(1), 1);
    ASSERT_TRUE(tree_->IsEditing());
    hot.clear();
    // Moving over the rows while editing: the hot row goes and none comes.
    Post(WM_MOUSEMOVE, TextPoint(2));
    Post(WM_MOUSEMOVE, TextPoint(0));
    EXPECT_EQ(View().HotItem(), nullptr);
    EXPECT_EQ(hot, std::vector<TGtTreeItem*>{nullptr});
    tree_->EndEdit(true);
    Post(WM_MOUSEMOVE, TextPoint(2));
    EXPECT_EQ(View().HotItem(), Item(2));
}

TEST_F(GtTreeEdit, CellsThatMayNotBeEditedGetNoEditor) {
    NewEditor("text", {sftText});
    NewEditor("number", {sftNumber});
    std::string asked;
    tree_->OnInplaceEditorNeeded = [&](runtime::TObject*, TGtTreeItem*, int section,
                                       TGtFieldType type, TGtTreeInplaceEditor*& editor) {
        asked += std::to_string(section) + ":" +
                 std::string(runtime::TypeInfoOf<TGtFieldType>().EnumName(type)) +
                 (editor != nullptr ? "+" : "-") + " ";
    };
    tree_->IgnoreEnabled = true;
    struct Case {
        const char* what;
        std::function<void()> arrange;
        int section;
        const char* started;  // the log after EditItem
    } cases[] = {
        {"editable column", [] {}, 1, "text start \"1\""},
        {"column not editable", [&] { tree_->SectionByIndex(1)->SetEditable(false); }, 1, ""},
        {"item may not be edited", [&] { Item(1)->SetFlag(ifAllowEdit, false); }, 1, ""},
        {"disabled item", [&] { Item(1)->SetEnabled(false); }, 1, ""},
        {"tree edits nothing", [&] { tree_->SetDoInplaceEdit(false); }, 1, ""},
        {"column type picks the editor", [&] { tree_->SectionByIndex(2)->SetFieldType(sftNumber); },
         2, "number start \"10\""},
        {"handler refuses",
         [&] {
             tree_->OnTryEdit = [](runtime::TObject*, TGtTreeItem*, int, TGtFieldType&,
                                   bool& canEdit) { canEdit = false; };
         },
         2, ""},
        {"handler changes the type",
         [&] {
             tree_->OnTryEdit = [](runtime::TObject*, TGtTreeItem*, int, TGtFieldType& type,
                                   bool&) { type = sftNumber; };
         },
         0, "number start \"Row 1\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        tree_->EditItem(Item(1), c.section);
        EXPECT_EQ(TakeLog(log_), c.started);
        tree_->EndEdit(true);
        // Back to an editable cell for the next case.
        tree_->SectionByIndex(1)->SetEditable(true);
        Item(1)->SetFlag(ifAllowEdit, true);
        Item(1)->SetEnabled(true);
        tree_->SetDoInplaceEdit(true);
        tree_->OnTryEdit = {};
    }
    EXPECT_EQ(asked, "1:sftText+ 2:sftNumber+ 0:sftNumber+ ");
    EXPECT_THROW(View().DoEditItem(nullptr, 0), EGtTreeError);
}

// In a right-aligned tree an editor of the main column ends at the text's
// right end, where the text grows from; one of another column covers it.
TEST_F(GtTreeEdit, RightAlignedEditorsEndWhereTheTextEnds) {
    TRecordingEditor* editor = NewEditor("ed", {sftText});
    tree_->SetRightAlignedTree(true);
    gui::testing::Pump();
    const gui::TRect row = View().GetRowRect(0);
    const TGtHeaderSection& main = *tree_->SectionByIndex(0);
    const TGtHeaderSection& column = *tree_->SectionByIndex(1);
    ASSERT_EQ(main.Left(), 130);
    tree_->EditItem(Item(0), 0);
    EXPECT_EQ(
        editor->EditorRect,
        (gui::TRect{main.Left(), row.Top, tree_->MainCellLayout(Item(0)).Text.Right, row.Bottom}));
    tree_->EndEdit(true);
    tree_->EditItem(Item(0), 1);
    EXPECT_EQ(editor->EditorRect,
              (gui::TRect{column.Left(), row.Top, column.Left() + column.Width(), row.Bottom}));
    tree_->EndEdit(true);
}

TEST_F(GtTreeEdit, EditBringsTheCellIntoViewAndPlacesTheEditor) {
    TRecordingEditor* editor = NewEditor("ed", {sftText});
    TGtTreeItem* parent = Item(4);
    TGtTreeItem* child = tree_->Items().AddChild(parent, u"Child");
    for (int i = 0; i < 20; ++i) tree_->Items().Add(nullptr, u"More");
    gui::testing::Pump();
    ASSERT_FALSE(parent->Expanded());
    tree_->SetTopIndex(10);

    tree_->EditItem(child, 1);
    EXPECT_TRUE(parent->Expanded());
    EXPECT_GE(View().RowIndexOf(child), 0);
    const gui::TRect row = View().GetRowRect(View().RowIndexOf(child));
    const TGtHeaderSection& column = *tree_->SectionByIndex(1);
    EXPECT_EQ(editor->EditorRect,
              (gui::TRect{column.Left(), row.Top, column.Left() + column.Width(), row.Bottom}));
    EXPECT_EQ(editor->Item, child);
    EXPECT_EQ(editor->SectionIndex, 1);
    tree_->EndEdit(true);

    // Without an editor the request only brings the row into view and
    // leaves the horizontal position alone.
    tree_->SetTopIndex(20);
    editor->SetTree(nullptr);
    tree_->SectionByIndex(2)->SetWidth(200);
    gui::testing::Pump();
    tree_->SetLeftPosition(30);
    const int left = tree_->LeftPosition();
    ASSERT_EQ(left, 30);
    tree_->EditItem(Item(0), 2);
    EXPECT_EQ(View().TopIndex(), 0);
    EXPECT_EQ(tree_->LeftPosition(), left);
    EXPECT_FALSE(tree_->IsEditing());
}

TEST_F(GtTreeEdit, SecondClickOrEditDoubleClickSchedulesTheEdit) {
    NewEditor("ed", {sftText});
    const void* timer = View().PendingEditTimer();

    // One click records the row; a second one on the same text schedules.
    Click(TextPoint(2));
    EXPECT_FALSE(timers_.Running(timer));
    Click(TextPoint(2));
    ASSERT_TRUE(timers_.Running(timer));
    EXPECT_EQ(timers_.Interval(timer), tree_->InplaceEditorDelay);
    timers_.Fire(timer);
    EXPECT_EQ(TakeLog(log_), "ed start \"Row 2\"");
    EXPECT_FALSE(timers_.Running(timer));
    tree_->EndEdit(true);

    // A click on another row records that row; a press stops a pending edit.
    Click(TextPoint(3));
    EXPECT_FALSE(timers_.Running(timer));
    Click(TextPoint(3));
    EXPECT_TRUE(timers_.Running(timer));
    Post(WM_LBUTTONDOWN, TextPoint(1), MK_LBUTTON);
    EXPECT_FALSE(timers_.Running(timer));
    Post(WM_LBUTTONUP, TextPoint(1));

    // Edit on double click: at once, and the double click clears the memory.
    tree_->SetDblClickMode(dcmEdit);
    Click(TextPoint(1));
    EXPECT_FALSE(timers_.Running(timer)) << "single clicks do not edit in this mode";
    Post(WM_LBUTTONDBLCLK, TextPoint(1), MK_LBUTTON);
    ASSERT_TRUE(timers_.Running(timer));
    EXPECT_EQ(timers_.Interval(timer), 1);
    EXPECT_EQ(View().LastClickedSection(), -2);
    // The edit starts before the button comes up again.
    timers_.Fire(timer);
    EXPECT_EQ(TakeLog(log_), "ed start \"Row 1\"");
    Post(WM_LBUTTONUP, TextPoint(1));
    tree_->EndEdit(true);
}

TEST_F(GtTreeEdit, ScrollingOrPressingTheHeaderAcceptsTheEdit) {
    TRecordingEditor* editor = NewEditor("ed", {sftText});
    for (int i = 0; i < 30; ++i) tree_->Items().Add(nullptr, u"More");
    gui::testing::Pump();
    ASSERT_TRUE(tree_->VertBarVisible());
    struct Case {
        const char* what;
        gui::TWinControl* control;
        gui::TPoint at;
    } cases[] = {
        {"bar's lower arrow",
         tree_->VertScrollBar(),
         {tree_->VertScrollBar()->Width() / 2, tree_->VertScrollBar()->Height() - 3}},
        {"header", tree_->Header(), {10, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tree_->EditItem(Item(0), 0);
        editor->ValueAsText = runtime::Utf8ToWide(c.what);
        TakeLog(log_);
        testing::PostMouse(*c.control, WM_LBUTTONDOWN, c.at.X, c.at.Y, MK_LBUTTON);
        testing::PostMouse(*c.control, WM_LBUTTONUP, c.at.X, c.at.Y);
        EXPECT_FALSE(tree_->IsEditing());
        EXPECT_EQ(runtime::WideToUtf8(Item(0)->Text()), c.what);
        EXPECT_EQ(TakeLog(log_), std::string("end ") + c.what + " section 0");
    }
}

TEST_F(GtTreeEdit, DeletingTheEditedRowCancelsTheEdit) {
    TRecordingEditor* editor = NewEditor("ed", {sftText});
    tree_->EditItem(Item(2), 0);
    ASSERT_TRUE(tree_->IsEditing());
    TakeLog(log_);
    Item(2)->Delete();
    EXPECT_FALSE(tree_->IsEditing());
    EXPECT_FALSE(editor->Shown());
    EXPECT_EQ(View().Editor(), nullptr);
    EXPECT_EQ(TakeLog(log_), "") << "nothing stored, nothing reported";

    // A row waiting for its edit is forgotten too.
    Click(TextPoint(1));
    Click(TextPoint(1));
    ASSERT_TRUE(timers_.Running(View().PendingEditTimer()));
    Item(1)->Delete();
    timers_.Fire(View().PendingEditTimer());
    EXPECT_FALSE(tree_->IsEditing());

    // Handing the editor to another tree ends its edit as cancelled.
    tree_->EditItem(Item(0), 0);
    ASSERT_TRUE(editor->Shown());
    auto* other = new TGtTree(&form_);
    editor->SetTree(other);
    EXPECT_FALSE(editor->Shown());
    EXPECT_EQ(tree_->InplaceManager()->EditorCount(), 0);
    EXPECT_EQ(other->InplaceManager()->EditorCount(), 1);
    // Freeing the tree leaves the editor without one.
    delete other;
    EXPECT_EQ(editor->Tree(), nullptr);
    EXPECT_EQ(TakeLog(log_), "ed start \"Row 0\"");
}

}  // namespace
}  // namespace controls::tree
