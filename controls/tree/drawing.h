#pragma once

// The tree family's drawing routines: frames, arrow glyphs, colour fills,
// transparent blits, tinting, the tree's flat window border and flat
// system scroll bars, and the wide-text drawing built on
// GetTextExtentExPointW and ExtTextOutW (the layout is textlayout.h). They
// draw on a device context or canvas the caller owns and keep no state.
// Colours are the class library's (system colours resolved here). Windows
// only.

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/tree/colormath.h"
#include "controls/tree/textlayout.h"
#include "controls/tree/treetypes.h"
#include "gui/colors.h"
#include "gui/graphics.h"
#include "gui/win.h"

namespace gui {
class TCustomForm;
}

namespace controls::tree {

// The RGB value of a colour (system colours looked up).
TRgb ColorToRgb(gui::TColor colour);
gui::TColor RgbToColor(TRgb rgb);
// The inverse of the colour's RGB value.
gui::TColor InvertColor(gui::TColor colour);
// SPI_GETKEYBOARDSPEED or SPI_GETKEYBOARDDELAY as milliseconds; any other
// query gives the setting's raw value.
int KeyboardTiming(UINT query);

// Fills x, y .. x + width, y + height (a negative extent reaches left or
// up) by opaque empty text output; the context's background colour is kept.
void FillSolid(HDC dc, int x, int y, gui::TColor colour, int height, int width);
// Top and left lines in topLeft, right and bottom lines in bottomRight.
void Draw3DRect(HDC dc, int x, int y, gui::TColor bottomRight, gui::TColor topLeft, int height,
                int width);
// Two rings of system colours (indexes): outer, then inner one pixel in.
void DrawDoubleFrame(HDC dc, const gui::TRect& r, int outerTopLeft, int innerBottomRight,
                     int innerTopLeft, int outerBottomRight);
void DrawScrollButtonFrame(HDC dc, const gui::TRect& r, bool raised);
// The frame of a scroll-bar button or thumb in shades of `colour`.
void DrawButtonFrame(HDC dc, const gui::TRect& r, bool raised, bool thin, gui::TColor colour,
                     bool pressed);

// Arrow glyphs: 0 left, 1 up, 2 right, 3 down.
enum TGtArrowDirection : int { adLeft = 0, adUp = 1, adRight = 2, adDown = 3 };
// A 4 x 7 (7 x 4) triangle centred in r; embossed when disabled; nothing
// when r is too small for it.
void DrawArrow(gui::TCanvas& canvas, int direction, const gui::TRect& r, gui::TColor colour,
               bool enabled);

// Copies `source` of the bitmap to (x, y), leaving out the pixels of the
// transparent colour.
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, const gui::TRect& source,
                           gui::TColor transparent);
// Mixes `colour` into every pixel of r by alpha (0..255).
void AlphaTint(gui::TCanvas& canvas, const gui::TRect& r, gui::TColor colour, int alpha);

// The tree's flat window border on the sides listed.
void DrawFlatBorder(HDC dc, gui::TRect r, gui::TColor lineColour, TGtFlatBorderType type,
                    TGtBorderSides sides, gui::TColor background);
// The tree's standard scroll bars drawn flat over the system's: `which` is
// 0 none, 1 horizontal, 2 vertical, 3 both.
void DrawFlatScrollBars(HWND window, HDC dc, const gui::TRect& windowRect, DWORD exStyle,
                        DWORD style, bool trackingHorz, bool trackingVert, bool raised, int which);

// The first form up the component's owner chain.
gui::TCustomForm* GetOwnerForm(runtime::TComponent* component);

// The family's formatted-text drawing: DrawTextW's results from wide text
// measuring and output. Returns the text's height; with DT_CALCRECT sets r
// to its extent and draws nothing. `length` -1: up to the terminator.
int DrawTextWide(HDC dc, const char16_t* text, int length, UINT format, gui::TRect& r);
// With the extra parameters (may be null); DT_MODIFYSTRING puts the
// shortened text into `modified` when given.
int DrawTextWideEx(HDC dc, std::u16string_view text, UINT format, gui::TRect& r,
                   TGtDrawTextParams* params, std::u16string* modified = nullptr);

// Measures with the context's font.
class TGdiTextMeasurer : public TGtTextMeasurer {
  public:
    explicit TGdiTextMeasurer(HDC dc) : dc_(dc) {}
    TGtTextMetrics Metrics() override;
    void MeasureRun(std::u16string_view text, int* ends) override;

  private:
    HDC dc_;
};

}  // namespace controls::tree
