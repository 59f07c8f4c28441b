#include "controls/toolbar/dib32.h"
#include "controls/toolbar/mono_glyph.h"
#include "gui/errors.h"
#include "gui/graphics.h"

namespace toolbar {

namespace {

// Where the source is 0 the pattern, where it is 1 the destination
// (P xor (S and (D xor P))). With the text colour white and the
// background black a monochrome source turns its set bits to 0.
constexpr DWORD kPatternWhereSourceIsBlack = 0xB8074A;

}  // namespace

TMonoGlyph::TMonoGlyph(int32_t width, int32_t height, std::span<const uint8_t> bits)
    : width_(width), height_(height) {
    const size_t rowBytes = (size_t(width > 0 ? width : 0) + 15) / 16 * 2;
    if (width <= 0 || height <= 0 || bits.size() < rowBytes * size_t(height))
        throw EDIB32Error(SDIB32InvalidParameters);
    bitmap_.Reset(CreateBitmap(width, height, 1, 1, bits.data()));
    if (!bitmap_) gui::RaiseLastWin32Error("Cannot make a glyph bitmap");
    dc_.Reset(CreateCompatibleDC(nullptr));
    if (!dc_) gui::RaiseLastWin32Error("Cannot make a glyph bitmap");
    oldBitmap_ = SelectObject(dc_.Get(), bitmap_.Get());
}

TMonoGlyph::~TMonoGlyph() {
    if (dc_ && oldBitmap_ != nullptr) SelectObject(dc_.Get(), oldBitmap_);
}

void TMonoGlyph::Draw(HDC dc, int32_t x, int32_t y, gui::TColor colour) const {
    if (colour == gui::clNone) return;
    gui::TBrushHandle owned;
    HBRUSH brush;
    if (gui::IsSystemColor(colour)) {
        brush = GetSysColorBrush(gui::SystemColorIndex(colour));
    } else {
        owned.Reset(CreateSolidBrush(gui::ColorToRGB(colour)));
        brush = owned.Get();
    }
    gui::TSelectObject selected(dc, brush);
    const COLORREF text = SetTextColor(dc, RGB(255, 255, 255));
    const COLORREF background = SetBkColor(dc, RGB(0, 0, 0));
    BitBlt(dc, x, y, width_, height_, dc_.Get(), 0, 0, kPatternWhereSourceIsBlack);
    SetBkColor(dc, background);
    SetTextColor(dc, text);
}

}  // namespace toolbar
