#include <gtest/gtest.h>

#include <string>

#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace runtime {
namespace {

std::string allBytes() {
    std::string s(256, '\0');
    for (int i = 0; i < 256; ++i) s[i] = static_cast<char>(i);
    return s;
}

// Windows-1252 as Windows defines it: 0x80..0x9F below, the rest Latin-1.
// The five holes (0x81, 0x8D, 0x8F, 0x90, 0x9D) pass through as C1 controls.
constexpr char16_t k1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::u16string expected1252() {
    std::u16string s(256, u'\0');
    for (int i = 0; i < 256; ++i)
        s[i] = i >= 0x80 && i < 0xA0 ? k1252High[i - 0x80] : static_cast<char16_t>(i);
    return s;
}

TEST(CodePageTest, Windows1252MatchesThePlatformTableBothWays) {
    const std::u16string wide = CodePageToWide(allBytes(), 1252);
    ASSERT_EQ(wide.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(wide[i], expected1252()[i]) << std::hex << i;
    EXPECT_EQ(WideToCodePage(expected1252(), 1252), allBytes());
    if (SystemCodePage() == 1252) {
        EXPECT_EQ(AnsiToWide(allBytes()), expected1252());
        EXPECT_EQ(WideToAnsi(expected1252()), allBytes());
    }
}

TEST(CodePageTest, UnmappableCharactersBecomeQuestionMarks) {
    struct Row {
        std::u16string wide;
        std::string expected;
    };
    const Row rows[] = {
        {u"\u0100", "?"},           // Ā: no best-fit "A"
        {u"\u4E2D\u6587", "??"},    // one "?" per character
        {u"a\U0001F600b", "a??b"},  // one "?" per UTF-16 unit, as Windows writes it
        {u"\u0080", "?"},           // U+0080 is not in 1252 (0x80 is the euro sign)
        {u"\u20AC\u0081", "\x80\x81"},
        {u"\u2212", "?"},  // minus sign: no best-fit hyphen
    };
    for (const Row& r : rows) EXPECT_EQ(WideToCodePage(r.wide, 1252), r.expected);
}

TEST(CodePageTest, Latin1AndUtf8CodePages) {
    const std::u16string latin1 = CodePageToWide(allBytes(), 28591);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(latin1[i], static_cast<char16_t>(i));
    EXPECT_EQ(WideToCodePage(u"\u00FF\u0100\u20AC", 28591), "\xFF??");
    EXPECT_EQ(CodePageToWide("A\x7F", 20127), u"A\x7F");
    EXPECT_EQ(WideToCodePage(u"A\u00E9", 20127), "A?");
    EXPECT_EQ(CodePageToWide("\xE2\x82\xAC", 65001), u"\u20AC");
    EXPECT_EQ(WideToCodePage(u"\U0001F600", 65001), "\xF0\x9F\x98\x80");
    EXPECT_THROW(static_cast<void>(CodePageToWide("x", 12345)), EConvertError);
    EXPECT_THROW(static_cast<void>(WideToCodePage(u"x", 12345)), EConvertError);
}

TEST(CodePageTest, Utf8RoundTripsEveryPlane) {
    struct Row {
        std::string utf8;
        std::u16string wide;
    };
    const Row rows[] = {
        {"", u""},
        {"plain ASCII", u"plain ASCII"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"caf\xC3\xA9", u"caf\u00E9"},
        {"\xE2\x82\xAC 5", u"\u20AC 5"},
        {"\xE4\xB8\xAD\xE6\x96\x87", u"\u4E2D\u6587"},
        {"\xEF\xBF\xBF", u"\uFFFF"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF0\x90\x80\x80", u"\U00010000"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"x\xF0\x9D\x84\x9Ey", u"x\U0001D11Ey"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Utf8ToWide(r.utf8), r.wide) << r.utf8;
        EXPECT_EQ(WideToUtf8(r.wide), r.utf8) << r.utf8;
        EXPECT_TRUE(IsValidUtf8(r.utf8)) << r.utf8;
    }
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80").size(), 2u);  // a surrogate pair
}

TEST(CodePageTest, MalformedUtf8BecomesOneReplacementPerBadPiece) {
    struct Row {
        std::string utf8;
        std::u16string wide;
    };
    const Row rows[] = {
        {"\x80", u"\uFFFD"},  // lone continuation
        {"a\xFF"
         "b",
         u"a\uFFFDb"},                  // byte never used
        {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong "/"
        {"\xC3", u"\uFFFD"},            // truncated at the end
        {"\xE2\x82"
         "x",
         u"\uFFFDx"},                                       // truncated, one piece
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF0\x9F\x98", u"\uFFFD"},                        // truncated four-byte
        {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Utf8ToWide(r.utf8), r.wide) << testing::PrintToString(r.utf8);
        EXPECT_FALSE(IsValidUtf8(r.utf8)) << testing::PrintToString(r.utf8);
    }
}

TEST(CodePageTest, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(WideToUtf8(u"a\xD800"
                         "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(WideToUtf8(std::u16string{0xDC00, 0xD800}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(std::u16string{0xD83D}), "\xEF\xBF\xBD");
}

TEST(CodePageTest, AnsiAndUtf8ConvertThroughTheSystemCodePage) {
    if (SystemCodePage() != 1252) GTEST_SKIP() << "needs Windows-1252";
    EXPECT_EQ(AnsiToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
    EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD"), "?");
    EXPECT_EQ(AnsiToUtf8("ascii"), "ascii");
    EXPECT_EQ(WideToAnsi(AnsiToWide(allBytes())), allBytes());
}

}  // namespace
}  // namespace runtime
