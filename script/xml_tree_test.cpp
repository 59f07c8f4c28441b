#include "script/xml_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "script/errors.h"
#include "script/limits.h"

namespace script {
namespace {

constexpr std::string_view kHeader = "<?xml version=\"1.0\"?>";

std::string Doc(std::string_view body) {
    return std::string(kHeader) + std::string(body);
}

// One element per line, indented by depth: the shape and the raw texts.
std::string Dump(const TscXMLItem& item, int depth = 0) {
    std::string out(static_cast<size_t>(depth) * 2, ' ');
    out += item.Name;
    if (!item.Text.empty()) out += " [" + item.Text + "]";
    out += '\n';
    for (int i = 0; i < item.Count(); ++i) out += Dump(item.Items(i), depth + 1);
    return out;
}

std::string ErrorOf(std::string_view text) {
    TscXMLDocument doc;
    try {
        doc.LoadFromString(text);
    } catch (const runtime::Exception& e) {
        return e.Message();
    }
    return "no error";
}

TEST(XmlTree, ReadsAndWritesBackTheSameText) {
    const std::string rows[] = {
        Doc("<a x=\"1\"><b/></a>"),
        Doc("<language text=\"PascalScript\"><parser><keywords><and/></keywords></parser>"
            "<types/></language>"),
        Doc("<r><c text=\"a&#62;b&#34;&#10;\" pos=\"1:2\"/><d><e/><f a=\"\"/></d></r>"),
    };
    for (const std::string& text : rows) {
        TscXMLDocument doc;
        doc.LoadFromString(text);
        EXPECT_EQ(doc.SaveToString(), text);
    }
}

TEST(XmlTree, ReaderKeepsOnlyNamesAndAttributes) {
    struct Row {
        std::string input;
        const char* dump;
    };
    const Row rows[] = {
        {Doc("<a x=\"1\"><b/></a>"), "a [x=\"1\"]\n  b\n"},
        // Text between tags is dropped.
        {Doc("\r\n<a>text<b>more</b> tail </a>"), "a\n  b\n"},
        // Comments are skipped; "--->" does not close one.
        {Doc("<a><!-- c --><b/><!-- x ---><c/>--><d/></a>"), "a\n  b\n  d\n"},
        // Self-closing by a "/" after the name or after the attributes.
        {Doc("<a><b /><c k=\"v\"/><d/ ></a>"), "a\n  b\n  c [k=\"v\"]\n  d\n"},
        // End tags compare without regard to case; an element left open at
        // the end of the input is accepted.
        {Doc("<A><b></B><c>"), "A\n  b\n  c\n"},
        // One trailing blank is dropped, the name ends at the first blank.
        {Doc("<a  x=\"1\" >"), "a [ x=\"1\"]\n"},
    };
    for (const Row& row : rows) {
        TscXMLDocument doc;
        doc.LoadFromString(row.input);
        EXPECT_EQ(Dump(doc.Root()), row.dump) << row.input;
    }
}

TEST(XmlTree, MalformedInputRaisesInvalidFileFormat) {
    const std::string rows[] = {
        "<a/>",                     // no header
        "",                         // no header either
        Doc("<a><b></a>"),          // </a> closes b
        Doc("<a></b>"),             // wrong end tag
        Doc("<a><b <c/></b></a>"),  // "<" inside a tag
        Doc("<a><b"),               // tag cut off by the end
    };
    for (const std::string& text : rows) EXPECT_EQ(ErrorOf(text), "Invalid file format") << text;
}

TEST(XmlTree, NestingBeyondTheCapIsRefusedNotRecursed) {
    std::string deep;
    for (int i = 0; i < kMaxXmlDepth + 10; ++i) deep += "<a>";
    EXPECT_EQ(ErrorOf(Doc(deep)), MessageText(Msg::XmlNestedTooDeeply));

    std::string fits;
    for (int i = 0; i < kMaxXmlDepth - 1; ++i) fits += "<a>";
    EXPECT_EQ(ErrorOf(Doc(fits)), "no error");
}

TEST(XmlTree, PropReadsAndWritesEscapedAttributes) {
    TscXMLItem item;
    item.Text = "text=\"a&#62;b\" Pos=\"1:2\" q=\"&quot;x&quot;\" open=\"tail";
    EXPECT_EQ(item.Prop("text"), "a>b");
    EXPECT_EQ(item.Prop("POS"), "1:2");
    EXPECT_EQ(item.Prop("q"), "\"x\"");
    EXPECT_EQ(item.Prop("open"), "tail");
    EXPECT_EQ(item.Prop("missing"), "");
    EXPECT_EQ(item.Prop("ext"), "");  // only whole names match

    TscXMLItem w;
    w.SetProp("a", "x\"y");
    EXPECT_EQ(w.Text, "a=\"x&#34;y\"");
    w.SetProp("b", "<1>");
    EXPECT_EQ(w.Text, "a=\"x&#34;y\" b=\"&#60;1&#62;\"");
    w.SetProp("A", "z");
    EXPECT_EQ(w.Text, "A=\"z\" b=\"&#60;1&#62;\"");
    w.Text = "k=\"never closed";
    w.SetProp("k", "v");
    EXPECT_EQ(w.Text, "k=\"v\"");
}

TEST(XmlTree, ValuesSurviveWriteAndReadUnchanged) {
    // Engine scripts scrape HTML: entity texts in string literals must stay
    // what they are.
    const std::string values[] = {
        "&quot;",       "&#39;", "a & b", "&amp;&lt;", "<td>\"x\"",
        "line\r\nnext", "&#",    "&#;",   "&#x;",      std::string("nul\0byte", 8)};
    for (const std::string& value : values) {
        TscXMLDocument doc;
        doc.Root().Name = "r";
        doc.Root().Add().Name = "s";
        doc.Root().Items(0).SetProp("text", value);
        TscXMLDocument back;
        back.LoadFromString(doc.SaveToString());
        EXPECT_EQ(back.Root().Items(0).Prop("text"), value) << value;
    }
}

TEST(XmlTree, UnescapeReadsCodesAndRejectsNonNumbers) {
    EXPECT_EQ(XmlUnescape("&#65;&#$42;&quot;&lt;&#"), "AB\"&lt;&#");
    EXPECT_THROW(XmlUnescape("&#abc;"), runtime::EConvertError);
}

TEST(XmlTree, ChildListOperations) {
    TscXMLItem root;
    root.Name = "root";
    TscXMLItem& a = root.Add();
    a.Name = "a";
    TscXMLItem& b = root.Add();
    b.Name = "B";
    EXPECT_EQ(root.Find("b"), 1);
    EXPECT_EQ(root.Find("c"), -1);
    EXPECT_EQ(&root.FindItem("A"), &a);

    // A lookup never fails: a missing name is appended.
    TscXMLItem& c = root.FindItem("c");
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(c.Name, "c");
    EXPECT_EQ(&c.Root(), &root);

    // Moving within and across parents.
    root.AddItem(a);
    EXPECT_EQ(Dump(root), "root\n  B\n  c\n  a\n");
    c.AddItem(a);
    EXPECT_EQ(a.Parent(), &c);
    root.InsertItem(0, a);
    EXPECT_EQ(Dump(root), "root\n  a\n  B\n  c\n");
    auto free = std::make_unique<TscXMLItem>();
    free->Name = "f";
    root.InsertItem(1, std::move(free));
    EXPECT_EQ(Dump(root), "root\n  a\n  f\n  B\n  c\n");

    EXPECT_THROW(root.Items(4), runtime::EListError);
    EXPECT_THROW(root.Items(-1), runtime::EListError);
    EXPECT_THROW(c.Items(0), runtime::EListError);
    EXPECT_THROW(root.InsertItem(9, b), runtime::EListError);

    // An element cannot become its own descendant.
    EXPECT_THROW(a.AddItem(root), runtime::EInvalidOperation);
    EXPECT_THROW(a.AddItem(a), runtime::EInvalidOperation);
    TscXMLItem& deep = c.Add();
    EXPECT_THROW(deep.AddItem(c), runtime::EInvalidOperation);

    // Destroying a child takes it out of its parent's list.
    const int before = root.Count();
    delete &root.Items(0);
    EXPECT_EQ(root.Count(), before - 1);
    EXPECT_EQ(root.Items(0).Name, "f");

    root.Clear();
    EXPECT_EQ(root.Count(), 0);
}

TEST(XmlTree, CopyTreeCopiesDeeplyEvenFromItsOwnSubtree) {
    TscXMLDocument doc;
    doc.LoadFromString(Doc("<a k=\"1\"><b><c x=\"2\"/></b><d/></a>"));
    doc.Root().Data = 7;

    TscXMLItem copy;
    copy.Add().Name = "old";
    copy.CopyTree(&doc.Root());
    EXPECT_EQ(Dump(copy), Dump(doc.Root()));
    EXPECT_EQ(copy.Data, 7);

    // The source lies inside the element being replaced.
    TscXMLItem& b = doc.Root().Items(0);
    doc.Root().CopyTree(&b);
    EXPECT_EQ(Dump(doc.Root()), "b\n  c [x=\"2\"]\n");

    copy.CopyTree(nullptr);
    EXPECT_EQ(copy.Count(), 0);
    EXPECT_EQ(copy.Name, "a");
}

TEST(XmlTree, DeepTreesAreFreedAndWrittenWithoutRecursion) {
    TscXMLDocument doc;
    TscXMLItem* item = &doc.Root();
    for (int i = 0; i < 100000; ++i) {
        item = &item->Add();
        item->Name = "n";
    }
    const std::string text = doc.SaveToString();
    // "<>", then "<n>...</n>" around every element but the last "<n/>", "</>".
    EXPECT_EQ(text.size(), kHeader.size() + 2 + 99999 * 7 + 4 + 3);
    TscXMLItem copy;
    copy.CopyTree(&doc.Root());
}

TEST(XmlTree, StreamsLeaveThePositionAfterTheLastTag) {
    runtime::TStringStream stream(Doc("<a><b/></a>") + "trailing");
    TscXMLDocument doc;
    doc.LoadFromStream(stream);
    EXPECT_EQ(Dump(doc.Root()), "a\n  b\n");
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(Doc("<a><b/></a>").size()));

    // Large documents cross the reader's and the writer's buffers.
    TscXMLDocument big;
    big.Root().Name = "big";
    for (int i = 0; i < 3000; ++i) {
        TscXMLItem& item = big.Root().Add();
        item.Name = "i";
        item.SetProp("text", std::to_string(i));
    }
    runtime::TStringStream out;
    big.SaveToStream(out);
    EXPECT_TRUE(out.DataString() == big.SaveToString());
    out.SetPosition(0);
    TscXMLDocument back;
    back.LoadFromStream(out);
    EXPECT_EQ(back.Root().Count(), 3000);
    EXPECT_TRUE(back.SaveToString() == big.SaveToString());
}

TEST(XmlTree, FilesRoundTrip) {
    const auto path = std::filesystem::temp_directory_path() / "script_xml_tree_test.xml";
    TscXMLDocument doc;
    doc.LoadFromString(Doc("<a t=\"&#60;\"><b/></a>"));
    doc.SaveToFile(path.string());
    TscXMLDocument back;
    back.LoadFromFile(path.string());
    EXPECT_EQ(back.SaveToString(), doc.SaveToString());
    std::filesystem::remove(path);
    EXPECT_THROW(back.LoadFromFile(path.string()), runtime::EFOpenError);
}

}  // namespace
}  // namespace script
