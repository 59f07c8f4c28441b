#include "runtime/stringlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/container_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace runtime {
namespace {

using Lines = std::vector<std::string>;

Lines lines(const TStrings& list) {
    Lines out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
}

void fill(TStrings& list, const Lines& values) {
    for (const std::string& v : values) list.Add(v);
}

// ---- text forms -------------------------------------------------------------

TEST(StringListTest, CommaTextQuotesItemsThatNeedItAndReadsThemBack) {
    // {items, CommaText}
    const std::pair<Lines, std::string> rows[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a"}, "a"},
        {{"a", "b"}, "a,b"},
        {{"a b"}, "\"a b\""},
        {{"a,b"}, "\"a,b\""},
        {{"a\"b"}, "\"a\"\"b\""},
        {{"tab\there"}, "\"tab\there\""},
        {{"", ""}, ","},
        {{"a", ""}, "a,"},
        {{"", "a"}, ",a"},
        {{"x;y", "'q'", "=v"}, "x;y,'q',=v"},
        {{"\"\""}, "\"\"\"\"\"\""},
    };
    for (const auto& [items, text] : rows) {
        TStringList list;
        fill(list, items);
        EXPECT_EQ(list.CommaText(), text);
        TStringList back;
        back.SetCommaText(text);
        EXPECT_EQ(lines(back), items) << "reading back " << text;
    }
}

TEST(StringListTest, CommaTextSplitsAtCommasAndBlanksOutsideQuotes) {
    // {CommaText, items}
    const std::pair<std::string, Lines> rows[] = {
        {"a, b", {"a", "b"}},
        {"  a ,  b  ", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"a\tb\r\nc", {"a", "b", "c"}},
        {"\"a b\",c", {"a b", "c"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {"a, ", {"a"}},
        {",", {"", ""}},
        {"", {}},
        {"   ", {}},
        {"\"\"", {""}},
        {"\"ab\"cd", {"ab", "cd"}},
        {"\"abc", {"abc"}},
        {"a\"b", {"a\"b"}},
    };
    for (const auto& [text, items] : rows) {
        TStringList list;
        list.Add("old");
        list.SetCommaText(text);
        EXPECT_EQ(lines(list), items) << "CommaText " << text;
    }
}

TEST(StringListTest, DelimitedTextUsesTheListsDelimiterAndQuote) {
    TStringList list;
    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    fill(list, {"a b", "c;d", "e'f", "g,h", "\"i\""});
    EXPECT_EQ(list.DelimitedText(), "'a b';'c;d';'e''f';g,h;\"i\"");
    // CommaText keeps to ',' and '"' whatever the list's characters are.
    EXPECT_EQ(list.CommaText(), "\"a b\",c;d,e'f,\"g,h\",\"\"\"i\"\"\"");

    TStringList back;
    back.SetDelimiter(';');
    back.SetQuoteChar('\'');
    back.SetDelimitedText(list.DelimitedText());
    EXPECT_EQ(lines(back), lines(list));
}

TEST(StringListTest, TextEndsEveryLineWithCrLfAndSplitsAtAnyLineEnd) {
    TStringList list;
    EXPECT_EQ(list.Text(), "");
    list.Add("");
    EXPECT_EQ(list.Text(), "\r\n");
    list.Clear();
    fill(list, {"a", "b"});
    EXPECT_EQ(list.Text(), "a\r\nb\r\n");

    // {Text, lines}
    const std::pair<std::string, Lines> rows[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"", {}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {std::string("a\0b", 3), {std::string("a\0b", 3)}},
    };
    for (const auto& [text, expected] : rows) {
        list.SetText(text);
        EXPECT_EQ(lines(list), expected);
    }
}

TEST(StringListTest, NamesAndValues) {
    TStringList list;
    fill(list, {"a=1", "B=2", "plain", "=x", "d=e=f"});
    EXPECT_EQ((Lines{list.Names(0), list.Names(1), list.Names(2), list.Names(3), list.Names(4)}),
              (Lines{"a", "B", "", "", "d"}));
    EXPECT_EQ(list.Values("b"), "2");  // names compare without case
    EXPECT_EQ(list.Values("d"), "e=f");
    EXPECT_EQ(list.Values("plain"), "");  // a line without "=" has no name
    EXPECT_EQ(list.Values("missing"), "");
    EXPECT_EQ(list.IndexOfName("A"), 0);
    EXPECT_EQ(list.IndexOfName("plain"), -1);
    EXPECT_EQ(list.ValueFromIndex(2), "");  // not the line less its first letter
    EXPECT_EQ(list.ValueFromIndex(4), "e=f");
    EXPECT_EQ(list.ValueFromIndex(-1), "");

    list.SetValues("A", "9");
    list.SetValues("new", "v");
    list.SetValues("b", "");  // deletes the line
    list.SetValues("missing", "");
    list.SetValueFromIndex(2, "y");
    EXPECT_EQ(lines(list), (Lines{"A=9", "plain", "=y", "d=e=f", "new=v"}));  // the name as given

    TStringList colons;
    colons.SetNameValueSeparator(':');
    fill(colons, {"host:example.com", "port:80"});
    EXPECT_EQ(colons.Values("PORT"), "80");
    EXPECT_EQ(colons.Names(0), "host");

    // A sorted list takes a new name in its place.
    TStringList sorted;
    sorted.SetSorted(true);
    fill(sorted, {"b=2", "d=4"});
    sorted.SetValues("c", "3");
    EXPECT_EQ(lines(sorted), (Lines{"b=2", "c=3", "d=4"}));
}

// ---- sorting and searching --------------------------------------------------

TEST(StringListTest, SortedListsAndDuplicates) {
    struct Case {
        const char* name;
        TDuplicates duplicates;
        bool caseSensitive;
        Lines adds;
        Lines expected;
        const char* error;  // EStringListError raised by the last Add, if any
    };
    const Case cases[] = {
        {"ignore", dupIgnore, false, {"b", "a", "B", "c"}, {"a", "b", "c"}, nullptr},
        {"accept", dupAccept, false, {"b", "a", "B", "b"}, {"a", "b", "B", "b"}, nullptr},
        {"error",
         dupError,
         false,
         {"b", "a", "B"},
         {"a", "b"},
         "String list does not allow duplicates"},
        {"case-sensitive ignore", dupIgnore, true, {"B", "b", "b", "a"}, {"a", "b", "B"}, nullptr},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.duplicates);
        list.SetCaseSensitive(c.caseSensitive);
        try {
            fill(list, c.adds);
            EXPECT_EQ(c.error, nullptr) << c.name;
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), c.error ? c.error : "") << c.name;
        }
        // dupAccept inserts a new equal line before the equal lines.
        EXPECT_EQ(lines(list), c.expected) << c.name;
    }

    // An ignored duplicate keeps its object and answers its index.
    TStringList list;
    list.SetSorted(true);
    TObject first;
    TObject second;
    list.AddObject("x", &first);
    EXPECT_EQ(list.AddObject("X", &second), 0);
    EXPECT_EQ(list.Objects(0), &first);
    EXPECT_EQ(list.Count(), 1);
}

TEST(StringListTest, SortedListRefusesPositionalChangesWithoutLosingLines) {
    TStringList list;
    list.SetSorted(true);
    fill(list, {"c", "a", "b"});
    const std::function<void()> refused[] = {
        [&] { list.Insert(0, "z"); },
        [&] { list.SetStrings(0, "z"); },
        [&] { list.Move(0, 2); },
    };
    for (const auto& call : refused) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
        }
        EXPECT_EQ(lines(list), (Lines{"a", "b", "c"}));
    }
}

TEST(StringListTest, FindAnswersTheIndexOrTheInsertionPoint) {
    struct Case {
        Lines sortedLines;
        TDuplicates duplicates;
        std::string s;
        bool found;
        int index;
    };
    const Case cases[] = {
        {{"a", "c", "e"}, dupIgnore, "c", true, 1},
        {{"a", "c", "e"}, dupIgnore, "C", true, 1},
        {{"a", "c", "e"}, dupIgnore, "d", false, 2},
        {{"a", "c", "e"}, dupIgnore, "", false, 0},
        {{"a", "c", "e"}, dupIgnore, "z", false, 3},
        {{}, dupIgnore, "a", false, 0},
        // With duplicates accepted the first equal line; otherwise the one
        // the search meets first.
        {{"a", "b", "b", "b", "c"}, dupAccept, "b", true, 1},
        {{"a", "b", "b", "b", "c"}, dupIgnore, "b", true, 2},
    };
    for (const Case& c : cases) {
        TStringList list;
        fill(list, c.sortedLines);
        list.SetSorted(true);
        list.SetDuplicates(c.duplicates);
        int index = -1;
        EXPECT_EQ(list.Find(c.s, index), c.found) << c.s;
        EXPECT_EQ(index, c.index) << c.s;
    }
}

TEST(StringListTest, CaseSensitivityOfSearchesAndSorting) {
    TStringList list;
    fill(list, {"Beta", "alpha"});
    EXPECT_EQ(list.IndexOf("ALPHA"), 1);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("ALPHA"), -1);
    EXPECT_EQ(list.IndexOf("alpha"), 1);

    // Switching the comparison of a sorted list sorts it again, so that the
    // binary search still finds every line.
    TStringList sorted;
    sorted.SetSorted(true);
    sorted.SetDuplicates(dupAccept);
    fill(sorted, {"b", "B"});
    sorted.SetCaseSensitive(true);
    EXPECT_EQ(sorted.IndexOf("b"), 0);
    EXPECT_EQ(sorted.IndexOf("B"), 1);

    TStringList custom;
    fill(custom, {"ccc", "a", "bb"});
    custom.CustomSort([](TStringList& l, int i, int j) {
        return static_cast<int>(l.Strings(i).size()) - static_cast<int>(l.Strings(j).size());
    });
    EXPECT_EQ(lines(custom), (Lines{"a", "bb", "ccc"}));
    custom.SetSorted(true);  // sorts by the list's own comparison
    EXPECT_EQ(lines(custom), (Lines{"a", "bb", "ccc"}));
}

// ---- changes and events -----------------------------------------------------

class EventLog {
  public:
    explicit EventLog(TStringList& list) {
        list.OnChanging = [this, &list](TObject* sender) {
            EXPECT_EQ(sender, &list);
            events.push_back("changing:" + std::to_string(list.Count()));
        };
        list.OnChange = [this, &list](TObject*) {
            events.push_back("change:" + std::to_string(list.Count()));
        };
    }
    std::vector<std::string> events;
};

TEST(StringListTest, EventsFireOncePerChangeAndOncePerOutermostUpdate) {
    struct Case {
        const char* name;
        std::function<void(TStringList&)> change;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"Add", [](TStringList& l) { l.Add("x"); }, {"changing:2", "change:3"}},
        {"Delete", [](TStringList& l) { l.Delete(0); }, {"changing:2", "change:1"}},
        {"update",
         [](TStringList& l) {
             l.BeginUpdate();
             l.Add("x");
             l.Delete(0);
             l.EndUpdate();
         },
         {"changing:2", "change:2"}},
        {"nested update",
         [](TStringList& l) {
             l.BeginUpdate();
             l.BeginUpdate();
             l.Add("x");
             l.EndUpdate();
             l.Add("y");
             l.EndUpdate();
         },
         {"changing:2", "change:4"}},
        {"Text", [](TStringList& l) { l.SetText("p\r\nq\r\nr"); }, {"changing:2", "change:3"}},
        {"CommaText", [](TStringList& l) { l.SetCommaText("p,q"); }, {"changing:2", "change:2"}},
        {"Move", [](TStringList& l) { l.Move(0, 1); }, {"changing:2", "change:2"}},
        {"Exchange", [](TStringList& l) { l.Exchange(0, 1); }, {"changing:2", "change:2"}},
        {"Sort", [](TStringList& l) { l.Sort(); }, {"changing:2", "change:2"}},
        {"Values", [](TStringList& l) { l.SetValues("k", "v"); }, {"changing:2", "change:3"}},
        {"unmatched EndUpdate",
         [](TStringList& l) {
             l.EndUpdate();
             l.Add("x");
         },
         {"changing:2", "change:3"}},
        {"failed Delete", [](TStringList& l) { EXPECT_THROW(l.Delete(5), EStringListError); }, {}},
        {"Clear of an empty list",
         [](TStringList& l) {
             l.BeginUpdate();
             l.Clear();
             l.Clear();
             l.EndUpdate();
         },
         {"changing:2", "change:0"}},
    };
    for (const Case& c : cases) {
        TStringList list;
        fill(list, {"b", "a"});
        EventLog log(list);
        c.change(list);
        EXPECT_EQ(log.events, c.events) << c.name;
    }

    std::vector<std::string> events;
    {
        TStringList list;
        list.Add("x");
        list.OnChange = [&](TObject*) { events.push_back("change"); };
        list.OnChanging = [&](TObject*) { events.push_back("changing"); };
    }
    EXPECT_TRUE(events.empty()) << "destroying the list fired events";
}

TEST(StringListTest, BadIndexesRaiseAndChangeNothing) {
    struct Case {
        const char* name;
        std::function<void(TStringList&)> call;
        const char* message;
    };
    const Case cases[] = {
        {"Strings(-1)", [](TStringList& l) { (void)l.Strings(-1); },
         "List index out of bounds (-1)"},
        {"Strings(3)", [](TStringList& l) { (void)l.Strings(3); }, "List index out of bounds (3)"},
        {"Objects(3)", [](TStringList& l) { (void)l.Objects(3); }, "List index out of bounds (3)"},
        {"SetObjects(3)", [](TStringList& l) { l.SetObjects(3, nullptr); },
         "List index out of bounds (3)"},
        {"Delete(3)", [](TStringList& l) { l.Delete(3); }, "List index out of bounds (3)"},
        {"Insert(4)", [](TStringList& l) { l.Insert(4, "x"); }, "List index out of bounds (4)"},
        {"Exchange(0,3)", [](TStringList& l) { l.Exchange(0, 3); }, "List index out of bounds (3)"},
        // The target is checked before the line leaves its place.
        {"Move(0,3)", [](TStringList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
        {"Move(3,0)", [](TStringList& l) { l.Move(3, 0); }, "List index out of bounds (3)"},
        {"SetCapacity(1)", [](TStringList& l) { l.SetCapacity(1); },
         "List capacity out of bounds (1)"},
    };
    for (const Case& c : cases) {
        TStringList list;
        fill(list, {"a", "b", "c"});
        try {
            c.call(list);
            ADD_FAILURE() << c.name << " raised nothing";
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), c.message) << c.name;
            EXPECT_STREQ(e.ClassName(), "EStringListError");
        }
        EXPECT_EQ(lines(list), (Lines{"a", "b", "c"})) << c.name;
    }
}

TEST(StringListTest, ObjectsTravelWithTheirLines) {
    TObject one;
    TObject two;
    TStringList list;
    list.AddObject("one", &one);
    list.Add("none");
    list.InsertObject(0, "two", &two);
    list.Move(0, 2);
    EXPECT_EQ(lines(list), (Lines{"one", "none", "two"}));
    EXPECT_EQ(list.Objects(2), &two);
    list.Exchange(0, 2);
    EXPECT_EQ(list.Objects(0), &two);
    EXPECT_EQ(list.Objects(2), &one);
    EXPECT_EQ(list.IndexOfObject(&one), 2);
    EXPECT_EQ(list.IndexOfObject(nullptr), 1);

    TStringList copy;
    copy.Add("old");
    copy.Assign(list);
    EXPECT_TRUE(copy.Equals(list));
    EXPECT_EQ(copy.Objects(0), &two);
    copy.Assign(copy);  // a list assigned to itself keeps its lines
    EXPECT_TRUE(copy.Equals(list));
    copy.SetStrings(1, "NONE");
    EXPECT_FALSE(copy.Equals(list));  // Equals compares bytes

    copy.AddStrings(copy);
    EXPECT_EQ(copy.Count(), 6);
}

TEST(StringListTest, AssignAsAPersistent) {
    TStringList source;
    source.SetDelimiter(';');
    source.SetText("a\nb\n");
    TStringList copy;
    TPersistent& target = copy;
    target.Assign(&source);
    EXPECT_EQ(lines(copy), (Lines{"a", "b"}));
    EXPECT_EQ(copy.Delimiter(), ';');

    TPersistent other;
    try {
        copy.Assign(&other);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TStringList");
    }
    EXPECT_EQ(lines(copy), (Lines{"a", "b"}));
    EXPECT_EQ(copy.ClassName(), "TStringList");
    EXPECT_TRUE(copy.InheritsFrom(TPersistent::StaticClassInfo()));
}

// ---- files and streams ------------------------------------------------------

TEST(StringListTest, FilesAndStreamsHoldTheText) {
    testing::TempFolder folder;
    const std::string name = folder.File("lines.txt");

    TStringList list;
    fill(list, {"first", "", "caf\xE9"});
    list.SaveToFile(name);
    EXPECT_EQ(testing::ReadBytes(name), "first\r\n\r\ncaf\xE9\r\n");

    testing::WriteBytes(name, "x\ny\r\nz");
    TStringList loaded;
    loaded.Add("old");
    loaded.LoadFromFile(name);
    EXPECT_EQ(lines(loaded), (Lines{"x", "y", "z"}));

    // A stream is read from its position and written at its position.
    TStringStream stream("skip|a\r\nb");
    stream.SetPosition(5);
    loaded.LoadFromStream(stream);
    EXPECT_EQ(lines(loaded), (Lines{"a", "b"}));
    TStringStream out("head:");
    out.Seek(0, soFromEnd);
    loaded.SaveToStream(out);
    EXPECT_EQ(out.DataString(), "head:a\r\nb\r\n");

    // A stream that cannot seek or tell its size (as an inflating stream)
    // and answers in small pieces still gives all its text.
    class Trickle : public TStream {
      public:
        explicit Trickle(std::string data) : data_(std::move(data)) {}
        int64_t Read(void* buffer, int64_t count) override {
            const int64_t n =
                std::min<int64_t>({count, 3, static_cast<int64_t>(data_.size() - at_)});
            data_.copy(static_cast<char*>(buffer), static_cast<size_t>(n), at_);
            at_ += static_cast<size_t>(n);
            return n;
        }
        int64_t Write(const void*, int64_t) override { return 0; }
        int64_t Seek(int64_t, uint16_t) override { return -1; }

      private:
        std::string data_;
        size_t at_ = 0;
    };
    Trickle trickle("one\r\ntwo\r\nthree");
    loaded.LoadFromStream(trickle);
    EXPECT_EQ(lines(loaded), (Lines{"one", "two", "three"}));

    const std::string missing = folder.File("missing.txt");
    try {
        loaded.LoadFromFile(missing);
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + missing);
    }
    EXPECT_EQ(lines(loaded), (Lines{"one", "two", "three"}));
}

}  // namespace
}  // namespace runtime
