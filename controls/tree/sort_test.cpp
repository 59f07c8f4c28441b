// Sorting children by keys: number parsing on and off the quick path,
// column and handler-supplied texts, tie-breaking by a tree's extra
// columns, and a tie-breaker that answers inconsistently.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "controls/tree/headersections.h"
#include "controls/tree/treeitem.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "controls/tree/widestr.h"
#include "controls/tree/widestrings.h"
#include "runtime/strings.h"
#include "runtime/variant.h"

namespace controls::tree {
namespace {

std::string Order(TGtTreeModel& tree) {
    std::string out;
    for (int i = 0; i < tree.Items().Count(); ++i)
        out += runtime::WideToUtf8(tree.Items().Item(i)->Text()) + " ";
    return out;
}

TEST(GtTreeSort, NumberKeysAgreeWithTheFullParser) {
    // Plain decimals take a quick path; everything else the full parser:
    // spaces, hexadecimal, ten digits, out of range, signs alone.
    TGtTreeModel tree;
    tree.SetSortType(stNumber);
    for (const char16_t* t : {u"12", u" 7", u"$10", u"0x3", u"-2147483648", u"2147483648", u"+5",
                              u"-", u"1234567890", u"-0", u"9x", u"000000004"})
        tree.Items().Add(nullptr, t);
    tree.Sort(false);
    // No value (out of range, "-", "9x") first in creation order.
    EXPECT_EQ(Order(tree), "2147483648 - 9x -2147483648 -0 0x3 000000004 +5  7 12 $10 1234567890 ");
}

// Text keys are compared several units at a time: texts that share
// beginnings of every length, differ at every position of a block, and hold
// units above 0x7FFF sort as one unit after the other says, with equal texts
// in creation order, in both directions.
TEST(GtTreeSort, TextOrderFollowsTheUnitsInEveryPosition) {
    const char16_t units[] = {u'a', u'b', u'B', 0x00E9, 0x7FFF, 0x8000, 0xD800, 0xFFFF};
    std::mt19937 rng(7);
    std::vector<std::u16string> texts;
    for (int i = 0; i < 3000; ++i) {
        std::u16string t(rng() % 12, u'a');
        // Mostly 'a' so that long shared beginnings are common.
        for (char16_t& c : t)
            if (rng() % 4 == 0) c = units[rng() % std::size(units)];
        texts.push_back(t);
    }
    for (const bool descending : {false, true}) {
        TGtTreeModel tree;
        tree.SetSortDir(descending ? sdDescend : sdAscend);
        for (const std::u16string& t : texts) tree.Items().Add(nullptr, t);
        tree.Sort(false);
        std::vector<int> expected(texts.size());
        for (size_t i = 0; i < texts.size(); ++i) expected[i] = static_cast<int>(i);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            const int r =
                CompareStrWide(texts[static_cast<size_t>(a)], texts[static_cast<size_t>(b)]);
            return descending ? r > 0 : r < 0;
        });
        for (int i = 0; i < tree.Items().Count(); ++i)
            ASSERT_EQ(tree.Items().Item(i)->Text(),
                      texts[static_cast<size_t>(expected[static_cast<size_t>(i)])])
                << "position " << i << (descending ? " descending" : " ascending");
    }
}

TEST(GtTreeSort, ColumnTextsAndHandlerTexts) {
    TGtTreeModel tree;
    TGtHeaderSections sections;
    tree.SetSections(&sections);
    for (int i = 0; i < 3; ++i) sections.AddSection();
    tree.SetShowColumns(true);
    tree.SetSortSection(2);
    tree.SetSortUseCase(false);
    // Column 2 is the item's second column text; "d" has none (empty first).
    for (const char16_t* line : {u"a\tx\tBeta", u"b\tx\talpha", u"c\tx\tGamma", u"d"})
        tree.Items().AddFromLine(tree.Items().Count(), line);
    tree.Sort(false);
    EXPECT_EQ(Order(tree), "d b a c ");

    // A virtual tree supplies texts and values through its handlers; a value
    // that does not convert falls back to the text. Data names each row.
    for (int i = 0; i < 4; ++i) {
        TGtTreeItem* item = tree.Items().Item(i);
        item->Data = reinterpret_cast<void*>(static_cast<intptr_t>(item->Text()[0] - u'a'));
    }
    auto row = [](TGtTreeItem* item) {
        return static_cast<int>(reinterpret_cast<intptr_t>(item->Data));
    };
    tree.SetVirtualityLevel(vlTextAndStyles);
    tree.OnVirtualTextNeeded = [&](runtime::TObject*, TGtTreeItem* item, int section,
                                   std::u16string& text) {
        static const char16_t* const names[] = {u"w", u"y", u"x", u"z"};
        text = section == 2 ? std::u16string(names[row(item)])
                            : std::u16string(1, static_cast<char16_t>(u'a' + row(item)));
    };
    tree.Sort(false);
    EXPECT_EQ(Order(tree), "a c b d ");
    sections.GetSection(2)->SetFieldType(sftNumber);
    tree.OnVirtualValueNeeded = [&](runtime::TObject*, TGtTreeItem* item, int, int varType,
                                    runtime::Variant& value) {
        EXPECT_EQ(varType, 0);
        if (row(item) == 0) value = runtime::Variant(u"not a number");
        if (row(item) == 1) value = runtime::Variant(int32_t{-4});
        if (row(item) == 2) value = runtime::Variant(int32_t{9});
    };
    tree.OnVirtualTextNeeded = [&](runtime::TObject*, TGtTreeItem* item, int section,
                                   std::u16string& text) {
        text = section == 2 ? std::u16string(u"3")
                            : std::u16string(1, static_cast<char16_t>(u'a' + row(item)));
    };
    tree.Sort(false);
    // d: no value (empty); a: the text "3"; b: -4; c: 9.
    EXPECT_EQ(Order(tree), "d b a c ");
    // A custom key asks for a string value and keeps it wide.
    tree.OnVirtualValueNeeded = [&](runtime::TObject*, TGtTreeItem*, int, int varType,
                                    runtime::Variant& value) {
        EXPECT_EQ(varType, 4);
        value = runtime::Variant(u"\u0416\u20AC\U0001F600");
    };
    const TGtSortKey custom = tree.Items().Item(0)->SortKey(stCustom, 2);
    EXPECT_EQ(custom.kind, TGtSortKey::Text);
    EXPECT_EQ(custom.text, u"\u0416\u20AC\U0001F600");
    tree.SetVirtualityLevel(vlNone);
}

// A tree whose tie-breaker orders by the second column text, descending,
// the way a tree's extra sort column does.
class TieBreakingTree : public TGtTreeModel {
  public:
    bool HasTieBreakers() const override { return breakTies; }
    int CompareTiedItems(TGtTreeItem* a, TGtTreeItem* b) override {
        ++calls;
        if (random) return static_cast<int>(rng() % 3) - 1;
        return -CompareStrWideOf(a, b);
    }
    bool breakTies = true;
    bool random = false;
    int calls = 0;
    std::mt19937 rng{7};

  private:
    static int CompareStrWideOf(TGtTreeItem* a, TGtTreeItem* b) {
        return a->CellText(1).compare(b->CellText(1));
    }
};

TEST(GtTreeSort, TiesGoToTheExtraColumnsThenToCreationOrder) {
    struct Case {
        TSortTypes type;
        TSortDirs dir;
        std::string expected;
    };
    // Rows: main text, second column. Keys "1"/"A" tie in pairs.
    const Case cases[] = {
        {stText, sdAscend, "1 1 1 2 "},
        {stNumber, sdAscend, "1 1 1 2 "},
        {stFloating, sdDescend, "2 1 1 1 "},
        {stCustom, sdAscend, "1 1 1 2 "},
    };
    for (const Case& c : cases) {
        TieBreakingTree tree;
        tree.SetSortType(c.type);
        tree.SetSortDir(c.dir);
        tree.OnCompareItems = [](runtime::TObject*, TGtTreeItem* x, TGtTreeItem* y, int& res) {
            res = x->Text().compare(y->Text());
        };
        for (const char16_t* line : {u"1\tb", u"2\tz", u"1\tc", u"1\ta"})
            tree.Items().AddFromLine(tree.Items().Count(), line);
        tree.Sort(false);
        std::string seconds;
        for (int i = 0; i < 4; ++i)
            seconds += runtime::WideToUtf8(tree.Items().Item(i)->CellText(1));
        EXPECT_EQ(Order(tree), c.expected) << c.type;
        // Tied rows by their second column, descending; "z" is alone.
        EXPECT_EQ(seconds, c.dir == sdAscend ? "cbaz" : "zcba") << c.type;
        EXPECT_GT(tree.calls, 0);

        // Without tie-breakers equal keys keep creation order.
        tree.breakTies = false;
        tree.calls = 0;
        tree.Sort(false);
        seconds.clear();
        for (int i = 0; i < 4; ++i)
            seconds += runtime::WideToUtf8(tree.Items().Item(i)->CellText(1));
        EXPECT_EQ(seconds, c.dir == sdAscend ? "bcaz" : "zbca") << c.type;
        if (c.type != stCustom) {
            EXPECT_EQ(tree.calls, 0);
        }
    }
}

TEST(GtTreeSort, AnInconsistentTieBreakerKeepsEveryItem) {
    // Many equal keys and a tie-breaker that answers at random: the sort
    // stays within the children and loses none of them.
    for (TSortTypes type : {stText, stBoolean}) {
        TieBreakingTree tree;
        tree.random = true;
        tree.SetSortType(type);
        for (int i = 0; i < 2000; ++i) tree.Items().Add(nullptr, i % 2 ? u"1" : u"0");
        tree.Sort(false);
        int ones = 0;
        for (int i = 0; i < tree.Items().Count(); ++i) {
            TGtTreeItem* item = tree.Items().Item(i);
            ASSERT_EQ(item->Parent(), nullptr);
            ASSERT_EQ(tree.Items().Root()->Children(i), item);
            ones += item->Text() == u"1";
        }
        EXPECT_EQ(ones, 1000);
        EXPECT_EQ(tree.Items().Item(0)->Text(), u"0");
        EXPECT_EQ(tree.Items().Item(1999)->Text(), u"1");
    }
}

TEST(GtTreeSort, NestedChildrenMoveWithTheirParents) {
    // A sort of the top level (not recursive) keeps each subtree behind its
    // parent in the list of all items; a sort of leaves only relinks.
    TGtTreeModel tree;
    tree.SetSortType(stText);
    TGtTreeItems& items = tree.Items();
    for (const char16_t* line : {u"c", u"\tc2", u"\tc1", u"\t\tc1x", u"a", u"b", u"\tb1"})
        items.AddFromLine(items.Count(), line);
    tree.Sort(false);
    EXPECT_EQ(Order(tree), "a b b1 c c2 c1 c1x ");
    items.Item(3)->Sort(false);  // c's children: leaves and a parent
    EXPECT_EQ(Order(tree), "a b b1 c c1 c1x c2 ");
    for (int i = 0; i < items.Count(); ++i) EXPECT_EQ(items.Item(i)->AbsoluteIndex(), i);
}

}  // namespace
}  // namespace controls::tree
