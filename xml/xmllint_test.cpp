// Documents the writer makes are well-formed for xmllint (libxml2), the
// reference parser of the platform.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/strings.h"
#include "xml/document.h"
#include "xml/test_trees.h"

namespace xml {
namespace {

namespace fs = std::filesystem;

struct LintResult {
    int status;
    std::string errors;
};

LintResult Lint(const fs::path& file) {
    const fs::path errors = file.string() + ".err";
    std::string command = "xmllint --noout '" + file.string() + "' 2>'" + errors.string() + "'";
    int status = std::system(command.c_str());
    std::ifstream in(errors);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(errors);
    return {status, text};
}

class XmllintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("xmllint --version >/dev/null 2>&1") != 0)
            FAIL() << "xmllint is missing (Debian package libxml2-utils)";
        dir_ = fs::temp_directory_path() / ("serplow_xmllint_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST_F(XmllintTest, AcceptsWhatTheWriterSaves) {
    struct Sample {
        const char* name;
        Ref<IXmlDocument> doc;
    };
    const Sample samples[] = {
        {"portable", testing::BuildPortableDocument()},
        {"project", testing::BuildProjectDocument(2, 3, 4)},
    };
    for (const Sample& sample : samples) {
        // As saved: UTF-16 little-endian behind a declaration naming UTF-16.
        const fs::path utf16 = dir_ / (std::string(sample.name) + "_utf16.xml");
        sample.doc->Save(utf16.string());
        LintResult result = Lint(utf16);
        EXPECT_EQ(result.status, 0) << sample.name << ": " << result.errors;

        // The text without its declaration, as UTF-8.
        Ref<IXmlNode> declaration = sample.doc->ChildNodes()->Item(0);
        ASSERT_EQ(declaration->NodeType(), ntProcessingInstruction);
        sample.doc->RemoveChild(declaration);
        const fs::path utf8 = dir_ / (std::string(sample.name) + "_utf8.xml");
        std::ofstream(utf8, std::ios::binary) << runtime::WideToUtf8(sample.doc->XML());
        result = Lint(utf8);
        EXPECT_EQ(result.status, 0) << sample.name << ": " << result.errors;
    }
}

// Whatever encoding the declaration names, the saved bytes are in it (or
// in UTF-16 that the declaration then names).
TEST_F(XmllintTest, AcceptsEveryEncodingTheWriterSaves) {
    for (const char* encoding : {"UTF-16", "UTF-16LE", "UTF-16BE", "UTF-8", "windows-1252",
                                 "ISO-8859-1", "us-ascii", "windows-1251", "x-unknown"}) {
        Ref<IXmlDocument> doc = testing::BuildPortableDocument();
        Ref<IXmlNode> declaration = doc->ChildNodes()->Item(0);
        ASSERT_EQ(declaration->NodeType(), ntProcessingInstruction);
        doc->RemoveChild(declaration);
        Ref<IXmlDocument> declared = CreateXmlDocument(u"", "1.0", encoding);
        declared->LoadXML(u"<?xml version=\"1.0\" encoding=\"" + runtime::AnsiToWide(encoding) +
                          u"\"?>" + doc->XML());
        const fs::path file = dir_ / (std::string(encoding) + ".xml");
        declared->Save(file.string());
        LintResult result = Lint(file);
        EXPECT_EQ(result.status, 0) << encoding << ": " << result.errors;
    }
}

// What XML readers normalise (line ends, and tabs and line ends in
// attribute values) reaches xmllint as it was.
TEST_F(XmllintTest, ReadsBackWhatReadersWouldNormalise) {
    const std::u16string value = u"a\tb\nc\rd\r\ne";
    Ref<IXmlDocument> doc = CreateXmlDocument(u"r", "1.0", "UTF-8");
    doc->DocumentElement()->SetAttr(u"a", value);
    doc->DocumentElement()->AppendText(value);
    const fs::path file = dir_ / "normalised.xml";
    doc->Save(file.string());
    for (const char* path : {"string(/r/@a)", "string(/r)"}) {
        const fs::path out = dir_ / "out.txt";
        std::string command = "xmllint --xpath '" + std::string(path) + "' '" + file.string() +
                              "' >'" + out.string() + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << path;
        std::ifstream in(out, std::ios::binary);
        std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (got.ends_with("\n") && !runtime::WideToUtf8(value).ends_with("\n")) got.pop_back();
        EXPECT_EQ(got, runtime::WideToUtf8(value)) << path;
    }
}

TEST_F(XmllintTest, RejectsMalformedText) {
    const fs::path bad = dir_ / "bad.xml";
    std::ofstream(bad, std::ios::binary) << "<a><b></a>";
    EXPECT_NE(Lint(bad).status, 0);
}

}  // namespace
}  // namespace xml
