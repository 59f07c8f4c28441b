#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/tree/cellstyle.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace controls::tree {
namespace {

// Little-endian byte building.
struct Bytes {
    std::string b;
    Bytes& i32(int32_t v) {
        for (int i = 0; i < 4; ++i) b += static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
        return *this;
    }
    Bytes& u8(uint8_t v) {
        b += static_cast<char>(v);
        return *this;
    }
    Bytes& raw(const std::string& s) {
        b += s;
        return *this;
    }
    Bytes& wide(std::u16string_view s) {
        i32(static_cast<int32_t>(s.size()));
        for (char16_t c : s) b += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        return *this;
    }
    Bytes& ansi(std::string_view s) {
        i32(static_cast<int32_t>(s.size()));
        b += s;
        return *this;
    }
};

// A property block from {offset, size, value} rows; everything else zero.
struct Field {
    int offset, size;
    int64_t value;
};
std::string Block(int size, std::initializer_list<Field> fields) {
    std::string block(static_cast<size_t>(size), '\0');
    for (const Field& f : fields)
        for (int i = 0; i < f.size; ++i)
            block[static_cast<size_t>(f.offset + i)] =
                static_cast<char>(static_cast<uint64_t>(f.value) >> (8 * i));
    return block;
}

// The block of an item with default fields and the given state word.
std::string DefaultBlock(uint16_t state) {
    return Block(128, {{0, 2, state},
                       {4, 4, -1},
                       {8, 4, -1},
                       {12, 4, -1},
                       {16, 4, -1},
                       {20, 4, 0x128783},
                       {64, 1, -1},
                       {66, 1, -1}});
}

std::string Save(TGtTreeModel& tree) {
    runtime::TMemoryStream s;
    tree.Items().SaveToStream(s);
    return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

void Load(TGtTreeModel& tree, const std::string& bytes) {
    runtime::TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    tree.Items().LoadFromStream(s);
}

// The root's record of a stream whose children follow.
Bytes RootRecord(int32_t children) {
    Bytes r;
    r.i32(-14).wide(u"").raw(DefaultBlock(0x80)).i32(-1).wide(u"").i32(0).u8(0).i32(children);
    return r;
}

TEST(ItemStream, EmptyTreeWritesTheRootRecordOnly) {
    TGtTreeModel tree;
    EXPECT_EQ(Save(tree), RootRecord(0).b);
}

TEST(ItemStream, ItemRecordsAreByteExact) {
    TGtTreeModel tree;
    TGtTreeItem* a = tree.Items().Add(nullptr, u"A\u0410");
    a->SetHint(u"h\u0411");
    a->ColumnText()->Add(u"c\u0412");
    a->Tag = 77;
    a->Overlay2 = 3;
    a->SetCheckBoxState(cbGrayed);
    a->SetState(kStateBold, true);
    a->SetUseStyles(true);
    TGtCellStyle* style = a->AddStyle();
    style->TextColor = 0x0000FF;
    style->FontName = "Arial";
    tree.SetItemFocused(a);
    a->SetSelected(true);

    Bytes expected = RootRecord(1);
    expected.i32(-14).wide(u"A\u0410");
    expected.raw(Block(128, {{0, 2, 0x20},  // bold; focus and selection are not written
                             {4, 4, -1},
                             {8, 4, -1},
                             {12, 4, -1},
                             {16, 4, -1},
                             {20, 4, 0x128783 | 0x1000},
                             {40, 1, 2},
                             {60, 4, 77},
                             {64, 1, -1},
                             {66, 1, 3}}));
    expected.i32(-1).wide(u"h\u0411").i32(1).wide(u"c\u0412");
    const std::string mainStyle = Block(36, {{12, 4, 0x8824}, {22, 1, 1}, {24, 4, 8}});
    const std::string extraStyle =
        Block(36, {{8, 4, 0xFF}, {12, 4, 0x8824}, {22, 1, 1}, {24, 4, 8}});
    expected.u8(1).u8(0).raw(mainStyle).ansi("MS Sans Serif").i32(1).raw(extraStyle).ansi("Arial");
    expected.i32(0);
    EXPECT_EQ(Save(tree), expected.b);

    // And back: every field, neither focused nor selected.
    TGtTreeModel back;
    Load(back, expected.b);
    ASSERT_EQ(back.Items().Count(), 1);
    TGtTreeItem* b = back.Items().Item(0);
    EXPECT_EQ(b->Text(), u"A\u0410");
    EXPECT_EQ(b->Hint(), u"h\u0411");
    EXPECT_EQ(b->ColumnText()->Strings(0), u"c\u0412");
    EXPECT_EQ(b->Tag, 77);
    EXPECT_EQ(b->Overlay1, -1);
    EXPECT_EQ(b->Overlay2, 3);
    EXPECT_EQ(b->CheckBoxState(), cbGrayed);
    EXPECT_TRUE(b->GetState(kStateBold));
    EXPECT_FALSE(b->Focused());
    EXPECT_FALSE(b->Selected());
    ASSERT_EQ(b->StylesCount(), 1);
    EXPECT_EQ(b->Styles(0)->TextColor, 0xFFu);
    EXPECT_EQ(b->Styles(0)->FontName, "Arial");
    EXPECT_EQ(Save(back), expected.b);
}

TEST(ItemStream, EventsWriteAndReadApplicationData) {
    TGtTreeModel tree;
    tree.Items().Add(nullptr, u"x");
    tree.OnItemSave = [](runtime::TObject*, runtime::TStream* s, TGtTreeItem* item) {
        const uint8_t marker = item->IsRoot() ? 0xAA : 0xBB;
        s->WriteBuffer(&marker, 1);
    };
    const std::string bytes = Save(tree);
    TGtTreeModel back;
    std::string seen;
    back.OnItemLoad = [&](runtime::TObject*, runtime::TStream* s, TGtTreeItem*) {
        uint8_t marker;
        s->ReadBuffer(&marker, 1);
        seen += static_cast<char>(marker);
    };
    Load(back, bytes);
    EXPECT_EQ(seen, "\xAA\xBB");
    EXPECT_EQ(back.Items().Item(0)->Text(), u"x");
}

TEST(ItemStream, OlderVersionsAreRead) {
    struct Case {
        const char* name;
        std::string record;  // one top-level item, without children
        std::u16string text, hint;
        int32_t image2, overlay1;
        TGtColor bk, rowBk;
        bool hidden, useBk, checkBox;
    };
    const std::string tail = Bytes().i32(0).b;  // no children
    const Case cases[] = {
        {"-13",
         Bytes().i32(-13)
                 .ansi("caf\xE9")
                 .raw(Block(128, {{12, 4, 5},
                                  {36, 4, 9},
                                  {32, 4, 8},
                                  {20, 4, 0x4000},
                                  {64, 1, 2},
                                  {66, 1, -1}}))
                 .i32(-1)
                 .wide(u"\u0416")
                 .i32(0)
                 .u8(0)
                 .b +
             tail,
         u"caf\u00E9", u"\u0416", 5, 2, 9, 8, true, false, false},
        {"-12",
         Bytes().i32(-12)
                 .ansi("t")
                 .raw(Block(128, {{64, 1, 7}}))
                 .i32(-1)
                 .wide(u"w")
                 .i32(0)
                 .u8(0)
                 .b +
             tail,
         u"t", u"w", 0, -1, 0, 0, false, false, false},
        {"-11",
         Bytes().i32(-11).ansi("t").raw(Block(128, {})).i32(-1).ansi("n\xE9").i32(0).u8(0).b + tail,
         u"t", u"n\u00E9", 0, -1, 0, 0, false, false, false},
        {"-10",
         Bytes().i32(-10)
                 .ansi("t")
                 .raw(Block(48, {{20, 4, 8}, {24, 4, 9}, {32, 1, 1}, {45, 1, 1}}))
                 .u8(1)
                 .i32(0)
                 .u8(0)
                 .b +
             tail,
         u"t", u"", -1, -1, 9, 8, true, true, true},
        {"-9",
         Bytes().i32(-9)
                 .ansi("t")
                 .raw(Block(44, {{20, 4, 9}, {28, 1, 1}, {32, 4, 6}}))
                 .u8(0)
                 .i32(0)
                 .u8(0)
                 .b +
             tail,
         u"t", u"", 6, -1, 9, 0, false, false, true},
        {"-1", Bytes().i32(-1).ansi("t").i32(-1).ansi("h").i32(0).u8(0).b + tail, u"t", u"h", -1,
         -1, 0, 0, false, true, false},
        {"unversioned", Bytes().i32(1).raw("u").i32(0).b + tail, u"u", u"", -1, -1, 0, 0, false,
         true, false},
    };
    for (const Case& c : cases) {
        TGtTreeModel tree;
        Load(tree, RootRecord(1).b + c.record);
        ASSERT_EQ(tree.Items().Count(), 1) << c.name;
        TGtTreeItem* item = tree.Items().Item(0);
        EXPECT_EQ(item->Text(), c.text) << c.name;
        EXPECT_EQ(item->Hint(), c.hint) << c.name;
        EXPECT_EQ(item->ImageIndex2, c.image2) << c.name;
        EXPECT_EQ(item->Overlay1, c.overlay1) << c.name;
        EXPECT_EQ(item->BkColor, c.bk) << c.name;
        EXPECT_EQ(item->RowBkColor(), c.rowBk) << c.name;
        EXPECT_EQ(item->Hidden(), c.hidden) << c.name;
        EXPECT_EQ(item->HasFlag(ifUseBkColor), c.useBk) << c.name;
        EXPECT_EQ(item->ShowCheckBox(), c.checkBox) << c.name;
        EXPECT_EQ(tree.HiddenCount(), c.hidden ? 1 : 0) << c.name;
    }
}

TEST(ItemStream, DamagedStreamsFailCleanly) {
    const std::string item =
        Bytes().i32(-14).wide(u"ok").raw(DefaultBlock(0)).i32(-1).wide(u"").i32(0).u8(0).i32(0).b;
    struct Case {
        const char* name;
        std::string bytes;
        int itemsKept;
    };
    const Case cases[] = {
        {"truncated root", RootRecord(0).b.substr(0, 40), 0},
        {"negative text length", Bytes().i32(-14).i32(-5).b, 0},
        {"huge text length", Bytes().i32(-14).i32(0x7FFFFFFF).b, 0},
        {"huge child count", RootRecord(0x7FFFFFFF).b, 0},
        {"negative child count", RootRecord(-1).b, 0},
        // The item being read when the stream ended stays, with its defaults.
        {"second child missing", RootRecord(2).b + item, 2},
        {"huge column count", Bytes().i32(-14).wide(u"").raw(DefaultBlock(0)).i32(0x40000000).b, 0},
        {"unknown newer version", Bytes().i32(-15).i32(0).b, 0},
    };
    for (const Case& c : cases) {
        TGtTreeModel tree;
        EXPECT_THROW(Load(tree, c.bytes), runtime::EReadError) << c.name;
        EXPECT_EQ(tree.Items().Count(), c.itemsKept) << c.name;
    }
    // A negative hint length leaves the hint alone and reading goes on.
    TGtTreeModel tree;
    Load(tree,
         RootRecord(1).b +
             Bytes().i32(-13).ansi("t").raw(Block(128, {})).i32(-1).i32(-7).i32(0).u8(0).i32(0).b);
    EXPECT_EQ(tree.Items().Item(0)->Text(), u"t");

    // Nesting deeper than the reader allows fails instead of exhausting the stack.
    std::string deep;
    for (int i = 0; i < 400; ++i) deep += Bytes().i32(1).raw("d").i32(0).i32(1).b;
    TGtTreeModel nested;
    EXPECT_THROW(Load(nested, RootRecord(1).b + deep), runtime::EReadError);
}

}  // namespace
}  // namespace controls::tree
