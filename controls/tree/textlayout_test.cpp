#include "controls/tree/textlayout.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/strings.h"

namespace controls::tree {
namespace {

// Every character 5 pixels wide but '.' (2) and 'W' (9); lines 10 high.
class FakeMeasurer : public TGtTextMeasurer {
  public:
    TGtTextMetrics Metrics() override { return {10, 8, 2, 4, 0}; }
    void MeasureRun(std::u16string_view text, int* ends) override {
        ++calls;
        int x = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            x += text[i] == u'.' ? 2 : text[i] == u'W' ? 9 : 5;
            ends[i] = x;
        }
    }
    int calls = 0;
};

// "x,y:text" per line, prefix as "[x+w]".
std::string Describe(const TGtTextLayout& layout) {
    std::string out;
    for (const TGtTextLine& l : layout.Lines) {
        out += std::to_string(l.X) + "," + std::to_string(l.Y) + ":" +
               runtime::WideToUtf8(std::u16string_view(layout.Text).substr(l.Start, l.Length));
        if (l.PrefixX >= 0)
            out += "[" + std::to_string(l.PrefixX) + "+" + std::to_string(l.PrefixWidth) + "]";
        out += "|";
    }
    return out;
}

struct Case {
    const char* name;
    std::u16string text;
    unsigned format;
    gui::TRect rect;
    std::string lines;
    int height;
};

TEST(GtTextLayout, LinesAsTheFormattedTextDrawingPlacesThem) {
    const unsigned single = kDtSingleLine;
    // clang-format off
    const Case cases[] = {
        {"left", u"abc", single, {0, 0, 100, 20}, "0,0:abc|", 10},
        {"centred", u"abc", single | kDtCenter, {0, 0, 100, 20}, "42,0:abc|", 10},
        {"right", u"abc", single | kDtRight, {0, 0, 100, 20}, "85,0:abc|", 10},
        {"too wide to centre", u"abcdefghij", single | kDtCenter, {10, 0, 30, 20},
         "10,0:abcdefghij|", 10},
        {"vertically centred", u"abc", single | kDtVCenter, {0, 0, 100, 20}, "0,5:abc|", 15},
        {"bottom", u"abc", single | kDtBottom, {0, 0, 100, 20}, "0,10:abc|", 20},
        {"end ellipsis", u"abcdefghij", single | kDtEndEllipsis, {0, 0, 30, 20},
         "0,0:abcd...|", 10},
        {"word ellipsis on one line", u"abcdefghij", single | kDtWordEllipsis, {0, 0, 30, 20},
         "0,0:abcd...|", 10},
        {"one character stays", u"abcdefghij", single | kDtEndEllipsis, {0, 0, 3, 20},
         "0,0:a...|", 10},
        {"fits: no ellipsis", u"abcdef", single | kDtEndEllipsis, {0, 0, 30, 20}, "0,0:abcdef|", 10},
        {"path ellipsis", u"c:\\dir\\file", single | kDtPathEllipsis, {0, 0, 45, 20},
         "0,0:c:...\\file|", 10},
        {"path keeps a head", u"c:\\dir\\file", single | kDtPathEllipsis, {0, 0, 20, 20},
         "0,0:c...\\file|", 10},
        {"path without separator", u"abcdefghij", single | kDtPathEllipsis, {0, 0, 30, 20},
         "0,0:abcd...|", 10},
        {"word break at the last space", u"aaa bbb ccc", kDtWordBreak, {0, 0, 40, 100},
         "0,0:aaa bbb|0,10:ccc|", 20},
        {"a long word breaks after the overflowing character", u"abcdefghij", kDtWordBreak,
         {0, 0, 12, 100}, "0,0:abc|0,10:def|0,20:ghi|0,30:j|", 40},
        {"line breaks", u"a\r\nb\nc\rd", 0, {0, 0, 100, 100}, "0,0:a|0,10:b|0,20:c|0,30:d|", 40},
        {"one line keeps breaks as text", u"a\nb", single, {0, 0, 100, 100}, "0,0:a\nb|", 10},
        {"prefix underlined", u"F&ile", single, {0, 0, 100, 20}, "0,0:File[5+5]|", 10},
        {"doubled ampersand", u"a&&b", single, {0, 0, 100, 20}, "0,0:a&b|", 10},
        {"no prefix processing", u"a&b", single | kDtNoPrefix, {0, 0, 100, 20}, "0,0:a&b|", 10},
        {"tab to eight widths of o", u"\tx", single | kDtExpandTabs, {0, 0, 100, 20},
         "0,0:        x|", 10},
        {"tab to the next stop", u"abc\tx", single | kDtExpandTabs, {0, 0, 100, 20},
         "0,0:abc     x|", 10},
        {"tab length in the high byte", u"\tx", single | kDtExpandTabs | kDtTabStop | (2u << 8),
         {0, 0, 100, 20}, "0,0:  x|", 10},
        {"unexpanded tab is a character", u"\tx", single, {0, 0, 100, 20}, "0,0:\tx|", 10},
        {"lines stop at the bottom", u"a\nb\nc", 0, {0, 0, 100, 25}, "0,0:a|0,10:b|", 20},
        {"no clip: every line", u"a\nb\nc", kDtNoClip, {0, 0, 100, 25},
         "0,0:a|0,10:b|0,20:c|", 30},
        {"the first line always", u"a\nb", 0, {0, 0, 100, 4}, "0,0:a|", 10},
        {"end ellipsis on the last line only", u"aaaaaaaaaa\nbbbbbbbbbb", kDtEndEllipsis,
         {0, 0, 30, 100}, "0,0:aaaaaaaaaa|0,10:bbbb...|", 20},
        {"end ellipsis where the lines stop", u"aaaaaaaaaa\nbbbbbbbbbb", kDtEndEllipsis,
         {0, 0, 30, 15}, "0,0:aaaa...|", 10},
        {"word ellipsis on every line", u"aaaaaaaaaa\nbbbbbbbbbb", kDtWordEllipsis,
         {0, 0, 30, 100}, "0,0:aaaa...|0,10:bbbb...|", 20},
        {"prefix cut off by the ellipsis", u"abcdefg&h", single | kDtEndEllipsis, {0, 0, 30, 20},
         "0,0:abcd...|", 10},
        {"external leading", u"a\nb", kDtExternalLeading, {0, 0, 100, 100}, "0,0:a|0,12:b|", 24},
        {"narrow characters", u"W.W", single, {0, 0, 100, 20}, "0,0:W.W|", 10},
    };
    // clang-format on
    for (const Case& c : cases) {
        FakeMeasurer measurer;
        TGtTextLayout layout;
        gui::TRect r = c.rect;
        const int height = LayoutTextWide(c.text, c.format, r, nullptr, measurer, layout);
        EXPECT_EQ(Describe(layout), c.lines) << c.name;
        EXPECT_EQ(height, c.height) << c.name;
        EXPECT_EQ(r, c.rect) << c.name << ": only DT_CALCRECT changes the rectangle";
    }
}

TEST(GtTextLayout, CalcRectMeasuresWithoutEllipsis) {
    FakeMeasurer measurer;
    TGtTextLayout layout;
    gui::TRect r{10, 5, 0, 0};  // open edges
    EXPECT_EQ(LayoutTextWide(u"aaa bbb", kDtCalcRect | kDtEndEllipsis | kDtSingleLine, r, nullptr,
                             measurer, layout),
              10);
    EXPECT_EQ(r, (gui::TRect{10, 5, 45, 15}));

    r = {0, 0, 20, 0};
    LayoutTextWide(u"aaa bbb", kDtCalcRect | kDtWordBreak, r, nullptr, measurer, layout);
    EXPECT_EQ(r, (gui::TRect{0, 0, 15, 20}));

    r = {3, 4, 50, 60};
    EXPECT_EQ(LayoutTextWide(u"", kDtCalcRect, r, nullptr, measurer, layout), 0);
    EXPECT_EQ(r, (gui::TRect{3, 4, 3, 4}));
    EXPECT_TRUE(layout.Lines.empty());
}

TEST(GtTextLayout, ExtraParametersAndModifiedText) {
    FakeMeasurer measurer;
    TGtTextLayout layout;
    TGtDrawTextParams params;
    params.LeftMargin = 2;  // average character widths (4 pixels)
    params.RightMargin = 1;
    params.TabLength = 1;
    gui::TRect r{0, 0, 100, 20};
    LayoutTextWide(u"a\tb", kDtSingleLine | kDtExpandTabs | kDtTabStop, r, &params, measurer,
                   layout);
    EXPECT_EQ(Describe(layout), "8,0:a b|");  // one 5-pixel tab stop
    EXPECT_EQ(params.LengthDrawn, 3);

    r = {0, 0, 0, 0};
    LayoutTextWide(u"ab", kDtCalcRect | kDtSingleLine, r, &params, measurer, layout);
    EXPECT_EQ(r.Right, 10 + 8 + 4);
    EXPECT_EQ(params.LengthDrawn, 5);  // accumulated

    r = {0, 0, 30, 20};
    LayoutTextWide(u"abcdefghij", kDtSingleLine | kDtEndEllipsis | kDtModifyString, r, nullptr,
                   measurer, layout);
    ASSERT_TRUE(layout.Modified);
    EXPECT_EQ(layout.ModifiedText, u"abcd...");
}

TEST(GtTextLayout, LongTextsLayOutWithOneMeasurePerLine) {
    // Far beyond any fixed buffer: 100 lines of 200 characters.
    std::u16string text;
    for (int i = 0; i < 100; ++i) text += std::u16string(200, u'x') + u"\n";
    FakeMeasurer measurer;
    TGtTextLayout layout;
    gui::TRect r{0, 0, 2000, 2000};
    LayoutTextWide(text, kDtEndEllipsis, r, nullptr, measurer, layout);
    ASSERT_EQ(layout.Lines.size(), 100u);
    EXPECT_EQ(layout.Lines[99].Length, 200u);
    EXPECT_LE(measurer.calls, 101);

    // One long single line with an ellipsis: two measurements.
    measurer.calls = 0;
    r = {0, 0, 100, 20};
    LayoutTextWide(std::u16string(30000, u'y'), kDtSingleLine | kDtEndEllipsis, r, nullptr,
                   measurer, layout);
    EXPECT_EQ(Describe(layout), "0,0:" + std::string(18, 'y') + "...|");
    EXPECT_EQ(measurer.calls, 2);
}

}  // namespace
}  // namespace controls::tree
