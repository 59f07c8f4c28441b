// Sorting by header clicks under Wine: clicks posted to the header, the
// order of the rows read back through the items, the arrow read back as
// pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/tree/headerlayout.h"
#include "controls/tree/tree.h"
#include "controls/tree/windowtest_win.h"
#include "gui/forms.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

using gui::testing::PixelAt;
using testing::Px;

// Columns: a text, a number and a custom column, 100 pixels each.
constexpr int kWidth = 100;

class GtTreeSort : public testing::GtTreeTest {
  protected:
    void SetUp() override {
        Place({.Width = 400, .FormWidth = 420, .PinFont = false});
        tree_->SetSortMode(smClick);
        TGtHeaderSections* sections = tree_->HeaderSections();
        for (auto [text, type] :
             {std::pair{u"Keyword", sftText}, {u"Position", sftNumber}, {u"Best", sftCustom}}) {
            TGtHeaderSection* s = sections->AddSection();
            s->SetText(text);
            s->SetWidth(kWidth);
            s->SetFieldType(type);
        }
        tree_->SetShowColumns(true);
        tree_->OnHeaderColumnClick = [this](runtime::TObject*, int index) {
            log_.Add("click " + std::to_string(index));
        };
        tree_->OnSortBegin = [this](runtime::TObject*) { log_.Add("begin"); };
        tree_->OnSortEnd = [this](runtime::TObject*) { log_.Add("end"); };
        // The custom column orders by the length of the row's third text.
        tree_->OnCompareItems = [this](runtime::TObject*, TGtTreeItem* a, TGtTreeItem* b, int& r) {
            sectionsAsked_.push_back(tree_->SortSection());
            r = static_cast<int>(a->CellText(2).size()) - static_cast<int>(b->CellText(2).size());
        };
        Show();
    }

    // Rows named a..: each with its keyword, position and custom texts.
    void AddRows(const std::vector<std::vector<std::u16string>>& rows) {
        tree_->Items().BeginUpdate();
        for (const auto& row : rows) {
            TGtTreeItem* item = tree_->Items().Add(nullptr, row[0]);
            for (size_t i = 1; i < row.size(); ++i) item->ColumnText()->Add(row[i]);
        }
        tree_->Items().EndUpdate();
    }

    // A click on the header in the middle of the section, with Ctrl held as
    // the keyboard state reports it.
    void ClickHeader(int section, bool ctrl = false) {
        BYTE state[256];
        GetKeyboardState(state);
        BYTE saved[256];
        std::copy(std::begin(state), std::end(state), saved);
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        const int x = section * kWidth + kWidth / 2;
        const WPARAM keys = ctrl ? MK_CONTROL : 0;
        testing::PostMouse(*tree_->Header(), WM_MOUSEMOVE, x, 5, keys);
        testing::PostMouse(*tree_->Header(), WM_LBUTTONDOWN, x, 5, keys | MK_LBUTTON);
        testing::PostMouse(*tree_->Header(), WM_LBUTTONUP, x, 5, keys);
        SetKeyboardState(saved);
    }

    // The main texts of the top-level rows in display order.
    std::string Rows() const {
        std::string out;
        for (int i = 0; i < TopCount(); ++i)
            out += (out.empty() ? "" : " ") + runtime::WideToUtf8(Top(i)->Text());
        return out;
    }

    int TopCount() const { return tree_->Items().Root()->ChildrenCount(); }
    TGtTreeItem* Top(int index) const { return tree_->Items().Root()->Children(index); }

    std::string Arrows() const {
        std::string out;
        for (int i = 0; i < tree_->HeaderSections()->Count(); ++i)
            out += "-AD"[tree_->HeaderSections()->GetSection(i)->SortMode()];
        return out;
    }

    std::vector<int> sectionsAsked_;
};

TEST_F(GtTreeSort, ClicksSortByTheColumnAndReverseIt) {
    // Position: "x" and the empty text have no number and come first
    // ascending (last descending) in the order they were added.
    AddRows({{u"b", u"10", u"ccc"}, {u"C", u"x", u"a"}, {u"a", u"9", u"bb"}, {u"D", u"", u"dddd"}});
    struct Step {
        int section;
        const char* rows;
        const char* arrows;
        TSortDirs dir;
        const char* log;
    } steps[] = {
        {1, "C D a b", "-A-", sdAscend, "click 1, begin, end"},
        {1, "b a C D", "-D-", sdDescend, "click 1, begin, end"},
        // A column not sorted yet sorts in the direction last used, and the
        // text compares code units: capitals first.
        {0, "b a D C", "D--", sdDescend, "click 0, begin, end"},
        {0, "C D a b", "A--", sdAscend, "click 0, begin, end"},
        // The custom column: the handler's ascending answer, negated by the
        // tree for the second click.
        {2, "C a b D", "--A", sdAscend, "click 2, begin, end"},
        {2, "D b a C", "--D", sdDescend, "click 2, begin, end"},
    };
    for (const Step& s : steps) {
        sectionsAsked_.clear();
        ClickHeader(s.section);
        EXPECT_EQ(Rows(), s.rows) << s.section << " " << s.arrows;
        EXPECT_EQ(Arrows(), s.arrows);
        EXPECT_EQ(tree_->SortSection(), s.section);
        EXPECT_EQ(tree_->SortDir(), s.dir) << s.arrows;
        EXPECT_EQ(Log(), s.log);
        for (int asked : sectionsAsked_) EXPECT_EQ(asked, s.section);
        EXPECT_EQ(sectionsAsked_.empty(), s.section != 2);
    }
    EXPECT_EQ(tree_->SortType(), stCustom);
    EXPECT_FALSE(tree_->IsUpdating());
}

TEST_F(GtTreeSort, ClicksSortOnlyInTheClickModes) {
    AddRows({{u"b"}, {u"a"}});
    struct Case {
        TSortModes mode;
        const char* rows;
        const char* log;
    } cases[] = {
        {smNone, "b a", "click 0"},
        {smAdd, "b a", "click 0"},
        {smClick, "a b", "click 0, begin, end"},
        {smAddClick, "b a", "click 0, begin, end"},
    };
    for (const Case& c : cases) {
        tree_->SetSortMode(c.mode);
        ClickHeader(0);
        EXPECT_EQ(Rows(), c.rows) << c.mode;
        EXPECT_EQ(Log(), c.log) << c.mode;
    }
}

TEST_F(GtTreeSort, CtrlClicksAddExtraColumnsThatOrderTies) {
    // Keyword ties in pairs; Position orders within a pair, the custom
    // column as the last resort.
    AddRows({{u"k", u"2", u"x"},
             {u"k", u"1", u"xx"},
             {u"j", u"5", u"xxx"},
             {u"j", u"5", u"x"},
             {u"j", u"3", u"xx"}});
    auto positions = [&] {
        std::string out;
        for (int i = 0; i < TopCount(); ++i) {
            TGtTreeItem* item = Top(i);
            out += (out.empty() ? "" : " ") +
                   runtime::WideToUtf8(item->Text() + item->CellText(1)) +
                   std::to_string(item->CellText(2).size());
        }
        return out;
    };
    struct Step {
        int section;
        bool ctrl;
        const char* rows;
        const char* arrows;
    } steps[] = {
        // Ties keep the order the rows were added.
        {0, false, "j53 j51 j32 k21 k12", "A--"},
        {1, true, "j32 j53 j51 k12 k21", "-A-"},
        // Descending on the second Ctrl+click; the sort column has lost its
        // arrow and sorts in the tree's direction.
        {1, true, "j53 j51 j32 k21 k12", "-D-"},
        // Setting the custom column's arrow took Position's: Position is
        // ascending again, and the custom column orders the 5/5 tie.
        {2, true, "j32 j51 j53 k12 k21", "--A"},
        {2, true, "j32 j53 j51 k12 k21", "--D"},
        // Off: the custom column leaves the list, Position stays in it.
        {2, true, "j32 j53 j51 k12 k21", "---"},
        // A plain click empties the list; the tree's direction is still
        // ascending.
        {0, false, "j53 j51 j32 k21 k12", "A--"},
    };
    for (const Step& s : steps) {
        ClickHeader(s.section, s.ctrl);
        EXPECT_EQ(positions(), s.rows) << s.section << (s.ctrl ? " ctrl " : " ") << s.arrows;
        EXPECT_EQ(Arrows(), s.arrows);
    }
    EXPECT_EQ(tree_->SortSection(), 0);
}

TEST_F(GtTreeSort, ExtraColumnsOfDeletedSectionsAreDropped) {
    AddRows({{u"k", u"1", u"xx"}, {u"k", u"2", u"x"}, {u"k", u"3", u"xxx"}});
    tree_->SetSortMode(smAddClick);
    ClickHeader(0);
    ClickHeader(2, true);
    ASSERT_EQ(Rows(), "k k k");
    auto order = [&] {
        std::string out;
        for (int i = 0; i < TopCount(); ++i) out += runtime::WideToUtf8(Top(i)->CellText(1));
        return out;
    };
    EXPECT_EQ(order(), "213");
    {
        // The section goes while the tree is locked and a re-sort is due at
        // the unlock: it must not reach the freed section.
        TGtTreeLock lock(*tree_);
        tree_->HeaderSections()->DeleteSection(tree_->HeaderSections()->GetSection(2));
        tree_->SetSortPending();
    }
    EXPECT_EQ(order(), "123");
    // AddSortSection and RemoveSortSection by index, resorting at once.
    Top(0)->ColumnText()->SetStrings(0, u"9");
    tree_->AddSortSection(1, true);
    EXPECT_EQ(order(), "239");
    tree_->RemoveSortSection(1, false);
    tree_->AddSortSection(7, true);
    tree_->Sort(true);
    EXPECT_EQ(order(), "923") << "ties back in the order the rows were added";
    EXPECT_FALSE(tree_->IsUpdating());
}

TEST_F(GtTreeSort, TheHeaderShowsTheArrowOfTheSortColumn) {
    AddRows({{u"a", u"1"}, {u"b", u"2"}});
    const int bottom = tree_->HeaderHeight() - 1;
    // Where a section's arrow lies while it sorts, in header pixels (the
    // classic look: the content starts inside the raised edge).
    auto arrowRect = [&](int section) {
        const gui::TRect content{section * kWidth + 1, 1, (section + 1) * kWidth, bottom};
        return LayoutSectionGlyphs(*tree_->HeaderSections()->GetSection(section), content, false)
            .SortArrowRect;
    };
    ClickHeader(1);
    const gui::TRect r1 = arrowRect(1);
    ClickHeader(0);
    ClickHeader(0);
    const gui::TRect r0 = arrowRect(0);
    ASSERT_FALSE(r0.IsEmpty());
    // Pixels that tell the glyphs apart: the middle of the top row (the
    // ascending glyph's dark base, the descending glyph's light apex) and
    // the left end of the bottom row (only the descending glyph's base).
    struct Look {
        gui::TColor top, bottomLeft;
    };
    const Look ascending{gui::clBtnShadow, gui::clBtnFace};
    const Look descending{gui::clBtnHighlight, gui::clBtnHighlight};
    const Look none{gui::clBtnFace, gui::clBtnFace};
    struct Step {
        int section;
        Look arrow0, arrow1;
    } steps[] = {
        // Section 0 sorts descending now: section 1 starts that way.
        {1, none, descending},
        {1, none, ascending},
        {0, ascending, none},
        {0, descending, none},
    };
    for (const Step& s : steps) {
        ClickHeader(s.section);
        auto shot = gui::testing::PaintControl(*tree_->Header());
        for (auto [r, look] : {std::pair{r0, s.arrow0}, {r1, s.arrow1}}) {
            EXPECT_EQ(PixelAt(*shot, r.Left + 4, r.Top), Px(look.top)) << s.section << Arrows();
            EXPECT_EQ(PixelAt(*shot, r.Left, r.Top + 4), Px(look.bottomLeft))
                << s.section << Arrows();
        }
    }
    auto shot = gui::testing::PaintControl(*tree_);
    testing::SaveShot(*shot, "gt_tree_sorted.png");
}

}  // namespace
}  // namespace controls::tree
