// The drawing helpers, checked by their pixels in 32-bit bitmaps, and the
// wide-text drawing beside the system's DrawTextW.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "controls/tree/drawing.h"
#include "controls/tree/init.h"
#include "controls/tree/windowtest_win.h"
#include "gui/geometry_win.h"
#include "gui/graphic.h"
#include "gui/handles.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

using testing::Px;

using gui::testing::PixelAt;

std::unique_ptr<gui::TBitmap> Blank(int w, int h, gui::TColor fill = gui::clWhite) {
    auto b = std::make_unique<gui::TBitmap>(w, h);
    b->Canvas().Brush().SetColor(fill);
    b->Canvas().FillRect({0, 0, w, h});
    return b;
}

class GtDrawing : public testing::GtWindowTest {};

TEST_F(GtDrawing, FillsAndFrames) {
    auto b = Blank(20, 20);
    HDC dc = b->Canvas().Handle();
    SetBkColor(dc, RGB(1, 2, 3));
    FillSolid(dc, 10, 10, gui::clRed, -3, -4);  // reaches left and up
    EXPECT_EQ(PixelAt(*b, 6, 7), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 9, 9), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 10, 9), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(*b, 5, 7), 0xFFFFFFu);
    EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3)) << "the background colour is kept";

    b = Blank(20, 20);
    dc = b->Canvas().Handle();
    Draw3DRect(dc, 2, 2, gui::clBlue, gui::clRed, 5, 6);
    EXPECT_EQ(PixelAt(*b, 2, 2), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 6, 2), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 7, 2), 0x0000FFu) << "right column";
    EXPECT_EQ(PixelAt(*b, 2, 5), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 2, 6), 0x0000FFu) << "bottom row, full width";
    EXPECT_EQ(PixelAt(*b, 4, 4), 0xFFFFFFu);

    // Button frames: two rings from the four shades.
    struct Row {
        bool raised, thin, pressed;
        gui::TColor outerTL, outerBR, innerTL, innerBR;
    };
    const Row rows[] = {
        {true, false, false, gui::clBtnHighlight, gui::cl3DDkShadow, gui::clBtnFace,
         gui::clBtnShadow},
        {false, false, false, gui::clBtnHighlight, gui::clBtnShadow, gui::clBtnFace,
         gui::clBtnFace},
        {true, false, true, gui::cl3DDkShadow, gui::clBtnHighlight, gui::clBtnShadow,
         gui::clBtnFace},
        {false, true, true, gui::clBtnShadow, gui::clBtnHighlight, gui::clWhite, gui::clWhite},
    };
    for (const Row& r : rows) {
        b = Blank(12, 12);
        DrawButtonFrame(b->Canvas().Handle(), {0, 0, 12, 12}, r.raised, r.thin, gui::clBtnFace,
                        r.pressed);
        EXPECT_EQ(PixelAt(*b, 0, 0), Px(r.outerTL)) << r.raised << r.thin << r.pressed;
        EXPECT_EQ(PixelAt(*b, 11, 11), Px(r.outerBR)) << r.raised << r.thin << r.pressed;
        EXPECT_EQ(PixelAt(*b, 1, 1), Px(r.innerTL)) << r.raised << r.thin << r.pressed;
        EXPECT_EQ(PixelAt(*b, 10, 10), Px(r.innerBR)) << r.raised << r.thin << r.pressed;
    }
    // Another colour: its own shades.
    b = Blank(12, 12);
    DrawButtonFrame(b->Canvas().Handle(), {0, 0, 12, 12}, true, false, gui::clBlue, false);
    TFrameShades shades;
    ASSERT_TRUE(FrameShadesOf(MakeRGB(0, 0, 255), shades));
    EXPECT_EQ(PixelAt(*b, 0, 0), Px(RgbToColor(shades.Highlight)));
    EXPECT_EQ(PixelAt(*b, 11, 11), Px(RgbToColor(shades.Dark)));
    EXPECT_EQ(PixelAt(*b, 10, 10), Px(RgbToColor(shades.Shadow)));
}

TEST_F(GtDrawing, ArrowsTintsAndTransparentBlits) {
    auto b = Blank(10, 11);
    // A left arrow in 10 x 11: the 4 x 7 box at (3, 2), apex at (3, 5).
    DrawArrow(b->Canvas(), adLeft, {0, 0, 10, 11}, gui::clRed, true);
    EXPECT_EQ(PixelAt(*b, 3, 5), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 3, 4), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(*b, 6, 2), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 6, 8), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 7, 5), 0xFFFFFFu);

    b = Blank(10, 11);
    DrawArrow(b->Canvas(), adDown, {0, 0, 10, 11}, gui::clRed, true);
    // The 7 x 4 box at (2, 3): the widest line on top, the apex below.
    EXPECT_EQ(PixelAt(*b, 2, 3), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 8, 3), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 5, 6), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 4, 6), 0xFFFFFFu);

    b = Blank(10, 11);
    DrawArrow(b->Canvas(), adLeft, {0, 0, 10, 11}, gui::clRed, false);
    EXPECT_EQ(PixelAt(*b, 3, 5), Px(gui::clBtnShadow)) << "embossed";
    EXPECT_EQ(PixelAt(*b, 7, 3), Px(gui::clBtnHighlight));

    b = Blank(10, 11);
    DrawArrow(b->Canvas(), adLeft, {0, 0, 2, 11}, gui::clRed, true);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(PixelAt(*b, x, y), 0xFFFFFFu) << "nothing drawn";

    b = Blank(4, 4);
    AlphaTint(b->Canvas(), {1, 1, 3, 3}, gui::clBlack, 128);
    EXPECT_EQ(PixelAt(*b, 1, 1), 0x7F7F7Fu);
    EXPECT_EQ(PixelAt(*b, 3, 3), 0xFFFFFFu) << "right and bottom exclusive";

    // A source bitmap of its own (a bitmap is selected into one context at
    // a time): magenta, red, magenta.
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, 3, -1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    gui::TBitmapHandle source(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(source);
    auto* pixels = static_cast<uint32_t*>(bits);
    pixels[0] = pixels[2] = 0xFF00FF;
    pixels[1] = 0xFF0000;
    b = Blank(5, 2, gui::clLime);
    DrawTransparentBitmap(b->Canvas().Handle(), source.Get(), 1, 1, {0, 0, 3, 1}, gui::clFuchsia);
    EXPECT_EQ(PixelAt(*b, 1, 1), 0x00FF00u);
    EXPECT_EQ(PixelAt(*b, 2, 1), 0xFF0000u);
    EXPECT_EQ(PixelAt(*b, 3, 1), 0x00FF00u);

    EXPECT_EQ(ColorToRgb(InvertColor(gui::clBtnFace)), InvertRGB(GetSysColor(COLOR_BTNFACE)));
    int speed = 0, delay = 0;
    SystemParametersInfoW(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
    SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    EXPECT_EQ(KeyboardTiming(SPI_GETKEYBOARDSPEED), 1000 / (speed + 1));
    EXPECT_EQ(KeyboardTiming(SPI_GETKEYBOARDDELAY), delay * 250 + 250);
}

TEST_F(GtDrawing, FlatBordersDrawOnlyTheirSides) {
    // Bottom only: the three other sides stay untouched.
    auto b = Blank(20, 20);
    DrawFlatBorder(b->Canvas().Handle(), {0, 0, 20, 20}, gui::clRed, fbtFlat, {ebsBottom},
                   gui::clLime);
    for (int i = 0; i < 18; ++i) {
        ASSERT_EQ(PixelAt(*b, 0, i), 0xFFFFFFu) << i;
        ASSERT_EQ(PixelAt(*b, 19, i), 0xFFFFFFu) << i;
        ASSERT_EQ(PixelAt(*b, i, 0), 0xFFFFFFu) << i;
    }
    EXPECT_EQ(PixelAt(*b, 5, 19), Px(gui::clBtnHighlight));
    EXPECT_EQ(PixelAt(*b, 5, 18), 0x00FF00u);

    // The left column at x and the one inside it.
    struct Row {
        TGtFlatBorderType type;
        int x;
        gui::TColor outer, inner;
    };
    const Row rows[] = {
        {fbtFlat, 0, gui::clBtnShadow, gui::clLime},
        {fbtColorLineBorder, 0, gui::clRed, gui::clLime},
        {fbtLineBorder, 0, gui::clWindowFrame, gui::clLime},
        {fbtSunken, 0, gui::clBtnShadow, gui::cl3DDkShadow},
        // Inside the system's raised edge: the flat ring over the background.
        {fbtRaised, 2, gui::clBtnShadow, gui::clLime},
    };
    for (const Row& r : rows) {
        b = Blank(20, 20);
        DrawFlatBorder(b->Canvas().Handle(), {0, 0, 20, 20}, gui::clRed, r.type, kAllBorderSides,
                       gui::clLime);
        EXPECT_EQ(PixelAt(*b, r.x, 5), Px(r.outer)) << r.type;
        EXPECT_EQ(PixelAt(*b, r.x + 1, 5), Px(r.inner)) << r.type;
        EXPECT_EQ(PixelAt(*b, 10, 10), 0xFFFFFFu) << r.type << ": the inside is left alone";
    }
    b = Blank(20, 20);
    DrawFlatBorder(b->Canvas().Handle(), {0, 0, 20, 20}, gui::clRed, fbtLine, kAllBorderSides,
                   gui::clLime);
    EXPECT_EQ(PixelAt(*b, 5, 19), Px(gui::clWindowFrame)) << "only the bottom line";
    EXPECT_EQ(PixelAt(*b, 0, 5), 0x00FF00u);
}

TEST_F(GtDrawing, FlatStandardScrollBars) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, 0, 200,
                                  150, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 99, 10, 0, 0};
    SetScrollInfo(window, SB_VERT, &si, FALSE);
    auto b = Blank(200, 150);
    const int v = GetSystemMetrics(SM_CXVSCROLL);
    const int h = GetSystemMetrics(SM_CYHSCROLL);
    const int button = GetSystemMetrics(SM_CYVSCROLL);
    DrawFlatScrollBars(window, b->Canvas().Handle(), {0, 0, 200, 150}, 0, WS_VSCROLL | WS_HSCROLL,
                       false, false, true, 3);
    EXPECT_EQ(PixelAt(*b, 199 - v / 2, 149 - h / 2), Px(gui::clBtnFace)) << "the corner square";
    EXPECT_EQ(PixelAt(*b, 200 - v, 0), Px(gui::clBtnFace)) << "top button, raised";
    EXPECT_EQ(PixelAt(*b, 199, button - 1), Px(gui::cl3DDkShadow));
    EXPECT_EQ(PixelAt(*b, 201 - v, 1), Px(gui::clBtnHighlight));
    EXPECT_EQ(PixelAt(*b, 200 - v, button), Px(gui::clBtnFace)) << "the thumb at the top";
    EXPECT_EQ(PixelAt(*b, 0, 150 - h), Px(gui::clBtnFace)) << "the horizontal bar's left button";
    DestroyWindow(window);
}

// ---- wide text -------------------------------------------------------------------------------

class GtWideText : public GtDrawing {
  protected:
    void SetUp() override {
        font_.SetName("Tahoma");
        font_.SetHeight(-11);
    }
    // A white bitmap with the font selected, black text on a clear background.
    std::unique_ptr<gui::TBitmap> Surface(int w, int h) {
        auto b = Blank(w, h);
        HDC dc = b->Canvas().Handle();
        SelectObject(dc, font_.Handle());
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        return b;
    }
    gui::TFont font_;
};

bool SamePixels(const gui::TBitmap& a, const gui::TBitmap& b) {
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (PixelAt(a, x, y) != PixelAt(b, x, y)) return false;
    return true;
}

TEST_F(GtWideText, MeasuresAndDrawsAsTheSystemDoes) {
    // Tabs are left out: the family expands a tab into the spaces that fit
    // before the next stop (textlayout_test.cpp), the system to the stop.
    struct Row {
        const char16_t* text;
        UINT flags;
        gui::TRect rect;
        bool samePixels;  // the system draws its prefix line a pixel shorter
    };
    const Row rows[] = {
        {u"Keyword position", DT_SINGLELINE | DT_NOPREFIX, {2, 3, 200, 30}, true},
        {u"a\r\nbb\r\nccc", DT_NOPREFIX, {0, 0, 200, 80}, true},
        {u"&File and &&more", DT_SINGLELINE, {0, 0, 200, 30}, false},
        {u"Centred", DT_SINGLELINE | DT_CENTER | DT_VCENTER, {0, 0, 200, 30}, true},
        {u"Right", DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, {0, 0, 200, 30}, true},
        {u"\u041F\u0440\u0438\u0432\u0435\u0442 \u00E9t\u00E9",
         DT_SINGLELINE,
         {0, 0, 200, 30},
         true},
    };
    for (const Row& row : rows) {
        const std::u16string text = row.text;
        auto system = Surface(200, 80);
        auto ours = Surface(200, 80);
        RECT sr = {row.rect.Left, row.rect.Top, row.rect.Right, row.rect.Bottom};
        gui::TRect orr = row.rect;
        const int systemHeight =
            DrawTextW(system->Canvas().Handle(), reinterpret_cast<const wchar_t*>(text.c_str()),
                      static_cast<int>(text.size()), &sr, row.flags | DT_CALCRECT);
        const int ourHeight =
            DrawTextWide(ours->Canvas().Handle(), text.c_str(), -1, row.flags | DT_CALCRECT, orr);
        EXPECT_EQ(ourHeight, systemHeight) << runtime::WideToUtf8(text);
        EXPECT_EQ(orr, gui::ToTRect(sr)) << runtime::WideToUtf8(text);

        sr = {row.rect.Left, row.rect.Top, row.rect.Right, row.rect.Bottom};
        orr = row.rect;
        DrawTextW(system->Canvas().Handle(), reinterpret_cast<const wchar_t*>(text.c_str()),
                  static_cast<int>(text.size()), &sr, row.flags);
        DrawTextWide(ours->Canvas().Handle(), text.c_str(), static_cast<int>(text.size()),
                     row.flags, orr);
        if (row.samePixels) {
            EXPECT_TRUE(SamePixels(*system, *ours)) << runtime::WideToUtf8(text);
        }
    }
}

TEST_F(GtWideText, EllipsisKeepsTheLongestHeadThatFits) {
    const std::u16string text = u"A rather long keyword text";
    auto b = Surface(200, 30);
    HDC dc = b->Canvas().Handle();
    for (int width : {40, 60, 90}) {
        gui::TRect r{0, 0, width, 20};
        std::u16string shortened;
        TGtDrawTextParams params;
        DrawTextWideEx(dc, text, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_MODIFYSTRING, r,
                       &params, &shortened);
        ASSERT_TRUE(shortened.ends_with(u"...")) << width;
        const std::u16string head = shortened.substr(0, shortened.size() - 3);
        SIZE size{};
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(shortened.c_str()),
                              static_cast<int>(shortened.size()), &size);
        EXPECT_LE(size.cx, width) << runtime::WideToUtf8(shortened);
        const std::u16string longer = text.substr(0, head.size() + 1) + u"...";
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(longer.c_str()),
                              static_cast<int>(longer.size()), &size);
        EXPECT_GT(size.cx, width) << "one more character would not fit";
    }
    // The path form keeps the last part whole.
    gui::TRect r{0, 0, 90, 20};
    std::u16string shortened;
    DrawTextWideEx(dc, u"C:\\Program Files\\Serplow\\serplow.ini",
                   DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_MODIFYSTRING, r, nullptr, &shortened);
    EXPECT_TRUE(shortened.ends_with(u"...\\serplow.ini")) << runtime::WideToUtf8(shortened);
}

TEST_F(GtWideText, PrefixesUnderlineTheirCharacter) {
    auto b = Surface(60, 20);
    HDC dc = b->Canvas().Handle();
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    gui::TRect r{0, 0, 60, 20};
    DrawTextWide(dc, u"&W", -1, DT_SINGLELINE, r);
    SIZE w{};
    GetTextExtentPoint32W(dc, L"W", 1, &w);
    const int underline = tm.tmAscent + 1;
    EXPECT_EQ(PixelAt(*b, 1, underline), 0u) << "under the W";
    EXPECT_EQ(PixelAt(*b, w.cx + 2, underline), 0xFFFFFFu);
    // Hidden prefixes and doubled ampersands draw no line.
    for (const char16_t* text : {u"&W", u"&&W"}) {
        b = Surface(60, 20);
        r = {0, 0, 60, 20};
        const UINT hide = text[1] == u'&' ? 0 : DT_HIDEPREFIX;
        DrawTextWide(b->Canvas().Handle(), text, -1, DT_SINGLELINE | hide, r);
        bool line = true;
        for (int x = 0; x < 6; ++x) line = line && PixelAt(*b, x, underline) == 0u;
        EXPECT_FALSE(line) << runtime::WideToUtf8(text);
    }
}

}  // namespace
}  // namespace controls::tree
