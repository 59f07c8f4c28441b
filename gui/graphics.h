#pragma once

// Fonts, pens and brushes, and the canvas that draws with them on a device
// context. Each graphics object makes its GDI handle when first asked for
// it and tells its owner (OnChange) when a property changes.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "gui/colors.h"
#include "gui/geometry.h"
#include "gui/handles.h"
#include "gui/win.h"
#include "runtime/events.h"
#include "runtime/persistent.h"

namespace gui {

class TGraphic;

// The RGB value of a colour (system colours looked up; clNone and
// clDefault give black).
COLORREF ColorToRGB(TColor color);
// The screen's logical pixels per inch (96 under Wine and at 100% scaling).
int ScreenPixelsPerInch();

RUNTIME_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
RUNTIME_SET(TFontStyles, TFontStyle)
RUNTIME_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
RUNTIME_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
RUNTIME_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot,
             pmMaskPenNot, pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask,
             pmXor, pmNotXor)
RUNTIME_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal,
             bsCross, bsDiagCross)

// Base of fonts, pens and brushes: a persistent object that reports changes.
class TGraphicsObject : public runtime::TPersistent {
    RUNTIME_CLASS(TGraphicsObject)

  public:
    runtime::TNotifyEvent OnChange;

  protected:
    void Changed();
};

class TFont : public TGraphicsObject {
    RUNTIME_CLASS(TFont)

  public:
    TFont();
    ~TFont() override;

    // Height in pixels: negative for the character height, as the class
    // library keeps it; Size is the same in points.
    int Height() const { return height_; }
    void SetHeight(int value);
    int Size() const;
    void SetSize(int points);
    const std::string& Name() const { return name_; }
    void SetName(std::string value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles value);
    uint8_t Charset() const { return charset_; }
    void SetCharset(uint8_t value);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch value);

    // The font's GDI handle; fonts with equal properties share one.
    HFONT Handle() const;
    LOGFONTW LogFont() const;
    void SetLogFont(const LOGFONTW& logFont);

    void Assign(const runtime::TPersistent* source) override;
    bool SameAs(const TFont& other) const;

  private:
    struct Resource;
    int height_;
    std::string name_ = "MS Sans Serif";
    TColor color_ = clWindowText;
    TFontStyles style_;
    uint8_t charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    mutable std::shared_ptr<Resource> resource_;
};

class TPen : public TGraphicsObject {
    RUNTIME_CLASS(TPen)

  public:
    TPen();
    ~TPen() override;

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle value);
    int Width() const { return width_; }
    void SetWidth(int value);

    HPEN Handle() const;
    void Assign(const runtime::TPersistent* source) override;

  private:
    TColor color_ = clBlack;
    TPenMode mode_ = pmCopy;
    TPenStyle style_ = psSolid;
    int width_ = 1;
    mutable TPenHandle handle_;
};

class TBrush : public TGraphicsObject {
    RUNTIME_CLASS(TBrush)

  public:
    TBrush();
    ~TBrush() override;

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);

    HBRUSH Handle() const;
    void Assign(const runtime::TPersistent* source) override;

  private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    mutable TBrushHandle handle_;
};

// Raster operations of TCanvas::CopyMode.
inline constexpr DWORD cmSrcCopy = SRCCOPY;
inline constexpr DWORD cmSrcPaint = SRCPAINT;
inline constexpr DWORD cmSrcAnd = SRCAND;
inline constexpr DWORD cmSrcInvert = SRCINVERT;
inline constexpr DWORD cmMergeCopy = MERGECOPY;
inline constexpr DWORD cmBlackness = BLACKNESS;
inline constexpr DWORD cmWhiteness = WHITENESS;
inline constexpr DWORD cmDstInvert = DSTINVERT;

// Draws on a device context that someone else owns (SetHandle), or that a
// descendant makes on demand (TControlCanvas). The font, pen and brush are
// selected into the context when a drawing call needs them, and the
// context's own objects are selected back when it is let go.
class TCanvas : public runtime::TPersistent {
    RUNTIME_CLASS(TCanvas)

  public:
    TCanvas();
    ~TCanvas() override;

    // The device context; a descendant makes one on demand, the base raises
    // EInvalidOperation "Canvas does not allow drawing" without one.
    HDC Handle();
    // Attaches a device context (nullptr lets the current one go).
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return dc_ != nullptr; }

    TFont& Font() { return *font_; }
    TPen& Pen() { return *pen_; }
    TBrush& Brush() { return *brush_; }
    void SetFont(const TFont& font) { font_->Assign(&font); }
    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
    DWORD CopyMode() const { return copyMode_; }
    void SetCopyMode(DWORD mode) { copyMode_ = mode; }

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(std::span<const TPoint> points);
    void Polygon(std::span<const TPoint> points);
    void Rectangle(const TRect& r);
    void RoundRect(const TRect& r, int cornerWidth, int cornerHeight);
    void Ellipse(const TRect& r);
    // Fills with the brush (without the pen).
    void FillRect(const TRect& r);
    // A one-pixel frame in the brush's colour.
    void FrameRect(const TRect& r);
    void DrawFocusRect(const TRect& r);

    void TextOut(int x, int y, std::string_view text);
    void TextOut(int x, int y, std::u16string_view text);
    // Text clipped to r, drawn at (x, y); the brush fills r first unless clear.
    void TextRect(const TRect& r, int x, int y, std::string_view text);
    void TextRect(const TRect& r, int x, int y, std::u16string_view text);
    TSize TextExtent(std::string_view text);
    TSize TextExtent(std::u16string_view text);
    int TextWidth(std::string_view text) { return TextExtent(text).Width; }
    int TextHeight(std::string_view text) { return TextExtent(text).Height; }
    // DrawTextW with the given DT_ flags; r is updated for DT_CALCRECT.
    int DrawText(std::u16string_view text, TRect& r, UINT flags);
    // The device context with the font, its colour and the brush's
    // background selected, for text drawn with Windows calls directly.
    HDC TextHandle();

    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const TRect& r, TGraphic& graphic);
    // Copies srcRect of `source` to dest with CopyMode, stretching as needed.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect);

    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // The drawing is limited to r (in addition to any earlier limit) until
    // RemoveClip.
    void IntersectClip(const TRect& r);
    void RemoveClip();
    TRect ClipRect();

    runtime::TNotifyEvent OnChange;
    runtime::TNotifyEvent OnChanging;

  protected:
    // Makes a device context on demand; the base has none.
    virtual void CreateHandle() {}
    void Changing();
    void Changed();

  private:
    enum StateFlag : unsigned { kFontValid = 1, kPenValid = 2, kBrushValid = 4 };
    void RequiredState(unsigned state);
    void DeselectObjects();
    void ObjectChanged(unsigned flag);

    HDC dc_ = nullptr;
    unsigned state_ = 0;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    TPoint penPos_;
    DWORD copyMode_ = cmSrcCopy;
    HGDIOBJ oldFont_ = nullptr;
    HGDIOBJ oldPen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
    bool clipped_ = false;
};

// Draws a 3-D frame `width` pixels wide just inside r (top and left in
// topColor, bottom and right in bottomColor) and returns the rectangle
// inside it.
TRect Frame3D(TCanvas& canvas, TRect r, TColor topColor, TColor bottomColor, int width);

}  // namespace gui
