#include <iterator>
#include <vector>

#include "gui/geometry_win.h"
#include "gui/graphic.h"
#include "gui/graphics.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

namespace {

const wchar_t* W(std::u16string_view s) {
    return reinterpret_cast<const wchar_t*>(s.data());
}

std::vector<POINT> ToPoints(std::span<const TPoint> points) {
    std::vector<POINT> out;
    out.reserve(points.size());
    for (TPoint p : points) out.push_back(ToPOINT(p));
    return out;
}

}  // namespace

RUNTIME_BEGIN_CLASS(TCanvas, runtime::TPersistent)
RUNTIME_END_CLASS

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()) {
    font_->OnChange = [this](runtime::TObject*) { ObjectChanged(kFontValid); };
    pen_->OnChange = [this](runtime::TObject*) { ObjectChanged(kPenValid); };
    brush_->OnChange = [this](runtime::TObject*) { ObjectChanged(kBrushValid); };
}

TCanvas::~TCanvas() {
    SetHandle(nullptr);
}

HDC TCanvas::Handle() {
    if (dc_ == nullptr) CreateHandle();
    if (dc_ == nullptr) throw runtime::EInvalidOperation("Canvas does not allow drawing");
    return dc_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc_ == dc) return;
    if (dc_ != nullptr) {
        RemoveClip();
        DeselectObjects();
    }
    dc_ = dc;
    state_ = 0;
}

void TCanvas::DeselectObjects() {
    if (dc_ == nullptr) return;
    if (oldFont_ != nullptr) SelectObject(dc_, oldFont_);
    if (oldPen_ != nullptr) SelectObject(dc_, oldPen_);
    if (oldBrush_ != nullptr) SelectObject(dc_, oldBrush_);
    oldFont_ = oldPen_ = oldBrush_ = nullptr;
    state_ = 0;
}

void TCanvas::ObjectChanged(unsigned flag) {
    state_ &= ~flag;
    Changed();
}

void TCanvas::RequiredState(unsigned state) {
    HDC dc = Handle();
    const unsigned needed = state & ~state_;
    if (needed & kFontValid) {
        HGDIOBJ old = SelectObject(dc, font_->Handle());
        if (oldFont_ == nullptr) oldFont_ = old;
        SetTextColor(dc, ColorToRGB(font_->Color()));
    }
    if (needed & kPenValid) {
        static constexpr int kRop2[] = {
            R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
            R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
            R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
            R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
        static_assert(std::size(kRop2) == pmNotXor + 1, "one raster operation per pen mode");
        HGDIOBJ old = SelectObject(dc, pen_->Handle());
        if (oldPen_ == nullptr) oldPen_ = old;
        SetROP2(dc, kRop2[pen_->Mode()]);
    }
    if (needed & kBrushValid) {
        HGDIOBJ old = SelectObject(dc, brush_->Handle());
        if (oldBrush_ == nullptr) oldBrush_ = old;
        const bool clear = brush_->Style() == bsClear || brush_->Color() == clNone;
        SetBkColor(dc, ColorToRGB(brush_->Color()));
        SetBkMode(dc, clear ? TRANSPARENT : OPAQUE);
    }
    state_ |= needed;
}

void TCanvas::Changing() {
    OnChanging(this);
}
void TCanvas::Changed() {
    OnChange(this);
}

void TCanvas::MoveTo(int x, int y) {
    ::MoveToEx(Handle(), x, y, nullptr);
    penPos_ = {x, y};
}

void TCanvas::LineTo(int x, int y) {
    RequiredState(kPenValid | kBrushValid);
    Changing();
    ::LineTo(dc_, x, y);
    penPos_ = {x, y};
    Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    RequiredState(kPenValid | kBrushValid);
    Changing();
    const auto pts = ToPoints(points);
    ::Polyline(dc_, pts.data(), static_cast<int>(pts.size()));
    Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points) {
    RequiredState(kPenValid | kBrushValid);
    Changing();
    const auto pts = ToPoints(points);
    ::Polygon(dc_, pts.data(), static_cast<int>(pts.size()));
    Changed();
}

void TCanvas::Rectangle(const TRect& r) {
    RequiredState(kPenValid | kBrushValid);
    Changing();
    ::Rectangle(dc_, r.Left, r.Top, r.Right, r.Bottom);
    Changed();
}

void TCanvas::RoundRect(const TRect& r, int cw, int ch) {
    RequiredState(kPenValid | kBrushValid);
    Changing();
    ::RoundRect(dc_, r.Left, r.Top, r.Right, r.Bottom, cw, ch);
    Changed();
}

void TCanvas::Ellipse(const TRect& r) {
    RequiredState(kPenValid | kBrushValid);
    Changing();
    ::Ellipse(dc_, r.Left, r.Top, r.Right, r.Bottom);
    Changed();
}

void TCanvas::FillRect(const TRect& r) {
    RequiredState(kBrushValid);
    Changing();
    const RECT rc = ToRECT(r);
    ::FillRect(dc_, &rc, brush_->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& r) {
    RequiredState(kBrushValid);
    Changing();
    const RECT rc = ToRECT(r);
    ::FrameRect(dc_, &rc, brush_->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& r) {
    RequiredState(kBrushValid);
    Changing();
    const RECT rc = ToRECT(r);
    ::DrawFocusRect(dc_, &rc);
    Changed();
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
    TextOut(x, y, runtime::AnsiToWide(text));
}

void TCanvas::TextOut(int x, int y, std::u16string_view text) {
    RequiredState(kFontValid | kBrushValid);
    Changing();
    ExtTextOutW(dc_, x, y, 0, nullptr, W(text), static_cast<UINT>(text.size()), nullptr);
    POINT p{x, y};
    SIZE sz{};
    GetTextExtentPoint32W(dc_, W(text), static_cast<int>(text.size()), &sz);
    penPos_ = {p.x + sz.cx, p.y};
    Changed();
}

void TCanvas::TextRect(const TRect& r, int x, int y, std::string_view text) {
    TextRect(r, x, y, runtime::AnsiToWide(text));
}

void TCanvas::TextRect(const TRect& r, int x, int y, std::u16string_view text) {
    RequiredState(kFontValid | kBrushValid);
    Changing();
    const RECT rc = ToRECT(r);
    UINT options = ETO_CLIPPED;
    if (brush_->Style() != bsClear && brush_->Color() != clNone) options |= ETO_OPAQUE;
    ExtTextOutW(dc_, x, y, options, &rc, W(text), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

TSize TCanvas::TextExtent(std::string_view text) {
    return TextExtent(runtime::AnsiToWide(text));
}

TSize TCanvas::TextExtent(std::u16string_view text) {
    RequiredState(kFontValid);
    SIZE sz{};
    GetTextExtentPoint32W(dc_, W(text), static_cast<int>(text.size()), &sz);
    return {sz.cx, sz.cy};
}

HDC TCanvas::TextHandle() {
    RequiredState(kFontValid | kBrushValid);
    return dc_;
}

int TCanvas::DrawText(std::u16string_view text, TRect& r, UINT flags) {
    RequiredState(kFontValid | kBrushValid);
    Changing();
    RECT rc = ToRECT(r);
    const int height = ::DrawTextW(dc_, W(text), static_cast<int>(text.size()), &rc, flags);
    r = ToTRect(rc);
    Changed();
    return height;
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    if (graphic.Empty()) return;
    StretchDraw(BoundsRect(x, y, graphic.Width(), graphic.Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& r, TGraphic& graphic) {
    if (graphic.Empty()) return;
    RequiredState(kFontValid | kPenValid | kBrushValid);
    Changing();
    graphic.Draw(*this, r);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& src) {
    RequiredState(kBrushValid);
    HDC from = source.Handle();
    Changing();
    SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), from, src.Left, src.Top,
               src.Width(), src.Height(), copyMode_);
    Changed();
}

TColor TCanvas::Pixel(int x, int y) {
    return MakeColor(::GetPixel(Handle(), x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    Changing();
    ::SetPixel(Handle(), x, y, ColorToRGB(color));
    Changed();
}

void TCanvas::IntersectClip(const TRect& r) {
    HDC dc = Handle();
    if (!clipped_) {
        SaveDC(dc);
        clipped_ = true;
    }
    IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
}

void TCanvas::RemoveClip() {
    if (!clipped_ || dc_ == nullptr) return;
    RestoreDC(dc_, -1);
    clipped_ = false;
    state_ = 0;
}

TRect TCanvas::ClipRect() {
    RECT rc{};
    GetClipBox(Handle(), &rc);
    return ToTRect(rc);
}

TRect Frame3D(TCanvas& canvas, TRect r, TColor topColor, TColor bottomColor, int width) {
    for (int i = 0; i < width; ++i) {
        --r.Right;
        --r.Bottom;
        canvas.Pen().SetStyle(psSolid);
        canvas.Pen().SetWidth(1);
        canvas.Pen().SetColor(topColor);
        const TPoint topLeft[] = {{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}};
        canvas.Polyline(topLeft);
        canvas.Pen().SetColor(bottomColor);
        const TPoint bottomRight[] = {
            {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left - 1, r.Bottom}};
        canvas.Polyline(bottomRight);
        r = {r.Left + 1, r.Top + 1, r.Right, r.Bottom};
    }
    return r;
}

}  // namespace gui
