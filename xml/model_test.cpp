#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "xml/document.h"
#include "xml/test_trees.h"
#include "xml/values.h"

namespace xml {
namespace {

using testing::DumpMode;
using testing::DumpTree;
using testing::ErrorOf;

Ref<IXmlDocument> NewDoc() {
    return CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(16));
}

TEST(XmlNameTable, StartsWithTheFixedNamesAndInternsTheRest) {
    for (int buckets : {0, 1, 16, 4096}) {
        Ref<IXmlNameTable> names = CreateNameTable(buckets);
        const char16_t* fixed[] = {u"#text", u"#cdata-section", u"#comment", u"#document", u"xml"};
        for (int id = 0; id < 5; ++id) {
            EXPECT_EQ(names->GetID(fixed[id]), id);
            EXPECT_EQ(names->GetName(id), fixed[id]);
        }
        EXPECT_EQ(names->GetID(u""), -1);
        EXPECT_EQ(names->GetName(-1), u"");
        EXPECT_EQ(names->GetName(1000), u"");
        int32_t a = names->GetID(u"a");
        EXPECT_EQ(a, 5);
        EXPECT_EQ(names->GetID(u"A"), 6);  // case counts
        for (int i = 0; i < 200; ++i)
            names->GetID(u"name" + std::u16string(1, char16_t(u'0' + i % 64)) + char16_t(i));
        EXPECT_EQ(names->GetID(u"a"), a);
        EXPECT_EQ(names->GetID(u"\U0001F600"), names->GetID(u"\U0001F600"));
    }
}

TEST(XmlDocument, DocumentsWithoutTableShareTheDefaultOne) {
    Ref<IXmlDocument> a = CreateXmlDocument(u"", "1.0", "windows-1251");
    Ref<IXmlDocument> b = CreateXmlDocument(u"root", "1.0", "windows-1251");
    EXPECT_EQ(a->NameTable().get(), b->NameTable().get());
    EXPECT_NE(NewDoc()->NameTable().get(), a->NameTable().get());
    EXPECT_EQ(b->XML(), u"<?xml version=\"1.0\" encoding=\"windows-1251\"?><root/>");
    EXPECT_EQ(b->DocumentElement()->NodeName(), u"root");
    EXPECT_FALSE(a->DocumentElement());
}

// The parent link never outlives the parent: nodes and lists that the
// caller still holds lose it when the parent goes or lets go of them.
TEST(XmlLifetime, ParentLinksNeverDangle) {
    Ref<IXmlElement> kept;
    Ref<IXmlNodeList> keptList;
    Ref<IXmlNode> grandChild;
    {
        Ref<IXmlDocument> doc = NewDoc();
        Ref<IXmlElement> root = doc->AppendElement(u"root");
        kept = root->AppendElement(u"child");
        grandChild = kept->AppendText(u"text");
        keptList = root->ChildNodes();
        EXPECT_EQ(kept->ParentNode().get(), static_cast<IXmlNode*>(root.get()));
        EXPECT_EQ(kept->OwnerDocument().get(), doc.get());
    }
    EXPECT_FALSE(kept->ParentNode());
    EXPECT_FALSE(kept->OwnerDocument());
    EXPECT_EQ(keptList->Count(), 1);
    EXPECT_EQ(keptList->Item(0)->NodeName(), u"child");
    EXPECT_FALSE(keptList->Item(0)->ParentNode());
    EXPECT_EQ(grandChild->ParentNode().get(), static_cast<IXmlNode*>(kept.get()));
    EXPECT_EQ(kept->XML(), u"<child>text</child>");
    EXPECT_FALSE(keptList->Item(1));
    EXPECT_FALSE(keptList->Item(-1));

    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> a = doc->AppendElement(u"a");
    Ref<IXmlElement> b = doc->AppendElement(u"b");
    Ref<IXmlElement> shared = a->AppendElement(u"shared");
    b->AppendChild(shared);  // in two lists, parent b
    EXPECT_EQ(a->RemoveChild(shared), 0);
    EXPECT_EQ(shared->ParentNode().get(), static_cast<IXmlNode*>(b.get()));
    EXPECT_EQ(b->RemoveChild(shared), 0);
    EXPECT_FALSE(shared->ParentNode());
    EXPECT_EQ(b->RemoveChild(shared), -1);
}

TEST(XmlLifetime, DeepTreesAreFreedAndRefusedWithoutRecursion) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlNode> node = doc;
    for (int i = 0; i < 200000; ++i) node = node->AppendElement(u"deep");
    node->SetText(u"x");
    EXPECT_EQ(ErrorOf([&] { (void)doc->XML(); }), "XML nesting is too deep.");
    EXPECT_EQ(ErrorOf([&] { (void)doc->Text(); }), "XML nesting is too deep.");
    EXPECT_EQ(ErrorOf([&] { (void)doc->BinaryXML(); }), "XML nesting is too deep.");
    node.reset();
    doc.reset();  // frees 200000 levels
}

TEST(XmlTree, InsertsMovesAndRemovesChildren) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> root = doc->AppendElement(u"r");
    Ref<IXmlNode> a = root->AppendChild(doc->CreateElement(u"a"));
    Ref<IXmlNode> c = root->AppendChild(doc->CreateElement(u"c"));
    root->InsertBefore(doc->CreateElement(u"b"), c);
    root->InsertBefore(doc->CreateText(u"end"), nullptr);
    EXPECT_EQ(root->XML(), u"<r><a/><b/><c/>end</r>");
    Ref<IXmlNode> old = root->ReplaceChild(doc->CreateComment(u"was a"), a);
    EXPECT_EQ(old.get(), a.get());
    EXPECT_FALSE(a->ParentNode());
    EXPECT_FALSE(root->ReplaceChild(doc->CreateElement(u"x"), a));
    EXPECT_EQ(root->XML(), u"<r><!--was a--><b/><c/>end</r>");
    EXPECT_EQ(root->RemoveChild(c), 2);
    EXPECT_EQ(root->ChildNodes()->Count(), 3);
    root->RemoveAllChildren();
    EXPECT_EQ(root->XML(), u"<r/>");

    EXPECT_EQ(ErrorOf([&] { root->AppendChild(root); }), "A node cannot be inserted into itself.");
    Ref<IXmlElement> inner = root->AppendElement(u"inner")->AppendElement(u"deeper");
    EXPECT_EQ(ErrorOf([&] { inner->AppendChild(root); }), "A node cannot be inserted into itself.");
    EXPECT_EQ(ErrorOf([&] { inner->InsertBefore(root, nullptr); }),
              "A node cannot be inserted into itself.");
}

TEST(XmlTree, CreatedNodesAndTheirInterfaces) {
    Ref<IXmlDocument> doc = NewDoc();
    struct Row {
        Ref<IXmlNode> node;
        TXmlNodeType type;
        std::u16string name;
    };
    const Row rows[] = {
        {doc->CreateElement(u"e"), ntElement, u"e"},
        {doc->CreateText(u"t"), ntText, u"#text"},
        {doc->CreateCDATASection(u"d"), ntCDATASection, u"#cdata-section"},
        {doc->CreateComment(u"c"), ntComment, u"#comment"},
        {doc->CreateProcessingInstruction(u"pi", "data"), ntProcessingInstruction, u"pi"},
        {doc, ntDocument, u"#document"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.node->NodeType(), row.type);
        EXPECT_EQ(row.node->NodeName(), row.name);
        EXPECT_EQ(bool(row.node->AsElement()), row.type == ntElement);
        EXPECT_EQ(bool(row.node->AsText()), row.type == ntText);
        EXPECT_EQ(bool(row.node->AsCDATASection()), row.type == ntCDATASection);
        EXPECT_EQ(bool(row.node->AsComment()), row.type == ntComment);
        EXPECT_EQ(bool(row.node->AsProcessingInstruction()), row.type == ntProcessingInstruction);
        EXPECT_EQ(row.node->OwnerDocument().get(), row.type == ntDocument ? doc.get() : nullptr);
    }
}

TEST(XmlText, ElementTextAndTypedValues) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> e = doc->AppendElement(u"e");
    EXPECT_EQ(e->DataType(), runtime::varOleStr);
    EXPECT_EQ(e->TypedValue().Type(), runtime::varString);
    EXPECT_EQ(e->Text(), u"");

    e->SetTypedValue(Variant(2.5));
    EXPECT_EQ(e->DataType(), runtime::varDouble);
    EXPECT_EQ(e->TypedValue().AsDouble(), 2.5);
    EXPECT_EQ(e->Text(), u"2.5");

    e->AppendText(u"a");
    e->AppendComment(u"skipped");
    e->AppendElement(u"inner")->AppendCDATA(u"b");
    e->AppendProcessingInstruction(u"pi", "skipped");
    EXPECT_EQ(e->Text(), u"ab");
    EXPECT_EQ(e->DataType(), runtime::varOleStr);
    EXPECT_EQ(e->TypedValue().AsWideString(), u"ab");
    EXPECT_EQ(doc->Text(), u"ab");

    e->SetText(u"plain");
    EXPECT_EQ(e->ChildNodes()->Count(), 0);
    EXPECT_EQ(e->Text(), u"plain");

    Ref<IXmlText> t = e->AppendText(u"x");
    t->SetTypedValue(Variant(int32_t{5}));
    EXPECT_EQ(t->DataType(), runtime::varInteger);
    EXPECT_EQ(t->Text(), u"5");
    t->SetText(u"6");
    EXPECT_EQ(t->DataType(), runtime::varOleStr);

    Ref<IXmlComment> c = doc->CreateComment(u"c");
    c->SetTypedValue(Variant(true));
    EXPECT_EQ(c->Text(), u"1");
    EXPECT_EQ(c->DataType(), runtime::varOleStr);

    doc->SetText(u"only");
    EXPECT_EQ(doc->XML(), u"only");
    EXPECT_EQ(doc->ChildNodes()->Item(0)->NodeType(), ntText);
}

TEST(XmlTree, ChildTextSelectAndFind) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> root = doc->AppendElement(u"root");
    root->AppendElement(u"item")->SetAttr(u"id", u"1");
    root->AppendComment(u"item");
    root->AppendElement(u"item")->SetIntAttr(u"id", 2);
    Ref<IXmlElement> other = root->AppendElement(u"other");
    other->SetText(u"text of other");
    other->SetAttr(u"id", u"abc");

    EXPECT_EQ(root->GetChildText(u"other", u"def"), u"text of other");
    EXPECT_EQ(root->GetChildText(u"missing", u"def"), u"def");
    root->SetChildText(u"other", u"changed");
    root->SetChildText(u"fresh", u"new");
    EXPECT_EQ(root->GetChildText(u"other", u""), u"changed");
    EXPECT_EQ(root->ChildNodes()->Item(4)->XML(), u"<fresh>new</fresh>");

    Ref<IXmlNodeList> items = root->SelectNodes(u"item");
    EXPECT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Item(1)->ParentNode().get(), static_cast<IXmlNode*>(root.get()));
    items.reset();
    EXPECT_EQ(root->FindElement(u"item")->ParentNode().get(), static_cast<IXmlNode*>(root.get()));
    EXPECT_EQ(root->SelectNodes(u"nothing")->Count(), 0);
    EXPECT_EQ(root->SelectSingleNode(u"other")->Text(), u"changed");
    EXPECT_FALSE(root->SelectSingleNode(u"nothing"));
    for (std::u16string bad : {u"a/b", u"", u"1a", u"@id", u"item[1]", u"*", u"-a"}) {
        EXPECT_EQ(ErrorOf([&] { root->SelectNodes(bad); }), "Unsupported XPath expression.");
        EXPECT_EQ(ErrorOf([&] { root->SelectSingleNode(bad); }), "Unsupported XPath expression.");
    }
    EXPECT_TRUE(root->SelectSingleNode(u"_x.y-z:w") == nullptr);

    EXPECT_EQ(root->FindElement(u"item")->GetAttr(u"id"), u"1");
    EXPECT_EQ(root->FindElement(u"item", u"id", Variant(int32_t{2}))->GetIntAttr(u"id"), 2);
    EXPECT_EQ(root->FindElement(u"item", u"id", Variant(u"1"))->GetAttr(u"id"), u"1");
    EXPECT_FALSE(root->FindElement(u"item", u"id", Variant(int32_t{3})));
    EXPECT_FALSE(root->FindElement(u"item", u"nope", Variant(int32_t{1})));
    EXPECT_FALSE(root->FindElement(u"missing"));
    // Values that cannot be compared count as no match.
    EXPECT_FALSE(root->FindElement(u"other", u"id", Variant(int32_t{1})));
    EXPECT_FALSE(root->FindElement(u"other", u"id", Variant::Null()));
    EXPECT_TRUE(root->FindElement(u"other", u"id", Variant(u"abc")));
    EXPECT_FALSE(doc->CreateElement(u"leaf")->FindElement(u"x"));
}

TEST(XmlAttributes, StoreReplaceAndRemoveInOrder) {
    Ref<IXmlElement> e = NewDoc()->AppendElement(u"e");
    e->SetAttr(u"a", u"1");
    e->SetIntAttr(u"b", 2);
    e->SetFloatAttr(u"c", 3.5);
    e->SetAttr(u"a", u"one");
    EXPECT_EQ(e->AttrCount(), 3);
    EXPECT_EQ(e->AttrName(0), u"a");
    EXPECT_EQ(e->AttrType(u"b"), runtime::varInteger);
    EXPECT_EQ(e->AttrType(u"c"), runtime::varDouble);
    EXPECT_EQ(e->AttrType(u"missing"), runtime::varOleStr);
    EXPECT_EQ(e->XML(), u"<e a=\"one\" b=\"2\" c=\"3.5\"/>");
    e->RemoveAttr(u"a");
    e->RemoveAttr(u"missing");
    EXPECT_EQ(e->XML(), u"<e b=\"2\" c=\"3.5\"/>");
    EXPECT_EQ(e->AttrNameID(5), -1);
    EXPECT_EQ(e->AttrName(-1), u"");
    e->RemoveAllAttrs();
    EXPECT_EQ(e->AttrCount(), 0);
    EXPECT_EQ(e->GetVarAttr(u"b", Variant(int32_t{9})).AsInteger(), 9);
}

TEST(XmlAttributes, TypedGettersConvertUnderEachLocale) {
    runtime::TFormatSettings german = runtime::DefaultFormatSettings();
    german.DecimalSeparator = ',';
    german.ThousandSeparator = '.';
    const runtime::TDateTime date =
        runtime::EncodeDate(2024, 3, 5) + runtime::EncodeTime(15, 7, 9, 0);

    struct IntRow {
        Variant value;
        int32_t expected;
    };
    const IntRow ints[] = {
        {Variant(u"42"), 42},
        {Variant(u" -7 "), -7},
        {Variant(u"$1F"), 31},
        {Variant(2.6), 3},
        {Variant(true), -1},
        {Variant(int64_t{12}), 12},
        {Variant(std::string("8")), 8},
    };
    struct BoolRow {
        Variant value;
        bool expected;
    };
    const BoolRow bools[] = {
        {Variant(u"True"), true},     {Variant(u"false"), false}, {Variant(u"TRUE"), true},
        {Variant(u"0"), false},       {Variant(u"1"), true},      {Variant(u"-1"), true},
        {Variant(int32_t{0}), false}, {Variant(true), true},
    };
    struct FloatRow {
        Variant value;
        double expected;
    };
    const FloatRow floats[] = {
        {Variant(u"1,5"), 1.5},
        {Variant(u"1.5"), 1.5},
        {Variant(int32_t{3}), 3.0},
        {Variant(0.25), 0.25},
        {Variant::FromDate(date), date},
        {Variant(u"2024-03-05T15-07-09"), date},
        {Variant(std::string("-2,25")), -2.25},
    };
    for (const auto& settings : {runtime::DefaultFormatSettings(), german}) {
        SCOPED_TRACE(std::string(1, settings.DecimalSeparator));
        runtime::ScopedFormatSettings scope(settings);
        Ref<IXmlElement> e = NewDoc()->AppendElement(u"e");
        // A decimal text in the locale's own notation is rounded.
        const std::u16string sep(1, static_cast<char16_t>(settings.DecimalSeparator));
        e->SetAttr(u"v", u"2" + sep + u"5");
        EXPECT_EQ(e->GetIntAttr(u"v", 99), 2);
        e->SetAttr(u"v", u"3" + sep + u"5");
        EXPECT_EQ(e->GetIntAttr(u"v", 99), 4);
        for (const IntRow& row : ints) {
            e->SetVarAttr(u"v", row.value);
            EXPECT_EQ(e->GetIntAttr(u"v", 99), row.expected)
                << testing::Printable(XmlVarToStr(row.value));
        }
        for (const BoolRow& row : bools) {
            e->SetVarAttr(u"v", row.value);
            EXPECT_EQ(e->GetBoolAttr(u"v", !row.expected), row.expected)
                << testing::Printable(XmlVarToStr(row.value));
        }
        for (const FloatRow& row : floats) {
            e->SetVarAttr(u"v", row.value);
            EXPECT_NEAR(e->GetFloatAttr(u"v", -1), row.expected, 1e-9)
                << testing::Printable(XmlVarToStr(row.value));
        }
        // Written by SetVarAttr as a date, saved as text and read back.
        Ref<IXmlDocument> copy = NewDoc();
        Ref<IXmlElement> dated = copy->AppendElement(u"k");
        dated->SetVarAttr(u"Date", Variant::FromDate(date));
        copy->LoadXML(copy->XML());
        EXPECT_NEAR(copy->DocumentElement()->GetFloatAttr(u"Date", 0), date, 1.0 / 86400);

        EXPECT_EQ(e->GetIntAttr(u"missing", 5), 5);
        EXPECT_TRUE(e->GetBoolAttr(u"missing", true));
        EXPECT_EQ(e->GetFloatAttr(u"missing", 0.5), 0.5);
        EXPECT_EQ(e->GetAttr(u"missing", u"def"), u"def");
        for (std::u16string bad : {u"abc", u"1x", u""}) {
            e->SetAttr(u"v", bad);
            EXPECT_THROW(e->GetIntAttr(u"v", 0), runtime::Exception) << testing::Printable(bad);
            EXPECT_THROW(e->GetFloatAttr(u"v", 0), runtime::Exception) << testing::Printable(bad);
        }
        e->SetAttr(u"v", u"yes");
        EXPECT_THROW(e->GetBoolAttr(u"v", false), runtime::Exception);
    }
}

TEST(XmlAttributes, HexEnumAndRequiredAttributes) {
    Ref<IXmlElement> e = NewDoc()->AppendElement(u"item");
    struct HexRow {
        std::u16string text;
        int32_t value;
    };
    const HexRow hexes[] = {{u"FF", 255},      {u"ff", 255},
                            {u"0", 0},         {u"7fffffff", INT32_MAX},
                            {u"FFFFFFFF", -1}, {u"00000010", 16}};
    for (const HexRow& row : hexes) {
        e->SetAttr(u"h", row.text);
        EXPECT_EQ(e->GetHexAttr(u"h", 1), row.value) << testing::Printable(row.text);
    }
    for (std::u16string bad : {u"", u"1G", u"123456789", u"$FF", u"-1", u"0x10", u" 1"}) {
        e->SetAttr(u"h", bad);
        EXPECT_THROW(e->GetHexAttr(u"h", 0), runtime::EConvertError) << testing::Printable(bad);
    }
    EXPECT_EQ(e->GetHexAttr(u"none", 7), 7);
    e->SetHexAttr(u"h", 255, 4);
    EXPECT_EQ(e->GetAttr(u"h"), u"00FF");
    e->SetHexAttr(u"h", -1, 2);
    EXPECT_EQ(e->GetAttr(u"h"), u"FFFFFFFF");

    const std::array<std::u16string_view, 3> levels{u"Low", u"Medium", u"High"};
    e->SetAttr(u"Level", u"medium");
    EXPECT_EQ(e->GetEnumAttr(u"Level", levels, 0), 1);
    EXPECT_EQ(e->NeedEnumAttr(u"Level", levels), 1);
    EXPECT_EQ(e->GetEnumAttr(u"Other", levels, 2), 2);
    e->SetAttr(u"Level", u"Extreme");
    EXPECT_EQ(ErrorOf([&] { e->GetEnumAttr(u"Level", levels, 0); }),
              "Attribute \"Level\" of the XML element \"item\" has wrong value.\r\n");
    EXPECT_EQ(ErrorOf([&] { e->NeedEnumAttr(u"Other", levels); }), "Attribute not found \"Other\"");
    EXPECT_EQ(ErrorOf([&] { e->NeedAttr(u"Name"); }), "Attribute is not specified \"Name\"");
    e->SetIntAttr(u"Name", 12);
    EXPECT_EQ(e->NeedAttr(u"Name"), u"12");
}

TEST(XmlElement, CDATAAndBinaryContent) {
    Ref<IXmlDocument> doc = NewDoc();
    Ref<IXmlElement> e = doc->AppendElement(u"e");
    e->AppendText(u"old");
    e->AppendElement(u"kept");
    e->AppendCDATA(u"old too");
    e->ReplaceTextByCDATASection(u"a]]>b]]>c");
    EXPECT_EQ(DumpTree(*e, DumpMode::Typed), "E e\n  E kept\n  D a]\n  D ]>b]\n  D ]>c\n");
    EXPECT_EQ(e->Text(), u"a]]>b]]>c");
    EXPECT_EQ(e->XML(), u"<e><kept/><![CDATA[a]]]><![CDATA[]>b]]]><![CDATA[]>c]]></e>");

    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(255 - i);
    e->ReplaceTextByBinaryData(bytes.data(), bytes.size(), 64);
    EXPECT_EQ(e->ChildNodes()->Count(), 2);
    EXPECT_EQ(e->GetTextAsBinaryData(), bytes);
    EXPECT_NE(e->Text().find(u"\r\n"), std::u16string::npos);
}

TEST(XmlDocument, NewDocumentReplacesTheContent) {
    Ref<IXmlDocument> doc = NewDoc();
    doc->AppendComment(u"gone");
    doc->SetAttr(u"kept", u"yes");
    Ref<IXmlElement> root = doc->NewDocument("1.0", "windows-1251", u"Project");
    EXPECT_EQ(doc->XML(), u"<?xml version=\"1.0\" encoding=\"windows-1251\"?><Project/>");
    EXPECT_EQ(doc->DocumentElement().get(), root.get());
    EXPECT_EQ(doc->ChildNodes()->Item(0)->Text(), u"version=\"1.0\" encoding=\"windows-1251\"");
}

}  // namespace
}  // namespace xml
