#include "controls/tree/widestrings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/objectstream.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

namespace controls::tree {
namespace {

std::vector<std::u16string> Lines(const TGtWideStrings& list) {
    std::vector<std::u16string> lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
    return lines;
}

std::string Bytes(runtime::TMemoryStream& stream) {
    return std::string(static_cast<const char*>(stream.Memory()),
                       static_cast<size_t>(stream.Size()));
}

TEST(GtWideStringList, TextSplitsAtEveryKindOfBreak) {
    struct Case {
        std::u16string text;
        std::vector<std::u16string> lines;
    };
    const Case cases[] = {
        {u"x\ry\nz", {u"x", u"y", u"z"}},
        {u"x\n\ry", {u"x", u"", u"y"}},
        {u"a\r\n\r\n", {u"a", u""}},
        {u"a\r\n", {u"a"}},
        {std::u16string(u"a\nb\0c", 5), {u"a", u"b"}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        TGtWideStringList list;
        list.SetTextStr(c.text);
        EXPECT_EQ(Lines(list), c.lines);
    }
    TGtWideStringList list;
    list.Add(u"a");
    list.Add(u"");
    EXPECT_EQ(list.GetTextStr(), u"a\r\n\r\n");
    EXPECT_EQ(std::u16string(list.GetText().get()), u"a\r\n\r\n");
}

TEST(GtWideStringList, SortedListsFindAddAndRefuse) {
    TGtWideStringList list;
    list.Add(u"c");
    list.Add(u"b");
    list.Add(u"a");
    list.Add(u"b");
    list.Sort();
    EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"a", u"b", u"b", u"c"}));
    list.SetSorted(true);
    int index = -1;
    EXPECT_TRUE(list.Find(u"b", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find(u"bb", index));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(list.Add(u"b"), 1);  // gtDupIgnore
    EXPECT_EQ(list.Count(), 4);
    list.SetDuplicates(gtDupError);
    EXPECT_THROW(list.Add(u"c"), runtime::EStringListError);
    list.SetDuplicates(gtDupAccept);
    EXPECT_EQ(list.Add(u"B"), 0);
    EXPECT_EQ(list.IndexOf(u"c"), 4);
    try {
        list.Insert(0, u"x");
        ADD_FAILURE();
    } catch (const runtime::EStringListError& e) {
        EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
    }
    EXPECT_THROW(list.SetStrings(0, u"x"), runtime::EStringListError);
    try {
        (void)list.Strings(9);
        ADD_FAILURE();
    } catch (const runtime::EStringListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (9)");
    }
}

TEST(GtWideStringList, EventsFireOutsideUpdatesOnly) {
    TGtWideStringList list;
    std::vector<std::string> events;
    list.OnChanging = [&](runtime::TObject*) { events.push_back("changing"); };
    list.OnChange = [&](runtime::TObject*) { events.push_back("change"); };
    list.Add(u"a");
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
    events.clear();
    list.BeginUpdate();
    list.Add(u"b");
    list.Add(u"c");
    list.Move(0, 2);
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
    EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"b", u"c", u"a"}));
    events.clear();
    list.Clear();
    list.Clear();  // empty: no events
    EXPECT_EQ(events.size(), 2u);
}

TEST(GtWideStringList, StreamsKeepTheirEncoding) {
    struct Case {
        std::string bytes;
        std::vector<std::u16string> lines;
        bool unicode;
        std::string saved;
    };
    const Case cases[] = {
        {std::string("\xFE\xFF\x00h\x04\x10\x00\r\x00\n", 10),
         {u"h\u0410"},
         true,
         std::string("\xFF\xFEh\x00\x10\x04\r\x00\n\x00", 10)},
        {std::string("\xFF\xFEh\x00\x10\x04", 6),
         {u"h\u0410"},
         true,
         std::string("\xFF\xFEh\x00\x10\x04\r\x00\n\x00", 10)},
        {"caf\xE9\r\nx", {u"caf\u00E9", u"x"}, false, "caf\xE9\r\nx\r\n"},
        {"", {}, false, ""},
        {"z", {u"z"}, false, "z\r\n"},
    };
    for (const Case& c : cases) {
        runtime::TMemoryStream in;
        in.WriteBuffer(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
        in.SetPosition(0);
        TGtWideStringList list;
        list.LoadFromStream(in);
        EXPECT_EQ(Lines(list), c.lines);
        EXPECT_EQ(list.UnicodeText(), c.unicode);
        runtime::TMemoryStream out;
        list.SaveToStream(out);
        EXPECT_EQ(Bytes(out), c.saved);
    }
}

TEST(GtWideStringList, AssignsToAndFromEightBitLists) {
    runtime::TObject marker;
    runtime::TStringList ansi;
    ansi.AddObject("caf\xE9", &marker);
    ansi.Add("two");
    TGtWideStringList wide;
    wide.Add(u"old");
    wide.Assign(ansi);
    EXPECT_EQ(Lines(wide), (std::vector<std::u16string>{u"caf\u00E9", u"two"}));
    EXPECT_EQ(wide.Objects(0), &marker);

    TGtWideStringList copy;
    copy.Assign(&wide);
    EXPECT_TRUE(copy.Equals(wide));
    EXPECT_EQ(copy.Objects(0), &marker);

    runtime::TStringList back;
    copy.SetStrings(1, u"\u0410");  // no 8-bit form
    copy.AssignTo(back);
    EXPECT_EQ(back.Text(), "caf\xE9\r\n?\r\n");
    EXPECT_EQ(back.Objects(0), &marker);
    EXPECT_THROW(copy.Assign(static_cast<const runtime::TPersistent*>(nullptr)),
                 runtime::EConvertError);
}

// The "Strings" property: a list value holding one wide string per line.
std::string StringsValue(const std::string& items) {
    return std::string("\x01", 1) + items + std::string("\x00", 1);
}

void ReadStringsProperty(TGtWideStrings& list, const std::string& value) {
    const std::string property = std::string("\x07Strings", 8) + value;
    runtime::TMemoryStream stream;
    stream.WriteBuffer(property.data(), static_cast<int64_t>(property.size()));
    stream.SetPosition(0);
    runtime::TReader reader(stream);
    reader.ReadProperty(list);
}

TEST(GtWideStringList, StringsPropertyRoundTripsAndRejectsOtherValues) {
    TGtWideStringList list;
    list.Add(u"a\u0410");
    list.Add(u"");
    runtime::TMemoryStream stream;
    {
        runtime::TWriter writer(stream);
        list.DefineProperties(writer);
    }
    const std::string written = Bytes(stream);
    const std::string expected = std::string("\x07Strings\x01", 9) +
                                 std::string(
                                     "\x12\x02\x00\x00\x00"
                                     "a\x00\x10\x04",
                                     9) +
                                 std::string("\x12\x00\x00\x00\x00", 5) + std::string(1, '\0');
    EXPECT_EQ(written, expected);

    TGtWideStringList empty;
    runtime::TMemoryStream none;
    {
        runtime::TWriter writer(none);
        empty.DefineProperties(writer);
    }
    EXPECT_EQ(none.Size(), 0);

    TGtWideStringList back;
    back.Add(u"stale");
    ReadStringsProperty(back, written.substr(8));
    EXPECT_TRUE(back.Equals(list));

    struct Case {
        std::string items;
        std::vector<std::u16string> lines;  // empty with ok false: EReadError
        bool ok;
    };
    const Case cases[] = {
        {std::string("\x06\x02"
                     "ab",
                     4),
         {u"ab"},
         true},
        {std::string("\x0C\x01\x00\x00\x00\xE9", 6), {u"\u00E9"}, true},
        {std::string("\x92\x01\x00\x00\x00z\x00", 7), {u"z"}, true},          // high bit ignored
        {std::string("\x02\x05", 2), {}, false},                              // an Int8
        {std::string("\x14\x01\x00\x00\x00\x00\x00\x00\x00", 9), {}, false},  // Int64
        {std::string("\x12\xFF\xFF\xFF\xFF", 5), {}, false},                  // negative length
        {std::string("\x12\xFF\xFF\xFF\x7F", 5), {}, false},                  // beyond the stream
        {std::string("\x06\x09"
                     "ab",
                     4),
         {},
         false},  // truncated
    };
    for (const Case& c : cases) {
        TGtWideStringList read;
        if (c.ok) {
            ReadStringsProperty(read, StringsValue(c.items));
            EXPECT_EQ(Lines(read), c.lines);
        } else {
            EXPECT_THROW(ReadStringsProperty(read, StringsValue(c.items)), runtime::EReadError);
        }
    }
    TGtWideStringList bad;
    try {
        ReadStringsProperty(bad, StringsValue(std::string("\x02\x05", 2)));
    } catch (const runtime::EReadError& e) {
        EXPECT_NE(e.Message().find("Error while reading wide strings list"), std::string::npos)
            << e.Message();
    }
}

}  // namespace
}  // namespace controls::tree
