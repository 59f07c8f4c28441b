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

TEST_F(XmllintTest, RejectsMalformedText) {
    const fs::path bad = dir_ / "bad.xml";
    std::ofstream(bad, std::ios::binary) << "<a><b></a>";
    EXPECT_NE(Lint(bad).status, 0);
}

}  // namespace
}  // namespace xml
