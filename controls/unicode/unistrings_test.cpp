#include "controls/unicode/unistrings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "controls/unicode/conversions.h"
#include "runtime/component.h"
#include "runtime/container_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/objectstream.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace controls::unicode {
namespace {

using Lines = std::vector<std::u16string>;

Lines LinesOf(const TUniStrings& list) {
    Lines lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
    return lines;
}

std::string Show(const Lines& lines) {
    std::string out;
    for (const std::u16string& line : lines) out += "[" + runtime::WideToUtf8(line) + "]";
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void ExpectListError(const std::function<void()>& action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no error, expected " << message;
    } catch (const runtime::EStringListError& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

TEST(UniStringListTest, SaveWritesUtf16LEWithItsMark) {
    runtime::testing::TempFolder folder;
    TUniStringList list;
    list.Add(u"a");
    list.Add(u"b");
    const std::string path = folder.File("ab.txt");
    list.SaveToFile(runtime::AnsiToWide(path));
    EXPECT_EQ(ReadFile(path), std::string("\xFF\xFE"
                                          "a\0\r\0\n\0b\0\r\0\n\0",
                                          14));
}

// Files in each encoding the reader knows, each with its mark (or none):
// the lines, and the encoding noted.
TEST(UniStringListTest, LoadsEachEncodingByItsMark) {
    runtime::testing::TempFolder folder;
    struct Row {
        const char* name;
        std::string bytes;
        Lines lines;
        TTextEncoding encoding;
    };
    const Row rows[] = {
        {"UTF-16LE",
         std::string("\xFF\xFE\xE9\0\n\0=\xD8\0\xDE", 10),
         {u"\u00E9", u"\U0001F600"},
         teUTF16LE},
        {"UTF-16BE", std::string("\xFE\xFF\0a\0\n\0b", 8), {u"a", u"b"}, teUTF16BE},
        {"UTF-16BE pair", std::string("\xFE\xFF\xD8=\xDE\0\0\r", 8), {u"\U0001F600"}, teUTF16BE},
        {"UTF-8",
         "\xEF\xBB\xBF"
         "a",
         {u"a"},
         teUTF8},
        {"UTF-8 four bytes",
         "\xEF\xBB\xBF\xF0\x9F\x98\x80\r\nx\xC3\xA9",
         {u"\U0001F600", u"x\u00E9"},
         teUTF8},
        {"UTF-8 that does not decode, read as ANSI",
         "\xEF\xBB\xBF"
         "a\xC3\r\nb",
         {u"a\u00C3", u"b"},
         teUTF8},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", {}, teUTF8},
        {"ANSI, too short for a mark", "a", {u"a"}, teAnsi},
        {"ANSI", "caf\xE9\r\n\x80", {u"caf\u00E9", u"\u20AC"}, teAnsi},
        {"empty", "", {}, teAnsi},
        {"UTF-16LE of odd length",
         std::string("\xFF\xFE"
                     "a\0b",
                     5),
         {u"a"},
         teUTF16LE},
        {"a mark alone", "\xFF\xFE", {}, teUTF16LE},
    };
    for (const Row& row : rows) {
        const std::string path = folder.File("in.txt");
        WriteFile(path, row.bytes);
        TUniStringList list;
        list.Add(u"old");
        list.LoadFromFile(runtime::AnsiToWide(path));
        EXPECT_EQ(Show(LinesOf(list)), Show(row.lines)) << row.name;
        EXPECT_EQ(list.LastFileCharSet(), row.encoding) << row.name;
    }
}

// Whatever was loaded, saving writes UTF-16LE that reads back the same.
TEST(UniStringListTest, FilesRoundTripLosslessly) {
    runtime::testing::TempFolder folder;
    const Lines lines = {u"plain", u"", u"\u00E9\u4E2D\U0001F600", u"tab\there", u"\uFEFFmark"};
    TUniStringList list;
    for (const auto& line : lines) list.Add(line);
    const std::u16string path = runtime::AnsiToWide(folder.File("round.txt"));
    list.SaveToFile(path);
    TUniStringList back;
    back.LoadFromFile(path);
    EXPECT_EQ(Show(LinesOf(back)), Show(lines));
    EXPECT_TRUE(back.SameContent(list));
    // A file name beyond the 8-bit code page.
    const std::u16string wideName = runtime::AnsiToWide(folder.File("")) + u"\u4E2D\u6587.txt";
    list.SaveToFile(wideName);
    back.Clear();
    back.LoadFromFile(wideName);
    EXPECT_TRUE(back.SameContent(list));
    try {
        back.LoadFromFile(runtime::AnsiToWide(folder.File("missing.txt")));
        ADD_FAILURE() << "no error";
    } catch (const runtime::EFOpenError& e) {
        EXPECT_EQ(e.Message().rfind("Cannot open file ", 0), 0u) << e.Message();
    }
    EXPECT_THROW(list.SaveToFile(runtime::AnsiToWide(folder.File("no/such/dir.txt"))),
                 runtime::EFCreateError);
}

TEST(UniStringListTest, StreamsAndDetection) {
    runtime::TMemoryStream stream;
    stream.WriteBuffer(
        "xx\xEF\xBB\xBF"
        "a",
        6);
    stream.SetPosition(2);
    EXPECT_EQ(DetectTextEncoding(stream), teUTF8);
    EXPECT_EQ(stream.Position(), 5);
    stream.SetPosition(3);
    EXPECT_EQ(DetectTextEncoding(stream), teAnsi);
    EXPECT_EQ(stream.Position(), 3);

    // Without detection the stream is UTF-16LE.
    runtime::TMemoryStream wide;
    wide.WriteBuffer("h\0i\0", 4);
    wide.SetPosition(0);
    TUniStringList list;
    list.LoadFromStream(wide, false);
    EXPECT_EQ(Show(LinesOf(list)), "[hi]");
    runtime::TMemoryStream out;
    list.SaveToStream(out, false);
    EXPECT_EQ(out.Size(), 8);
}

TEST(UniStringsTest, TextSplitsAtEveryLineBreak) {
    struct Row {
        std::u16string text;
        Lines lines;
    };
    const Row rows[] = {
        {u"a\r\r\nb", {u"a", u"", u"b"}},
        {u"a\r\n\u2028b", {u"a", u"b"}},
        {u"a\n\nb\n", {u"a", u"", u"b"}},
        {u"a\u2028\u2028b", {u"a", u"", u"b"}},
        {u"a\rb\r", {u"a", u"b"}},
        {u"", {}},
        {u"\r\n", {u""}},
        {std::u16string(u"a\0b", 3), {u"a"}},
    };
    for (const Row& row : rows) {
        TUniStringList list;
        list.SetTextStr(row.text);
        EXPECT_EQ(Show(LinesOf(list)), Show(row.lines)) << runtime::WideToUtf8(row.text);
    }
    TUniStringList list;
    list.SetText(u"x\ny");
    EXPECT_EQ(list.Text(), u"x\r\ny\r\n");
    const auto copy = list.GetText();
    EXPECT_EQ(std::u16string(copy.get()), u"x\r\ny\r\n");
    list.SetText(nullptr);
    EXPECT_EQ(list.Count(), 0);
}

TEST(UniStringListTest, IndexesAndErrors) {
    TUniStringList list;
    list.Add(u"abc");
    list.Add(u"\u00C9t\u00E9");
    list.Add(u"name=value");
    EXPECT_EQ(list.IndexOf(u"ABC"), 0);
    EXPECT_EQ(list.IndexOf(u"\u00E9T\u00C9"), 1);
    EXPECT_EQ(list.IndexOfName(u"NAME"), 2);
    EXPECT_EQ(list.IndexOfName(u"abc"), -1);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf(u"ABC"), -1);
    EXPECT_EQ(list.IndexOf(u"abc"), 0);

    list.Insert(list.Count(), u"end");
    EXPECT_EQ(list.Strings(3), u"end");
    ExpectListError([&] { list.Insert(list.Count() + 1, u"x"); }, "List index out of bounds (5)");
    ExpectListError([&] { (void)list.Strings(-1); }, "List index out of bounds (-1)");
    ExpectListError([&] { list.Delete(4); }, "List index out of bounds (4)");
    ExpectListError([&] { list.Exchange(0, 9); }, "List index out of bounds (9)");
    ExpectListError([&] { list.SetObjects(4, nullptr); }, "List index out of bounds (4)");
    EXPECT_EQ(list.Count(), 4);

    runtime::TObject object;
    list.SetObjects(1, &object);
    list.Exchange(0, 1);
    EXPECT_EQ(list.Objects(0), &object);
    EXPECT_EQ(list.IndexOfObject(&object), 0);
    list.Move(0, 3);
    EXPECT_EQ(list.Objects(3), &object);
    EXPECT_EQ(list.Strings(3), u"\u00C9t\u00E9");
    list.SetStrings(3, u"new");
    EXPECT_EQ(list.Objects(3), &object);
}

TEST(UniStringListTest, SortedListsFindAndRefuse) {
    TUniStringList list;
    for (const char16_t* s : {u"c", u"b", u"a", u"b"}) list.Add(s);
    list.SetDuplicates(runtime::dupAccept);
    list.SetSorted(true);
    EXPECT_EQ(Show(LinesOf(list)), "[a][b][b][c]");
    int index = -1;
    EXPECT_TRUE(list.Find(u"b", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find(u"bb", index));
    EXPECT_EQ(index, 3);
    list.SetDuplicates(runtime::dupIgnore);
    EXPECT_TRUE(list.Find(u"B", index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(list.IndexOf(u"C"), 3);
    EXPECT_EQ(list.Add(u"b"), 1);  // ignored duplicate: the found index
    EXPECT_EQ(list.Count(), 4);
    list.SetDuplicates(runtime::dupError);
    ExpectListError([&] { list.Add(u"a"); }, "String list does not allow duplicates");
    list.SetDuplicates(runtime::dupAccept);
    EXPECT_EQ(list.Add(u"aa"), 1);
    ExpectListError([&] { list.Insert(0, u"z"); }, "Operation not allowed on sorted list");
    ExpectListError([&] { list.SetStrings(0, u"z"); }, "Operation not allowed on sorted list");
    EXPECT_EQ(Show(LinesOf(list)), "[a][aa][b][b][c]");
    list.Add(u"k=v");
    EXPECT_EQ(list.IndexOfName(u"K"), 5);
    EXPECT_EQ(list.IndexOfName(u"b"), -1);
    // Sorting does nothing on a sorted list; case sensitivity re-sorts it.
    TUniStringList mixed;
    for (const char16_t* s : {u"b", u"B", u"a", u"A"}) mixed.Add(s);
    mixed.SetSorted(true);
    mixed.SetCaseSensitive(true);
    for (int i = 1; i < mixed.Count(); ++i)
        EXPECT_LE(runtime::WideCompareStr(mixed.Strings(i - 1), mixed.Strings(i)), 0);
}

TEST(UniStringListTest, SortWithAComparisonOfIndexes) {
    TUniStringList list;
    for (const char16_t* s : {u"ccc", u"a", u"bb", u"dddd"}) list.Add(s);
    list.SortWith([](TUniStringList& l, int i, int j) {
        return static_cast<int>(l.Strings(j).size()) - static_cast<int>(l.Strings(i).size());
    });
    EXPECT_EQ(Show(LinesOf(list)), "[dddd][ccc][bb][a]");
    list.Sort();
    EXPECT_EQ(Show(LinesOf(list)), "[a][bb][ccc][dddd]");
}

TEST(UniStringListTest, NotificationsAroundChangesAndUpdates) {
    TUniStringList list;
    std::string events;
    runtime::TObject sink;
    list.OnChanging = runtime::TNotifyEvent([&](runtime::TObject*) { events += '<'; }, &sink);
    list.OnChange = runtime::TNotifyEvent([&](runtime::TObject*) { events += '>'; }, &sink);
    list.Add(u"a");
    EXPECT_EQ(events, "<>");
    events.clear();
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add(u"b");
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(events, "<");
    list.EndUpdate();
    EXPECT_EQ(events, "<>");
    events.clear();
    list.Move(0, 0);
    list.Clear();
    EXPECT_EQ(events, "<>");
    events.clear();
    list.Clear();  // already empty: nothing changes
    list.SetTextStr(u"x\ny\nz");
    EXPECT_EQ(events, "<>");
}

TEST(UniStringsTest, AssignBetweenWideAnd8BitLists) {
    TUniStringList wide;
    wide.Add(u"caf\u00E9");
    wide.Add(u"\u4E2D");
    wide.SetNameValueSeparator(u':');
    runtime::TStringList narrow;
    narrow.Assign(&wide);
    EXPECT_EQ(narrow.Text(), "caf\xE9\r\n?\r\n");
    EXPECT_EQ(wide.AnsiStrings()->Strings(0), "caf\xE9");

    narrow.Clear();
    narrow.Add("\x80 euro");
    wide.Assign(&narrow);
    EXPECT_EQ(Show(LinesOf(wide)), "[\xE2\x82\xAC euro]");
    EXPECT_THROW(wide.SetAnsiStrings(nullptr), runtime::EConvertError);
    EXPECT_EQ(wide.Count(), 1);  // assigning nil is refused, nothing lost

    // The view loads and saves through any code page.
    runtime::TStringStream in("+AKM-\r\nx");
    wide.AnsiStrings()->LoadFromStreamInCodePage(in, kCodePageUTF7);
    EXPECT_EQ(Show(LinesOf(wide)), "[\xC2\xA3][x]");
    runtime::TStringStream out;
    wide.AnsiStrings()->SaveToStreamInCodePage(out, kCodePageUTF8);
    EXPECT_EQ(out.DataString(), "\xC2\xA3\r\nx\r\n");

    TUniStringList copy;
    copy.Assign(&wide);
    EXPECT_TRUE(copy.SameContent(wide));
    EXPECT_EQ(copy.NameValueSeparator(), u':');
    copy.Add(u"more");
    EXPECT_FALSE(copy.SameContent(wide));
    copy.AddAll(copy);
    EXPECT_EQ(copy.Count(), 6);
}

// A component holding a wide list, as a window layout does.
class TListHolder : public runtime::TComponent {
    RUNTIME_CLASS(TListHolder)

  public:
    explicit TListHolder(runtime::TComponent* owner) : runtime::TComponent(owner) {}
    TUniStringList* GetLines() const { return lines.get(); }
    std::unique_ptr<TUniStringList> lines = std::make_unique<TUniStringList>();
};

RUNTIME_BEGIN_CLASS(TListHolder, runtime::TComponent)
RUNTIME_READONLY(Lines, GetLines);
RUNTIME_END_CLASS

TEST(UniStringsTest, FormStreams) {
    TListHolder source(nullptr);
    source.SetName("Holder");
    source.lines->Add(u"plain");
    source.lines->Add(u"\u00E9\U0001F600");
    runtime::TMemoryStream stream;
    runtime::WriteComponentToStream(stream, source);
    const std::string bytes(static_cast<const char*>(stream.Memory()),
                            static_cast<size_t>(stream.Size()));
    EXPECT_NE(bytes.find("Lines.WideStrings"), std::string::npos);
    EXPECT_NE(bytes.find("Lines.WideStrings_UTF7"), std::string::npos);
    EXPECT_NE(bytes.find(WideStringToUTF7(u"\u00E9\U0001F600")), std::string::npos);
    EXPECT_EQ(bytes.find("AnsiStrings"), std::string::npos);
    stream.SetPosition(0);
    TListHolder target(nullptr);
    runtime::ReadComponentFromStream(stream, target);
    EXPECT_TRUE(target.lines->SameContent(*source.lines));

    // A list of plain lines has no UTF-7 form.
    TListHolder ascii(nullptr);
    ascii.lines->Add(u"abc");
    runtime::TMemoryStream plain;
    runtime::WriteComponentToStream(plain, ascii);
    const std::string plainBytes(static_cast<const char*>(plain.Memory()),
                                 static_cast<size_t>(plain.Size()));
    EXPECT_EQ(plainBytes.find("WideStrings_UTF7"), std::string::npos);

    // The 8-bit "Strings" and the UTF-8 "WideStringsW" forms are read.
    const auto readWith = [](const std::function<void(runtime::TWriter&)>& properties) {
        runtime::TMemoryStream crafted;
        {
            runtime::TWriter writer(crafted);
            writer.WriteSignature();
            writer.WriteStr("TListHolder");
            writer.WriteStr("Holder");
            properties(writer);
            writer.WriteListEnd();  // end of the properties
            writer.WriteListEnd();  // end of the children
        }
        crafted.SetPosition(0);
        TListHolder holder(nullptr);
        runtime::ReadComponentFromStream(crafted, holder);
        return Show(LinesOf(*holder.lines));
    };
    EXPECT_EQ(readWith([](runtime::TWriter& w) {
                  w.WriteStr("Lines.Strings");
                  w.WriteListBegin();
                  w.WriteString("caf\xE9");
                  w.WriteWideString(u"\u4E2D");
                  w.WriteListEnd();
              }),
              "[caf\xC3\xA9][\xE4\xB8\xAD]");
    EXPECT_EQ(readWith([](runtime::TWriter& w) {
                  w.WriteStr("Lines.Strings");
                  w.WriteString("one\r\ntwo");
              }),
              "[one][two]");
    EXPECT_EQ(readWith([](runtime::TWriter& w) {
                  w.WriteStr("Lines.WideStringsW");
                  w.WriteListBegin();
                  w.WriteString("\xC3\xA9");
                  w.WriteListEnd();
              }),
              "[\xC3\xA9]");
    // At run time the UTF-7 form is read over, and the UTF-8 one too when
    // the list has its lines already.
    EXPECT_EQ(readWith([](runtime::TWriter& w) {
                  w.WriteStr("Lines.WideStrings");
                  w.WriteListBegin();
                  w.WriteWideString(u"kept");
                  w.WriteListEnd();
                  w.WriteStr("Lines.WideStringsW");
                  w.WriteListBegin();
                  w.WriteString("dropped");
                  w.WriteListEnd();
                  w.WriteStr("Lines.WideStrings_UTF7");
                  w.WriteListBegin();
                  w.WriteString("+AOk-");
                  w.WriteListEnd();
              }),
              "[kept]");
}

}  // namespace
}  // namespace controls::unicode
