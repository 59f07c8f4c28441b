#include "runtime/strings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/locale.h"

namespace runtime {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

TEST(StringsTest, TrimRemovesControlCharactersAndSpacesOnly) {
    struct Row {
        std::string in, both, left, right;
    };
    const Row rows[] = {
        {"  ab c \t\r\n", "ab c", "ab c \t\r\n", "  ab c"},
        {"", "", "", ""},
        {" \x01\x1f ", "", "", ""},
        // Bytes above 0x7F are characters, not blanks (0xA0 is a no-break space).
        {"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"},
        {std::string("\0a\0", 3), "a", std::string("a\0", 2), std::string("\0a", 2)},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Trim(r.in), r.both) << r.in;
        EXPECT_EQ(TrimLeft(r.in), r.left) << r.in;
        EXPECT_EQ(TrimRight(r.in), r.right) << r.in;
    }
    EXPECT_EQ(WideTrim(u" \t\u00E9t\u00E9\n "), u"\u00E9t\u00E9");
}

TEST(StringsTest, PosAndPosExAreOneBasedAndZeroWhenAbsent) {
    struct Row {
        std::string sub, s;
        int offset, pos, posEx;
    };
    const Row rows[] = {
        {"b", "abcabc", 1, 2, 2}, {"b", "abcabc", 3, 2, 5}, {"abc", "abcabc", 2, 1, 4},
        {"x", "abcabc", 1, 0, 0}, {"", "abc", 1, 0, 0},     {"abcd", "abc", 1, 0, 0},
        {"c", "abc", 3, 3, 3},    {"c", "abc", 4, 3, 0},    {"a", "abc", 0, 1, 0},
        {"a", "abc", -5, 1, 0},   {"a", "", 1, 0, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Pos(r.sub, r.s), r.pos) << r.sub << " in " << r.s;
        EXPECT_EQ(PosEx(r.sub, r.s, r.offset), r.posEx)
            << r.sub << " in " << r.s << " @" << r.offset;
    }
    EXPECT_EQ(Pos(std::u16string_view(u"\u00E9"), std::u16string_view(u"caf\u00E9")), 4);
}

TEST(StringsTest, CopyClipsIndexAndCount) {
    struct Row {
        int64_t index, count;
        std::string expected;
    };
    const Row rows[] = {
        {2, 3, "bcd"},       {1, 6, "abcdef"}, {0, 2, "ab"},     {-5, 2, "ab"},
        {6, 10, "f"},        {7, 1, ""},       {3, 0, ""},       {3, -1, ""},
        {1, kMax, "abcdef"}, {kMin, 3, "abc"}, {kMax, kMax, ""}, {4, kMax, "def"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Copy(std::string_view("abcdef"), r.index, r.count), r.expected)
            << r.index << "," << r.count;
        EXPECT_EQ(Copy(std::u16string_view(u"abcdef"), r.index, r.count),
                  std::u16string(r.expected.begin(), r.expected.end()));
    }
}

TEST(StringsTest, DeleteDoesNothingOutOfRangeAndClipsTheCount) {
    struct Row {
        int64_t index, count;
        std::string expected;
    };
    const Row rows[] = {
        {2, 2, "adef"},    {1, 1, "bcdef"},        {5, 10, "abcd"},  {6, kMax, "abcde"},
        {0, 2, "abcdef"},  {-1, 3, "abcdef"},      {7, 1, "abcdef"}, {3, 0, "abcdef"},
        {3, -2, "abcdef"}, {kMin, kMax, "abcdef"},
    };
    for (const Row& r : rows) {
        std::string s = "abcdef";
        Delete(s, r.index, r.count);
        EXPECT_EQ(s, r.expected) << r.index << "," << r.count;
        std::u16string w = u"abcdef";
        Delete(w, r.index, r.count);
        EXPECT_EQ(w, std::u16string(r.expected.begin(), r.expected.end()));
    }
}

TEST(StringsTest, InsertClipsThePosition) {
    struct Row {
        int64_t index;
        std::string expected;
    };
    const Row rows[] = {{1, "XYabc"}, {2, "aXYbc"},  {4, "abcXY"},    {99, "abcXY"},
                        {0, "XYabc"}, {-3, "XYabc"}, {kMin, "XYabc"}, {kMax, "abcXY"}};
    for (const Row& r : rows) {
        std::string s = "abc";
        Insert("XY", s, r.index);
        EXPECT_EQ(s, r.expected) << r.index;
        std::u16string w = u"abc";
        Insert(u"XY", w, r.index);
        EXPECT_EQ(w, std::u16string(r.expected.begin(), r.expected.end()));
    }
}

TEST(StringsTest, StringReplaceHonoursItsFlags) {
    struct Row {
        std::string s, from, to;
        TReplaceFlags flags;
        std::string expected;
    };
    const Row rows[] = {
        {"a-b-c", "-", "+", 0, "a+b-c"},
        {"a-b-c", "-", "+", rfReplaceAll, "a+b+c"},
        {"aXbxc", "x", "_", rfReplaceAll, "aXb_c"},
        {"aXbxc", "x", "_", rfReplaceAll | rfIgnoreCase, "a_b_c"},
        {"aXbxc", "x", "_", rfIgnoreCase, "a_bxc"},
        // Left to right without overlap, and the replacement is not searched again.
        {"aaaa", "aa", "a", rfReplaceAll, "aa"},
        {"abc", "b", "bb", rfReplaceAll, "abbc"},
        {"abc", "", "x", rfReplaceAll, "abc"},
        {"abc", "abcd", "x", rfReplaceAll, "abc"},
        {"", "a", "x", rfReplaceAll, ""},
        // Letters of the code page fold too: "\xC4" is Ä, "\xE4" is ä.
        {"\xC4pfel \xE4pfel", "\xE4", "ae", rfReplaceAll | rfIgnoreCase, "aepfel aepfel"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(StringReplace(r.s, r.from, r.to, r.flags), r.expected) << r.s;
}

TEST(StringsTest, SmallBuilders) {
    EXPECT_EQ(StringOfChar('x', 3), "xxx");
    EXPECT_EQ(StringOfChar('x', 0), "");
    EXPECT_EQ(StringOfChar('x', -4), "");
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(QuotedStr("''"), "''''''");
}

TEST(StringsTest, AnsiExtractQuotedStrReadsOneQuotedString) {
    struct Row {
        std::string s;
        size_t start;
        char quote;
        std::string expected;
        size_t end;
    };
    const Row rows[] = {
        {"'it''s' rest", 0, '\'', "it's", 7}, {"x\"a\"\"b\"y", 1, '"', "a\"b", 7},
        {"'open", 0, '\'', "open", 5},        {"''", 0, '\'', "", 2},
        {"plain", 0, '\'', "plain", 5},       {"ab", 5, '\'', "", 5},
    };
    for (const Row& r : rows) {
        size_t pos = r.start;
        EXPECT_EQ(AnsiExtractQuotedStr(r.s, pos, r.quote), r.expected) << r.s;
        EXPECT_EQ(pos, r.end) << r.s;
    }
}

TEST(StringsTest, IntegersToText) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(kMin), "-9223372036854775808");
    EXPECT_EQ(UIntToStr(std::numeric_limits<uint64_t>::max()), "18446744073709551615");
    struct Row {
        int64_t value;
        int digits;
        std::string expected;
    };
    const Row rows[] = {{255, 0, "FF"},
                        {255, 4, "00FF"},
                        {0, 0, "0"},
                        {0, 3, "000"},
                        {0xABCDEF, 2, "ABCDEF"},
                        {-1, 4, "FFFFFFFFFFFFFFFF"},
                        {1, 40, std::string(31, '0') + "1"}};
    for (const Row& r : rows) EXPECT_EQ(IntToHex(r.value, r.digits), r.expected) << r.value;
}

TEST(StringsTest, StrToIntAcceptsDecimalAndHex) {
    struct Row {
        std::string text;
        int32_t expected;
    };
    const Row rows[] = {
        {"0", 0},
        {"123", 123},
        {" 42", 42},
        {"\t -7", -7},
        {"-7", -7},
        {"+7", 7},
        {"$FF", 255},
        {"$ff", 255},
        {"0x1f", 31},
        {"0X1F", 31},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"007", 7},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(StrToInt(r.text), r.expected) << r.text;
        int32_t value = 0;
        EXPECT_TRUE(TryStrToInt(r.text, value)) << r.text;
        EXPECT_EQ(value, r.expected);
    }
    EXPECT_EQ(StrToInt64("9223372036854775807"), kMax);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), kMin);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
    EXPECT_EQ(StrToInt64("0x100000000"), 4294967296LL);
}

TEST(StringsTest, StrToIntRefusesMalformedAndOutOfRangeText) {
    const std::string bad[] = {"",           " ",           "abc",        "12a",  "1 2",  "--1",
                               "+-1",        "0x",          "$",          "$G",   "1.0",  "1e3",
                               "2147483648", "-2147483649", "$100000000", "0x-1", "\xB9", "7 ",
                               " 42 ",       "$FF\t",       "-1\r"};
    for (const std::string& text : bad) {
        int32_t value = 99;
        EXPECT_FALSE(TryStrToInt(text, value)) << text;
        EXPECT_EQ(value, 99) << text;
        EXPECT_EQ(StrToIntDef(text, -3), -3) << text;
        EXPECT_THROW(static_cast<void>(StrToInt(text)), EConvertError) << text;
    }
    const std::string bad64[] = {"9223372036854775808", "-9223372036854775809",
                                 "$10000000000000000", "x"};
    for (const std::string& text : bad64) {
        int64_t value = 0;
        EXPECT_FALSE(TryStrToInt64(text, value)) << text;
        EXPECT_EQ(StrToInt64Def(text, 5), 5);
    }
    try {
        static_cast<void>(StrToInt("12a"));
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
        EXPECT_STREQ(e.ClassName(), "EConvertError");
    }
}

TEST(StringsTest, BooleansAsText) {
    EXPECT_EQ(BoolToStr(true), "-1");
    EXPECT_EQ(BoolToStr(false), "0");
    EXPECT_EQ(BoolToStr(true, true), "True");
    EXPECT_EQ(BoolToStr(false, true), "False");
    struct Row {
        std::string text;
        bool expected;
    };
    const Row rows[] = {{"True", true}, {"TRUE", true}, {"false", false}, {"-1", true},
                        {"0", false},   {"2", true},    {"0.5", true},    {" 0 ", false}};
    for (const Row& r : rows) EXPECT_EQ(StrToBool(r.text), r.expected) << r.text;
    for (const char* text : {"", "yes", "Tru", "1x"}) {
        bool value;
        EXPECT_FALSE(TryStrToBool(text, value)) << text;
    }
    try {
        static_cast<void>(StrToBool("yes"));
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'yes' is not a valid boolean value");
    }
}

TEST(StringsTest, AsciiCaseLeavesOtherBytesAlone) {
    EXPECT_EQ(UpperCase("abc xyz \xE4\xFF"), "ABC XYZ \xE4\xFF");
    EXPECT_EQ(LowerCase("ABC XYZ \xC4"), "abc xyz \xC4");
    EXPECT_LT(CompareText("a", "B"), 0);
    EXPECT_EQ(CompareText("HeLLo", "hello"), 0);
    EXPECT_GT(CompareText("abc", "ab"), 0);
    // "_" (0x5F) lies between upper and lower case: folding goes to upper.
    EXPECT_GT(CompareText("_", "a"), 0);
    EXPECT_NE(CompareText("\xE4", "\xC4"), 0);
    EXPECT_TRUE(SameText("Serplow", "SERPLOW"));
    EXPECT_FALSE(SameText("a", "ab"));
    EXPECT_LT(CompareStr("B", "a"), 0);
    EXPECT_GT(CompareStr("\x80", "a"), 0);  // unsigned bytes
    EXPECT_EQ(CompareStr("same", "same"), 0);
}

TEST(StringsTest, AnsiCaseFollowsTheSystemCodePage) {
    if (SystemCodePage() != 1252) GTEST_SKIP() << "needs Windows-1252";
    struct Row {
        std::string lower, upper;
    };
    const Row rows[] = {
        {"abc", "ABC"},
        {"\xE0\xE9\xEE\xF5\xFC\xE7\xF1\xE6\xF8\xFE", "\xC0\xC9\xCE\xD5\xDC\xC7\xD1\xC6\xD8\xDE"},
        {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},  // š œ ž ÿ
    };
    for (const Row& r : rows) {
        EXPECT_EQ(AnsiUpperCase(r.lower), r.upper);
        EXPECT_EQ(AnsiLowerCase(r.upper), r.lower);
    }
    // No capital in the code page: unchanged.
    EXPECT_EQ(AnsiUpperCase("\xDF\xB5"), "\xDF\xB5");  // ß µ
    EXPECT_EQ(AnsiUpperCase("1+2 \xD7\xF7"), "1+2 \xD7\xF7");
    EXPECT_TRUE(AnsiSameText("\xC4PFEL", "\xE4pfel"));
    EXPECT_FALSE(AnsiSameText("\xE4pfel", "apfel"));
}

TEST(StringsTest, WideCaseCoversLatinGreekAndCyrillic) {
    struct Row {
        char16_t lower, upper;
    };
    const Row rows[] = {
        {u'a', u'A'},     {u'z', u'Z'},     {0x00E9, 0x00C9}, {0x00FE, 0x00DE}, {0x00FF, 0x0178},
        {0x0101, 0x0100}, {0x0107, 0x0106}, {0x013A, 0x0139}, {0x0142, 0x0141}, {0x0151, 0x0150},
        {0x0161, 0x0160}, {0x017E, 0x017D}, {0x03B1, 0x0391}, {0x03C9, 0x03A9}, {0x03AC, 0x0386},
        {0x03CA, 0x03AA}, {0x0430, 0x0410}, {0x044F, 0x042F}, {0x0451, 0x0401}, {0x0454, 0x0404},
        {0x0491, 0x0490}, {0x04E9, 0x04E8}, {0xFF41, 0xFF21},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(WideUpChar(r.lower), r.upper) << std::hex << int(r.lower);
        EXPECT_EQ(WideLowChar(r.upper), r.lower) << std::hex << int(r.upper);
    }
    for (char16_t same : {u'1', u' ', char16_t(0x00D7), char16_t(0x00F7), char16_t(0x4E2D),
                          char16_t(0xD83D), char16_t(0xDE00)}) {
        EXPECT_EQ(WideUpChar(same), same);
        EXPECT_EQ(WideLowChar(same), same);
    }
    EXPECT_EQ(WideUpperCase(u"stra\u00DFe \u043F\u0440\u0438\u0432\u0435\u0442"),
              u"STRA\u00DFE \u041F\u0420\u0418\u0412\u0415\u0422");
    EXPECT_EQ(WideLowerCase(u"\u0394\u0395\u039B\u03A4\u0391 X"),
              u"\u03B4\u03B5\u03BB\u03C4\u03B1 x");
    EXPECT_TRUE(WideSameText(u"\u0425\u041B\u0415\u0411", u"\u0445\u043B\u0435\u0431"));
    EXPECT_FALSE(WideSameText(u"ab", u"abc"));
}

// Sorts `words` by `compare` and expects the order given.
template <typename String, typename Compare>
void expectOrder(std::vector<String> expected, Compare compare) {
    for (size_t i = 0; i + 1 < expected.size(); ++i) {
        EXPECT_LT(compare(expected[i], expected[i + 1]), 0) << i;
        EXPECT_GT(compare(expected[i + 1], expected[i]), 0) << i;
    }
}

TEST(StringsTest, LocaleOrderPutsAccentsAndCaseNextToTheBaseLetter) {
    // Byte order would put every capital before "a" and "é" after "z".
    expectOrder<std::string>(
        {"1", "a", "B", "c", "cote", "cot\xE9", "c\xF4te", "c\xF4t\xE9", "e", "\xE9", "f", "z"},
        [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b); });
    // Case counts last: lower case first.
    expectOrder<std::string>(
        {"a", "A", "ab", "Ab", "b"},
        [](const std::string& a, const std::string& b) { return AnsiCompareStr(a, b); });
    EXPECT_EQ(AnsiCompareText("R\xC9SUM\xC9", "r\xE9sum\xE9"), 0);
    EXPECT_NE(AnsiCompareStr("R\xC9SUM\xC9", "r\xE9sum\xE9"), 0);
    EXPECT_EQ(AnsiCompareStr("same", "same"), 0);
    expectOrder<std::u16string>(
        {u"apple", u"\u00C4pples", u"Banana", u"\u0430\u0431", u"\u0411"},
        [](const std::u16string& a, const std::u16string& b) { return WideCompareText(a, b); });
    EXPECT_EQ(WideCompareText(u"\u0394\u03B5\u03BB\u03C4\u03B1", u"\u03B4\u0395\u039B\u03A4\u0391"),
              0);
    EXPECT_LT(WideCompareStr(u"a", u"A"), 0);
}

}  // namespace
}  // namespace runtime
