#include "gui/graphics.h"

#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "gui/setfield.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

using runtime::TPersistent;

COLORREF ColorToRGB(TColor color) {
    if (color == clNone || color == clDefault) return RGB(0, 0, 0);
    if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
    return ColorValue(color) & 0xFFFFFF;
}

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        TWindowDC screen(nullptr);
        const int value = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
        return value > 0 ? value : 96;
    }();
    return ppi;
}

// ---- TGraphicsObject -----------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TGraphicsObject, runtime::TPersistent)
RUNTIME_END_CLASS

void TGraphicsObject::Changed() {
    OnChange(this);
}

// ---- TFont -----------------------------------------------------------------------------------

// A GDI font shared by every TFont with the same description: a program
// shows many controls in one font, and GDI handles are a limited resource.
struct TFont::Resource {
    explicit Resource(const LOGFONTW& lf) : logFont(lf), handle(CreateFontIndirectW(&lf)) {}
    LOGFONTW logFont;
    TFontHandle handle;
};

namespace {

std::string FontKey(const LOGFONTW& lf) {
    LOGFONTW clean = lf;
    const size_t used = wcsnlen(lf.lfFaceName, LF_FACESIZE);
    std::memset(clean.lfFaceName + used, 0, (LF_FACESIZE - used) * sizeof(wchar_t));
    return std::string(reinterpret_cast<const char*>(&clean), sizeof clean);
}

struct FontCache {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<void>> fonts;
};

FontCache& TheFontCache() {
    static FontCache cache;
    return cache;
}

int PointsToHeight(int points) {
    return -MulDiv(points, ScreenPixelsPerInch(), 72);
}

}  // namespace

RUNTIME_BEGIN_CLASS(TFont, TGraphicsObject)
RUNTIME_PROPERTY(Charset, Charset, SetCharset).Default(uint8_t{DEFAULT_CHARSET});
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clWindowText);
RUNTIME_PROPERTY(Height, Height, SetHeight);
RUNTIME_PROPERTY(Name, Name, SetName).Default("MS Sans Serif");
RUNTIME_PROPERTY(Pitch, Pitch, SetPitch).Default(fpDefault);
RUNTIME_PROPERTY(Size, Size, SetSize).Stored(false);
RUNTIME_PROPERTY(Style, Style, SetStyle).Default(TFontStyles{});
RUNTIME_END_CLASS

TFont::TFont() : height_(PointsToHeight(8)) {}
TFont::~TFont() = default;

void TFont::SetHeight(int value) {
    SetField(height_, value, [this] {
        resource_.reset();
        Changed();
    });
}
int TFont::Size() const {
    return -MulDiv(height_, 72, ScreenPixelsPerInch());
}
void TFont::SetSize(int points) {
    SetHeight(PointsToHeight(points));
}
void TFont::SetName(std::string value) {
    if (value.empty()) value = "MS Sans Serif";
    SetField(name_, value, [this] {
        resource_.reset();
        Changed();
    });
}
void TFont::SetColor(TColor value) {
    if (color_ == value) return;
    color_ = value;
    Changed();
}
void TFont::SetStyle(TFontStyles value) {
    SetField(style_, value, [this] {
        resource_.reset();
        Changed();
    });
}
void TFont::SetCharset(uint8_t value) {
    SetField(charset_, value, [this] {
        resource_.reset();
        Changed();
    });
}
void TFont::SetPitch(TFontPitch value) {
    SetField(pitch_, value, [this] {
        resource_.reset();
        Changed();
    });
}

LOGFONTW TFont::LogFont() const {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style_.Contains(fsItalic);
    lf.lfUnderline = style_.Contains(fsUnderline);
    lf.lfStrikeOut = style_.Contains(fsStrikeOut);
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = static_cast<BYTE>(pitch_ == fpFixed      ? FIXED_PITCH
                                            : pitch_ == fpVariable ? VARIABLE_PITCH
                                                                   : DEFAULT_PITCH);
    const std::u16string face = runtime::AnsiToWide(name_);
    const size_t n = std::min<size_t>(face.size(), LF_FACESIZE - 1);
    std::memcpy(lf.lfFaceName, face.data(), n * sizeof(wchar_t));
    return lf;
}

void TFont::SetLogFont(const LOGFONTW& lf) {
    height_ = lf.lfHeight;
    TFontStyles style;
    if (lf.lfWeight >= FW_BOLD) style.Include(fsBold);
    if (lf.lfItalic) style.Include(fsItalic);
    if (lf.lfUnderline) style.Include(fsUnderline);
    if (lf.lfStrikeOut) style.Include(fsStrikeOut);
    style_ = style;
    charset_ = lf.lfCharSet;
    const int pitch = lf.lfPitchAndFamily & 3;
    pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    const std::u16string face(reinterpret_cast<const char16_t*>(lf.lfFaceName),
                              wcsnlen(lf.lfFaceName, LF_FACESIZE));
    name_ = runtime::WideToAnsi(face);
    resource_.reset();
    Changed();
}

HFONT TFont::Handle() const {
    if (!resource_) {
        const LOGFONTW lf = LogFont();
        const std::string key = FontKey(lf);
        FontCache& cache = TheFontCache();
        std::lock_guard guard(cache.lock);
        auto& slot = cache.fonts[key];
        resource_ = std::static_pointer_cast<Resource>(slot.lock());
        if (!resource_) {
            resource_ = std::make_shared<Resource>(lf);
            slot = resource_;
        }
    }
    return resource_->handle.Get();
}

bool TFont::SameAs(const TFont& o) const {
    return height_ == o.height_ && name_ == o.name_ && color_ == o.color_ && style_ == o.style_ &&
           charset_ == o.charset_ && pitch_ == o.pitch_;
}

void TFont::Assign(const TPersistent* source) {
    if (const auto* font = dynamic_cast<const TFont*>(source)) {
        if (SameAs(*font)) return;
        height_ = font->height_;
        name_ = font->name_;
        color_ = font->color_;
        style_ = font->style_;
        charset_ = font->charset_;
        pitch_ = font->pitch_;
        resource_ = font->resource_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

// ---- TPen ----------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TPen, TGraphicsObject)
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clBlack);
RUNTIME_PROPERTY(Mode, Mode, SetMode).Default(pmCopy);
RUNTIME_PROPERTY(Style, Style, SetStyle).Default(psSolid);
RUNTIME_PROPERTY(Width, Width, SetWidth).Default(1);
RUNTIME_END_CLASS

TPen::TPen() = default;
TPen::~TPen() = default;

void TPen::SetColor(TColor value) {
    if (color_ == value) return;
    color_ = value;
    handle_.Reset();
    Changed();
}
void TPen::SetMode(TPenMode value) {
    if (mode_ == value) return;
    mode_ = value;
    Changed();
}
void TPen::SetStyle(TPenStyle value) {
    if (style_ == value) return;
    style_ = value;
    handle_.Reset();
    Changed();
}
void TPen::SetWidth(int value) {
    if (value < 0 || width_ == value) return;
    width_ = value;
    handle_.Reset();
    Changed();
}

HPEN TPen::Handle() const {
    if (!handle_) {
        static constexpr int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                          PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        handle_.Reset(CreatePen(kStyles[style_], width_, ColorToRGB(color_)));
    }
    return handle_.Get();
}

void TPen::Assign(const TPersistent* source) {
    if (const auto* pen = dynamic_cast<const TPen*>(source)) {
        color_ = pen->color_;
        mode_ = pen->mode_;
        style_ = pen->style_;
        width_ = pen->width_;
        handle_.Reset();
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

// ---- TBrush --------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TBrush, TGraphicsObject)
RUNTIME_PROPERTY(Color, Color, SetColor).Default(clWhite);
RUNTIME_PROPERTY(Style, Style, SetStyle).Default(bsSolid);
RUNTIME_END_CLASS

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::SetColor(TColor value) {
    if (color_ == value) return;
    color_ = value;
    if (style_ == bsClear && value != clNone) style_ = bsSolid;
    handle_.Reset();
    Changed();
}
void TBrush::SetStyle(TBrushStyle value) {
    if (style_ == value) return;
    style_ = value;
    handle_.Reset();
    Changed();
}

HBRUSH TBrush::Handle() const {
    if (!handle_) {
        static constexpr int kHatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL,
                                           HS_BDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
        if (style_ == bsClear || color_ == clNone) {
            LOGBRUSH lb{BS_NULL, 0, 0};
            handle_.Reset(CreateBrushIndirect(&lb));
        } else if (style_ == bsSolid) {
            handle_.Reset(CreateSolidBrush(ColorToRGB(color_)));
        } else {
            handle_.Reset(CreateHatchBrush(kHatches[style_ - bsHorizontal], ColorToRGB(color_)));
        }
    }
    return handle_.Get();
}

void TBrush::Assign(const TPersistent* source) {
    if (const auto* brush = dynamic_cast<const TBrush*>(source)) {
        color_ = brush->color_;
        style_ = brush->style_;
        handle_.Reset();
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

}  // namespace gui
