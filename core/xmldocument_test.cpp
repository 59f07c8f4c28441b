#include "core/xmldocument.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/tagged_text.h"
#include "runtime/container_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "tests/support/linear_time.h"

namespace core {
namespace {

using runtime::testing::ReadBytes;
using runtime::testing::TempFolder;

std::string Bytes(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::u16string Text(const std::string& bytes) {
    return std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
}

std::u16string Save(TXmlDocument& document) {
    runtime::TStringStream stream;
    document.SaveToStream(&stream);
    return Text(stream.DataString());
}

void Load(TXmlDocument& document, std::u16string_view text) {
    runtime::TStringStream stream(Bytes(text));
    document.LoadFromStream(&stream);
}

TEST(TaggedTextTest, EscapingRoundTrips) {
    const std::u16string value = u"a</b>&c";
    EXPECT_EQ(tagged::Escape(value), u"a&<&/b&>&&c");
    EXPECT_EQ(tagged::Unescape(tagged::Escape(value)), value);
    // A lone "&" before anything else is kept.
    EXPECT_EQ(tagged::Unescape(u"x&y&"), u"x&y&");
}

TEST(TaggedTextTest, NumbersAreWrittenWithADotAndReadWithEither) {
    runtime::TFormatSettings comma = runtime::DefaultFormatSettings();
    comma.DecimalSeparator = ',';
    comma.ThousandSeparator = '.';
    runtime::ScopedFormatSettings scoped(comma);
    struct Case {
        double value;
        std::u16string text;
    } cases[] = {{1.5, u"1.5"}, {-1, u"-1"}, {39447, u"39447"}, {0.125, u"0.125"}, {1e20, u"1E20"}};
    for (const Case& c : cases) {
        EXPECT_EQ(tagged::FloatText(c.value), c.text);
        EXPECT_EQ(tagged::ParseFloat(c.text), c.value);
    }
    EXPECT_EQ(tagged::ParseFloat(u"2,25"), 2.25);
    EXPECT_THROW(tagged::ParseFloat(u"abc"), runtime::EConvertError);
    EXPECT_THROW(tagged::ParseInteger(u"12x"), runtime::EConvertError);
}

TEST(XmlDocumentTest, ValuesAreWrittenWithTheirMarkers) {
    TXmlDocument document;
    document.Root().SetValue(u"S", runtime::Variant(std::u16string(u"a<b/c>&d")));
    document.Root().SetValue(u"T", runtime::Variant(true));
    document.Root().SetValue(u"I", runtime::Variant(int32_t(-42)));
    document.Root().SetValue(u"F", runtime::Variant(0.5));
    document.Root().AddChild(u"E");
    EXPECT_EQ(Save(document), std::u16string(u"<DocumentRoot><E></E><F>\x02"
                                             u"0.5</F><I>\x01-42</I><S>") +
                                  u'\0' + u"a&<b&/c&>&&d</S><T>\x01-1</T></DocumentRoot>");

    TXmlDocument read;
    Load(read, Save(document));
    EXPECT_EQ(read.Root().GetString(u"S"), u"a<b/c>&d");
    EXPECT_EQ(read.Root().GetInteger(u"T"), -1);
    EXPECT_TRUE(read.Root().GetBool(u"T"));
    EXPECT_EQ(read.Root().GetInteger(u"I"), -42);
    EXPECT_EQ(read.Root().GetValue(u"F").AsDouble(), 0.5);
    EXPECT_TRUE(read.Root().GetValue(u"E").IsEmpty());
    EXPECT_TRUE(read.Root().GetValue(u"Missing").IsNull());
    EXPECT_EQ(read.Root().GetString(u"Missing"), u"");
    EXPECT_FALSE(read.Root().GetBool(u"Missing"));
    EXPECT_EQ(read.ElementCount, 5);
}

TEST(XmlDocumentTest, ChildrenKeepTheLocaleOrder) {
    TXmlDocument document;
    auto& sites = document.Root().AddChild(u"Sites");
    sites.AddChild(u"Site2");
    sites.AddChild(u"Site10");
    EXPECT_EQ(&sites.AddChild(u"Site2"), sites.Children.Items(1));  // no second child
    EXPECT_EQ(Save(document),
              u"<DocumentRoot><Sites><Site10></Site10><Site2></Site2></Sites></DocumentRoot>");

    // Renaming moves a child to its new place.
    sites.Children.Items(1)->SetName(u"Site0");
    EXPECT_EQ(sites.Children.Items(0)->Name(), u"Site0");
    EXPECT_EQ(sites.Children.IndexOfName(u"Site10"), 1);
    EXPECT_EQ(sites.Children.IndexOfName(u"Site2"), -1);
    EXPECT_EQ(document.ElementCount, 3);
}

TEST(XmlDocumentTest, ChildrenAddedInAnyOrderAreOneSortedList) {
    // Children added between looks, renamed while they wait, added again,
    // and added after the list was looked at.
    TXmlDocument document;
    TXmlElement& root = document.Root();
    TXmlElement& c = root.AddChild(u"C");
    root.AddChild(u"A");
    EXPECT_EQ(&root.AddChild(u"C"), &c);
    root.AddChild(u"E").SetName(u"B");
    EXPECT_EQ(root.Children.Count(), 3);
    EXPECT_EQ(root.Children.Find(u"B"), root.Children.Items(1));
    root.SetValue(u"D", runtime::Variant(int32_t(4)));
    root.AddChild(u"A0");
    EXPECT_EQ(&root.AddChild(u"B"), root.Children.Items(2));
    std::u16string names;
    for (int i = 0; i < root.Children.Count(); ++i) names += root.Children.Items(i)->Name() + u" ";
    EXPECT_EQ(names, u"A A0 B C D ");
    EXPECT_EQ(root.GetInteger(u"D"), 4);
    EXPECT_EQ(document.ElementCount, 5);
}

TEST(XmlDocumentTest, WideListsBuildInLinearTime) {
    // "Link0", "Link1", ...: far from the locale's order ("Link10" before
    // "Link2"), so that each child lands inside the list.
    serplow::testing::ExpectLinearTime("children added", 6000, [](int count) {
        auto names = std::make_shared<std::vector<std::u16string>>();
        for (int i = 0; i < count; ++i)
            names->push_back(u"Link" + runtime::AnsiToWide(std::to_string(i)));
        return [names] {
            TXmlDocument document;
            for (const std::u16string& name : *names) document.Root().AddChild(name);
            EXPECT_EQ(document.Root().Children.Items(0)->Name(), u"Link0");
        };
    });
}

TEST(XmlDocumentTest, SiblingsWrittenInAnotherOrderLoadSorted) {
    TXmlDocument document;
    Load(document,
         u"<DocumentRoot><B>\x01"
         u"2</B><C></C><A>\x01"
         u"1</A></DocumentRoot>");
    ASSERT_EQ(document.Root().Children.Count(), 3);
    EXPECT_EQ(document.Root().Children.Items(0)->Name(), u"A");
    EXPECT_EQ(document.Root().Children.Items(2)->Name(), u"C");
    EXPECT_EQ(document.Root().GetInteger(u"B"), 2);
}

TEST(XmlDocumentTest, AnEmptyChildLoadsWithoutValueOrChildren) {
    TXmlDocument document;
    Load(document, u"<DocumentRoot><Sites></Sites></DocumentRoot>");
    ASSERT_EQ(document.Root().Children.Count(), 1);
    TXmlElement* sites = document.Root().Children.Find(u"Sites");
    ASSERT_NE(sites, nullptr);
    EXPECT_TRUE(sites->Value.IsEmpty());
    EXPECT_EQ(sites->Children.Count(), 0);
    EXPECT_EQ(document.Root().Name(), u"DocumentRoot");
}

TEST(XmlDocumentTest, MalformedTextsFailWithTheLoadError) {
    struct Case {
        std::u16string text;
        std::string reason;
    } cases[] = {
        {u"<DocumentRoot", "Unequal number of brackets."},
        {u"<DocumentRoot><Sites>", "The closing tag of <Sites> is missing."},
        {u"<A><B></C></A>", "The closing tag of <B> is missing; </C> stands in its place."},
        {u"<A>\x01"
         u"5<B></B></A>",
         "The closing tag of <A> is missing."},
        {u"<A></A><B></B>", "The text holds a second outermost element."},
        {u"</A>", "The text starts with a closing tag."},
        {u"<A>\x01"
         u"five</A>",
         "'five' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        TXmlDocument document;
        try {
            Load(document, c.text);
            ADD_FAILURE() << "loaded: " << c.reason;
        } catch (const runtime::Exception& e) {
            std::string message = e.what();
            EXPECT_EQ(message.rfind("Error while loading project.\r\n" + c.reason + "\r\n", 0), 0u)
                << message;
        }
    }
}

TEST(XmlDocumentTest, FailedLoadLeavesADebugDumpAndTellsWhere) {
    TempFolder folder;
    TXmlDocument document;
    document.DumpFolder = runtime::AnsiToWide(folder.File(""));
    const std::u16string text = u"<DocumentRoot><Sites";
    try {
        Load(document, text);
        FAIL();
    } catch (const runtime::Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Error while loading project.\r\nUnequal number of brackets.\r\n"
                  "Additional info: stream size=40; buf size=20\r\n\r\n"
                  "A debug dump has been created at:\r\n" +
                      folder.File("") +
                      "debug.xml\r\n\r\n"
                      "Please send the debug dump file and the bug report to the developer");
    }
    EXPECT_EQ(ReadBytes(folder.File("debug.xml")), Bytes(text));

    // Without a folder (or when the dump cannot be written) no dump is
    // claimed.
    for (const std::u16string& dumpFolder :
         {std::u16string(), runtime::AnsiToWide(folder.File("no such folder/"))}) {
        TXmlDocument undumped;
        undumped.DumpFolder = dumpFolder;
        try {
            Load(undumped, text);
            FAIL();
        } catch (const runtime::Exception& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Error while loading project.\r\nUnequal number of brackets.\r\n"
                      "Additional info: stream size=40; buf size=20")
                << runtime::WideToUtf8(dumpFolder);
        }
    }
}

TEST(XmlDocumentTest, NestingIsBounded) {
    std::u16string deep;
    for (int i = 0; i < tagged::MaxDepth + 1; ++i) deep += u"<A>";
    TXmlDocument document;
    EXPECT_THROW(Load(document, deep), runtime::Exception);
}

TEST(XmlDocumentTest, NilStreamsAreRefused) {
    TXmlDocument document;
    try {
        document.SaveToStream(nullptr);
        FAIL();
    } catch (const runtime::Exception& e) {
        EXPECT_STREQ(e.what(), "Attempted to write to nil stream");
    }
    try {
        document.LoadFromStream(nullptr);
        FAIL();
    } catch (const runtime::Exception& e) {
        EXPECT_STREQ(e.what(), "Attempted to read from nil stream");
    }
}

TEST(XmlDocumentTest, ProgressCountsEveryElement) {
    TXmlDocument document;
    document.Root().AddChild(u"A").AddChild(u"B");
    std::vector<int64_t> saved;
    document.OnSaveProgress = [&](runtime::TObject*, int64_t position, int64_t total) {
        saved.push_back(position);
        EXPECT_EQ(total, 2);
    };
    std::u16string text = Save(document);
    EXPECT_EQ(saved, (std::vector<int64_t>{0, 1, 2}));

    TXmlDocument read;
    std::vector<int64_t> positions;
    read.OnLoadProgress = [&](runtime::TObject*, int64_t position, int64_t total) {
        positions.push_back(position);
        EXPECT_EQ(total, int64_t(text.size()));
    };
    Load(read, text);
    EXPECT_EQ(positions, (std::vector<int64_t>{1, 15, 18}));
}

}  // namespace
}  // namespace core
