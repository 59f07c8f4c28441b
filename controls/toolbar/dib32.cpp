#include "controls/toolbar/dib32.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "controls/toolbar/color_effects.h"
#include "controls/toolbar/limits.h"

namespace toolbar {

namespace {

using Table = std::array<std::array<uint8_t, 256>, 256>;

// [alpha][value]: round(value * 255 / alpha) below alpha, else 255.
constexpr Table MakeUnpremultiplyTable() {
    Table t{};
    for (int a = 0; a < 256; ++a)
        for (int v = 0; v < 256; ++v)
            t[a][v] = v < a ? uint8_t((v * 255 * 2 + a) / (2 * a)) : uint8_t(255);
    return t;
}

// [opacity][alpha]: round(alpha * opacity / 255).
constexpr Table MakeOpacityTable() {
    Table t{};
    for (int o = 0; o < 256; ++o)
        for (int a = 0; a < 256; ++a) t[o][a] = uint8_t((a * o * 2 + 255) / 510);
    return t;
}

constexpr Table kUnpremultiply = MakeUnpremultiplyTable();
constexpr Table kOpacity = MakeOpacityTable();

struct Tap {
    int32_t index;
    uint32_t weight;  // of 256
};

// For each destination coordinate of an axis, the source pixels and their
// weights (adding to 256). `first` and `count` give the source span.
std::vector<std::vector<Tap>> AxisMap(int32_t first, int32_t count, int32_t destCount,
                                      bool smooth) {
    std::vector<std::vector<Tap>> map(static_cast<size_t>(destCount));
    const double factor = double(destCount) / count;
    const int32_t last = first + count - 1;
    for (int32_t d = 0; d < destCount; ++d) {
        std::vector<Tap>& taps = map[size_t(d)];
        if (factor >= 1) {
            double pos = (d + 0.5) / factor + (first - 0.5);
            if (smooth) {
                double base = std::floor(pos);
                auto i = int32_t(base);
                if (i < first) {
                    taps.push_back({first, 256});
                } else if (i >= last) {
                    taps.push_back({last, 256});
                } else {
                    auto w = uint32_t(256 - std::lround((pos - base) * 256));
                    if (w > 0) taps.push_back({i, w});
                    if (w < 256) taps.push_back({i + 1, 256 - w});
                }
            } else {
                auto i = int32_t(std::lround(pos));
                taps.push_back({std::clamp(i, first, last), 256});
            }
            continue;
        }
        // Shrinking: every source pixel the destination pixel covers, by
        // the part it covers, rounding errors carried along.
        double from = d / factor, to = (d + 1) / factor;
        double carry = 0;
        uint32_t total = 0;
        for (auto s = int32_t(std::floor(from)); s < to && s < count; ++s) {
            double covered = std::min<double>(s + 1, to) - std::max<double>(s, from);
            double exact = covered * factor * 256 + carry;
            auto w = uint32_t(std::max<long>(0, std::lround(exact)));
            carry = exact - w;
            if (w == 0) continue;
            if (!taps.empty() && taps.back().index == first + s)
                taps.back().weight += w;
            else
                taps.push_back({first + s, w});
            total += w;
        }
        if (taps.empty()) taps.push_back({first + std::min(int32_t(from), count - 1), 0});
        taps[taps.size() / 2].weight += 256 - total;
    }
    return map;
}

}  // namespace

TRect IntersectRect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}

bool ClipTransfer(const TRect& sourceBounds, const TRect& destBounds, int32_t& x, int32_t& y,
                  TRect& source) {
    TRect clipped = IntersectRect(source, sourceBounds);
    if (clipped.IsEmpty()) return false;
    x += clipped.Left - source.Left;
    y += clipped.Top - source.Top;
    TRect target = IntersectRect({x, y, x + clipped.Width(), y + clipped.Height()}, destBounds);
    if (target.IsEmpty()) return false;
    clipped.Left += target.Left - x;
    clipped.Top += target.Top - y;
    clipped.Right = clipped.Left + target.Width();
    clipped.Bottom = clipped.Top + target.Height();
    x = target.Left;
    y = target.Top;
    source = clipped;
    return true;
}

uint32_t BlendPixel(uint32_t dest, uint32_t source) {
    uint32_t alpha = source >> 24;
    if (alpha == 0) return dest;
    if (alpha == 0xFF) return source;
    uint32_t w = alpha + (alpha >> 7), v = 256 - w;
    uint32_t rb = (((source & 0xFF00FF) * w + (dest & 0xFF00FF) * v + 0x7F007F) >> 8) & 0xFF00FF;
    uint32_t g = (((source & 0xFF00) * w + (dest & 0xFF00) * v + 0x7F00) >> 8) & 0xFF00;
    return rb | g;
}

void BlendRow(const uint32_t* source, uint32_t* dest, int32_t count, uint8_t opacity) {
    if (opacity == 0 || count <= 0) return;
    bool cached = false;
    uint32_t lastSource = 0, lastDest = 0, lastResult = 0;
    for (int32_t i = 0; i < count; ++i) {
        uint32_t s = source[i], d = dest[i];
        if (cached && s == lastSource && d == lastDest) {
            dest[i] = lastResult;
            continue;
        }
        uint32_t scaled =
            opacity == 255 ? s : uint32_t(kOpacity[opacity][s >> 24]) << 24 | (s & 0xFFFFFF);
        lastResult = dest[i] = BlendPixel(d, scaled);
        lastSource = s;
        lastDest = d;
        cached = true;
    }
}

uint8_t Unpremultiply(uint8_t alpha, uint8_t value) {
    return kUnpremultiply[alpha][value];
}

void RecoverImageListAlpha(const uint32_t* onBlack, const uint32_t* onWhite, uint32_t* out,
                           int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        uint32_t b = onBlack[i], w = onWhite[i];
        if (((b ^ w) & 0xFFFFFF) == 0) {
            out[i] = b | 0xFF000000;
            continue;
        }
        int diff = int(w & 0xFF) - int(b & 0xFF);
        if (diff == 255) {
            out[i] = 0x007F7F7F;
            continue;
        }
        auto a = uint8_t(std::clamp(255 - diff, 0, 255));
        out[i] = uint32_t(a) << 24 | uint32_t(kUnpremultiply[a][(b >> 16) & 0xFF]) << 16 |
                 uint32_t(kUnpremultiply[a][(b >> 8) & 0xFF]) << 8 | kUnpremultiply[a][b & 0xFF];
    }
}

TDIB32::TDIB32() = default;

TDIB32::TDIB32(int32_t width, int32_t height) {
    SetDimensions(width, height, false);
}

TDIB32::~TDIB32() = default;

void TDIB32::SetDimensions(int32_t width, int32_t height, bool keepPixels) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    if (uint64_t(width) * uint64_t(height) > kMaxDib32Pixels) throw EDIB32Error(SDIB32TooLarge);
    std::unique_ptr<detail::TDib32Surface, detail::TDib32SurfaceDeleter> fresh;
    uint32_t* pixels = nullptr;
    if (width > 0 && height > 0) fresh.reset(detail::NewDib32Surface(width, height, pixels));
    if (keepPixels && pixels_ != nullptr && pixels != nullptr) {
        int32_t w = std::min(width, width_), h = std::min(height, height_);
        for (int32_t y = 0; y < h; ++y)
            std::copy_n(ScanLine(y), w, pixels + size_t(y) * size_t(width));
    }
    surface_ = std::move(fresh);
    pixels_ = pixels;
    width_ = width;
    height_ = height;
}

void TDIB32::Fill(uint32_t value) {
    if (pixels_ != nullptr) std::fill_n(pixels_, size_t(width_) * size_t(height_), value);
}

void TDIB32::FillRect(const TRect& rect, uint32_t value) {
    TRect r = IntersectRect(rect, Bounds());
    for (int32_t y = r.Top; y < r.Bottom; ++y) std::fill_n(ScanLine(y) + r.Left, r.Width(), value);
}

void TDIB32::Assign(const TDIB32* other) {
    if (other == this) return;
    if (other == nullptr) {
        SetDimensions(0, 0, false);
        return;
    }
    SetDimensions(other->width_, other->height_, false);
    if (pixels_ != nullptr) std::copy_n(other->pixels_, size_t(width_) * size_t(height_), pixels_);
}

void TDIB32::TakeOver(TDIB32* other) {
    if (other == nullptr || other == this) throw EDIB32Error(SDIB32InvalidParameters);
    surface_ = std::move(other->surface_);
    pixels_ = std::exchange(other->pixels_, nullptr);
    width_ = std::exchange(other->width_, 0);
    height_ = std::exchange(other->height_, 0);
}

std::unique_ptr<TDIB32> TDIB32::Detach() {
    auto image = std::make_unique<TDIB32>();
    image->TakeOver(this);
    return image;
}

void TDIB32::CopyRectTo(TDIB32* dest, int32_t x, int32_t y, const TRect& sourceRect,
                        bool exchange) {
    if (dest == nullptr) throw EDIB32Error(SDIB32InvalidParameters);
    TRect source = sourceRect;
    if (!ClipTransfer(Bounds(), dest->Bounds(), x, y, source)) return;
    // Both areas are read before either is written, so that an image may
    // copy onto itself, overlapping or not.
    const int32_t w = source.Width(), h = source.Height();
    auto read = [w, h](const TDIB32& image, int32_t left, int32_t top) {
        std::vector<uint32_t> block(size_t(w) * size_t(h));
        for (int32_t row = 0; row < h; ++row)
            std::copy_n(image.ScanLine(top + row) + left, w, &block[size_t(row) * size_t(w)]);
        return block;
    };
    auto write = [w, h](TDIB32& image, int32_t left, int32_t top,
                        const std::vector<uint32_t>& block) {
        for (int32_t row = 0; row < h; ++row)
            std::copy_n(&block[size_t(row) * size_t(w)], w, image.ScanLine(top + row) + left);
    };
    std::vector<uint32_t> moved = read(*this, source.Left, source.Top);
    if (exchange) write(*this, source.Left, source.Top, read(*dest, x, y));
    write(*dest, x, y, moved);
}

void TDIB32::BlendTo(TDIB32& dest, int32_t x, int32_t y, const TRect& sourceRect,
                     uint8_t opacity) const {
    TRect source = sourceRect;
    if (opacity == 0 || !ClipTransfer(Bounds(), dest.Bounds(), x, y, source)) return;
    for (int32_t row = 0; row < source.Height(); ++row)
        BlendRow(ScanLine(source.Top + row) + source.Left, dest.ScanLine(y + row) + x,
                 source.Width(), opacity);
}

void TDIB32::EffectsTo(TDIB32& dest, int32_t x, int32_t y, const TRect& sourceRect,
                       const TColorEffects& effects) const {
    TRect source = sourceRect;
    if (!ClipTransfer(Bounds(), dest.Bounds(), x, y, source)) return;
    for (int32_t row = 0; row < source.Height(); ++row)
        effects.Apply(ScanLine(source.Top + row) + source.Left, dest.ScanLine(y + row) + x,
                      source.Width());
}

void TDIB32::ResampleTo(TDIB32& dest, const TRect& destRect, const TRect& sourceRect,
                        uint32_t mode) const {
    if (sourceRect.IsEmpty() || IntersectRect(sourceRect, Bounds()) != sourceRect) return;
    if (destRect.IsEmpty()) return;
    const bool blend = mode & ModeBlend;
    if (destRect.Width() == sourceRect.Width() && destRect.Height() == sourceRect.Height()) {
        if (blend)
            BlendTo(dest, destRect.Left, destRect.Top, sourceRect, 255);
        else
            const_cast<TDIB32*>(this)->CopyRectTo(&dest, destRect.Left, destRect.Top, sourceRect,
                                                  false);
        return;
    }
    const bool smooth = mode & ModeSmooth;
    auto columns = AxisMap(sourceRect.Left, sourceRect.Width(), destRect.Width(), smooth);
    auto rows = AxisMap(sourceRect.Top, sourceRect.Height(), destRect.Height(), smooth);
    const TRect visible = IntersectRect(destRect, dest.Bounds());
    // One accumulator row: source rows weighted together, four channels
    // of each source column.
    std::vector<uint32_t> acc(size_t(Width()) * 4);
    std::vector<uint32_t> out(size_t(std::max(visible.Width(), 0)));
    for (int32_t dy = visible.Top; dy < visible.Bottom; ++dy) {
        std::fill(acc.begin() + sourceRect.Left * 4, acc.begin() + sourceRect.Right * 4, 0);
        for (const Tap& r : rows[size_t(dy - destRect.Top)]) {
            const uint32_t* line = ScanLine(r.index);
            for (int32_t sx = sourceRect.Left; sx < sourceRect.Right; ++sx) {
                uint32_t p = line[sx];
                uint32_t* a = &acc[size_t(sx) * 4];
                a[0] += (p >> 24) * r.weight;
                a[1] += ((p >> 16) & 0xFF) * r.weight;
                a[2] += ((p >> 8) & 0xFF) * r.weight;
                a[3] += (p & 0xFF) * r.weight;
            }
        }
        for (int32_t dx = visible.Left; dx < visible.Right; ++dx) {
            uint32_t sum[4] = {0, 0, 0, 0};
            for (const Tap& c : columns[size_t(dx - destRect.Left)])
                for (int k = 0; k < 4; ++k) sum[k] += acc[size_t(c.index) * 4 + k] * c.weight;
            out[size_t(dx - visible.Left)] =
                ((sum[0] + 0x7F00) >> 16) << 24 | ((sum[1] + 0x7F00) >> 16) << 16 |
                ((sum[2] + 0x7F00) >> 16) << 8 | ((sum[3] + 0x7F00) >> 16);
        }
        uint32_t* d = dest.ScanLine(dy) + visible.Left;
        if (blend)
            BlendRow(out.data(), d, visible.Width(), 255);
        else
            std::copy(out.begin(), out.end(), d);
    }
}

void TDIB32::DisabledMasks(
    const TRect& sourceRect, uint32_t highlight, uint32_t shadow,
    const std::function<void(const TDIB32& mask, int32_t dx, int32_t dy)>& draw) const {
    TRect source = IntersectRect(sourceRect, Bounds());
    if (source.IsEmpty()) return;
    TDIB32 mask(source.Width(), source.Height());
    for (int32_t row = 0; row < source.Height(); ++row) {
        const uint32_t* s = ScanLine(source.Top + row) + source.Left;
        uint32_t* m = mask.ScanLine(row);
        for (int32_t col = 0; col < source.Width(); ++col) {
            uint32_t p = s[col], alpha = p >> 24;
            uint32_t l = (((p >> 16) & 0xFF) + 2 * ((p >> 8) & 0xFF) + (p & 0xFF) + 2) / 4;
            if (alpha < 0x40 || l >= 192)
                alpha = 0;
            else if (l > 128)
                alpha = alpha * (192 - l) / 64;
            m[col] = alpha << 24;
        }
    }
    // A source rectangle reaching past the image's top or left moves the
    // mask by as much as was cut off.
    const int32_t dx = source.Left - sourceRect.Left, dy = source.Top - sourceRect.Top;
    const size_t count = size_t(mask.Width()) * size_t(mask.Height());
    for (auto [colour, offset] : {std::pair{highlight, 1}, {shadow, 0}}) {
        uint32_t* p = mask.Pixels();
        for (size_t i = 0; i < count; ++i) p[i] = (p[i] & 0xFF000000) | (colour & 0xFFFFFF);
        draw(mask, dx + offset, dy + offset);
    }
}

void TDIB32::DrawDisabledTo(TDIB32& dest, int32_t x, int32_t y, const TRect& sourceRect,
                            uint32_t highlight, uint32_t shadow) const {
    DisabledMasks(sourceRect, highlight, shadow, [&](const TDIB32& mask, int32_t dx, int32_t dy) {
        mask.BlendTo(dest, x + dx, y + dy, mask.Bounds(), 255);
    });
}

}  // namespace toolbar
