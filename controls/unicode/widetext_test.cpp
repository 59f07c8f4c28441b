#include "controls/unicode/widetext.h"

#include <gtest/gtest.h>

#include <string>

#include "controls/unicode/chartype.h"
#include "runtime/strings.h"

namespace controls::unicode {
namespace {

std::string Show(std::u16string_view s) {
    return runtime::WideToUtf8(s);
}

TEST(WideStringReplaceTest, Table) {
    constexpr TReplaceFlags all = rfReplaceAll;
    constexpr TReplaceFlags ignore = rfIgnoreCase;
    struct Row {
        std::u16string s, oldPattern, newPattern;
        TReplaceFlags flags;
        bool wholeWord;
        std::u16string expected;
    };
    const Row rows[] = {
        {u"aXa", u"x", u"b", ignore, false, u"aba"},
        {u"xXx", u"x", u"y", all | ignore, false, u"yyy"},
        {u"xXx", u"x", u"y", ignore, false, u"yXx"},
        {u"xXx", u"x", u"y", all, false, u"yXy"},
        {u"xXx", u"x", u"y", 0, false, u"yXx"},
        // Only the replaced spans change case; the rest is copied from S.
        {u"Hello World, HELLO", u"hello", u"bye", all | ignore, false, u"bye World, bye"},
        // Left to right without overlap.
        {u"aaaa", u"aa", u"b", all, false, u"bb"},
        {u"aaa", u"aa", u"b", all, false, u"ba"},
        {u"abc", u"abc", u"", all, false, u""},
        {u"abc", u"", u"x", all, false, u"abc"},
        {u"", u"a", u"x", all, false, u""},
        {u"abc", u"abcd", u"x", all, false, u"abc"},
        // UTF-16 text: letters beyond Latin-1 fold, surrogate pairs match whole.
        {u"\u041F\u0440\u0438\u0432\u0435\u0442 \u041F\u0420\u0418\u0412\u0415\u0422",
         u"\u043F\u0440\u0438\u0432\u0435\u0442", u"hi", all | ignore, false, u"hi hi"},
        {u"a\U0001F600b\U0001F600", u"\U0001F600", u"x", all, false, u"axbx"},
        {u"stra\u00DFe", u"\u00C4", u"x", all | ignore, false, u"stra\u00DFe"},
        // Whole words: the start and the end of the text are boundaries,
        // letters of any script are not, punctuation and blanks are.
        {u"cat concat cat.", u"cat", u"dog", all, true, u"dog concat dog."},
        {u"cat concat cat.", u"cat", u"dog", 0, true, u"dog concat cat."},
        {u"concat cat", u"cat", u"dog", 0, true, u"concat dog"},
        {u"catcat", u"cat", u"dog", all, true, u"catcat"},
        {u"\u00E9cat cat\u00E9", u"cat", u"dog", all, true, u"\u00E9cat cat\u00E9"},
        {u"\u00ABcat\u00BB\u3000cat\u2028cat", u"cat", u"dog", all, true,
         u"\u00ABdog\u00BB\u3000dog\u2028dog"},
        {u"CAT,cat;Cat", u"cat", u"dog", all | ignore, true, u"dog,dog;dog"},
        // The character before an occurrence that follows the previous
        // match directly is the last one written, the new text's.
        {u".b.b", u".b", u"x!", all, true, u"x!x!"},
        {u".b.b", u".b", u"xy", all, true, u"xy.b"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Show(WideStringReplace(r.s, r.oldPattern, r.newPattern, r.flags, r.wholeWord)),
                  Show(r.expected))
            << Show(r.s) << " / " << Show(r.oldPattern) << " flags " << r.flags << " whole "
            << r.wholeWord;
}

TEST(WideTextTest, WordBoundaries) {
    for (char16_t c :
         std::u16string(u" \t\r\n.,;:!?$+-_()[]\"'\u00AB\u00BB\u00A0\u3000\u2028\u3002"))
        EXPECT_TRUE(IsWideWordBoundary(c)) << std::hex << int(c);
    EXPECT_TRUE(IsWideWordBoundary(0));
    for (char16_t c : std::u16string(u"aZ09\u00E9\u0436\u4E2D\u05D0"))
        EXPECT_FALSE(IsWideWordBoundary(c)) << std::hex << int(c);
}

TEST(WideTextTest, AdjustLineBreaks) {
    const std::u16string text = u"a\r\nb\rc\nd\u2028e";
    EXPECT_EQ(WideAdjustLineBreaks(text, TTextLineBreakStyle::tlbsLF), u"a\nb\nc\nd\ne");
    const std::u16string crlf =
        WideAdjustLineBreaks(u"a\r\nb\rc\nd", TTextLineBreakStyle::tlbsCRLF);
    EXPECT_EQ(crlf, u"a\r\nb\r\nc\r\nd");
    EXPECT_EQ(crlf.size(), 10u);
    EXPECT_EQ(WideAdjustLineBreaks(text, TTextLineBreakStyle::tlbsCR), u"a\rb\rc\rd\re");
    EXPECT_EQ(WideAdjustLineBreaks(u"\r\r\n\n", TTextLineBreakStyle::tlbsCRLF), u"\r\n\r\n\r\n");
    EXPECT_EQ(WideAdjustLineBreaks(u"", TTextLineBreakStyle::tlbsCRLF), u"");
}

TEST(WideTextTest, BuffersAndSmallRoutines) {
    EXPECT_EQ(WideStrLen(nullptr), 0u);
    EXPECT_EQ(WideStrNew(static_cast<const char16_t*>(nullptr)), nullptr);
    const auto copy = WideStrNew(u"ab\u20AC");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(WideStrLen(copy.get()), 3u);
    EXPECT_EQ(std::u16string(copy.get()), u"ab\u20AC");
    EXPECT_EQ(WideLastChar(u""), 0);
    EXPECT_EQ(WideLastChar(u"ab"), u'b');
    std::u16string swapped = u"\u0102\uFEFF";
    WideSwapByteOrder(swapped);
    EXPECT_EQ(swapped, u"\u0201\uFFFE");
    EXPECT_EQ(UniWideUpperCase(u"stra\u00DFe \u0436"), u"STRA\u00DFE \u0416");
}

}  // namespace
}  // namespace controls::unicode

#ifdef _WIN32
namespace controls::unicode {
namespace {

// The table the native build answers from says what the system says about
// every character that may stand next to a whole word.
TEST(WideTextTest, NativeTableAgreesWithTheSystemOnWordBoundaries) {
    constexpr uint16_t kBoundary = kC1Space | kC1Punct;
    int mismatches = 0;
    for (uint32_t c = 1; c < 0x10000; ++c) {
        const auto ch = static_cast<char16_t>(c);
        if ((GetWideCharType(ch, kCType1) & kBoundary) !=
            (detail::TableCharType1(ch) & kBoundary)) {
            if (++mismatches <= 10) ADD_FAILURE() << "U+" << std::hex << c;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace controls::unicode
#endif
