#include <cstdint>
#include <cstring>
#include <vector>

#include "gui/geometry_win.h"
#include "gui/graphic.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/streams.h"

namespace gui {

namespace {

BITMAPINFO Info32(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// The largest bitmap the class library makes (a guard against sizes read
// from damaged files).
constexpr int kMaxSide = 32768;
constexpr int64_t kMaxPixels = int64_t{1} << 26;

}  // namespace

// The canvas of a bitmap: draws into the bitmap's memory device context.
class TBitmap::TBitmapCanvas : public TCanvas {
  public:
    explicit TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

  protected:
    void CreateHandle() override {
        if (!bitmap_.dc_)
            bitmap_.Allocate(std::max(bitmap_.width_, 1), std::max(bitmap_.height_, 1));
        SetHandle(bitmap_.dc_.Get());
    }

  private:
    TBitmap& bitmap_;
};

RUNTIME_BEGIN_CLASS(TBitmap, TGraphic)
RUNTIME_END_CLASS

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) {
    SetSize(width, height);
}

TBitmap::~TBitmap() {
    if (canvas_) canvas_->SetHandle(nullptr);
    if (dc_ && oldBitmap_ != nullptr) SelectObject(dc_.Get(), oldBitmap_);
}

void TBitmap::Allocate(int width, int height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide ||
        int64_t{width} * height > kMaxPixels)
        throw EInvalidGraphic("Invalid bitmap size " + std::to_string(width) + " x " +
                              std::to_string(height));
    if (canvas_) canvas_->SetHandle(nullptr);
    if (dc_ && oldBitmap_ != nullptr) SelectObject(dc_.Get(), oldBitmap_);
    oldBitmap_ = nullptr;
    dc_.Reset();
    bitmap_.Reset();
    bits_ = nullptr;
    width_ = width;
    height_ = height;
    if (width == 0 || height == 0) return;

    const BITMAPINFO bi = Info32(width, height);
    void* bits = nullptr;
    TWindowDC screen(nullptr);
    bitmap_.Reset(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_) throw runtime::EOutOfMemory("Out of system resources");
    bits_ = static_cast<uint32_t*>(bits);
    dc_.Reset(CreateCompatibleDC(screen.Get()));
    oldBitmap_ = SelectObject(dc_.Get(), bitmap_.Get());
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    std::vector<uint32_t> old;
    const int oldWidth = width_;
    const int oldHeight = height_;
    if (bits_ != nullptr) {
        GdiFlush();
        old.assign(bits_, bits_ + static_cast<size_t>(oldWidth) * oldHeight);
    }
    Allocate(width, height);
    if (bits_ != nullptr && !old.empty()) {
        const int w = std::min(width, oldWidth);
        for (int y = 0; y < std::min(height, oldHeight); ++y)
            std::memcpy(bits_ + static_cast<size_t>(y) * width,
                        old.data() + static_cast<size_t>(y) * oldWidth, w * sizeof(uint32_t));
    }
    Changed();
}

uint32_t* TBitmap::ScanLine(int row) {
    if (bits_ == nullptr || row < 0 || row >= height_)
        throw runtime::EInvalidOperation("Scan line index out of range");
    GdiFlush();
    return bits_ + static_cast<size_t>(row) * width_;
}

const uint32_t* TBitmap::ScanLine(int row) const {
    return const_cast<TBitmap*>(this)->ScanLine(row);
}

TColor TBitmap::PixelColor(int x, int y) const {
    if (x < 0 || x >= width_) throw runtime::EInvalidOperation("Pixel index out of range");
    const uint32_t p = ScanLine(y)[x];
    return RGBColor(static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                    static_cast<uint8_t>(p));
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(*this);
        canvas_->OnChange = [this](runtime::TObject*) { OnChange(this); };
    }
    return *canvas_;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
    TBitmapHandle owned(bitmap);
    if (bitmap == nullptr) {
        Allocate(0, 0);
        Changed();
        return;
    }
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info) == 0) throw EInvalidGraphic("Invalid bitmap handle");
    Allocate(info.bmWidth, std::abs(info.bmHeight));
    BITMAPINFO bi = Info32(width_, height_);
    TWindowDC screen(nullptr);
    GetDIBits(screen.Get(), bitmap, 0, height_, bits_, &bi, DIB_RGB_COLORS);
    alphaChannel_ = false;
    Changed();
}

void TBitmap::LoadFromResourceName(HINSTANCE module, std::u16string_view name) {
    if (module == nullptr) module = GetModuleHandleW(nullptr);
    const std::u16string n(name);
    HANDLE image = LoadImageW(module, reinterpret_cast<const wchar_t*>(n.c_str()), IMAGE_BITMAP, 0,
                              0, LR_CREATEDIBSECTION);
    if (image == nullptr) throw EInvalidGraphic("Bitmap resource not found");
    SetHandle(static_cast<HBITMAP>(image));
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    if (transparentMode_ == value) return;
    transparentMode_ = value;
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (Empty()) return clDefault;
    return PixelColor(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor value) {
    transparentColor_ = value;
    transparentMode_ = value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetAlphaChannel(bool value) {
    if (alphaChannel_ == value) return;
    alphaChannel_ = value;
    Changed();
}

TBitmapHandle TBitmap::CreateMask(TColor transparent) const {
    TBitmapHandle mask(CreateBitmap(std::max(width_, 1), std::max(height_, 1), 1, 1, nullptr));
    if (Empty()) return mask;
    const COLORREF key = ColorToRGB(transparent);
    const uint32_t keyPixel = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    // Monochrome rows are padded to 16 bits.
    const int stride = ((width_ + 15) / 16) * 2;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * height_, 0);
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = ScanLine(y);
        for (int x = 0; x < width_; ++x)
            if ((row[x] & 0xFFFFFF) == keyPixel)
                bits[static_cast<size_t>(y) * stride + x / 8] |= 0x80 >> (x % 8);
    }
    SetBitmapBits(mask.Get(), static_cast<LONG>(bits.size()), bits.data());
    return mask;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r) {
    if (Empty()) return;
    HDC target = canvas.Handle();
    GdiFlush();
    if (alphaChannel_) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(target, r.Left, r.Top, r.Width(), r.Height(), dc_.Get(), 0, 0, width_, height_,
                   blend);
    } else if (Transparent()) {
        TransparentBlt(target, r.Left, r.Top, r.Width(), r.Height(), dc_.Get(), 0, 0, width_,
                       height_, ColorToRGB(TransparentColor()));
    } else {
        SetStretchBltMode(target, COLORONCOLOR);
        StretchBlt(target, r.Left, r.Top, r.Width(), r.Height(), dc_.Get(), 0, 0, width_, height_,
                   canvas.CopyMode());
    }
}

void TBitmap::LoadFromStream(runtime::TStream& stream) {
    BITMAPFILEHEADER file{};
    stream.ReadBuffer(&file, sizeof file);
    if (file.bfType != 0x4D42) throw EInvalidGraphic("Bitmap image is not valid");
    const int64_t start = stream.Position() - static_cast<int64_t>(sizeof file);
    const int64_t available = stream.Size() - start;
    if (file.bfSize < sizeof file + sizeof(BITMAPINFOHEADER) || file.bfSize > available ||
        file.bfOffBits >= file.bfSize)
        throw EInvalidGraphic("Bitmap image is not valid");
    std::vector<uint8_t> rest(file.bfSize - sizeof file);
    stream.ReadBuffer(rest.data(), static_cast<int64_t>(rest.size()));
    const auto* info = reinterpret_cast<const BITMAPINFO*>(rest.data());
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > rest.size() || h.biWidth <= 0 ||
        h.biHeight == 0 || h.biHeight == INT32_MIN || h.biPlanes != 1 ||
        file.bfOffBits - sizeof file < h.biSize)
        throw EInvalidGraphic("Bitmap image is not valid");
    const int width = h.biWidth;
    const int height = std::abs(h.biHeight);
    const int64_t stride = ((int64_t{width} * h.biBitCount + 31) / 32) * 4;
    const size_t bitsOffset = file.bfOffBits - sizeof file;
    if (h.biCompression == BI_RGB && bitsOffset + stride * height > rest.size())
        throw EInvalidGraphic("Bitmap image is not valid");
    Allocate(width, height);
    StretchDIBits(dc_.Get(), 0, 0, width, height, 0, 0, width, height, rest.data() + bitsOffset,
                  info, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    alphaChannel_ = false;
    if (h.biBitCount == 32) {
        // A 32-bit file keeps its alpha bytes (StretchDIBits may not).
        for (int y = 0; y < height && h.biCompression == BI_RGB; ++y) {
            const int srcRow = h.biHeight > 0 ? height - 1 - y : y;
            std::memcpy(bits_ + static_cast<size_t>(y) * width,
                        rest.data() + bitsOffset + srcRow * stride, width * sizeof(uint32_t));
        }
    }
    Changed();
}

void TBitmap::SaveToStream(runtime::TStream& stream) {
    GdiFlush();
    BITMAPINFOHEADER h = Info32(width_, height_).bmiHeader;
    const uint32_t pixelBytes = static_cast<uint32_t>(width_) * height_ * 4;
    h.biSizeImage = pixelBytes;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof h;
    file.bfSize = file.bfOffBits + pixelBytes;
    stream.WriteBuffer(&file, sizeof file);
    stream.WriteBuffer(&h, sizeof h);
    if (pixelBytes > 0) stream.WriteBuffer(bits_, pixelBytes);
}

void TBitmap::Assign(const runtime::TPersistent* source) {
    if (const auto* other = dynamic_cast<const TBitmap*>(source)) {
        if (other == this) return;
        Allocate(other->width_, other->height_);
        if (bits_ != nullptr) {
            GdiFlush();
            std::memcpy(bits_, other->bits_, static_cast<size_t>(width_) * height_ * 4);
        }
        transparentMode_ = other->transparentMode_;
        transparentColor_ = other->transparentColor_;
        alphaChannel_ = other->alphaChannel_;
        SetTransparent(other->Transparent());
        Changed();
        return;
    }
    if (source == nullptr) {
        Allocate(0, 0);
        Changed();
        return;
    }
    if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
        // Any other graphic: drawn onto a white background.
        auto& g = const_cast<TGraphic&>(*graphic);
        Allocate(g.Width(), g.Height());
        Canvas().Brush().SetColor(clWhite);
        Canvas().FillRect({0, 0, width_, height_});
        g.Draw(Canvas(), {0, 0, width_, height_});
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

}  // namespace gui
