#pragma once

// The layout half of the family's wide-text drawing: what the system's
// formatted-text drawing would do with a text, a rectangle and DT_ flags
// (lines, word breaks, tab expansion, prefix characters, alignment and the
// three kinds of ellipsis), computed as plain data from the widths a
// measurer reports. The Windows half measures with GetTextExtentExPointW
// and draws each line with ExtTextOutW; tests measure with a fake.
//
// A run of text is measured in one call (the width of every prefix of it),
// never character by character; buffers grow with the text, so texts of any
// length lay out.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gui/geometry.h"

namespace controls::tree {

// The DT_ flags of the formatted-text drawing (the Windows values).
inline constexpr unsigned kDtCenter = 0x1;
inline constexpr unsigned kDtRight = 0x2;
inline constexpr unsigned kDtVCenter = 0x4;
inline constexpr unsigned kDtBottom = 0x8;
inline constexpr unsigned kDtWordBreak = 0x10;
inline constexpr unsigned kDtSingleLine = 0x20;
inline constexpr unsigned kDtExpandTabs = 0x40;
inline constexpr unsigned kDtTabStop = 0x80;
inline constexpr unsigned kDtNoClip = 0x100;
inline constexpr unsigned kDtExternalLeading = 0x200;
inline constexpr unsigned kDtCalcRect = 0x400;
inline constexpr unsigned kDtNoPrefix = 0x800;
inline constexpr unsigned kDtPathEllipsis = 0x4000;
inline constexpr unsigned kDtEndEllipsis = 0x8000;
inline constexpr unsigned kDtModifyString = 0x10000;
inline constexpr unsigned kDtRtlReading = 0x20000;
inline constexpr unsigned kDtWordEllipsis = 0x40000;
inline constexpr unsigned kDtHidePrefix = 0x100000;
inline constexpr unsigned kDtPrefixOnly = 0x200000;

// What the layout needs of the font.
struct TGtTextMetrics {
    int Height = 0;
    int Ascent = 0;
    int ExternalLeading = 0;
    int AveCharWidth = 0;
    int Overhang = 0;
};

class TGtTextMeasurer {
  public:
    virtual ~TGtTextMeasurer() = default;
    virtual TGtTextMetrics Metrics() = 0;
    // ends[i] = the width of text[0..i]; text is never empty.
    virtual void MeasureRun(std::u16string_view text, int* ends) = 0;
};

// The extra parameters of DrawTextWideEx: tab length in characters,
// margins in average character widths, and the characters laid out
// (accumulated: the caller sets it to 0 first).
struct TGtDrawTextParams {
    int TabLength = 0;
    int LeftMargin = 0;
    int RightMargin = 0;
    int LengthDrawn = 0;
};

// One line to draw: its text is Text.substr(Start, Length) of the layout.
struct TGtTextLine {
    int X = 0;
    int Y = 0;
    size_t Start = 0;
    size_t Length = 0;
    // The underlined prefix character (PrefixX -1: none), relative to X.
    int PrefixX = -1;
    int PrefixWidth = 0;
};

struct TGtTextLayout {
    std::u16string Text;
    std::vector<TGtTextLine> Lines;
    // Set with DT_MODIFYSTRING when a line was shortened: the shortened text.
    bool Modified = false;
    std::u16string ModifiedText;
    // The metrics the layout used (for drawing the prefix underline).
    TGtTextMetrics Metrics;

    // Working storage kept between calls.
    std::u16string Line;
    std::vector<int> Ends;
};

// Lays `text` out in `rect` as the formatted-text drawing would and returns
// the height of the text. With DT_CALCRECT the rectangle is set to the
// text's extent and nothing is to be drawn. `layout` is filled (its
// buffers reused).
int LayoutTextWide(std::u16string_view text, unsigned format, gui::TRect& rect,
                   TGtDrawTextParams* params, TGtTextMeasurer& measurer, TGtTextLayout& layout);

}  // namespace controls::tree
