#include <gtest/gtest.h>

#include <cstdint>
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

const std::string kSignature = "< binary-xml >";

std::string ErrorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const runtime::Exception& e) {
        return e.Message();
    }
    return "";
}

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
