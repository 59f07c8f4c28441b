// The tree's painting under Wine, read back as pixels: owner-drawn cells,
// cell styles with their colours and fonts, striped rows, item colours and
// fonts, connector lines, buttons, check boxes and grid lines.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/tree/headersections.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "controls/tree/windowtest_win.h"
#include "gui/forms.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

using gui::testing::PixelAt;
using testing::Px;

constexpr TGtColor kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
constexpr TGtColor kPaper = 0xF0F0F0, kInk = 0x000000;

class GtTreePaint : public testing::GtTreeTest {
  protected:
    void SetUp() override {
        Place({.Width = 360, .Height = 240, .FormWidth = 420, .FormHeight = 300});
        tree_->SetBkColor(kPaper);
        tree_->SetTextColor(kInk);
        tree_->OnItemDraw = [this](runtime::TObject*, TGtTreeItem* item, gui::TCanvas* canvas,
                                   gui::TRect r, int section) {
            log_.Add(runtime::WideToUtf8(item->Text()) + " " + std::to_string(section) + " " +
                     std::to_string(r.Left) + "-" + std::to_string(r.Right));
            canvas->Brush().SetColor(static_cast<gui::TColor>(kRed));
            canvas->FillRect(r);
        };
        Show();
    }

    TGtTreeItem* AddRow(const std::u16string& text, const std::u16string& second = u"",
                        const std::u16string& third = u"") {
        TGtTreeItem* item = tree_->Items().Add(nullptr, text);
        item->ColumnText()->Add(second);
        item->ColumnText()->Add(third);
        return item;
    }

    // The tree painted; pixels addressed in view coordinates.
    void PaintNow() {
        gui::testing::Pump();
        bitmap_ = gui::testing::PaintControl(*tree_);
    }
    uint32_t At(int x, int y) const {
        const TGtTreeView& view = *tree_->View();
        return PixelAt(*bitmap_, view.Left() + x, view.Top() + y);
    }
    int RowTop(int row) const { return row * tree_->LineHeight(); }
    // Pixels of one colour in a box of view coordinates.
    int Count(int left, int top, int right, int bottom, uint32_t colour) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (At(x, y) == colour) ++n;
        return n;
    }
    // Pixels of anything but the paper in a box: bold strokes cover more.
    int Ink(int left, int top, int right, int bottom) const {
        const uint32_t paper = Px(kPaper);
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (At(x, y) != paper) ++n;
        return n;
    }

    std::unique_ptr<gui::TBitmap> bitmap_;
};

TEST_F(GtTreePaint, OwnerDrawnCellsAreHandedToOnItemDraw) {
    AddColumns();
    tree_->SetShowLines(false);
    tree_->SetShowButtons(false);
    TGtTreeItem* a = AddRow(u"a", u"x", u"plain");
    TGtTreeItem* b = AddRow(u"b", u"X", u"styled");
    b->SetUseStyles(true);
    b->AddStyle();
    b->AddStyle()->SetStyle(ElhsOwnerDraw);
    (void)a;
    const int gap = tree_->ItemIndent() / 3;

    struct Case {
        const char* what;
        std::function<void()> set;
        const char* log;
    } cases[] = {
        // Only the styled cell of b: column 2's own style draws it.
        {"style", [] {}, "b 2 191-249"},
        // The column's style hands every row's cell to the handler, the
        // rectangle one pixel inside the cell.
        {"column", [&] { tree_->HeaderSections()->GetSection(1)->SetStyle(ElhsOwnerDraw); },
         "a 1 121-189, b 1 121-189, b 2 191-249"},
        // The main column: the rectangle starts where the parts end.
        {"main column",
         [&] {
             tree_->HeaderSections()->GetSection(1)->SetStyle(ElhsText);
             tree_->HeaderSections()->GetSection(0)->SetStyle(ElhsOwnerDraw);
         },
         ""},
        // The mask matches the exact text only.
        {"mask",
         [&] {
             tree_->HeaderSections()->GetSection(0)->SetStyle(ElhsText);
             tree_->OwnerDrawByColumn = false;
             tree_->OwnerDrawMask = u"x";
         },
         "a 1 121-189, b 2 191-249"},
    };
    for (const Case& c : cases) {
        c.set();
        log_.Entries.clear();
        PaintNow();
        std::string expected = c.log;
        if (expected.empty()) {
            // The main cells, and b's styled cell.
            const TGtMainCellLayout l = tree_->MainCellLayout(a);
            const std::string span =
                std::to_string(l.Text.Left - gap) + "-" + std::to_string(120 - 0);
            expected = "a 0 " + span + ", b 0 " + span + ", b 2 191-249";
        }
        // Rows top down, each row's columns in order.
        EXPECT_EQ(testing::TakeLog(log_), expected) << c.what;
    }
    // What the handler painted shows, and the cell's edge is left alone.
    EXPECT_EQ(At(150, RowTop(0) + 5), Px(kRed));
    EXPECT_EQ(At(122, RowTop(1) + 5), Px(kPaper));
    EXPECT_EQ(At(200, RowTop(1) + 5), Px(kRed));
    EXPECT_EQ(At(190, RowTop(1) + 5), Px(kPaper));
}

TEST_F(GtTreePaint, CellStylesDrawTheirOwnColoursAndFonts) {
    AddColumns();
    tree_->SetShowLines(false);
    tree_->SetShowButtons(false);
    const std::u16string word = u"Keyword";
    TGtTreeItem* rows[4];
    for (TGtTreeItem*& row : rows) {
        // Column 1 has no text: its text box is the 2-pixel margin only.
        row = AddRow(word, u"", word);
        row->SetUseStyles(true);
        TGtCellStyle* second = row->AddStyle();
        second->SetOwnerProps(false);
        second->UseBkColor = true;
        second->CellBkColor = kGreen;
        second->TextBkColor = kBlue;
        row->AddStyle()->TextColor = kInk;
        row->MainStyle()->TextColor = kInk;
    }
    // Row 1 draws its styled cell transparently; row 2 in the tree's look;
    // row 3 bold in its main cell and its last cell, with OwnerProps off.
    rows[1]->Styles(0)->UseBkColor = false;
    rows[2]->Styles(0)->SetOwnerProps(true);
    for (TGtCellStyle* style : {rows[3]->MainStyle(), rows[3]->Styles(1)}) {
        style->SetOwnerProps(false);
        style->SetFontStyles(kFontBold);
    }
    PaintNow();

    struct Probe {
        int row;
        int x;
        TGtColor expected;
    } probes[] = {
        {0, 185, kGreen},                    // the cell beyond the text box
        {0, 124, kBlue},                     // the text box (I div 5 to I div 3 + 2)
        {1, 185, kPaper},                    // no background of its own
        {1, 124, kPaper}, {2, 185, kPaper},  // the tree's own look
        {2, 124, kPaper},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(At(p.x, RowTop(p.row) + 2), Px(p.expected)) << p.row << " at " << p.x;
    // Bold strokes cover more of the paper for the same word.
    const int h = tree_->LineHeight();
    const int plainInk = Ink(0, RowTop(2), 119, RowTop(2) + h);
    EXPECT_GT(Ink(0, RowTop(3), 119, RowTop(3) + h), plainInk * 11 / 10);
    EXPECT_GT(Ink(191, RowTop(3), 249, RowTop(3) + h), plainInk * 11 / 10);
    EXPECT_EQ(Ink(191, RowTop(0), 249, RowTop(0) + h), plainInk);
    gui::testing::SavePng(*bitmap_, runtime::AnsiToWide(SERPLOW_BINARY_DIR "/gt_tree_styles.png"));
}

// However long a cell's text, and whatever flags its style draws it with,
// it stays in its column: the next column shows only its own.
TEST_F(GtTreePaint, CellTextsStopAtTheirColumnsRightEdge) {
    AddColumns();
    tree_->SetShowLines(false);
    tree_->SetShowButtons(false);
    const std::u16string longText(60, u'W');
    AddRow(longText, longText);
    // DT_SINGLELINE | DT_NOCLIP, no ellipsis.
    TGtTreeItem* styled = AddRow(longText, longText);
    styled->SetUseStyles(true);
    for (TGtCellStyle* style : {styled->MainStyle(), styled->AddStyle()}) {
        style->SetOwnerProps(false);
        style->TextColor = kInk;
        style->TextFlags = DT_SINGLELINE | DT_NOCLIP;
    }
    PaintNow();
    const int h = tree_->LineHeight();
    for (int row : {0, 1}) {
        // Both columns hold ink up to their edges, none beyond.
        EXPECT_GT(Ink(100, RowTop(row), 120, RowTop(row) + h), 0) << row;
        EXPECT_GT(Ink(170, RowTop(row), 190, RowTop(row) + h), 0) << row;
        EXPECT_EQ(Ink(120, RowTop(row), 122, RowTop(row) + h), 0) << row;
        EXPECT_EQ(Ink(190, RowTop(row), 360, RowTop(row) + h), 0) << row;
    }
}

// A right-aligned tree draws the tree part of a row from the main cell's
// right edge leftwards, lines mirrored, the text ending beside the parts.
TEST_F(GtTreePaint, RightAlignedTreeDrawsTheRowFromTheRightEdge) {
    tree_->SetShowCheckboxes(true);
    tree_->SetLinesColor(kRed);
    TGtTreeItem* a = AddRow(u"parent");
    a->SetShowCheckBox(true);
    TGtTreeItem* child = tree_->Items().AddChild(a, u"child");
    a->Expand(false);
    tree_->SetRightAlignedTree(true);
    PaintNow();
    const int h = tree_->LineHeight();
    const TGtMainCellLayout l = tree_->MainCellLayout(a);
    EXPECT_EQ(l.Button.Right, tree_->View()->ClientWidth());
    EXPECT_GT(Ink(l.Button.Left, 0, l.Button.Right, h), 0);
    EXPECT_GT(Ink(l.CheckBox.Left, 0, l.CheckBox.Right, h), 0);
    EXPECT_GT(Ink(l.Text.Left, 0, l.Text.Right, h), 0);
    EXPECT_EQ(Ink(0, 0, l.Text.Left - 1, h), 0);
    // The child's connector stands in its button column, mirrored.
    const TGtMainCellLayout c = tree_->MainCellLayout(child);
    const int x = c.MirrorX(c.Base + tree_->ItemIndent() / 2);
    EXPECT_GE(x, c.Button.Left);
    EXPECT_LT(x, c.Button.Right);
    EXPECT_GT(Count(x, RowTop(1), x + 1, RowTop(1) + h / 2, Px(kRed)), 0);
    EXPECT_EQ(Count(0, RowTop(1), c.Text.Left - 1, RowTop(2), Px(kRed)), 0);
    EXPECT_EQ(Ink(0, RowTop(1), c.Text.Left - 1, RowTop(2)), 0);
    testing::SaveShot(*bitmap_, "gt_tree_right_aligned.png");
}

TEST_F(GtTreePaint, ItemsWithoutStylesTakeTheirOwnFontAndColours) {
    tree_->SetShowLines(false);
    tree_->SetShowButtons(false);
    tree_->Items().Add(nullptr, u"Keyword");
    TGtTreeItem* bold = tree_->Items().Add(nullptr, u"Keyword");
    TGtTreeItem* coloured = tree_->Items().Add(nullptr, u"Keyword");
    bold->SetParentStyle(false);
    bold->SetState(kStateBold, true);
    // With the tree's style the item's own states do not count.
    TGtTreeItem* parentStyle = tree_->Items().Add(nullptr, u"Keyword");
    parentStyle->SetState(kStateBold, true);
    coloured->SetParentColors(false);
    coloured->SetFlag(ifUseBkColor, true);
    coloured->SetRowBkColor(0xE0E0E0);
    coloured->BkColor = kGreen;
    coloured->Color = kRed;
    PaintNow();
    const int h = tree_->LineHeight();
    const int plainInk = Ink(0, RowTop(0), 200, RowTop(0) + h);
    EXPECT_GT(Ink(0, RowTop(1), 200, RowTop(1) + h), plainInk * 11 / 10);
    EXPECT_EQ(Ink(0, RowTop(3), 200, RowTop(3) + h), plainInk);
    // The row takes the item's row colour, the text box its background,
    // the text its colour.
    const TGtRect text = coloured->TextRect;
    EXPECT_EQ(At(text.Right + 4, RowTop(2) + 1), 0xE0E0E0u);
    EXPECT_GT(Count(text.Left, RowTop(2), text.Right, RowTop(2) + h, Px(kGreen)), 20);
    EXPECT_GT(Count(text.Left, RowTop(2), text.Right, RowTop(2) + h, Px(kRed)), 5);
}

TEST_F(GtTreePaint, StripesFollowTheRowsPlaceInTheList) {
    AddColumns();
    tree_->SetStripedItems(true);
    tree_->SetStripedOddColor(kGreen);
    tree_->SetStripedEvenColor(kBlue);
    tree_->Items().BeginUpdate();
    for (int i = 0; i < 40; ++i) AddRow(u"r" + runtime::Utf8ToWide(std::to_string(i)));
    tree_->Items().EndUpdate();
    tree_->SetMultiSelect(false);
    const auto stripe = [&](int row) { return At(200, RowTop(row) + 2); };
    const uint32_t even = Px(kBlue);
    const uint32_t odd = Px(kGreen);

    PaintNow();
    for (int row = 0; row < 4; ++row) EXPECT_EQ(stripe(row), row % 2 == 0 ? even : odd) << row;
    // Every cell of the row carries the stripe, the main cell too.
    EXPECT_EQ(At(100, RowTop(1) + 2), odd);
    // Scrolled by one row the colours of the rows that stay swap.
    tree_->SetTopIndex(1);
    PaintNow();
    for (int row = 0; row < 4; ++row) EXPECT_EQ(stripe(row), row % 2 == 0 ? odd : even) << row;
    // A selected row shows the selection instead of its stripe.
    tree_->SetItemFocused(tree_->Items().Item(2));
    PaintNow();
    EXPECT_EQ(stripe(1), Px(gui::clHighlight));
    EXPECT_EQ(stripe(2), odd);
    gui::testing::SavePng(*bitmap_, runtime::AnsiToWide(SERPLOW_BINARY_DIR "/gt_tree_stripes.png"));
}

}  // namespace
}  // namespace controls::tree

namespace controls::tree {
namespace {

// A bitmap of one colour (0xRRGGBB), its bottom-left pixel in `corner`.
std::unique_ptr<gui::TBitmap> Solid(int w, int h, uint32_t colour, uint32_t corner) {
    auto bitmap = std::make_unique<gui::TBitmap>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap->ScanLine(y)[x] = colour;
    bitmap->ScanLine(h - 1)[0] = corner;
    return bitmap;
}

TEST_F(GtTreePaint, ConnectorLinesDotThePixelsWhoseCoordinatesAddUpEven) {
    tree_->SetShowRoot(true);
    tree_->SetShowButtons(false);
    tree_->SetLinesColor(kRed);
    TGtTreeItem* a = tree_->Items().Add(nullptr, u"a");
    tree_->Items().AddChild(a, u"a1");
    tree_->Items().AddChild(a, u"a2");
    tree_->Items().Add(nullptr, u"b");
    a->Expand(false);
    PaintNow();
    const int indent = tree_->ItemIndent(), half = indent / 2, h = tree_->LineHeight();
    const uint32_t red = Px(kRed);
    const uint32_t paper = Px(kPaper);
    // The top-level column runs through every row down to b; the column of
    // a's children stops at the elbow of the last one.
    const int top = tree_->MainCellLayout(a).Base - indent + half;
    const int child = tree_->MainCellLayout(a->Children(0)).Base + half;
    // Each row's elbow lies at the middle; a first row's column starts there.
    const int mid = (h + 2) / 2;
    struct Column {
        int x, fromY, toY;
    } columns[] = {{top, mid, RowTop(3) + mid}, {child, RowTop(1), RowTop(2) + mid}};
    for (const Column& c : columns)
        for (int y = c.fromY; y < c.toY; ++y)
            EXPECT_EQ(At(c.x, y), (c.x + y) % 2 == 0 ? red : paper) << c.x << "," << y;
    // Below a2's elbow its column is empty.
    EXPECT_EQ(Count(child, RowTop(2) + mid + 1, child + 1, RowTop(3), red), 0);
    // The elbow of a1 runs right to its column's end.
    const int elbow = RowTop(1) + mid;
    EXPECT_GT(Count(child, elbow, child + half + 1, elbow + 1, red), half / 2 - 1);
}

TEST_F(GtTreePaint, ButtonsAndCheckBoxesUseTheTreesPicturesAndGlyphs) {
    tree_->SetShowLines(false);
    tree_->SetShowCheckboxes(true);
    tree_->SetShowLeafButton(true);
    TGtTreeItem* parent = tree_->Items().Add(nullptr, u"parent");
    tree_->Items().AddChild(parent, u"child");
    TGtTreeItem* leaf = tree_->Items().Add(nullptr, u"leaf");
    leaf->TextIndent = 20;
    constexpr uint32_t plus = 0x00FF00, minus = 0x0000FF, leafColour = 0xFF0000;
    tree_->SetPlusPicture(Solid(5, 5, plus, plus).get());
    tree_->SetMinusPicture(Solid(5, 5, minus, minus).get());
    tree_->SetLeafPicture(Solid(5, 5, leafColour, leafColour).get());
    tree_->SetCustomPlusMinus(true);
    // Six 13-pixel frames in six colours, magenta left out.
    constexpr uint32_t magenta = 0xFF00FF;
    constexpr uint32_t frames[] = {0x800000, 0x008000, 0x000080, 0x808000, 0x008080, 0x404040};
    auto glyph = std::make_unique<gui::TBitmap>(78, 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 78; ++x) glyph->ScanLine(y)[x] = x % 13 == 0 ? magenta : frames[x / 13];
    glyph->SetTransparentColor(static_cast<gui::TColor>(0xFF00FF));
    tree_->SetCheckBoxGlyph(glyph.get());
    tree_->SetCustomCheckboxes(true);
    for (TGtTreeItem* item : {parent, leaf}) {
        item->SetShowCheckBox(true);
        item->SetCheckBoxEnabled(true);
    }
    leaf->SetCheckBoxType(1);
    const int h = tree_->LineHeight(), mid = (h + 1) / 2;
    const auto button = [&](TGtTreeItem* item, int row) {
        const TGtMainCellLayout l = tree_->MainCellLayout(item);
        return At(l.Button.Left + (tree_->ItemIndent() / 2 - 2) + 2, RowTop(row) + h / 2);
    };
    const auto check = [&](TGtTreeItem* item, int row) {
        const TGtMainCellLayout l = tree_->MainCellLayout(item);
        EXPECT_EQ(l.CheckBox.Right - l.CheckBox.Left, 13);
        return At(l.CheckBox.Left + 6, RowTop(row) + mid);
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        uint32_t parentButton, parentCheck, leafButton, leafCheck;
    } steps[] = {
        {"collapsed", [] {}, plus, frames[0], leafColour, frames[0]},
        {"checked",
         [&] {
             parent->SetChecked(true);
             leaf->SetCheckBoxState(cbGrayed);
         },
         plus, frames[2], leafColour, frames[4]},
        {"disabled",
         [&] {
             parent->SetCheckBoxEnabled(false);
             leaf->SetCheckBoxEnabled(false);
         },
         plus, frames[3], leafColour, frames[5]},
        {"expanded", [&] { parent->Expand(false); }, minus, frames[3], leafColour, frames[5]},
    };
    for (const Step& s : steps) {
        s.act();
        PaintNow();
        const int leafRow = parent->Expanded() ? 2 : 1;
        EXPECT_EQ(button(parent, 0), s.parentButton) << s.what;
        EXPECT_EQ(check(parent, 0), s.parentCheck) << s.what;
        EXPECT_EQ(button(leaf, leafRow), s.leafButton) << s.what;
        EXPECT_EQ(check(leaf, leafRow), s.leafCheck) << s.what;
    }
    // The leaf's own indent moved its parts 20 pixels right.
    EXPECT_EQ(tree_->MainCellLayout(leaf).Button.Left,
              tree_->MainCellLayout(parent).Button.Left + 20);
}

TEST_F(GtTreePaint, ADisabledTreeShowsEveryCheckBoxVariantDisabled) {
    tree_->SetShowLines(false);
    tree_->SetShowCheckboxes(true);
    TGtTreeItem* item = tree_->Items().Add(nullptr, u"item");
    item->SetShowCheckBox(true);
    auto glyph = std::make_unique<gui::TBitmap>(78, 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 78; ++x) glyph->ScanLine(y)[x] = 0x202020u * (x / 13 + 1);
    tree_->SetCheckBoxGlyph(glyph.get());
    tree_->SetRadioButtonGlyph(glyph.get());
    // The pixels of the item's check box as painted.
    const auto box = [&] {
        PaintNow();
        const TGtMainCellLayout l = tree_->MainCellLayout(item);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < tree_->LineHeight(); ++y)
            for (int x = l.CheckBox.Left; x < l.CheckBox.Right; ++x) pixels.push_back(At(x, y));
        return pixels;
    };
    struct Look {
        const char* name;
        bool themes, custom;
    } looks[] = {{"classic", false, false}, {"themed", true, false}, {"custom", false, true}};
    struct Kind {
        const char* name;
        uint8_t type;
        TCheckBoxState state;
    } kinds[] = {
        {"check box", 0, cbChecked}, {"radio", 2, cbChecked}, {"three-state", 1, cbGrayed}};
    for (const Look& look : looks) {
        tree_->SetUseXPThemes(look.themes);
        tree_->SetCustomCheckboxes(look.custom);
        for (const Kind& kind : kinds) {
            item->SetCheckBoxType(kind.type);
            item->SetCheckBoxState(kind.state);
            item->SetCheckBoxEnabled(true);
            tree_->SetEnabled(true);
            const auto enabled = box();
            item->SetCheckBoxEnabled(false);
            const auto disabledItem = box();
            item->SetCheckBoxEnabled(true);
            tree_->SetEnabled(false);
            const auto disabledTree = box();
            EXPECT_NE(enabled, disabledItem) << look.name << " " << kind.name;
            EXPECT_EQ(disabledTree, disabledItem) << look.name << " " << kind.name;
        }
    }
    tree_->SetEnabled(true);
}

TEST_F(GtTreePaint, GridLinesFramesStrikeLinesAndBlendedHighlight) {
    AddColumns();
    tree_->SetShowLines(false);
    tree_->SetShowButtons(false);
    for (int i = 0; i < 4; ++i) AddRow(u"r" + runtime::Utf8ToWide(std::to_string(i)), u"secret");
    TGtTreeItem* noDivider = tree_->Items().Item(1);
    noDivider->SetFlag(ifDividerLine, false);
    tree_->HeaderSections()->GetSection(1)->SetPassword(true);
    tree_->SetHorizontalLines(true);
    tree_->SetHorzDivLinesColor(kGreen);
    tree_->SetVerticalLines(true);
    tree_->SetVertDivLinesColor(kBlue);
    const uint32_t green = Px(kGreen);
    const uint32_t blue = Px(kBlue);
    const uint32_t paper = Px(kPaper);
    const int h = tree_->LineHeight();

    PaintNow();
    // The divider on each row's last pixel row, unless the item has none.
    EXPECT_EQ(At(60, RowTop(1) - 1), green);
    EXPECT_EQ(At(60, RowTop(2) - 1), paper);
    // Column lines through the rows and on below them.
    EXPECT_EQ(At(119, RowTop(0) + 3), blue);
    EXPECT_EQ(At(189, RowTop(2) + 3), blue);
    EXPECT_EQ(At(189, RowTop(6)), blue);
    tree_->VerticalLinesLong = false;
    tree_->Invalidate();
    PaintNow();
    EXPECT_EQ(At(189, RowTop(6)), paper);
    // The password column shows stars where there is a text.
    EXPECT_GT(Ink(121, RowTop(0), 188, RowTop(0) + h - 1), 5);

    // A selected row blended at half strength keeps its own background
    // under a mix of the two colours.
    tree_->SetMultiSelect(false);
    tree_->SetHighlightAlphaLevel(128);
    tree_->SetItemFocused(tree_->Items().Item(2));
    PaintNow();
    const uint32_t blended = At(100, RowTop(2) + 3);
    EXPECT_NE(blended, paper);
    EXPECT_NE(blended, Px(gui::clHighlight));

    // BarStyle frames every row: raised, or sunken while selected.
    tree_->SetHighlightAlphaLevel(255);
    tree_->SetBarStyle(true);
    PaintNow();
    const auto light = [&](int y) { return static_cast<int>(At(30, y) & 0xFF); };
    EXPECT_GT(light(RowTop(0)), light(RowTop(1) - 1) + 0x20);
    EXPECT_LT(light(RowTop(2)) + 0x20, light(RowTop(3) - 1));
}

TEST_F(GtTreePaint, StrikeLineAndPostDrawFollowTheText) {
    tree_->SetShowButtons(false);
    TGtTreeItem* struck = tree_->Items().Add(nullptr, u"struck out");
    struck->SetFlag(ifStrikeLine, true);
    struck->StrikeLineColor = kRed;
    tree_->SetItemFocused(struck);
    std::vector<gui::TRect> post;
    tree_->OnItemPostDraw = [&](runtime::TObject*, gui::TCanvas*, TGtTreeItem*, gui::TRect r,
                                bool& drawFocus) {
        post.push_back(r);
        drawFocus = false;
    };
    // The focus selects the row; a selected row draws its line in the
    // selected text's colour, so that it shows on the highlight.
    const struct {
        bool selected;
        gui::TColor line;
    } cases[] = {{true, static_cast<gui::TColor>(tree_->FocusedSelectTextColor())},
                 {false, static_cast<gui::TColor>(kRed)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected);
        struck->SetSelected(c.selected);
        PaintNow();
        const TGtRect text = struck->TextRect;
        const int y = tree_->LineHeight() / 2 + 1;
        EXPECT_EQ(At(text.Left - 2, y), Px(c.line));
        EXPECT_EQ(At(text.Right - 1, y), Px(c.line));
        EXPECT_NE(At(text.Right + 1, y), Px(c.line));
    }
    // The handler sees the row's focus rectangle and can keep it off.
    ASSERT_FALSE(post.empty());
    EXPECT_EQ(post.back().Top, 0);
    EXPECT_EQ(post.back().Bottom, tree_->LineHeight());
}

}  // namespace
}  // namespace controls::tree

namespace controls::tree {
namespace {

TEST_F(GtTreePaint, TheDropTargetShowsTheModeAndTheAnswer) {
    tree_->SetShowLines(false);
    tree_->SetShowButtons(false);
    for (const char16_t* text : {u"a", u"b", u"c"}) tree_->Items().Add(nullptr, text);
    const uint32_t paper = Px(kPaper);
    const uint32_t accept = Px(kGreen);
    const uint32_t deny = Px(kRed);
    const uint32_t highlight = Px(gui::clHighlight);
    tree_->SetDragRectAcceptColor(kGreen);
    tree_->SetDragRectDenyColor(kRed);
    const int line = tree_->LineHeight();
    const int top = RowTop(1), bottom = RowTop(2) - 1;  // the target row's edges
    const int mid = tree_->View()->ClientWidth() / 2;
    const int right = tree_->View()->ClientWidth() - 4;  // right of any text

    struct Probe {
        int x, y;
        uint32_t colour;
    };
    struct Case {
        TDragTargetDraw mode;
        bool accepted;
        std::vector<Probe> probes;
    } cases[] = {
        // The row filled with the answer's colour.
        {ColorRect, true, {{right, top + line / 2, accept}, {right, top, accept}}},
        {ColorRect, false, {{right, top + line / 2, deny}}},
        {SelColorRect, true, {{right, top + line / 2, highlight}}},
        // A frame round the row, the inside left alone.
        {ColorFrame,
         true,
         {{0, top + line / 2, accept},
          {mid, top, accept},
          {mid, bottom, accept},
          {right, top + line / 2, paper}}},
        // A line along the top with short strokes down at its ends.
        {dtdUpColorLine,
         false,
         {{mid, top, deny},
          {0, top + 3, deny},
          {0, top + 4, paper},
          {1, top + 1, deny},
          {1, top + 2, paper},
          {mid, bottom, paper}}},
        // The same along the bottom, the strokes going up.
        {dtdDownColorLine,
         true,
         {{mid, bottom, accept},
          {0, bottom - 3, accept},
          {1, bottom - 1, accept},
          {mid, top, paper}}},
        {dtdUpSelColorLine, false, {{mid, top, highlight}, {0, top + 3, highlight}}},
        {dtdDownSelColorLine, true, {{mid, bottom, highlight}}},
        {dtdNone, true, {{mid, top, paper}, {mid, bottom, paper}, {right, top + line / 2, paper}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.mode)) +
                     (c.accepted ? " accepted" : " refused"));
        tree_->SetDragTrgDrawMode(c.mode);
        tree_->View()->DoDragOver(nullptr, mid, c.accepted, top + line / 2);
        ASSERT_EQ(tree_->View()->DropTarget(), tree_->Items().Item(1));
        PaintNow();
        for (const Probe& p : c.probes) EXPECT_EQ(At(p.x, p.y), p.colour) << p.x << "," << p.y;
        // The rows around it keep the paper.
        EXPECT_EQ(At(right, RowTop(0) + line / 2), paper);
        EXPECT_EQ(At(mid, RowTop(2)), paper);
        EXPECT_EQ(At(right, RowTop(2) + line / 2), paper);
    }

    // The answer changing over the same row repaints it in the other
    // colour: the row is invalidated, nothing else is.
    tree_->SetDragTrgDrawMode(ColorRect);
    tree_->View()->DoDragOver(nullptr, mid, true, top + line / 2);
    // Shown, without taking the foreground, so that the window paints.
    SetWindowPos(form_.Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    std::string painted;
    tree_->OnItemPostDraw = [&](runtime::TObject*, gui::TCanvas*, TGtTreeItem* item, gui::TRect,
                                bool&) { painted += runtime::WideToUtf8(item->Text()); };
    gui::testing::Pump();
    painted.clear();
    tree_->View()->DoDragOver(nullptr, mid + 5, true, top + line / 2 + 1);
    gui::testing::Pump();
    EXPECT_EQ(painted, "");
    tree_->View()->DoDragOver(nullptr, mid + 5, false, top + line / 2 + 1);
    gui::testing::Pump();
    EXPECT_EQ(painted, "b");
    tree_->OnItemPostDraw = nullptr;

    // A blended highlight lays the colour over at half the level.
    tree_->SetDragTrgDrawMode(ColorRect);
    tree_->View()->DoDragOver(nullptr, mid, true, top + line / 2);
    tree_->SetHighlightAlphaLevel(128);
    PaintNow();
    const uint32_t blended = At(right, top + line / 2);
    EXPECT_NE(blended, paper);
    EXPECT_NE(blended, accept);
    EXPECT_GT(blended & 0xFF00, 0xA000u) << "closer to the paper than to the colour";

    // Without RowSelect only the text takes the colour.
    tree_->SetHighlightAlphaLevel(255);
    tree_->SetRowSelect(false);
    PaintNow();
    EXPECT_EQ(At(right, top + line / 2), paper);
    const TGtRect text = tree_->Items().Item(1)->TextRect;
    EXPECT_GT(Count(text.Left, top, text.Right, top + line, accept), 4);
}

TEST_F(GtTreePaint, TheBorderTakesRoomOnItsSidesAndDrawsItsType) {
    HWND window = tree_->Handle();
    // Where the client area lies in the window, and the border drawn into
    // a bitmap as large as the window.
    const auto inset = [&] {
        RECT bounds, client;
        GetWindowRect(window, &bounds);
        GetClientRect(window, &client);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        return gui::TRect{origin.x - bounds.left, origin.y - bounds.top,
                          bounds.right - origin.x - client.right,
                          bounds.bottom - origin.y - client.bottom};
    };
    const auto frame = [&] {
        RECT bounds;
        GetWindowRect(window, &bounds);
        auto bitmap =
            std::make_unique<gui::TBitmap>(bounds.right - bounds.left, bounds.bottom - bounds.top);
        tree_->DrawFrame(bitmap->Canvas().Handle());
        return bitmap;
    };
    const int edge = GetSystemMetrics(SM_CXEDGE);
    EXPECT_EQ(inset(), (gui::TRect{edge, edge, edge, edge}));
    tree_->SetBorderSides({ebsLeft, ebsRight, ebsBottom});
    EXPECT_EQ(inset(), (gui::TRect{edge, 0, edge, edge}));

    tree_->SetFlat(true);
    tree_->SetInactiveBorderType(fbtColorLineBorder);
    tree_->SetLineBorderInactiveColor(kRed);
    const uint32_t red = Px(kRed);
    auto bitmap = frame();
    const int w = bitmap->Width(), h = bitmap->Height();
    EXPECT_EQ(PixelAt(*bitmap, 0, h / 2), red);
    EXPECT_EQ(PixelAt(*bitmap, w - 1, h / 2), red);
    EXPECT_EQ(PixelAt(*bitmap, w / 2, h - 1), red);
    EXPECT_NE(PixelAt(*bitmap, w / 2, 0), red);  // no top side
    // Without Flat the frame is the sunken 3-D one.
    tree_->SetFlat(false);
    bitmap = frame();
    EXPECT_NE(PixelAt(*bitmap, 0, h / 2), red);
}

}  // namespace
}  // namespace controls::tree

namespace controls::tree {
namespace {

TEST_F(GtTreePaint, ImagesTakeTheirSlotsAndTheTextRecordsWhereItLanded) {
    tree_->SetShowLines(false);
    gui::TImageList images(nullptr);
    images.SetWidth(16);
    images.SetHeight(16);
    images.Add(*Solid(16, 16, 0xFF0000, 0xFF0000));
    tree_->SetImages(&images);
    TGtTreeItem* shown = tree_->Items().Add(nullptr, u"shown");
    shown->ImageIndex = 0;
    TGtTreeItem* missing = tree_->Items().Add(nullptr, u"missing");
    missing->ImageIndex = 5;
    PaintNow();
    const int h = tree_->LineHeight();
    const TGtMainCellLayout l = tree_->MainCellLayout(shown);
    EXPECT_EQ(At(l.Image1.Left + 8, h / 2), 0xFF0000u);
    EXPECT_TRUE(shown->HasFlag(ifImage1Shown));
    EXPECT_FALSE(missing->HasFlag(ifImage1Shown));
    // An index outside the list takes no room, unless empty images show.
    EXPECT_LT(missing->TextRect.Left, shown->TextRect.Left);
    tree_->SetShowEmptyImages(true);
    PaintNow();
    EXPECT_EQ(missing->TextRect.Left, shown->TextRect.Left);
    EXPECT_TRUE(missing->HasFlag(ifImage1Shown));
    EXPECT_EQ(Count(0, RowTop(1), 100, RowTop(2), 0xFF0000u), 0);

    // A main cell with no room for its text records an empty rectangle.
    AddColumns();
    tree_->HeaderSections()->GetSection(0)->SetWidth(30);
    PaintNow();
    EXPECT_EQ(shown->TextRect.Left, shown->TextRect.Right);
    tree_->SetImages(nullptr);
}

}  // namespace
}  // namespace controls::tree
