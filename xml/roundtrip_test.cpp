#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/document.h"
#include "xml/test_trees.h"

namespace xml {
namespace {

using testing::DumpMode;
using testing::DumpTree;

struct Sample {
    const char* name;
    std::function<Ref<IXmlDocument>()> build;
    bool fitsCodePage;
    // Only the binary form holds it: the text writer refuses it.
    bool binaryOnly;
};

const Sample kSamples[] = {
    {"portable", testing::BuildPortableDocument, false, false},
    {"rich", testing::BuildRichDocument, false, true},
    {"project", [] { return testing::BuildProjectDocument(3, 3, 5); }, true, false},
};

Ref<IXmlDocument> NewDoc() {
    return CreateXmlDocument(u"", "1.0", "UTF-8", CreateNameTable(64));
}

// Text in UTF-16 and in 8 bits, and the binary form, give back the tree
// they were written from.
TEST(XmlRoundTrip, TextAndBinaryFormsGiveEqualTrees) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        Ref<IXmlDocument> doc = sample.build();
        const std::string asText = DumpTree(*doc, DumpMode::Text);
        const std::string typed = DumpTree(*doc, DumpMode::Typed);

        runtime::TMemoryStream textStream;
        if (sample.binaryOnly) {
            EXPECT_NE(testing::ErrorOf([&] { doc->Save(textStream); }), "");
        } else {
            doc->Save(textStream);
            textStream.SetPosition(0);
            Ref<IXmlDocument> fromText = NewDoc();
            fromText->Load(textStream);
            EXPECT_EQ(DumpTree(*fromText, DumpMode::Text), asText);
            EXPECT_EQ(fromText->XML(), doc->XML());
        }

        if (sample.fitsCodePage) {
            Ref<IXmlDocument> fromAnsi = NewDoc();
            fromAnsi->LoadXML(std::string_view(runtime::WideToAnsi(doc->XML())));
            EXPECT_EQ(DumpTree(*fromAnsi, DumpMode::Text), asText);
        }

        for (uint32_t options : {0u, 1u}) {
            runtime::TMemoryStream binaryStream;
            doc->SaveBinary(binaryStream, options);
            binaryStream.SetPosition(0);
            Ref<IXmlDocument> fromBinary = NewDoc();
            fromBinary->Load(binaryStream);
            EXPECT_EQ(DumpTree(*fromBinary, DumpMode::Typed), typed) << options;
            EXPECT_EQ(DumpTree(*fromBinary, DumpMode::Text), asText) << options;
        }

        // The text of a binary-loaded document reads back to the same tree.
        if (sample.binaryOnly) continue;
        Ref<IXmlDocument> both = NewDoc();
        both->LoadBinaryXML(doc->BinaryXML());
        Ref<IXmlDocument> again = NewDoc();
        again->LoadXML(both->XML());
        EXPECT_EQ(DumpTree(*again, DumpMode::Text), asText);
    }
}

}  // namespace
}  // namespace xml
