#include "controls/tree/treeitem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/tree/cellstyle.h"
#include "controls/tree/headersections.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

// A view that records what the model asks of it.
struct RecordingView : TGtTreeDisplay {
    std::vector<TGtRefreshFlags> endUpdates;
    std::vector<TGtTreeItem*> deleted;
    void EndUpdate(TGtTreeModel&, TGtRefreshFlags refresh) override {
        endUpdates.push_back(refresh);
    }
    void ItemDeleted(TGtTreeItem* item) override { deleted.push_back(item); }
};

std::string Utf8(std::u16string_view s) {
    return runtime::WideToUtf8(s);
}

// The texts of every item in tree order, children indented by a dot.
std::string Outline(TGtTreeModel& tree) {
    std::string out;
    for (int i = 0; i < tree.Items().Count(); ++i) {
        TGtTreeItem* item = tree.Items().Item(i);
        out += std::string(static_cast<size_t>(item->Level()), '.') + Utf8(item->Text()) + " ";
    }
    return out;
}

std::string Children(TGtTreeItem* parent) {
    std::string out;
    for (int i = 0; i < parent->ChildrenCount(); ++i)
        out += Utf8(parent->Children(i)->Text()) + " ";
    return out;
}

TEST(GtTreeItem, NewItemDefaults) {
    TGtTreeModel tree;
    TGtTreeItem* item = tree.Items().AddItem(nullptr);
    EXPECT_EQ(item->ImageIndex, -1);
    EXPECT_EQ(item->StateImageIndex, -1);
    EXPECT_EQ(item->ImageIndex2, -1);
    EXPECT_EQ(item->StateImageIndex2, -1);
    EXPECT_EQ(item->Overlay1, -1);
    EXPECT_EQ(item->Overlay2, -1);
    EXPECT_EQ(item->CheckBoxState(), cbUnchecked);
    EXPECT_EQ(item->CheckBoxType(), 0);
    EXPECT_EQ(item->FlagWord(), 0x128783u);
    EXPECT_EQ(item->FrameColor, 0xFF000005u);
    ASSERT_NE(item->ColumnText(), nullptr);
    EXPECT_EQ(item->ColumnText()->Count(), 0);
    EXPECT_TRUE(item->MainStyle()->OwnerProps());
    EXPECT_EQ(item->MainStyle()->FontName, "MS Sans Serif");
    EXPECT_EQ(item->Parent(), nullptr);
    EXPECT_EQ(item->Level(), 0);
    EXPECT_TRUE(tree.Items().Root()->Expanded());
    EXPECT_EQ(tree.Items().Root()->Level(), -1);
}

// An item's main style starts with the tree's font as it was when the item
// was linked, however much later the style is first read; an assigned item
// takes the source's style, made or not, and keeps its own style object.
TEST(GtTreeItem, MainStyleStartsWithTheFontOfItsLinking) {
    struct FontTree : TGtTreeModel {
        TGtFontInfo font;
        TGtFontInfo DefaultFont() const override { return font; }
    } tree;
    tree.font = {10, 0, "Arial"};
    TGtTreeItem* first = tree.Items().AddItem(nullptr);
    TGtTreeItem* second = tree.Items().AddItem(nullptr);
    tree.font = {12, 0, "Tahoma"};
    TGtTreeItem* third = tree.Items().AddItem(nullptr);
    struct Case {
        TGtTreeItem* item;
        const char* name;
        int size;
    };
    for (const Case& c : {Case{third, "Tahoma", 12}, Case{first, "Arial", 10}}) {
        TGtCellStyle* style = c.item->MainStyle();
        EXPECT_TRUE(style->OwnerProps());
        EXPECT_EQ(style->FontName, c.name);
        EXPECT_EQ(style->FontSize, c.size);
        EXPECT_EQ(c.item->MainStyle(), style);
    }
    first->MainStyle()->TextColor = 0x123456;
    TGtCellStyle* own = third->MainStyle();
    third->Assign(first);
    EXPECT_EQ(third->MainStyle(), own);
    EXPECT_EQ(own->FontName, "Arial");
    EXPECT_EQ(own->TextColor, 0x123456u);
    // Neither style made yet: the copy starts with the source's font.
    TGtTreeItem* fourth = tree.Items().AddItem(nullptr);
    fourth->Assign(second);
    EXPECT_EQ(fourth->MainStyle()->FontName, "Arial");
    // A made style takes an unmade source's starting style.
    own->TextColor = 0x654321;
    third->Assign(second);
    EXPECT_EQ(third->MainStyle(), own);
    EXPECT_EQ(own->FontName, "Arial");
    EXPECT_EQ(own->TextColor, 0u);
}

TEST(GtTreeItem, AddingKeepsTreeOrderAndChecksIndexes) {
    TGtTreeModel tree;
    TGtTreeItems& items = tree.Items();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.Item(0), nullptr);
    TGtTreeItem* a = items.AddChild(nullptr, u"A");
    items.Insert(nullptr, u"B");
    EXPECT_EQ(Outline(tree), "B A ");
    TGtTreeItem* c = items.AddChild(a, u"C");
    items.AddChildFirst(a, u"D");
    items.InsertAfter(c, u"E");
    items.AddChild(c, u"F");
    items.AddFirst(a, u"G");
    items.Add(nullptr, u"H");
    EXPECT_EQ(Outline(tree), "G B A .D .C ..F .E H ");
    EXPECT_EQ(c->AbsoluteIndex(), 4);
    EXPECT_EQ(c->Index(), 1);
    EXPECT_EQ(a->LastDescendant()->Text(), u"E");
    EXPECT_EQ(c->GetNext()->Text(), u"F");
    EXPECT_EQ(items.Root()->GetNext()->Text(), u"G");

    TGtTreeItem* parent = items.AddChild(nullptr, u"P");
    items.AddChild(parent, u"p1");
    items.AddChild(parent, u"p2");
    try {
        items.InsertItem(3, parent);
        ADD_FAILURE();
    } catch (const EGtTreeError& e) {
        EXPECT_EQ(e.Message(), "GtTree item index out of bounds.");
    }
    EXPECT_THROW(items.InsertItem(-1, parent), EGtTreeError);
    EXPECT_EQ(parent->ChildrenCount(), 2);
    items.InsertItem(2, parent)->SetText(u"p3");
    EXPECT_EQ(Children(parent), "p1 p2 p3 ");
}

TEST(GtTreeItem, LinesBuildTheTreeByTabs) {
    struct Case {
        std::vector<std::u16string> lines;
        std::string outline;
    };
    const Case cases[] = {
        {{u"A", u"\tB", u"\t\tC", u"D"}, "A .B ..C D "},
        {{u"\t\t\tA", u"B"}, "A B "},
        {{u"A", u"\t\t\tB", u"\tC"}, "A .B .C "},
        {{u"A", u"\tB", u"\t\tC", u"\tD"}, "A .B ..C .D "},
    };
    for (const Case& c : cases) {
        TGtTreeModel tree;
        TGtWideStringList lines;
        for (const auto& line : c.lines) lines.Add(line);
        tree.Items().Assign(&lines);
        EXPECT_EQ(Outline(tree), c.outline);
    }
    TGtTreeModel columns;
    columns.SetShowColumns(true);
    columns.SetMainTreeColumn(1);
    columns.Items().AddFromLine(0, u"x\tmain\t\tz");
    TGtTreeItem* item = columns.Items().Item(0);
    EXPECT_EQ(item->Text(), u"main");
    EXPECT_EQ(item->ColumnText()->GetTextStr(), u"x\r\n\r\nz\r\n");
    EXPECT_EQ(item->CellText(0), u"x");
    EXPECT_EQ(item->CellText(3), u"z");
    EXPECT_EQ(item->CellText(9), u"");
}

TEST(GtTreeItem, RadioButtonsUncheckTheirSiblings) {
    TGtTreeModel tree;
    TGtTreeItem* r1 = tree.Items().Add(nullptr, u"r1");
    TGtTreeItem* r2 = tree.Items().Add(nullptr, u"r2");
    TGtTreeItem* box = tree.Items().Add(nullptr, u"box");
    // Only the view's user toggle reports check changes; programmatic ones
    // raise no change event (else a toggle would report twice).
    int changes = 0;
    tree.OnItemChange = [&](runtime::TObject*, TGtTreeItem*, TItemChangeMode) { ++changes; };
    r1->SetCheckBoxType(2);
    r2->SetCheckBoxType(2);
    box->SetChecked(true);
    r1->SetChecked(true);
    r2->SetChecked(true);
    EXPECT_FALSE(r1->Checked());
    EXPECT_TRUE(r2->Checked());
    EXPECT_TRUE(box->Checked());
    r2->SetChecked(false);
    EXPECT_FALSE(r1->Checked());
    EXPECT_TRUE(box->Checked());
    box->SetCheckBoxState(cbGrayed);
    EXPECT_EQ(box->CheckBoxState(), cbGrayed);
    EXPECT_EQ(changes, 0);
}

TEST(GtTreeItem, DeletingMovesTheFocusAndForgetsEveryReference) {
    TGtTreeModel tree;
    RecordingView view;
    tree.SetDisplay(&view);
    TGtTreeItems& items = tree.Items();
    TGtTreeItem* p = items.Add(nullptr, u"P");
    TGtTreeItem* a = items.AddChild(p, u"a");
    TGtTreeItem* b = items.AddChild(p, u"b");
    TGtTreeItem* c = items.AddChild(p, u"c");
    int focusedEvents = 0;
    tree.OnItemFocused = [&](runtime::TObject*) { ++focusedEvents; };

    tree.SetItemFocused(b);
    b->SetSelected(true);
    TGtItemRefs& refs = tree.Refs();
    refs.HotItem = refs.HintItem = refs.DropTarget = refs.PendingSelect = b;
    refs.LastClicked = refs.FrameAnchor = refs.PendingEdit = refs.PendingFocusItem = b;
    tree.SetCurrentItem(b);
    b->Delete();
    EXPECT_EQ(tree.FocusedItem(), c);  // the next sibling
    EXPECT_TRUE(c->Focused());
    EXPECT_EQ(tree.CurrentItem(), c);
    EXPECT_FALSE(refs.Names(b));
    EXPECT_EQ(tree.SelectionList()->IndexOf(b), -1);
    EXPECT_EQ(view.deleted, std::vector<TGtTreeItem*>{b});

    c->Delete();
    EXPECT_EQ(tree.FocusedItem(), a);  // the previous sibling
    a->Delete();
    EXPECT_EQ(tree.FocusedItem(), p);  // the parent
    p->Delete();
    EXPECT_EQ(tree.FocusedItem(), nullptr);  // the last top-level item
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(focusedEvents, 5);

    // A refused focus change cannot leave the focus on a freed item.
    TGtTreeItem* x = items.Add(nullptr, u"x");
    TGtTreeItem* y = items.Add(nullptr, u"y");
    tree.SetItemFocused(x);
    tree.OnChanging = [](runtime::TObject*, TGtTreeItem*, bool& allow) { allow = false; };
    x->Delete();
    EXPECT_EQ(tree.FocusedItem(), y);
    tree.SetDisplay(nullptr);
}

TEST(GtTreeItem, MovingKeepsTheFlatListInTreeOrder) {
    TGtTreeModel tree;
    TGtTreeItems& items = tree.Items();
    TGtTreeItem* a = items.Add(nullptr, u"A");
    TGtTreeItem* a1 = items.AddChild(a, u"a1");
    items.AddChild(a1, u"a11");
    TGtTreeItem* b = items.Add(nullptr, u"B");
    items.AddChild(b, u"b1");
    items.Add(nullptr, u"C");
    try {
        a->MoveTo(a1);
        ADD_FAILURE();
    } catch (const EGtTreeError& e) {
        EXPECT_EQ(e.Message(), "Can't move Item to one of its subitems.");
    }
    EXPECT_EQ(Outline(tree), "A .a1 ..a11 B .b1 C ");
    a->MoveTo(nullptr);  // last top-level item
    EXPECT_EQ(Outline(tree), "B .b1 C A .a1 ..a11 ");
    a1->MoveToItem(b, mmAddChildFirst);
    EXPECT_EQ(Outline(tree), "B .a1 ..a11 .b1 C A ");
    b->MoveToItem(a, mmInsertBefore);
    EXPECT_EQ(Outline(tree), "C B .a1 ..a11 .b1 A ");
    a->MoveToItem(nullptr, mmAddFirst);
    EXPECT_EQ(Outline(tree), "A C B .a1 ..a11 .b1 ");
    a->MoveToIndex(nullptr, 1);  // same parent, moving down: the reduced list
    EXPECT_EQ(Outline(tree), "C A B .a1 ..a11 .b1 ");
    a->MoveToIndex(nullptr, 2);  // not below the reduced count: last
    EXPECT_EQ(Outline(tree), "C B .a1 ..a11 .b1 A ");
    EXPECT_THROW(a->MoveToItem(nullptr, mmAddLast), EGtTreeError);
}

TEST(GtTreeItem, StateSelectionAndCollapse) {
    TGtTreeModel tree;
    TGtTreeItems& items = tree.Items();
    TGtTreeItem* p = items.Add(nullptr, u"P");
    TGtTreeItem* c = items.AddChild(p, u"c");
    TGtTreeItem* g = items.AddChild(c, u"g");
    TGtTreeItem* q = items.Add(nullptr, u"Q");
    std::vector<TGtTreeItem*> selEvents;
    tree.OnItemSelectedChange = [&](runtime::TObject*, TGtTreeItem* i) { selEvents.push_back(i); };

    p->SetState(kStateSelected, true);
    p->SetState(kStateExpanded, true);
    EXPECT_EQ(p->StateWord(), 0);
    p->SetState(kStateBold, true);
    EXPECT_TRUE(p->GetState(kStateBold));
    EXPECT_FALSE(p->GetState(16));

    tree.SetKeepSelectionWithinLevel(true);
    p->SetSelected(true);
    c->SetSelected(true);  // another level: refused without an event
    q->SetSelected(true);
    EXPECT_TRUE(p->Selected());
    EXPECT_FALSE(c->Selected());
    EXPECT_EQ(selEvents, (std::vector<TGtTreeItem*>{p, q}));
    tree.SetKeepSelectionWithinLevel(false);

    c->SetSelected(true);
    g->SetSelected(true);
    tree.SetDeselectChildrenOnCollapse(true);
    p->Expand(true);
    p->Collapse(false);
    EXPECT_TRUE(p->Selected());
    EXPECT_FALSE(c->Selected());
    EXPECT_FALSE(g->Selected());
    EXPECT_FALSE(p->Expanded());
    EXPECT_TRUE(c->Expanded());

    tree.SetMultiSelect(false);
    selEvents.clear();
    q->SetSelected(false);
    EXPECT_TRUE(selEvents.empty());
}

TEST(GtTreeItem, UpdateLockRunsEndWorkOnceAndAPendingSortOnce) {
    TGtTreeModel tree;
    RecordingView view;
    tree.SetDisplay(&view);
    tree.SetSortMode(smAdd);
    tree.SetSortSection(-1);
    int sorts = 0;
    tree.OnSortBegin = [&](runtime::TObject*) { ++sorts; };
    tree.Items().BeginUpdate();
    tree.Items().BeginUpdate();
    tree.Items().Add(nullptr, u"b");
    tree.Items().Add(nullptr, u"a");
    tree.Items().EndUpdate();
    EXPECT_TRUE(view.endUpdates.empty());
    EXPECT_EQ(sorts, 0);
    tree.Items().EndUpdate();
    EXPECT_EQ(view.endUpdates.size(), 1u);
    EXPECT_NE(view.endUpdates[0] & rfRowsStale, 0u);
    EXPECT_EQ(sorts, 1);
    EXPECT_EQ(Outline(tree), "a b ");
    tree.SetDisplay(nullptr);
}

// Sorts the top-level items with the given texts and returns their order.
std::string SortedTexts(const std::vector<std::u16string>& texts, TSortTypes type,
                        TSortDirs dir = sdAscend, bool useCase = true) {
    TGtTreeModel tree;
    tree.SetSortType(type);
    tree.SetSortDir(dir);
    tree.SetSortUseCase(useCase);
    for (const auto& t : texts) tree.Items().Add(nullptr, t);
    tree.Sort(false);
    return Outline(tree);
}

TEST(GtTreeItem, SortingByKeyType) {
    struct Case {
        std::vector<std::u16string> texts;
        TSortTypes type;
        TSortDirs dir;
        bool useCase;
        std::string expected;
    };
    const Case cases[] = {
        {{u"10", u"9", u"x", u""}, stNumber, sdAscend, true, "x  9 10 "},
        {{u"10", u"9", u"x", u""}, stNumber, sdDescend, true, "10 9 x  "},
        {{u"10", u"9", u"x"}, stText, sdAscend, true, "10 9 x "},
        {{u"a", u"B", u"abc", u"ab"}, stText, sdAscend, true, "B a ab abc "},
        {{u"b", u"A", u"a", u"B"}, stText, sdAscend, false, "A a b B "},  // ties: creation order
        {{u"b", u"A", u"a", u"B"}, stText, sdDescend, false, "b B A a "},
        {{u"true", u"0", u"", u"yes", u"1", u"False"},
         stBoolean,
         sdAscend,
         true,
         "yes 0  False true 1 "},
        {{u"$1,234.5", u"$99", u"(5)", u"abc"},
         stCurrency,
         sdAscend,
         true,
         "(5) abc $99 $1,234.5 "},
        {{u"2.5", u"-1", u"1e3", u"?"}, stFloating, sdAscend, true, "? -1 2.5 1e3 "},
        {{u"\u03C3x", u"\u03A3a", u"\u00E9"}, stText, sdAscend, false, "\u00E9 \u03A3a \u03C3x "},
    };
    for (const Case& c : cases) {
        const std::string got = SortedTexts(c.texts, c.type, c.dir, c.useCase);
        std::string expected = c.expected;
        EXPECT_EQ(got, runtime::WideToUtf8(runtime::Utf8ToWide(expected)))
            << "type " << c.type << " dir " << c.dir;
    }
}

TEST(GtTreeItem, SortingByColumnAndRecursively) {
    TGtTreeModel tree;
    TGtHeaderSections sections;
    tree.SetSections(&sections);
    sections.AddSection();
    sections.AddSection()->SetFieldType(sftNumber);
    tree.SetShowColumns(true);
    tree.SetSortSection(1);
    sections.GetSection(1)->SetSortMode(hsmDescend);
    TGtTreeItems& items = tree.Items();
    for (const char16_t* row : {u"a\t2", u"b\t10", u"\tb1\t5", u"\tb2\t7", u"c\t1"})
        items.AddFromLine(items.Count(), row);
    tree.Sort(true);
    EXPECT_EQ(Outline(tree), "b .b2 .b1 a c ");
}

TEST(GtTreeItem, CustomSortAsksTheHandlerAndKeepsCreationOrderForTies) {
    TGtTreeModel tree;
    tree.SetSortType(stCustom);
    for (const char16_t* t : {u"bb", u"a", u"cc", u"d"}) tree.Items().Add(nullptr, t);
    tree.OnCompareItems = [](runtime::TObject*, TGtTreeItem* x, TGtTreeItem* y, int& res) {
        res = static_cast<int>(x->Text().size()) - static_cast<int>(y->Text().size());
    };
    tree.Sort(false);
    EXPECT_EQ(Outline(tree), "a d bb cc ");
    tree.SetSortDir(sdDescend);
    tree.Sort(false);
    EXPECT_EQ(Outline(tree), "bb cc a d ");
}

TEST(GtTreeItem, WalksAndSearches) {
    TGtTreeModel tree;
    TGtTreeItems& items = tree.Items();
    TGtWideStringList lines;
    for (const char16_t* l : {u"A", u"\tKeyword", u"\t\tdeep", u"B", u"\tb1", u"C"}) lines.Add(l);
    items.Assign(&lines);
    items.Root()->Expand(true);
    items.Item(0)->Collapse(false);

    std::string seen;
    items.IterateAll(
        false, true,
        [&](TGtTreeItem* item, int index, bool& go, void*, TGtTreeModel*) {
            seen += Utf8(item->Text()) + std::to_string(index) + " ";
            if (index == 2) go = false;
        },
        nullptr);
    EXPECT_EQ(seen, "A0 Keyword1 deep2 ");
    seen.clear();
    items.IterateAll(
        false, false,
        [&](TGtTreeItem* item, int index, bool&, void*, TGtTreeModel*) {
            seen += Utf8(item->Text()) + std::to_string(index) + " ";
        },
        nullptr);
    EXPECT_EQ(seen, "A0 B1 b12 C3 ");
    seen.clear();
    items.Iterate(
        false, true,
        [&](TGtTreeItem* item, int index, bool&, void*, TGtTreeModel*) {
            seen += Utf8(item->Text()) + std::to_string(index) + " ";
        },
        nullptr, items.Item(4));
    EXPECT_EQ(seen, "b11 C2 ");
    seen.clear();
    items.IterateBack(
        false, true,
        [&](TGtTreeItem* item, int index, bool&, void*, TGtTreeModel*) {
            seen += Utf8(item->Text()) + std::to_string(index) + " ";
        },
        nullptr, items.Item(3));
    EXPECT_EQ(seen, "B3 deep2 Keyword1 A0 ");

    EXPECT_EQ(items.LookForItem(nullptr, u"KEYWORD", nullptr, 0, false, true, false, false, true),
              items.Item(1));
    EXPECT_EQ(items.LookForItem(nullptr, u"KEYWORD", nullptr, 0, false, true, false, false, false),
              nullptr);
    // Only displayed rows: the keyword sits inside a collapsed item.
    EXPECT_EQ(items.LookForItem(nullptr, u"Keyword", nullptr, 0, false, true, false, true, true),
              nullptr);
    EXPECT_EQ(tree.TotalVisible(), 4);
    EXPECT_EQ(items.GetVisItem(2)->Text(), u"b1");
    EXPECT_EQ(items.GetVisIndex(items.Item(5)), 3);
    EXPECT_EQ(items.GetVisIndex(items.Item(1)), -1);
}

TEST(GtTreeItem, ClearAndAssign) {
    TGtTreeModel tree;
    RecordingView view;
    tree.SetDisplay(&view);
    tree.Items().Clear();
    ASSERT_EQ(view.endUpdates.size(), 1u);
    EXPECT_EQ(view.endUpdates[0] & rfRowsStale, 0u);

    TGtTreeItem* a = tree.Items().Add(nullptr, u"A");
    a->ColumnText()->Add(u"col");
    a->SetUseStyles(true);
    a->AddStyle()->TextColor = 0x123456;
    TGtTreeItem* b = tree.Items().AddChild(a, u"B");
    tree.Items().AddChild(b, u"C");
    b->SetSelected(true);

    TGtTreeModel copy;
    copy.Items().Assign(&tree.Items());
    EXPECT_EQ(Outline(copy), "A .B ..C ");
    TGtTreeItem* a2 = copy.Items().Item(0);
    EXPECT_EQ(a2->ColumnText()->Strings(0), u"col");
    EXPECT_EQ(a2->Styles(0)->TextColor, 0x123456u);
    EXPECT_FALSE(copy.Items().Item(1)->Selected());

    // Copying an item from its own ancestor would never end; from its own
    // descendant (the root's too) would free the source while reading it.
    EXPECT_THROW(b->Assign(a), EGtTreeError);
    EXPECT_THROW(a->Assign(b), EGtTreeError);
    EXPECT_THROW(a->Assign(b->FirstChild()), EGtTreeError);
    EXPECT_THROW(a->Root()->Assign(b), EGtTreeError);
    EXPECT_EQ(Outline(tree), "A .B ..C ");
    EXPECT_THROW(a->Assign(static_cast<runtime::TPersistent*>(nullptr)), runtime::EConvertError);
    tree.SetDisplay(nullptr);
}

TEST(GtTreeItem, VirtualTreesAskForTextsAndDropStorage) {
    TGtTreeModel tree;
    TGtTreeItem* a = tree.Items().Add(nullptr, u"kept?");
    tree.SetVirtualityLevel(vlTextAndStyles);
    EXPECT_EQ(a->ColumnText(), nullptr);
    EXPECT_EQ(a->MainStyle(), nullptr);
    tree.OnVirtualTextNeeded = [](runtime::TObject*, TGtTreeItem*, int section,
                                  std::u16string& text) {
        text = u"v" + runtime::Utf8ToWide(std::to_string(section));
    };
    EXPECT_EQ(a->Text(), u"v-1");
    EXPECT_EQ(a->CellText(2), u"v2");
    tree.SetVirtualityLevel(vlNone);
    EXPECT_EQ(a->Text(), u"");
    ASSERT_NE(a->ColumnText(), nullptr);
}

}  // namespace
}  // namespace controls::tree
