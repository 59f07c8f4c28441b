#include "crashreport/texthelpers.h"

#include <gtest/gtest.h>

namespace crashreport {
namespace {

TEST(TextHelpers, FindReplaceSplit) {
    EXPECT_EQ(PosFrom("ab", "xabyab", 1), 2u);
    EXPECT_EQ(PosFrom("ab", "xabyab", 3), 5u);
    EXPECT_EQ(PosFrom("ab", "xabyab", 6), 0u);
    EXPECT_EQ(PosFrom("ab", "xabyab", 99), 0u);

    EXPECT_EQ(ReplaceAll("a: b: c", ": ", ":_"), "a:_b:_c");
    EXPECT_EQ(ReplaceAll("aaa", "a", "bb"), "bbbbbb");
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");

    struct Case {
        std::string text;
        std::vector<std::string> parts;
    } cases[] = {
        {";; a ; b;;c ;", {"a", "b", "", "c"}},
        {" a , b ", {"a", "b"}},
        {";;;", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitBySet(";,", c.text), c.parts) << c.text;

    EXPECT_EQ(ControlsToBlanks("a\tb\r\nc\x1f"), "a b  c ");
    EXPECT_EQ(SplitCrLf("a\r\nb\r\n"), (std::vector<std::string_view>{"a", "b", ""}));
    EXPECT_EQ(SplitCrLf(""), (std::vector<std::string_view>{""}));
    EXPECT_EQ(JoinCrLf({"a", "b"}), "a\r\nb");
}

}  // namespace
}  // namespace crashreport
