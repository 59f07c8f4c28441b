#include "gui/imagelist.h"

#include <algorithm>
#include <cstring>

#include "gui/errors.h"
#include "gui/graphic.h"
#include "runtime/objectstream.h"
#include "runtime/properties.h"
#include "runtime/streams.h"

namespace gui {

namespace {

constexpr char kMagic[4] = {'I', 'L', '3', '2'};
// Images a layout may hold, against damaged data.
constexpr int kMaxStreamImages = 4096;

// A 32-bit DIB not selected into any device context (the image list
// copies its images from such bitmaps).
TBitmapHandle FreeDib(int width, int height, const uint32_t* pixels, int stride) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TWindowDC screen(nullptr);
    TBitmapHandle dib(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib) throw runtime::EOutOfMemory("Out of system resources");
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<uint32_t*>(bits) + static_cast<size_t>(y) * width,
                    pixels + static_cast<size_t>(y) * stride, width * sizeof(uint32_t));
    return dib;
}

// A monochrome mask, white where `transparent(x, y)`.
template <class Transparent>
TBitmapHandle MonoMask(int width, int height, Transparent transparent) {
    const int stride = ((width + 15) / 16) * 2;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (transparent(x, y)) bits[static_cast<size_t>(y) * stride + x / 8] |= 0x80 >> (x % 8);
    return TBitmapHandle(CreateBitmap(width, height, 1, 1, bits.data()));
}

// The mask of an image added: the given one (white where transparent), or
// one from the image's alpha bytes when it uses them (as GetBitmap's do).
TBitmapHandle MaskOf(const TBitmap& image, const TBitmap* mask) {
    if (mask != nullptr)
        return MonoMask(mask->Width(), mask->Height(),
                        [&](int x, int y) { return mask->PixelColor(x, y) == clWhite; });
    bool alphaUsed = false;
    for (int y = 0; y < image.Height() && !alphaUsed; ++y)
        for (int x = 0; x < image.Width() && !alphaUsed; ++x)
            alphaUsed = (image.ScanLine(y)[x] >> 24) != 0;
    if (!alphaUsed) return {};
    return MonoMask(image.Width(), image.Height(),
                    [&](int x, int y) { return (image.ScanLine(y)[x] >> 24) == 0; });
}

}  // namespace

TChangeLink::~TChangeLink() {
    if (sender_ != nullptr) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    OnChange(sender_);
}

RUNTIME_BEGIN_CLASS(TCustomImageList, runtime::TComponent)
RUNTIME_PROPERTY(BkColor, BkColor, SetBkColor).Default(clNone);
RUNTIME_PROPERTY(BlendColor, BlendColor, SetBlendColor).Default(clNone);
RUNTIME_PROPERTY(DrawingStyle, DrawingStyle, SetDrawingStyle).Default(dsNormal);
RUNTIME_PROPERTY(Height, Height, SetHeight).Default(16);
RUNTIME_PROPERTY(Width, Width, SetWidth).Default(16);
RUNTIME_FIELD(OnChange);
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TImageList, TCustomImageList)
RUNTIME_END_CLASS

TCustomImageList::TCustomImageList(runtime::TComponent* owner) : TComponent(owner) {
    Recreate();
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : links_) link->sender_ = nullptr;
}

void TCustomImageList::Recreate() {
    handle_.Reset(ImageList_Create(width_, height_, ILC_COLOR32 | ILC_MASK, 4, 4));
    if (!handle_) throw runtime::EOutOfMemory("Out of system resources");
    if (bkColor_ != clNone) ImageList_SetBkColor(handle_.Get(), ColorToRGB(bkColor_));
}

HIMAGELIST TCustomImageList::Handle() {
    return handle_.Get();
}

int TCustomImageList::Count() const {
    return ImageList_GetImageCount(handle_.Get());
}

void TCustomImageList::SetWidth(int value) {
    if (value <= 0 || value == width_) return;
    width_ = value;
    Recreate();
    Changed();
}

void TCustomImageList::SetHeight(int value) {
    if (value <= 0 || value == height_) return;
    height_ = value;
    Recreate();
    Changed();
}

void TCustomImageList::SetBkColor(TColor value) {
    bkColor_ = value;
    ImageList_SetBkColor(handle_.Get(), value == clNone ? CLR_NONE : ColorToRGB(value));
    Changed();
}

int TCustomImageList::Add(const TBitmap& image, const TBitmap* mask) {
    if (image.Empty()) throw EInvalidGraphic("Invalid image size");
    TBitmapHandle dib = FreeDib(image.Width(), image.Height(), image.ScanLine(0), image.Width());
    TBitmapHandle maskBits = MaskOf(image, mask);
    const int index = ImageList_Add(handle_.Get(), dib.Get(), maskBits.Get());
    if (index < 0) throw EInvalidGraphic("Failed to add the image");
    Changed();
    return index;
}

int TCustomImageList::AddMasked(const TBitmap& image, TColor transparent) {
    if (image.Empty()) throw EInvalidGraphic("Invalid image size");
    TBitmapHandle dib = FreeDib(image.Width(), image.Height(), image.ScanLine(0), image.Width());
    TBitmapHandle mask = image.CreateMask(transparent);
    const int index = ImageList_Add(handle_.Get(), dib.Get(), mask.Get());
    if (index < 0) throw EInvalidGraphic("Failed to add the image");
    Changed();
    return index;
}

int TCustomImageList::AddIcon(const TIcon& icon) {
    const int index = ImageList_AddIcon(handle_.Get(), icon.Handle());
    if (index < 0) throw EInvalidGraphic("Failed to add the image");
    Changed();
    return index;
}

void TCustomImageList::Replace(int index, const TBitmap& image, const TBitmap* mask) {
    if (index < 0 || index >= Count())
        throw EInvalidGraphic("Invalid image index " + std::to_string(index));
    TBitmapHandle dib = FreeDib(image.Width(), image.Height(), image.ScanLine(0), image.Width());
    TBitmapHandle maskBits = MaskOf(image, mask);
    ImageList_Replace(handle_.Get(), index, dib.Get(), maskBits.Get());
    Changed();
}

void TCustomImageList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EInvalidGraphic("Invalid image index " + std::to_string(index));
    ImageList_Remove(handle_.Get(), index);
    Changed();
}

void TCustomImageList::Clear() {
    ImageList_RemoveAll(handle_.Get());
    Changed();
}

void TCustomImageList::GetBitmap(int index, TBitmap& image) const {
    if (index < 0 || index >= Count())
        throw EInvalidGraphic("Invalid image index " + std::to_string(index));
    image.SetSize(width_, height_);
    image.Canvas().Brush().SetColor(clBlack);
    image.Canvas().FillRect({0, 0, width_, height_});
    ImageList_DrawEx(handle_.Get(), index, image.Canvas().Handle(), 0, 0, width_, height_, CLR_NONE,
                     CLR_NONE, ILD_NORMAL);
    GdiFlush();
    // The mask is read from the list's own mask bitmap: white is transparent.
    std::vector<uint32_t> mask(static_cast<size_t>(width_) * height_, 0);
    IMAGEINFO info{};
    if (ImageList_GetImageInfo(handle_.Get(), index, &info) && info.hbmMask != nullptr) {
        BITMAP bm{};
        GetObjectW(info.hbmMask, sizeof bm, &bm);
        std::vector<uint32_t> strip(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = -bm.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        TWindowDC screen(nullptr);
        GetDIBits(screen.Get(), info.hbmMask, 0, static_cast<UINT>(bm.bmHeight), strip.data(), &bi,
                  DIB_RGB_COLORS);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const int sx = info.rcImage.left + x;
                const int sy = info.rcImage.top + y;
                if (sx < bm.bmWidth && sy < bm.bmHeight)
                    mask[static_cast<size_t>(y) * width_ + x] =
                        strip[static_cast<size_t>(sy) * bm.bmWidth + sx];
            }
    }
    for (int y = 0; y < height_; ++y) {
        uint32_t* row = image.ScanLine(y);
        for (int x = 0; x < width_; ++x) {
            const bool transparent = (mask[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF) != 0;
            row[x] = transparent ? 0 : (row[x] | 0xFF000000u);
        }
    }
    image.SetAlphaChannel(false);
}

void TCustomImageList::Overlay(int imageIndex, int overlay) {
    if (overlay < 0 || overlay > 3)
        throw EInvalidGraphic("Invalid overlay index " + std::to_string(overlay));
    ImageList_SetOverlayImage(handle_.Get(), imageIndex, overlay + 1);
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled, int overlay) {
    Draw(canvas, x, y, index, drawingStyle_, enabled, overlay);
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, TDrawingStyle style,
                            bool enabled, int overlay) {
    if (index < 0 || index >= Count()) return;
    UINT flags = ILD_NORMAL;
    COLORREF background = bkColor_ == clNone ? CLR_NONE : ColorToRGB(bkColor_);
    COLORREF foreground = blendColor_ == clNone ? CLR_DEFAULT : ColorToRGB(blendColor_);
    switch (style) {
        case dsFocus:
            flags |= ILD_FOCUS;
            break;
        case dsSelected:
            flags |= ILD_SELECTED;
            break;
        case dsTransparent:
            flags |= ILD_TRANSPARENT;
            background = CLR_NONE;
            break;
        default:
            break;
    }
    if (!enabled) {
        flags |= ILD_BLEND50;
        foreground = GetSysColor(COLOR_BTNFACE);
    }
    if (overlay >= 0 && overlay <= 3) flags |= INDEXTOOVERLAYMASK(overlay + 1);
    ImageList_DrawEx(handle_.Get(), index, canvas.Handle(), x, y, 0, 0, background, foreground,
                     flags);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
    link->sender_ = this;
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
    link->sender_ = nullptr;
}

void TCustomImageList::Changed() {
    for (TChangeLink* link : std::vector<TChangeLink*>(links_)) link->Change();
    OnChange(this);
}

void TCustomImageList::DefineProperties(runtime::TFiler& filer) {
    filer.DefineBinaryProperty(
        "Bitmap", [this](runtime::TStream& s) { ReadImages(s); },
        [this](runtime::TStream& s) { WriteImages(s); }, Count() > 0);
}

void TCustomImageList::WriteImages(runtime::TStream& stream) {
    const int32_t header[3] = {width_, height_, Count()};
    stream.WriteBuffer(kMagic, sizeof kMagic);
    stream.WriteBuffer(header, sizeof header);
    TBitmap image;
    for (int i = 0; i < header[2]; ++i) {
        GetBitmap(i, image);
        for (int y = 0; y < height_; ++y) stream.WriteBuffer(image.ScanLine(y), width_ * 4);
    }
}

void TCustomImageList::ReadImages(runtime::TStream& stream) {
    char magic[4];
    int32_t header[3];
    stream.ReadBuffer(magic, sizeof magic);
    stream.ReadBuffer(header, sizeof header);
    const int64_t pixels = int64_t{header[0]} * header[1];
    if (std::memcmp(magic, kMagic, sizeof magic) != 0 || header[0] <= 0 || header[1] <= 0 ||
        header[0] > 256 || header[1] > 256 || header[2] < 0 || header[2] > kMaxStreamImages ||
        stream.Size() - stream.Position() < pixels * 4 * header[2])
        throw EInvalidGraphic("Image list data is not valid");
    width_ = header[0];
    height_ = header[1];
    Recreate();
    std::vector<uint32_t> bits(static_cast<size_t>(pixels));
    for (int i = 0; i < header[2]; ++i) {
        stream.ReadBuffer(bits.data(), pixels * 4);
        TBitmapHandle dib = FreeDib(width_, height_, bits.data(), width_);
        TBitmapHandle mask = MonoMask(width_, height_, [&](int x, int y) {
            return (bits[static_cast<size_t>(y) * width_ + x] >> 24) == 0;
        });
        ImageList_Add(handle_.Get(), dib.Get(), mask.Get());
    }
    Changed();
}

}  // namespace gui
