#include <cstring>
#include <vector>

#include "gui/graphic.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/streams.h"

namespace gui {

namespace {

#pragma pack(push, 1)
struct IconDirEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    DWORD imageOffset;
};
struct IconDir {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

int EntrySide(BYTE side) {
    return side == 0 ? 256 : side;
}

}  // namespace

RUNTIME_BEGIN_CLASS(TIcon, TGraphic)
RUNTIME_END_CLASS

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::SetWidth(int value) {
    wantedWidth_ = value;
}
void TIcon::SetHeight(int value) {
    wantedHeight_ = value;
}

void TIcon::SetHandle(HICON icon) {
    icon_.Reset(icon);
    data_.clear();
    width_ = height_ = 0;
    if (icon != nullptr) {
        ICONINFO info{};
        if (GetIconInfo(icon, &info)) {
            // The info's bitmaps are copies that the caller owns.
            const TBitmapHandle color(info.hbmColor);
            const TBitmapHandle mask(info.hbmMask);
            BITMAP bm{};
            GetObjectW(color ? color.Get() : mask.Get(), sizeof bm, &bm);
            width_ = bm.bmWidth;
            height_ = color ? bm.bmHeight : bm.bmHeight / 2;
        }
    }
    Changed();
}

void TIcon::LoadFromResourceName(HINSTANCE module, std::u16string_view name, int width,
                                 int height) {
    if (module == nullptr) module = GetModuleHandleW(nullptr);
    const std::u16string n(name);
    HANDLE image = LoadImageW(module, reinterpret_cast<const wchar_t*>(n.c_str()), IMAGE_ICON,
                              width, height, width == 0 ? LR_DEFAULTSIZE : 0);
    if (image == nullptr) throw EInvalidGraphic("Icon resource not found");
    SetHandle(static_cast<HICON>(image));
}

void TIcon::Draw(TCanvas& canvas, const TRect& r) {
    if (!icon_) return;
    DrawIconEx(canvas.Handle(), r.Left, r.Top, icon_.Get(), r.Width(), r.Height(), 0, nullptr,
               DI_NORMAL);
}

void TIcon::LoadFromStream(runtime::TStream& stream) {
    const int64_t available = stream.Size() - stream.Position();
    if (available < static_cast<int64_t>(sizeof(IconDir)) || available > (int64_t{16} << 20))
        throw EInvalidGraphic("Icon image is not valid");
    std::string data(static_cast<size_t>(available), '\0');
    stream.ReadBuffer(data.data(), available);
    IconDir dir{};
    std::memcpy(&dir, data.data(), sizeof dir);
    if (dir.reserved != 0 || dir.type != 1 || dir.count == 0 ||
        sizeof dir + size_t{dir.count} * sizeof(IconDirEntry) > data.size())
        throw EInvalidGraphic("Icon image is not valid");
    const int wantW = wantedWidth_ > 0 ? wantedWidth_ : 32;
    const int wantH = wantedHeight_ > 0 ? wantedHeight_ : 32;
    int best = -1;
    int bestScore = 0;
    for (int i = 0; i < dir.count; ++i) {
        IconDirEntry e{};
        std::memcpy(&e, data.data() + sizeof dir + i * sizeof e, sizeof e);
        if (e.imageOffset > data.size() || e.bytesInRes > data.size() - e.imageOffset ||
            e.bytesInRes == 0)
            continue;
        // Nearest size first, then the deepest colour.
        const int score =
            -(std::abs(EntrySide(e.width) - wantW) + std::abs(EntrySide(e.height) - wantH)) * 64 +
            std::min<int>(e.bitCount, 32);
        if (best < 0 || score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    if (best < 0) throw EInvalidGraphic("Icon image is not valid");
    IconDirEntry e{};
    std::memcpy(&e, data.data() + sizeof dir + best * sizeof e, sizeof e);
    HICON icon =
        CreateIconFromResourceEx(reinterpret_cast<BYTE*>(data.data() + e.imageOffset), e.bytesInRes,
                                 TRUE, 0x00030000, EntrySide(e.width), EntrySide(e.height), 0);
    if (icon == nullptr) throw EInvalidGraphic("Icon image is not valid");
    icon_.Reset(icon);
    data_ = std::move(data);
    width_ = EntrySide(e.width);
    height_ = EntrySide(e.height);
    Changed();
}

void TIcon::SaveToStream(runtime::TStream& stream) {
    if (!data_.empty()) {
        stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
        return;
    }
    if (!icon_) return;
    // One 32-bit image with its AND mask, made from the handle.
    TBitmap colour(width_, height_);
    DrawIconEx(colour.Canvas().Handle(), 0, 0, icon_.Get(), width_, height_, 0, nullptr, DI_NORMAL);
    const int maskStride = ((width_ + 31) / 32) * 4;
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width_;
    h.biHeight = height_ * 2;
    h.biPlanes = 1;
    h.biBitCount = 32;
    const DWORD imageBytes = sizeof h + width_ * height_ * 4 + maskStride * height_;
    IconDir dir{0, 1, 1};
    IconDirEntry e{static_cast<BYTE>(width_ & 0xFF),
                   static_cast<BYTE>(height_ & 0xFF),
                   0,
                   0,
                   1,
                   32,
                   imageBytes,
                   sizeof dir + sizeof e};
    stream.WriteBuffer(&dir, sizeof dir);
    stream.WriteBuffer(&e, sizeof e);
    stream.WriteBuffer(&h, sizeof h);
    for (int y = height_ - 1; y >= 0; --y) stream.WriteBuffer(colour.ScanLine(y), width_ * 4);
    std::vector<uint8_t> mask(static_cast<size_t>(maskStride) * height_, 0);
    stream.WriteBuffer(mask.data(), static_cast<int64_t>(mask.size()));
}

void TIcon::Assign(const runtime::TPersistent* source) {
    if (const auto* other = dynamic_cast<const TIcon*>(source)) {
        if (other == this) return;
        icon_.Reset(other->icon_ ? CopyIcon(other->icon_.Get()) : nullptr);
        data_ = other->data_;
        width_ = other->width_;
        height_ = other->height_;
        Changed();
        return;
    }
    if (source == nullptr) {
        SetHandle(nullptr);
        return;
    }
    TGraphic::Assign(source);
}

}  // namespace gui
