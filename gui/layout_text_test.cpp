#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/objecttext.h"

namespace {

// Every layout the program and the tests compile in: its text parses, and
// its text form read back gives the same stream (nothing is lost or
// misread between the two forms).
TEST(LayoutText, EveryLayoutSurvivesATextRoundTrip) {
    const std::filesystem::path root(SERPLOW_SOURCE_DIR);
    int checked = 0;
    for (const char* folder : {"resources", "gui/testdata", "bench/data"}) {
        if (!std::filesystem::exists(root / folder)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            if (entry.path().extension() != ".layout") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            SCOPED_TRACE(entry.path().string());
            const std::string binary = runtime::ObjectTextToBinary(text.str());
            const std::string again =
                runtime::ObjectTextToBinary(runtime::ObjectBinaryToText(binary));
            EXPECT_EQ(binary, again);
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
