#include "controls/tree/widestr.h"

#include <gtest/gtest.h>

#include "runtime/locale.h"

namespace controls::tree {
namespace {

TEST(WideStr, UpperCaseUsesTheSimpleUppercaseMapping) {
    struct Case {
        std::u16string in, out;
    };
    const Case cases[] = {
        {u"abc xyz", u"ABC XYZ"},
        {u"stra\u00DFe", u"STRA\u00DFE"},                // the sharp s has no simple mapping
        {u"\u03BC\u03B9", u"\u039C\u0399"},              // small mu, small iota
        {u"\u00B5", u"\u039C"},                          // micro sign
        {u"\u03C3\u03C2", u"\u03A3\u03A3"},              // sigma and final sigma
        {u"i\u0131", u"II"},                             // dotted and dotless i
        {u"\u0430\u044F\u0451", u"\u0410\u042F\u0401"},  // Cyrillic
        {u"\u01C6", u"\u01C4"},                          // dz with caron -> capital DZ with caron
        {u"123 ,.\uFFFF\xD800", u"123 ,.\uFFFF\xD800"},
        {u"", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(UpperCaseWide(c.in), c.out);
    EXPECT_TRUE(SameTextWide(u"Keyword", u"KEYWORD"));
    EXPECT_FALSE(SameTextWide(u"Keyword", u"KEYWORDS"));
}

TEST(WideStr, ComparisonsAndSearches) {
    EXPECT_EQ(CompareStrWide(u"ab", u"abc"), -1);
    EXPECT_EQ(CompareStrWide(u"B", u"a"), -1);
    EXPECT_EQ(CompareStrWide(u"\uFFFF", u"a"), 1);  // unsigned units
    EXPECT_EQ(CompareStrWide(u"x", u"x"), 0);
    EXPECT_EQ(CompareWide(std::u16string(), u""), 0);
    EXPECT_EQ(CompareWide(u"b", u"a"), 1);
    EXPECT_EQ(CompareWide(u"a", u"ab"), -u'b');

    EXPECT_EQ(PosWide(u"lo", u"hello"), 4);
    EXPECT_EQ(PosWide(u"", u"hello"), 0);
    EXPECT_EQ(PosWide(u"hello!", u"hello"), 0);
    EXPECT_EQ(CopyWide(u"hello", 2, 3), u"ell");
    EXPECT_EQ(CopyWide(u"hello", 4, 10), u"lo");
    EXPECT_EQ(CopyWide(u"hello", 0, 2), u"he");
    EXPECT_EQ(StringOfCharWide(u'x', 3), u"xxx");
    EXPECT_EQ(StringOfCharWide(u'x', -1), u"");
    EXPECT_EQ(SetStringWide(nullptr, 2), std::u16string(2, u'\0'));
    EXPECT_EQ(SetStringWide(u"abc", 2), u"ab");
    EXPECT_EQ(BufferToWide(nullptr), u"");
}

TEST(WideStr, Buffers) {
    char16_t buf[16];
    WStrCopy(buf, u"ab");
    WStrCat(buf, u"cd");
    EXPECT_EQ(WStrLen(buf), 4);
    EXPECT_EQ(WStrEnd(buf), buf + 4);
    EXPECT_EQ(std::u16string(buf), u"abcd");
    WStrLCopy(buf, u"hello", 3);
    EXPECT_EQ(std::u16string(buf), u"hel");
    WStrPLCopy(buf, u"xyz");
    EXPECT_EQ(std::u16string(buf), u"xyz");
    EXPECT_EQ(WStrComp(u"abc", u"abd"), u'c' - u'd');
    EXPECT_EQ(WStrComp(u"abc", u"abc"), 0);
    const char16_t* text = u"abcabc";
    EXPECT_EQ(WStrPos(text, u"ca"), text + 2);
    EXPECT_EQ(WStrPos(text, u""), nullptr);
    EXPECT_EQ(WStrPos(nullptr, u"a"), nullptr);
    EXPECT_EQ(WStrPos(u"ab", u"abc"), nullptr);
    EXPECT_EQ(WStrRScan(text, u'b'), text + 4);
    EXPECT_EQ(WStrRScan(text, u'z'), nullptr);
    char16_t overlap[] = u"abcdef";
    WStrMove(overlap, overlap + 2, 3);
    EXPECT_EQ(std::u16string(overlap), u"ababcf");
    WStrFill(overlap, 2, u'z');
    WStrFill(overlap, -5, u'q');
    EXPECT_EQ(std::u16string(overlap), u"zzabcf");
}

TEST(WideStr, CurrencyTextFollowsTheLocaleSeparators) {
    runtime::TFormatSettings us = runtime::DefaultFormatSettings();  // "." decimal, "$"
    runtime::TFormatSettings de = us;
    de.DecimalSeparator = ',';
    de.ThousandSeparator = '.';
    de.CurrencyString = "EUR";
    struct Case {
        const char* text;
        const runtime::TFormatSettings* settings;
        int64_t expected;  // x 10,000
    };
    const Case cases[] = {
        {"$1,234.5", &us, 12345000},
        {"1.234,5 EUR", &de, 12345000},
        {"1.23456", &us, 12345},
        {"(12)", &us, -120000},
        {"12-", &us, -120000},
        {" 7 ", &us, 70000},
        {"-$3.10", &us, -31000},
        {"1.2.3", &us, 12000},  // a second decimal point ends the scan
        {"-", &us, 0},
        {"abc", &us, 0},
        {"", &us, 0},
        {"99999999999999999999999", &us, 999999999999990000},  // stops before overflow
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseCurrencyText(c.text, *c.settings), c.expected) << c.text;
}

}  // namespace
}  // namespace controls::tree
