#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/document.h"
#include "xml/limits.h"
#include "xml/test_trees.h"
#include "xml/values.h"

namespace xml {
namespace {

using testing::DumpMode;
using testing::DumpTree;
using testing::ErrorOf;

const std::string kSignature = "< binary-xml >";

Ref<IXmlDocument> NewDoc(int buckets = 16) {
    return CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(buckets));
}

std::string Int32(int32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

// Options, a name table of the given names in one bucket, then the document
// body as given.
std::string Binary(const std::vector<std::string>& names, const std::string& body) {
    std::string out = kSignature + Int32(0) + static_cast<char>(names.size());
    for (const std::string& n : names) out += static_cast<char>(n.size()) + n;
    out += "\x01";  // one bucket
    if (names.empty()) {
        out += '\0';
    } else {
        out += std::string("\x01\x00", 2) + static_cast<char>(names.size());
        for (size_t id = 0; id < names.size(); ++id) out += Int32(static_cast<int32_t>(id));
    }
    return out + body;
}

TEST(XmlBinary, WritesTheDocumentedLayout) {
    Ref<IXmlDocument> doc = NewDoc(1);
    EXPECT_EQ(doc->BinaryXML().substr(0, 18), kSignature + std::string(4, '\0'));
    doc->AppendElement(u"a");
    std::string expected = kSignature + Int32(0) + "\x06" + "\x05#text" + "\x0E#cdata-section" +
                           "\x08#comment" + "\x09#document" + "\x03xml" +
                           "\x01"
                           "a" +
                           "\x01" + "\x01" + std::string("\x00\x06", 2);
    for (int id = 0; id < 6; ++id) expected += Int32(id);
    expected += std::string("\x00\x01", 2) + std::string("\x01\x05\x00\x00\x00", 5);
    EXPECT_EQ(doc->BinaryXML(), expected);
    Ref<IXmlDocument> back = NewDoc();
    back->LoadBinaryXML(expected);
    EXPECT_EQ(back->XML(), u"<a/>");
}

// Lengths, counts and ids are packed: one byte up to 127, two bytes up to
// 0x7FFF unless the first would be 0xFF, else 0xFF and four bytes.
TEST(XmlBinary, PacksIntegers) {
    struct Row {
        int length;
        std::string packed;
    };
    const Row rows[] = {
        {0, std::string(1, '\0')},
        {127, "\x7F"},
        {128, "\x80\x80"},
        {0x1234, "\x92\x34"},
        {0x7EFF, "\xFE\xFF"},
        {0x7F00, std::string("\xFF\x00\x7F\x00\x00", 5)},
        {0x7FFF, std::string("\xFF\xFF\x7F\x00\x00", 5)},
        {0x12345, std::string("\xFF\x45\x23\x01\x00", 5)},
    };
    for (const Row& row : rows) {
        Ref<IXmlDocument> doc = NewDoc();
        const std::u16string value(static_cast<size_t>(row.length), u'x');
        doc->AppendElement(u"e")->SetAttr(u"v", value);
        std::string bytes = doc->BinaryXML();
        std::string units;
        for (int i = 0; i < row.length; ++i) units += std::string("x\0", 2);
        EXPECT_NE(bytes.find("\x08" + row.packed + units), std::string::npos) << row.length;
        Ref<IXmlDocument> back = NewDoc();
        back->LoadBinaryXML(bytes);
        EXPECT_EQ(back->DocumentElement()->GetAttr(u"v"), value) << row.length;
    }
    // The empty name has the id -1.
    Ref<IXmlDocument> doc = NewDoc();
    doc->AppendChild(doc->CreateElement(u""));
    std::string bytes = doc->BinaryXML();
    EXPECT_NE(bytes.find("\x01\xFF\xFF\xFF\xFF\xFF"), std::string::npos);
    Ref<IXmlDocument> back = NewDoc();
    back->LoadBinaryXML(bytes);
    EXPECT_EQ(back->DocumentElement()->NodeNameID(), -1);
}

TEST(XmlBinary, KeepsNamesIdsAndTypedValues) {
    Ref<IXmlDocument> doc = testing::BuildRichDocument();
    const std::string typed = DumpTree(*doc, DumpMode::Typed);
    for (uint32_t options : {0u, 1u}) {
        SCOPED_TRACE(options);
        runtime::TMemoryStream stream;
        doc->SaveBinary(stream, options);
        stream.SetPosition(0);
        Ref<IXmlDocument> back = NewDoc();
        back->Load(stream);
        EXPECT_EQ(DumpTree(*back, DumpMode::Typed), typed);
        for (std::u16string name : {u"catalog", u"item", u"price", u"render"})
            EXPECT_EQ(back->NameTable()->GetID(name), doc->NameTable()->GetID(name));
        Ref<IXmlElement> typedElement =
            back->DocumentElement()->FindElement(u"notes")->FindElement(u"typed");
        EXPECT_EQ(typedElement->DataType(), runtime::varDouble);
    }
    Ref<IXmlDocument> back = NewDoc();
    back->LoadBinaryXML(doc->BinaryXML());
    EXPECT_EQ(DumpTree(*back, DumpMode::Typed), typed);
    back->LoadXML(std::string_view(doc->BinaryXML()));
    EXPECT_EQ(DumpTree(*back, DumpMode::Typed), typed);
}

TEST(XmlBinary, ChoosesWideStringsWhenTheCodePageLosesCharacters) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> site = doc->AppendElement(u"\u0421\u0430\u0439\u0442");
    site->AppendComment(u"ok");
    EXPECT_EQ(doc->BinaryXML().substr(14, 4), Int32(1));
    Ref<IXmlDocument> plain = NewDoc();
    plain->AppendElement(u"caf\u00E9")->AppendCDATA(u"\u20AC");
    EXPECT_EQ(plain->BinaryXML().substr(14, 4), Int32(0));
    Ref<IXmlDocument> comment = NewDoc();
    comment->AppendElement(u"a")->AppendComment(u"\u0416");
    runtime::TMemoryStream stream;
    comment->SaveBinary(stream, 0);
    stream.SetPosition(0);
    Ref<IXmlDocument> back = NewDoc();
    back->Load(stream);
    EXPECT_EQ(back->DocumentElement()->ChildNodes()->Item(0)->Text(), u"\u0416");
    back->LoadBinaryXML(doc->BinaryXML());
    EXPECT_EQ(back->DocumentElement()->NodeName(), u"\u0421\u0430\u0439\u0442");
}

TEST(XmlBinary, ElementWithChildrenDropsItsOwnValue) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> e = doc->AppendElement(u"e");
    e->SetTypedValue(Variant(int32_t{5}));
    e->AppendChild(doc->CreateElement(u"child"));
    Ref<IXmlDocument> back = NewDoc();
    back->LoadBinaryXML(doc->BinaryXML());
    Ref<IXmlElement> copy = back->DocumentElement();
    copy->RemoveAllChildren();
    EXPECT_EQ(copy->DataType(), runtime::varOleStr);
    EXPECT_EQ(copy->Text(), u"");
}

TEST(XmlBinary, LoadXMLRecognisesTheSignature) {
    Ref<IXmlDocument> doc = NewDoc();
    doc->AppendElement(u"root")->SetAttr(u"a", u"b");
    std::string bytes = doc->BinaryXML();
    Ref<IXmlDocument> back = NewDoc();
    back->LoadXML(runtime::AnsiToWide(bytes));
    EXPECT_EQ(back->XML(), u"<root a=\"b\"/>");
    back->LoadXML(u"<other/>");
    back->LoadXML(std::string_view(bytes));
    EXPECT_EQ(back->XML(), u"<root a=\"b\"/>");
}

TEST(XmlBinary, RaisesItsWritingErrors) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> root = doc->AppendElement(u"root");
    root->AppendChild(NewDoc());
    EXPECT_EQ(ErrorOf([&] { (void)doc->BinaryXML(); }),
              "Error writing binary XML: wrong node type.");
    root->RemoveAllChildren();
    root->SetVarAttr(u"bad", Variant::FromError(5));
    EXPECT_EQ(ErrorOf([&] { (void)doc->BinaryXML(); }), "Error writing value: incorrect type.");
    root->SetVarAttr(u"bad", Variant::CreateArray({0, 1}, runtime::varVariant));
    EXPECT_EQ(ErrorOf([&] { (void)doc->BinaryXML(); }), "Error writing value: incorrect type.");
}

// Any cut of a valid file fails cleanly.
TEST(XmlBinary, TruncatedInputRaisesReadError) {
    const std::string bytes = testing::BuildRichDocument()->BinaryXML();
    Ref<IXmlDocument> doc = NewDoc();
    for (size_t size = 0; size < bytes.size(); ++size)
        ASSERT_EQ(ErrorOf([&] { doc->LoadBinaryXML(bytes.substr(0, size)); }),
                  "Error reading XML data.")
            << size;
    doc->LoadBinaryXML(bytes);
}

// Counts and lengths far beyond the data are refused before anything is
// allocated for them.
TEST(XmlBinary, ChecksCountsAgainstWhatIsLeft) {
    const std::string huge = std::string("\xFF\xFF\xFF\xFF\x7F", 5);
    const std::string negative = std::string("\xFF\xFF\xFF\xFF\xFF", 5);
    const std::string emptyBody = std::string("\x00\x00", 2);
    struct Row {
        const char* what;
        std::string bytes;
    };
    const Row rows[] = {
        {"name count", kSignature + Int32(0) + huge},
        {"negative name count", kSignature + Int32(0) + negative},
        {"name length", kSignature + Int32(0) + "\x01" + huge},
        {"wide name length",
         kSignature + Int32(1) + "\x01" + std::string("\xFF\x00\x00\x00\x40", 5)},
        {"no buckets", kSignature + Int32(0) + std::string("\x00\x00\x00", 3) + emptyBody},
        {"too many buckets",
         kSignature + Int32(0) + std::string("\x00", 1) + huge + std::string(1, '\0') + emptyBody},
        {"bucket list count", kSignature + Int32(0) + std::string("\x00\x01", 2) + huge},
        {"bucket index",
         Binary({}, "").substr(0, 19) + std::string("\x01\x01\x05\x00", 4) + emptyBody},
        {"bucket id", kSignature + Int32(0) +
                          "\x01\x01"
                          "a" +
                          std::string("\x01\x01\x00\x01", 4) + Int32(1) + emptyBody},
        {"id count", kSignature + Int32(0) +
                         "\x01\x01"
                         "a" +
                         std::string("\x01\x01\x00", 3) + huge},
        {"attribute count", Binary({}, huge)},
        {"child count", Binary({}, std::string(1, '\0') + huge)},
        {"wide value", Binary({"a"}, std::string("\x01\x00\x08", 3) + huge)},
        {"8-bit value", Binary({"a"}, std::string("\x01\x00\x81\x00", 4) + huge)},
        {"byte array", Binary({"a"}, std::string("\x01\x00\xA0\x11", 4) + huge)},
        {"element name id", Binary({"a"}, std::string("\x00\x01\x01\x07\x00\x00\x00", 7))},
        {"attribute name id", Binary({"a"}, std::string("\x01\x02\x00\x00\x00", 5))},
        {"fixed value", Binary({"a"}, std::string("\x01\x00\x05\x00\x00", 5))},
    };
    for (const Row& row : rows) {
        Ref<IXmlDocument> doc = NewDoc();
        EXPECT_EQ(ErrorOf([&] { doc->LoadBinaryXML(row.bytes); }), "Error reading XML data.")
            << row.what;
    }
}

TEST(XmlBinary, ReadsNodeTypesAndValueCodes) {
    Ref<IXmlDocument> doc = NewDoc();
    EXPECT_EQ(ErrorOf([&] { doc->LoadBinaryXML(Binary({}, std::string("\x00\x01\x02\x00", 4))); }),
              "Error reading binary XML: wrong node type.");
    EXPECT_EQ(ErrorOf([&] { doc->LoadBinaryXML(Binary({}, std::string("\x00\x01\x09\x00", 4))); }),
              "Error reading binary XML: wrong node type.");
    // An unknown value code gives a null value and no payload.
    doc->LoadBinaryXML(Binary({"a"}, std::string("\x01\x00\x09\x01\x03\x0B\xFF\xFF", 8)));
    EXPECT_TRUE(doc->GetVarAttr(u"a", Variant()).IsNull());
    EXPECT_EQ(doc->ChildNodes()->Item(0)->DataType(), runtime::varBoolean);
    EXPECT_EQ(doc->Text(), u"1");
}

// The type code, the text and, for numbers and dates, the exact payload.
std::string Typed(const Variant& value) {
    std::string out = std::to_string(value.Type()) + ":" + testing::Printable(XmlVarToStr(value));
    if (value.IsOrdinal()) out += "=" + std::to_string(value.AsInt64());
    if (value.IsFloat() || value.Type() == runtime::varDate) {
        double d = value.Type() == runtime::varDate ? value.AsDate() : value.AsDouble();
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        out += "=" + std::to_string(bits);
    }
    return out;
}

// Values of every kind the binary form keeps, with the ends of their ranges
// and texts whose units fit one byte or not.
std::vector<Variant> EveryKindOfValue() {
    const char bytes[] = {'\0', '\x7F', '\x80', '\xFF'};
    return {
        Variant(),
        Variant::Null(),
        Variant::FromSmallint(-32768),
        Variant(int32_t{-2147483647 - 1}),
        Variant::FromShortInt(-128),
        Variant(int64_t{-1} << 62),
        Variant::FromCurrency(-123456789),
        Variant::FromByte(255),
        Variant::FromWord(65535),
        Variant(uint32_t{0xFFFFFFFF}),
        Variant(true),
        Variant(false),
        Variant::FromSingle(-1.5f),
        Variant(0.1),
        Variant::FromDate(45356.75),
        Variant(u""),
        Variant(u"plain ascii"),
        Variant(std::u16string(u"nul\0 caf\u00E9 \u00FF", 11)),
        Variant(u"\u0100 wide"),
        Variant(u"odd \u0416 \U0001F600"),
        Variant(std::string("8-bit caf\xE9")),
        Variant(std::string()),
        XmlBytesToVar(std::string_view(bytes, sizeof bytes)),
    };
}

TEST(XmlBinary, LoadedNodesKeepEveryKindOfValue) {
    const std::vector<Variant> values = EveryKindOfValue();
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> root = doc->AppendElement(u"root");
    for (size_t i = 0; i < values.size(); ++i) {
        std::u16string n = runtime::AnsiToWide(std::to_string(i));
        root->SetVarAttr(u"a" + n, values[i]);
        root->AppendElement(u"e" + n)->SetTypedValue(values[i]);
        root->AppendElement(u"t" + n)->AppendChild(doc->CreateText(u"x"))->SetTypedValue(values[i]);
    }
    for (uint32_t options : {0u, 1u}) {
        SCOPED_TRACE(options);
        runtime::TMemoryStream stream;
        doc->SaveBinary(stream, options);
        stream.SetPosition(0);
        Ref<IXmlDocument> back = NewDoc();
        back->Load(stream);
        Ref<IXmlElement> copy = back->DocumentElement();
        ASSERT_EQ(copy->AttrCount(), static_cast<int>(values.size()));
        for (size_t i = 0; i < values.size(); ++i) {
            SCOPED_TRACE(i);
            std::u16string n = runtime::AnsiToWide(std::to_string(i));
            EXPECT_EQ(Typed(copy->GetVarAttr(u"a" + n, Variant(u"missing"))), Typed(values[i]));
            EXPECT_EQ(copy->AttrType(u"a" + n), values[i].Type());
            EXPECT_EQ(copy->GetAttr(u"a" + n), XmlVarToStr(values[i]));
            EXPECT_EQ(copy->AttrName(static_cast<int>(i)), u"a" + n);
            Ref<IXmlNode> element = copy->SelectSingleNode(u"e" + n);
            EXPECT_EQ(element->DataType(), root->SelectSingleNode(u"e" + n)->DataType());
            EXPECT_EQ(Typed(element->TypedValue()),
                      Typed(root->SelectSingleNode(u"e" + n)->TypedValue()));
            Ref<IXmlNode> text = copy->SelectSingleNode(u"t" + n)->ChildNodes()->Item(0);
            EXPECT_EQ(Typed(text->TypedValue()), Typed(values[i]));
        }
        EXPECT_EQ(DumpTree(*back, DumpMode::Typed), DumpTree(*doc, DumpMode::Typed));
        EXPECT_EQ(back->BinaryXML(), doc->BinaryXML());
    }
}

// Attributes of a loaded element change, keep their order and outlive the
// document like those of any other node.
TEST(XmlBinary, LoadedAttributesChangeLikeOthers) {
    Ref<IXmlDocument> doc = NewDoc(1 << 16);
    Ref<IXmlElement> e = doc->AppendElement(u"e");
    for (int i = 0; i < 300; ++i)
        e->SetAttr(u"a" + runtime::AnsiToWide(std::to_string(i)),
                   u"v\u00E9" + runtime::AnsiToWide(std::to_string(i)));
    e->SetIntAttr(u"n", 5);
    e->SetAttr(u"w", u"\u0416");
    // Ids and lengths beyond 16 bits.
    for (int i = 0; i < 40000; ++i)
        doc->NameTable()->GetID(u"n" + runtime::AnsiToWide(std::to_string(i)));
    e->SetVarAttr(u"far", Variant::FromSmallint(-7));
    const std::u16string longText(70000, u'\u00E9');
    e->SetAttr(u"long", longText);
    const std::string bytes = doc->BinaryXML();

    Ref<IXmlDocument> back = NewDoc();
    back->LoadBinaryXML(bytes);
    Ref<IXmlElement> copy = back->DocumentElement();
    back.reset();  // the element keeps its attributes
    ASSERT_EQ(copy->AttrCount(), 304);
    EXPECT_EQ(copy->AttrName(299), u"a299");
    EXPECT_EQ(copy->AttrName(302), u"far");
    EXPECT_EQ(copy->AttrNameID(304), -1);
    EXPECT_EQ(copy->GetAttr(u"a150"),
              u"v\u00E9"
              u"150");
    EXPECT_EQ(copy->GetIntAttr(u"n"), 5);
    EXPECT_GT(copy->AttrNameID(302), 40000);
    EXPECT_EQ(copy->GetVarAttr(u"far", Variant()).Type(), runtime::varSmallint);
    EXPECT_EQ(copy->GetIntAttr(u"far"), -7);
    EXPECT_EQ(copy->GetAttr(u"long"), longText);

    copy->SetAttr(u"a0", u"replaced");
    copy->RemoveAttr(u"a1");
    copy->SetFloatAttr(u"f", 0.5);
    EXPECT_EQ(copy->AttrCount(), 304);
    EXPECT_EQ(copy->AttrName(0), u"a0");
    EXPECT_EQ(copy->AttrName(1), u"a2");
    EXPECT_EQ(copy->AttrName(303), u"f");
    EXPECT_EQ(copy->GetAttr(u"long"), longText);
    EXPECT_EQ(copy->GetAttr(u"a0"), u"replaced");
    EXPECT_EQ(copy->GetAttr(u"a299"),
              u"v\u00E9"
              u"299");
    EXPECT_EQ(copy->GetAttr(u"w"), u"\u0416");
    EXPECT_EQ(copy->AttrType(u"n"), runtime::varInteger);

    Ref<IXmlDocument> other = NewDoc();
    other->LoadBinaryXML(bytes);
    Ref<IXmlElement> cleared = other->DocumentElement();
    cleared->RemoveAllAttrs();
    EXPECT_EQ(cleared->AttrCount(), 0);
    cleared->SetAttr(u"only", u"one");
    EXPECT_EQ(other->XML(), u"<e only=\"one\"/>");
}

// A name id that comes twice in one attribute list replaces the value it
// had, in its first place, as setting an attribute twice does.
TEST(XmlBinary, RepeatedAttributeIdsReplaceTheValue) {
    Ref<IXmlDocument> doc = NewDoc();
    doc->LoadBinaryXML(Binary({"e", "a", "b"}, std::string("\x00\x01\x01\x00\x00\x03"
                                                           "\x01\x03\x01\x00\x00\x00"
                                                           "\x02\x03\x02\x00\x00\x00"
                                                           "\x01\x08\x01z\x00"
                                                           "\x00",
                                                           24)));
    Ref<IXmlElement> e = doc->DocumentElement();
    EXPECT_EQ(e->AttrCount(), 2);
    EXPECT_EQ(e->AttrName(0), u"a");
    EXPECT_EQ(e->GetVarAttr(u"a", Variant()).Type(), runtime::varOleStr);
    EXPECT_EQ(e->GetAttr(u"a"), u"z");
    EXPECT_EQ(e->GetIntAttr(u"b"), 2);
}

TEST(XmlBinary, LimitsTheNestingDepth) {
    auto nested = [](int depth) {
        std::string body = std::string("\x00\x01", 2);
        for (int i = 1; i < depth; ++i) body += std::string("\x01\x00\x00\x00\x01", 5);
        return Binary({"e"}, body + std::string("\x01\x00\x00\x00\x00", 5));
    };
    Ref<IXmlDocument> doc = NewDoc();
    doc->LoadBinaryXML(nested(kMaxNestingDepth));
    EXPECT_EQ(ErrorOf([&] { doc->LoadBinaryXML(nested(kMaxNestingDepth + 1)); }),
              "XML nesting is too deep.");
}

}  // namespace
}  // namespace xml
