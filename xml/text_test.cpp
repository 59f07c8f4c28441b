#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/document.h"
#include "xml/limits.h"
#include "xml/node_classes.h"
#include "xml/test_trees.h"
#include "xml/text_reader.h"

namespace xml {
namespace {

using testing::DumpMode;
using testing::DumpTree;
using testing::ErrorOf;
using testing::Printable;

Ref<IXmlDocument> NewDoc() {
    return CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
}

// The children of the document read from `text`, one line each.
std::string Parse(std::u16string_view text) {
    Ref<IXmlDocument> doc = NewDoc();
    doc->LoadXML(text);
    return DumpTree(*doc, DumpMode::Text).substr(std::string("#document\n").size());
}

std::string Utf16Bytes(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A stream that hands out at most three bytes per read, so pieces end in
// the middle of code units.
class TrickleStream final : public runtime::TStringStream {
  public:
    using TStringStream::TStringStream;
    int64_t Read(void* buffer, int64_t count) override {
        return TStringStream::Read(buffer, std::min<int64_t>(count, 3));
    }
};

TEST(XmlTextReader, BuildsTheTreeOfTheText) {
    struct Row {
        std::u16string text;
        std::string tree;
    };
    const Row rows[] = {
        {u"<a/>\n<b/>", "  E a\n  T \\u000A\n  E b\n"},
        {u"<a x='&#60;&#x3C;&lt;'/>", "  E a {x=<<<}\n"},
        {u"<a>&amp;&quot;&apos;&gt;&#65;&#x42;&#x4a;</a>", "  E a\n    T &\"'>ABJ\n"},
        {u"<a>&#x1F600;|&#128512;</a>", "  E a\n    T \\uD83D\\uDE00|\\uD83D\\uDE00\n"},
        {u"<a>&#x110000;|&#99999999999;|&#0;</a>", "  E a\n    T \\uFFFD|\\uFFFD|\\u0000\n"},
        {u"<!DOCTYPE html><html/>", "  E html\n"},
        // An internal subset is passed over whole, whatever it holds.
        {u"<!DOCTYPE r [<!ENTITY e \"a>b]\"> <!-- ] > --> <?pi ]>?> <!ELEMENT r ANY>]><r/>",
         "  E r\n"},
        {u"<!DOCTYPE r SYSTEM 'r>[.dtd' [<!ATTLIST r a CDATA '>'>]>\n<r/>", "  T \\u000A\n  E r\n"},
        {u"<a><![CDATA[<not> &amp; ]]]></a>", "  E a\n    D <not> &amp; ]\n"},
        {u"<!--a--b-->", "  C a--b\n"},
        {u"<?php echo 1?>", "  P <?php echo 1?>\n"},
        {u"<?xml version=\"1.0\" encoding='UTF-16'?><r/>",
         "  P <?xml version=\"1.0\" encoding=\"UTF-16\"?>\n  E r\n"},
        {u"<r/>tail<s/>", "  E r\n  T tail\n  E s\n"},
        {u"<a b=\"1\" b=\"2\"/>", "  E a {b=2}\n"},
        {u"<a v='x\ty\r\nz\"q'/>", "  E a {v=x\\u0009y\\u000D\\u000Az\"q}\n"},
        {u"<a  x = \"1\"\n ></a  >", "  E a {x=1}\n"},
        {u"<a></a></b>ignored<c/>", "  E a\n"},
        {u"text<", "  T text\n"},
        {u"<!", ""},
        {u"<ns:a _b.c-d='1'/>", "  E ns:a {_b.c-d=1}\n"},
        {u"<\u0416\u0418 \u00E9='\u00E9'/>", "  E \\u0416\\u0418 {\\u00E9=\\u00E9}\n"},
        {u"\uFEFF<a/>", "  T \\uFEFF\n  E a\n"},
        {u"<a><b>x</b><c/>y</a>", "  E a\n    E b\n      T x\n    E c\n    T y\n"},
    };
    for (const Row& row : rows) EXPECT_EQ(Parse(row.text), row.tree) << Printable(row.text);
}

TEST(XmlTextReader, RaisesTheMessageOfEachSyntaxError) {
    struct Row {
        std::u16string text;
        std::string message;
    };
    const Row rows[] = {
        {u"a&", "\"#\" or control symbol name expected."},
        {u"&#", "Number expected."},
        {u"&#;", "Number expected."},
        {u"<a v='&#x;'/>", "Hex number expected."},
        {u"&#xZ;", "Hex number expected."},
        {u"&nbsp;", "Wrong control symbol name."},
        {u"&amp", "Expected \";\""},
        {u"&#65 ", "Expected \";\""},
        {u"&1;", "Name must begin with letter symbol or \"_\" 1"},
        {u"<a", "XML element definition is incomplete."},
        {u"<a!>", "Wrong symbol in XML element."},
        {u"< a/>", "Name must begin with letter symbol or \"_\"  "},
        {u"<?", "Name must begin with letter symbol or \"_\" "},
        {u"<?1?>", "Name must begin with letter symbol or \"_\" 1"},
        {u"<a b/>", "Expected \"=\""},
        {u"<a b=", "Attribute value expected."},
        {u"<a b=c/>", "String constant expected."},
        {u"<a b=\"x<\"/>", "Symbol \"<\" can't be used in attributes."},
        {u"<a b=\"x", "Expected \"\"\""},
        {u"<a b='x", "Expected \"'\""},
        {u"<abc></abd>", "Expected \"c\""},
        {u"<abc></abcd>", "Expected \">\""},
        {u"<a>", "Expected \"/\""},
        {u"<a>x<", "Expected \"/\""},
        {u"<a></a", "Expected \">\""},
        {u"<a/ >", "Expected \">\""},
        {u"<a x='1'", "Expected \">\""},
        {u"<!-x-->", "Expected \"-\""},
        {u"<!--abc--", "Expected \"-->\""},
        {u"<![CDAT", "Expected \"A[\""},
        {u"<![CDATA[abc]]", "Expected \"]]>\""},
        {u"<!DOCTYP", "Expected \"E\""},
        {u"<!x>", "Expected \"DOCTYPE\""},
        {u"<!DOCTYPE x", "Expected \">\""},
        {u"<!DOCTYPE x [<!ELEMENT x ANY>", "Expected \"]\""},
        {u"<!DOCTYPE r [<!ENTITY e 'v'>]><r>&e;</r>", "Wrong control symbol name."},
        {u"<?xml version='1'", "Expected \"?>\""},
        {u"<?xml version='1' ?", "Expected \">\""},
        {u"<?pi data?", "Expected \"?>\""},
        {u"<" + std::u16string(kMaxNameLength + 1, u'n') + u"/>", "XML name is too long."},
    };
    for (const Row& row : rows) {
        Ref<IXmlDocument> doc = NewDoc();
        EXPECT_EQ(ErrorOf([&] { doc->LoadXML(row.text); }), row.message)
            << Printable(row.text.substr(0, 40));
    }
    EXPECT_EQ(Parse(u"<" + std::u16string(kMaxNameLength, u'n') + u"/>").size(),
              kMaxNameLength + 5);
}

TEST(XmlTextReader, KeepsWhatWasReadBeforeAnError) {
    Ref<IXmlDocument> doc = NewDoc();
    EXPECT_EQ(ErrorOf([&] { doc->LoadXML(u"<a x='1'>text<b/><c"); }),
              "XML element definition is incomplete.");
    EXPECT_EQ(DumpTree(*doc, DumpMode::Text), "#document\n  E a {x=1}\n    T text\n    E b\n");
    doc->LoadXML(u"<fresh/>");  // a load starts from an empty document
    EXPECT_EQ(doc->XML(), u"<fresh/>");
}

TEST(XmlTextReader, LimitsTheNestingDepth) {
    auto nested = [](int depth) {
        std::u16string text;
        for (int i = 1; i < depth; ++i) text += u"<e>";
        text += u"<e/>";
        for (int i = 1; i < depth; ++i) text += u"</e>";
        return text;
    };
    Ref<IXmlDocument> doc = NewDoc();
    doc->LoadXML(nested(kMaxNestingDepth));
    EXPECT_EQ(doc->XML(), nested(kMaxNestingDepth));
    Ref<IXmlDocument> copy = NewDoc();
    copy->LoadBinaryXML(doc->BinaryXML());
    EXPECT_EQ(copy->XML(), nested(kMaxNestingDepth));
    EXPECT_EQ(ErrorOf([&] { doc->LoadXML(nested(kMaxNestingDepth + 1)); }),
              "XML nesting is too deep.");
    EXPECT_EQ(ErrorOf([&] { doc->LoadXML(std::u16string(100000, u'<') + u"a>"); }),
              "Name must begin with letter symbol or \"_\" <");
}

TEST(XmlTextWriter, WritesWhatReadsBack) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> e = doc->AppendElement(u"e");
    e->SetAttr(u"a", u"<&>\"' \t\r\n");
    e->SetText(u"a<b>&\"'\r\n\t");
    // A reader takes a raw carriage return for a line end and turns tabs and
    // line ends of attribute values into spaces: those go as references.
    EXPECT_EQ(doc->XML(),
              u"<e a=\"&lt;&amp;&gt;&quot;' &#9;&#13;&#10;\">a&lt;b&gt;&amp;&quot;'&#13;\n\t</e>");
    Ref<IXmlDocument> copy = NewDoc();
    copy->LoadXML(doc->XML());
    EXPECT_EQ(copy->DocumentElement()->GetAttr(u"a"), u"<&>\"' \t\r\n");
    EXPECT_EQ(copy->DocumentElement()->Text(), u"a<b>&\"'\r\n\t");

    Ref<IXmlCDATASection> cdata = doc->AppendCDATA(u"x]]>y");
    EXPECT_EQ(cdata->XML(), u"<![CDATA[x]]]><![CDATA[]>y]]>");
    Ref<IXmlDocument> back = NewDoc();
    back->LoadXML(u"<c>" + cdata->XML() + u"</c>");
    EXPECT_EQ(back->DocumentElement()->Text(), u"x]]>y");

    // Data that starts with blanks keeps exactly its blanks.
    for (std::u16string pi : {u"<?php  echo 1; ?>", u"<?php echo?>", u"<?t\tx?>"}) {
        Ref<IXmlDocument> p = NewDoc();
        p->LoadXML(pi);
        EXPECT_EQ(p->XML(), pi);
        p->LoadXML(p->XML());
        EXPECT_EQ(p->XML(), pi);
    }
    Ref<IXmlElement> blank = doc->CreateElement(u"x");
    blank->SetTypedValue(Variant(u""));
    EXPECT_EQ(blank->XML(), u"<x/>");
    blank->SetTypedValue(Variant(int32_t{0}));
    EXPECT_EQ(blank->XML(), u"<x>0</x>");
}

TEST(XmlTextWriter, RefusesWhatWouldNotReadBack) {
    struct Row {
        const char* what;
        std::function<void(IXmlDocument&, IXmlElement&)> build;
        std::string error;
    } rows[] = {
        {"a name that is none", [](IXmlDocument&, IXmlElement& r) { r.AppendElement(u"1a"); },
         "\"1a\" is not an XML name."},
        {"an attribute name with a blank",
         [](IXmlDocument&, IXmlElement& r) { r.SetAttr(u"a b", u"v"); },
         "\"a b\" is not an XML name."},
        {"an empty name", [](IXmlDocument&, IXmlElement& r) { r.AppendElement(int32_t{-1}); },
         "An XML node has an empty name."},
        {"half a surrogate pair in a name",
         [](IXmlDocument&, IXmlElement& r) { r.AppendElement(u"a\xD800"); }, "is not an XML name"},
        {"dashes in a comment", [](IXmlDocument&, IXmlElement& r) { r.AppendComment(u"a--b"); },
         "cannot hold \"--\""},
        {"a comment ending in a dash",
         [](IXmlDocument&, IXmlElement& r) { r.AppendComment(u"a-"); }, "end with \"-\""},
        {"the end of a processing instruction in its data",
         [](IXmlDocument&, IXmlElement& r) { r.AppendProcessingInstruction(u"pi", "x?>y"); },
         "cannot hold \"?>\""},
        {"a processing instruction named XML",
         [](IXmlDocument&, IXmlElement& r) { r.AppendProcessingInstruction(u"XmL", "v"); },
         "reserved for the XML declaration"},
        {"a declaration that is not first",
         [](IXmlDocument& d, IXmlElement&) { d.AppendProcessingInstruction(u"xml", "v=\"1\""); },
         "reserved for the XML declaration"},
        {"a control character in text",
         [](IXmlDocument&, IXmlElement& r) { r.AppendText(u"bell\x07"); },
         "The character U+0007 cannot be written in XML."},
        {"U+FFFF in an attribute",
         [](IXmlDocument&, IXmlElement& r) { r.SetAttr(u"a", u"\uFFFF"); }, "U+FFFF"},
        {"NUL in a CDATA section",
         [](IXmlDocument&, IXmlElement& r) { r.AppendCDATA(std::u16string(1, u'\0')); }, "U+0000"},
        {"half a surrogate pair in a comment",
         [](IXmlDocument&, IXmlElement& r) { r.AppendComment(u"\xDC00"); }, "U+DC00"},
    };
    for (const Row& row : rows) {
        Ref<IXmlDocument> doc = NewDoc();
        Ref<IXmlElement> root = doc->AppendElement(u"r");
        row.build(*doc, *root);
        EXPECT_NE(ErrorOf([&] { (void)doc->XML(); }).find(row.error), std::string::npos)
            << row.what << ": " << ErrorOf([&] { (void)doc->XML(); });
        runtime::TMemoryStream stream;
        EXPECT_NE(ErrorOf([&] { doc->Save(stream); }), "") << row.what;
    }
}

TEST(XmlTextWriter, SavesInTheDeclaredEncoding) {
    auto declared = [](const std::string& encoding) {
        return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>";
    };
    const std::u16string body = u"<r a=\"\u20AC\u0416\">\u00E9\U0001F600</r>";
    std::string bigEndian;
    for (char16_t c : u"<?xml version=\"1.0\" encoding=\"UTF-16BE\"?>" + body) {
        if (c == 0) break;
        bigEndian += static_cast<char>(c >> 8);
        bigEndian += static_cast<char>(c & 0xFF);
    }
    struct Row {
        std::string encoding;  // empty: no declaration
        std::string bytes;
    } rows[] = {
        {"", "\xFF\xFE" + Utf16Bytes(body)},
        {"UTF-16", "\xFF\xFE" + Utf16Bytes(runtime::AnsiToWide(declared("UTF-16")) + body)},
        {"UTF-16LE", Utf16Bytes(runtime::AnsiToWide(declared("UTF-16LE")) + body)},
        {"UTF-16BE", bigEndian},
        {"utf-8", declared("utf-8") + runtime::WideToUtf8(body)},
        // What the encoding lacks goes as references.
        {"windows-1252", declared("windows-1252") + "<r a=\"\x80&#1046;\">\xE9&#128512;</r>"},
        {"ISO-8859-1", declared("ISO-8859-1") + "<r a=\"&#8364;&#1046;\">\xE9&#128512;</r>"},
        // One that cannot be written here: UTF-16, which the declaration says.
        {"x-unknown", "\xFF\xFE" + Utf16Bytes(runtime::AnsiToWide(declared("UTF-16")) + body)},
    };
    for (const Row& row : rows) {
        Ref<IXmlDocument> doc = NewDoc();
        doc->LoadXML(runtime::AnsiToWide(row.encoding.empty() ? "" : declared(row.encoding)) +
                     body);
        runtime::TMemoryStream stream;
        doc->Save(stream);
        std::string bytes(static_cast<const char*>(stream.Memory()),
                          static_cast<size_t>(stream.Size()));
        EXPECT_EQ(Printable(runtime::AnsiToWide(bytes)), Printable(runtime::AnsiToWide(row.bytes)))
            << row.encoding;
        // And read back to the same content.
        stream.SetPosition(0);
        Ref<IXmlDocument> back = NewDoc();
        back->Load(stream);
        EXPECT_EQ(DumpTree(*back->DocumentElement(), DumpMode::Text),
                  DumpTree(*doc->DocumentElement(), DumpMode::Text))
            << row.encoding;
    }
    // Markup that the encoding cannot hold cannot be written.
    Ref<IXmlDocument> doc = CreateXmlDocument(u"r", "1.0", "windows-1252", CreateNameTable(16));
    doc->DocumentElement()->AppendComment(u"\u0416");
    runtime::TMemoryStream stream;
    EXPECT_EQ(ErrorOf([&] { doc->Save(stream); }),
              "The character U+0416 cannot be written in the document's encoding.");
}

TEST(XmlTextReader, ReadsStreamsInPieces) {
    const std::u16string text = u"<a x='&amp;'>t\u0416</a>";
    struct Row {
        std::string bytes;
        std::string tree;
    };
    const Row rows[] = {
        {Utf16Bytes(text), "  E a {x=&}\n    T t\\u0416\n"},
        {Utf16Bytes(text) + "\x01", "  E a {x=&}\n    T t\\u0416\n"},  // odd byte not used
        {"\xFF\xFE" + Utf16Bytes(u"<a/>"), "  E a\n"},                 // the mark is no text
        {"", ""},
    };
    for (const Row& row : rows) {
        TrickleStream stream(row.bytes);
        Ref<IXmlDocument> doc = NewDoc();
        doc->Load(stream);
        EXPECT_EQ(DumpTree(*doc, DumpMode::Text), "#document\n" + row.tree);
    }
}

TEST(XmlTextReader, ReadsTheEncodingItsStartShows) {
    std::string bigEndian;
    for (char16_t c : std::u16string_view(u"<a>\u0416</a>")) {
        bigEndian += static_cast<char>(c >> 8);
        bigEndian += static_cast<char>(c & 0xFF);
    }
    struct Row {
        const char* what;
        std::string bytes;
        std::string result;  // the tree, or the error
    } rows[] = {
        {"UTF-8 behind its mark", "\xEF\xBB\xBF<a>\xD0\x96</a>", "  E a\n    T \\u0416\n"},
        {"UTF-8 declared", "<?xml version='1.0' encoding='UTF-8'?><a>\xC3\xA9</a>",
         "  P <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n  E a\n    T \\u00E9\n"},
        {"UTF-8 without a declaration", "<a>\xE2\x82\xAC \xF0\x9F\x98\x80</a>",
         "  E a\n    T \\u20AC \\uD83D\\uDE00\n"},
        {"UTF-16 big-endian behind its mark", "\xFE\xFF" + bigEndian, "  E a\n    T \\u0416\n"},
        {"UTF-16 big-endian", bigEndian, "  E a\n    T \\u0416\n"},
        // The old project files: UTF-16 whatever their declaration names.
        {"UTF-16 declaring an 8-bit encoding",
         Utf16Bytes(u"<?xml version=\"1.0\" encoding=\"windows-1251\"?><a>\u0416</a>"),
         "  P <?xml version=\"1.0\" encoding=\"windows-1251\"?>\n  E a\n    T \\u0416\n"},
        {"windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a x='\x80'/>",
         "  P <?xml version=\"1.0\" encoding=\"windows-1252\"?>\n  E a {x=\\u20AC}\n"},
        {"Latin-1", "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?><a>\xE9</a>",
         "  P <?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n  E a\n    T \\u00E9\n"},
        {"an encoding not known", "<?xml version=\"1.0\" encoding=\"x-nothing\"?><a/>",
         "Unsupported XML encoding \"x-nothing\"."},
        {"UTF-32", std::string("\xFF\xFE\0\0<\0\0\0", 8), "Unsupported XML encoding \"UTF-32\"."},
        {"UTF-16 declared over 8-bit bytes", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>",
         "The XML text is not in the encoding \"UTF-16\" that it declares."},
        {"broken UTF-8", "<a>\xC3(</a>", "The XML text holds data that is not valid UTF-8."},
        {"overlong UTF-8", "<a>\xC0\xAF</a>", "The XML text holds data that is not valid UTF-8."},
        {"UTF-8 cut off", "<a/>\xE2\x82", "The XML text holds data that is not valid UTF-8."},
    };
    for (const Row& row : rows) {
        TrickleStream stream(row.bytes);
        Ref<IXmlDocument> doc = NewDoc();
        std::string error = ErrorOf([&] { doc->Load(stream); });
        if (row.result.starts_with("  ")) {
            EXPECT_EQ(error, "") << row.what;
            EXPECT_EQ(DumpTree(*doc, DumpMode::Text), "#document\n" + row.result) << row.what;
        } else {
            EXPECT_EQ(error, row.result) << row.what;
        }
    }
}

// A stream that only reads forward, as a decompressing reader does: it
// cannot seek, nor tell its size without reading itself to the end.
class ForwardStream final : public runtime::TStream {
  public:
    explicit ForwardStream(std::string bytes) : bytes_(std::move(bytes)) {}
    int64_t Read(void* buffer, int64_t count) override {
        auto n = static_cast<size_t>(std::min<int64_t>(count, 5));
        n = bytes_.copy(static_cast<char*>(buffer), n, at_);
        at_ += n;
        return static_cast<int64_t>(n);
    }
    int64_t Write(const void*, int64_t) override { throw runtime::EStreamError("read only"); }
    int64_t Seek(int64_t offset, uint16_t origin) override {
        if (offset == 0 && origin == runtime::soFromCurrent) return static_cast<int64_t>(at_);
        throw runtime::EStreamError("cannot seek");
    }

  private:
    std::string bytes_;
    size_t at_ = 0;
};

TEST(XmlTextReader, LoadsStreamsThatCannotSeek) {
    Ref<IXmlDocument> doc = testing::BuildPortableDocument();
    runtime::TMemoryStream text;
    doc->Save(text);
    const std::string dump = DumpTree(*doc, DumpMode::Text);
    for (const std::string& bytes :
         {std::string(static_cast<const char*>(text.Memory()), static_cast<size_t>(text.Size())),
          doc->BinaryXML()}) {
        ForwardStream stream(bytes);
        Ref<IXmlDocument> back = NewDoc();
        EXPECT_EQ(ErrorOf([&] { back->Load(stream); }), "");
        EXPECT_EQ(DumpTree(*back, DumpMode::Text), dump);
    }
}

// Every construct read across the end of the reader's buffer: the same
// text read from a string and from a stream gives the same tree, wherever
// the buffer boundaries fall in it.
TEST(XmlTextReader, ConstructsSpanTheStreamBuffer) {
    const std::u16string chunk =
        u"<item n=\"v&amp;w\" m='&#x1F600;'>t&#128512;x&lt;</item><!--c-c--><![CDATA[d]]]]>"
        u"<?p q?><e/><f></f  >\n";
    const std::u16string text = u"<?xml version=\"1.0\"?><r>" + chunk + chunk + chunk + u"</r>";
    Ref<IXmlDocument> fromString = NewDoc();
    fromString->LoadXML(text);
    const std::string expected = DumpTree(*fromString, DumpMode::Typed);
    for (size_t units = 1; units <= 17; ++units) {
        runtime::TStringStream stream(Utf16Bytes(text));
        Ref<IXmlDocument> fromStream = NewDoc();
        ParseXmlStream(*TXmlNode::From(fromStream.get()), stream, {}, units * 2);
        EXPECT_EQ(DumpTree(*fromStream, DumpMode::Typed), expected) << units << " units";
    }
    runtime::TStringStream stream(Utf16Bytes(text));
    EXPECT_EQ(ErrorOf([&] { ParseXmlStream(*TXmlNode::From(NewDoc().get()), stream, {}, 7); }),
              "Wrong buffer size.");

    // Once across the real buffer.
    std::u16string big(kTextReadBufferUnits - 20, u'.');
    big += u"<r>" + chunk + u"</r>";
    runtime::TStringStream bigStream(Utf16Bytes(big));
    Ref<IXmlDocument> fromStream = NewDoc();
    fromStream->Load(bigStream);
    ASSERT_TRUE(fromStream->DocumentElement());
    fromString->LoadXML(big);
    EXPECT_EQ(DumpTree(*fromStream->DocumentElement(), DumpMode::Typed),
              DumpTree(*fromString->DocumentElement(), DumpMode::Typed));
}

TEST(XmlTextReader, ReadsEightBitText) {
    Ref<IXmlDocument> doc = NewDoc();
    doc->LoadXML(std::string_view("<a v='caf\xE9'>\x80 \xFF</a>"));
    EXPECT_EQ(Printable(doc->DocumentElement()->GetAttr(u"v")), "caf\\u00E9");
    EXPECT_EQ(Printable(doc->DocumentElement()->Text()), "\\u20AC \\u00FF");
}

TEST(XmlTextFiles, LoadsResourcesOfTheProgram) {
    Ref<IXmlDocument> doc = NewDoc();
    doc->LoadXML(u"<before/>");
    doc->LoadResource(u"XMLDATA", u"MISSING");
    EXPECT_EQ(doc->XML(), u"<before/>");
#ifdef _WIN32
    doc->LoadResource(u"XMLDATA", u"SAMPLE");
    EXPECT_EQ(doc->XML(), u"<?xml version=\"1.0\"?><resource kind=\"8-bit\" text=\"caf\u00E9\"/>");
#endif
}

TEST(XmlTextFiles, SaveAndLoadByName) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "serplow_xml_text_test.xml").string();
    Ref<IXmlDocument> doc = testing::BuildProjectDocument(2, 2, 2);
    doc->Save(path);
    EXPECT_EQ(ReadFile(path), "\xFF\xFE" + Utf16Bytes(doc->XML()));
    Ref<IXmlDocument> back = NewDoc();
    back->Load(path);
    EXPECT_EQ(DumpTree(*back, DumpMode::Text), DumpTree(*doc, DumpMode::Text));
    std::filesystem::remove(path);
    EXPECT_THROW(back->Load(path), runtime::EFOpenError);
}

// Samples formatted by xmllint (--format, then --encode UTF-16 or
// ISO-8859-1) from hand-written documents.
TEST(XmlTextSamples, XmllintFormattedProjectInUtf16) {
    Ref<IXmlDocument> doc = CreateXmlDocument(u"", "1.0", "windows-1251");
    doc->Load(std::string(XML_TESTDATA_DIR "/xmllint_project_utf16.xml"));
    Ref<IXmlNodeList> top = doc->ChildNodes();
    // The byte-order mark is no text node.
    ASSERT_EQ(top->Count(), 4);
    EXPECT_EQ(DumpTree(*top->Item(0), DumpMode::Text),
              "P <?xml version=\"1.0\" encoding=\"UTF-16\"?>\n");

    Ref<IXmlElement> sites = doc->DocumentElement()->FindElement(u"Sites");
    ASSERT_TRUE(sites);
    EXPECT_EQ(sites->ChildNodes()->Count(), 3);  // blanks, Site0, blanks
    Ref<IXmlElement> site = sites->FindElement(u"Site0");
    EXPECT_EQ(site->GetAttr(u"URL"), u"www.example.com");
    EXPECT_EQ(site->GetAttr(u"Notes"), u"first line\r\nsecond & last");
    Ref<IXmlElement> keywords = site->FindElement(u"Keywords");
    Ref<IXmlElement> k0 = keywords->FindElement(u"Keyword0");
    EXPECT_EQ(k0->GetAttr(u"Name"), u"rank tracker");
    EXPECT_EQ(k0->GetIntAttr(u"Position", -1), 3);
    EXPECT_EQ(k0->GetIntAttr(u"LastPosition", -1), 5);
    EXPECT_EQ(k0->GetIntAttr(u"Best", -1), 2);
    EXPECT_TRUE(k0->GetBoolAttr(u"Active", false));
    EXPECT_EQ(k0->GetFloatAttr(u"Date", 0), 45356);
    Ref<IXmlElement> link = k0->FindElement(u"Links")->FindElement(u"Link0");
    EXPECT_EQ(link->GetAttr(u"Name"), u"http://www.example.com/a?x=1&y=2");
    EXPECT_EQ(link->GetAttr(u"Title"), u"Example <A>");
    EXPECT_EQ(link->GetAttr(u"Description", u"none"), u"");
    EXPECT_EQ(link->GetFloatAttr(u"Cost", 0), 0.5);
    Ref<IXmlElement> k1 = keywords->FindElement(u"Keyword1");
    EXPECT_EQ(Printable(k1->GetAttr(u"Name")), "caf\\u00E9 \\u0416");
    EXPECT_FALSE(k1->GetBoolAttr(u"Active", true));
    EXPECT_EQ(k1->GetFloatAttr(u"Date", 0), 45357.5);
    EXPECT_EQ(k1->FindElement(u"Links")->ChildNodes()->Count(), 0);
    EXPECT_FALSE(keywords->FindElement(u"Keyword2"));
}

TEST(XmlTextSamples, XmllintFormattedMixedContent) {
    // The line breaks around the DOCTYPE, which gives no node, are two
    // text nodes.
    const std::string body =
        "  T \\u000A\n"
        "  T \\u000A\n"
        "  C  a catalog \n"
        "  T \\u000A\n"
        "  E catalog {xmlns:x=urn:x}\n"
        "    T \\u000A  \n"
        "    E x:item {id=1}\n"
        "      T Gr\\u00FC\\u00DFe \n"
        "      E b\n"
        "        T bold\n"
        "      T  tail\n"
        "    T \\u000A  \n"
        "    E note\n"
        "      D <raw> & stuff\n"
        "    T \\u000A  \n"
        "    P <?render fast?>\n"
        "    T \\u000A  \n"
        "    E empty\n"
        "    T \\u000A  \n"
        "    E quote {q=say \"hi\"}\n"
        "      T it's\n"
        "    T \\u000A\n"
        "  T \\u000A\n";
    struct Row {
        std::string file;
        bool eightBit;
        std::string declaration;
    };
    const Row rows[] = {
        {"xmllint_mixed_latin1.xml", true, "  P <?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"},
        {"xmllint_mixed_utf8.xml", false, "  P <?xml version=\"1.0\"?>\n"},
    };
    for (const Row& row : rows) {
        std::string bytes = ReadFile(XML_TESTDATA_DIR "/" + row.file);
        ASSERT_FALSE(bytes.empty()) << row.file;
        Ref<IXmlDocument> doc = NewDoc();
        if (row.eightBit)
            doc->LoadXML(std::string_view(bytes));
        else
            doc->LoadXML(runtime::Utf8ToWide(bytes));
        EXPECT_EQ(DumpTree(*doc, DumpMode::Text), "#document\n" + row.declaration + body)
            << row.file;
        // The file read as it is: in the encoding its declaration names.
        Ref<IXmlDocument> fromFile = NewDoc();
        fromFile->Load(std::string(XML_TESTDATA_DIR "/" + row.file));
        EXPECT_EQ(DumpTree(*fromFile, DumpMode::Text), "#document\n" + row.declaration + body)
            << row.file;
    }
}

}  // namespace
}  // namespace xml
