#include "core/host_text.h"

#include <gtest/gtest.h>

#include <string>

#include "net/url.h"
#include "runtime/strings.h"

namespace core {
namespace {

std::string show(std::u16string_view s) {
    return runtime::WideToUtf8(s);
}

TEST(ClearTextTest, RemovesTagsAndNormalises) {
    struct Row {
        std::u16string input, expected;
    };
    const Row rows[] = {
        {u"", u""},
        {u"plain", u"plain"},
        {u"<b>bold</b> word\nthird", u"bold word third"},
        {u"  <p>\r\n padded \t</p>  ", u"padded"},
        {u"<a href=\"x\">link</a>", u"link"},
        {u"a<br/>b", u"ab"},
        // A "<" that no ">" closes drops the rest.
        {u"keep <b unclosed", u"keep"},
        {u"<unclosed", u""},
        {u"a > b", u"a > b"},
        {u"Tom &amp; Jerry &lt;3", u"Tom & Jerry <3"},
        // Character references come in after the tags are gone.
        {u"&lt;b&gt;not a tag&lt;/b&gt;", u"<b>not a tag</b>"},
        // UTF-8 bytes read through the system code page are decoded...
        {runtime::AnsiToWide("caf\xC3\xA9"), u"caf\u00E9"},
        {runtime::AnsiToWide("<i>\xD0\x9F\xD1\x80\xD0\xB8</i>"), u"\u041F\u0440\u0438"},
        {runtime::AnsiToWide("\xF0\x9F\x98\x80!"), u"\U0001F600!"},
        // ...text that is not UTF-8 stays as it came...
        {runtime::AnsiToWide("caf\xE9"), u"caf\u00E9"},
        // ...and text already beyond the code page is left alone.
        {u"\u041F\u0440\u0438 \u00C3\u00A9", u"\u041F\u0440\u0438 \u00C3\u00A9"},
        {u"\U0001F600 <b>x</b>", u"\U0001F600 x"},
    };
    for (const Row& row : rows) {
        std::u16string s = row.input;
        ClearText(s);
        EXPECT_EQ(s, row.expected) << show(row.input);
    }
}

TEST(PosExBackTest, FindsTheLastMatchEndingBeforeTheOffset) {
    struct Row {
        const char* sub;
        const char* s;
        int64_t offset;
        int64_t expected;
    };
    const Row rows[] = {
        {"ab", "xxabyy", 6, 4},   {"ab", "xxabyy", 3, 0}, {"ab", "xxabyy", 4, 4},
        {"ab", "xxabyy", 1, 3},  // offset 1: a forward search, the first character
        {"ab", "abxxab", 100, 6}, {"ab", "abxxab", 5, 2}, {"ab", "abxxab", 2, 2},
        {"a", "abca", 0, 0},      {"a", "abca", -5, 0},   {"", "abc", 3, 0},
        {"abc", "ab", 2, 0},      {"zz", "xxabyy", 6, 0}, {"y", "xxabyy", 1, 5},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(PosExBack(row.sub, row.s, row.offset), row.expected)
            << row.sub << " in " << row.s << " from " << row.offset;
    }
}

TEST(EncodeURLTest, EncodesEveryByte) {
    struct Row {
        std::u16string input;
        const char* expected;
    };
    const Row rows[] = {
        {u"", ""},
        {u"ab", "%61%62"},
        {u"a b+", "%61%20%62%2B"},
        {u"\u00E9", "%E9"},
        {u"\u0430", "%D0%B0"},
        {u"\u00E9\u0002", "%C3%A9"},
        {u"\u0002", ""},
        // One character beyond Latin-1 makes the whole text UTF-8.
        {u"\u00E9\u0430", "%C3%A9%D0%B0"},
        {u"\U0001F600", "%F0%9F%98%80"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(EncodeURL(row.input), row.expected) << show(row.input);
    }
}

// The host's DecodeURL is the network client's.
TEST(DecodeURLTest, DecodesEscapes) {
    struct Row {
        const char* input;
        const char* expected;
    };
    const Row rows[] = {
        {"", ""},        {"%61%62", "ab"}, {"a%20b", "a b"},   {"%C3%A9", "\xC3\xA9"},
        {"%e9", "\xE9"}, {"100%", "100%"}, {"%zz%4", "%zz%4"}, {"a+b", "a+b"},
    };
    for (const Row& row : rows) EXPECT_EQ(net::DecodeURL(row.input), row.expected) << row.input;
}

}  // namespace
}  // namespace core
