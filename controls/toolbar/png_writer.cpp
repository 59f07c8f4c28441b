#include "controls/toolbar/png_writer.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

#include "controls/toolbar/crc32.h"
#include "controls/toolbar/limits.h"
#include "controls/toolbar/zlib_stream.h"
#include "runtime/exceptions.h"

namespace toolbar {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

void PutBigEndian32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

uint32_t Alpha(uint32_t c) {
    return c >> 24;
}
uint32_t Red(uint32_t c) {
    return (c >> 16) & 0xFF;
}
uint32_t Green(uint32_t c) {
    return (c >> 8) & 0xFF;
}
uint32_t Blue(uint32_t c) {
    return c & 0xFF;
}
bool IsGray(uint32_t c) {
    return Red(c) == Green(c) && Green(c) == Blue(c);
}
bool IsPartial(uint32_t c) {
    return Alpha(c) != 0 && Alpha(c) != 0xFF;
}

uint8_t ColorType(TPngLayout layout) {
    constexpr uint8_t kTypes[] = {3, 0, 4, 2, 6};  // in TPngLayout order
    return kTypes[static_cast<int>(layout)];
}

uint8_t Channels(TPngLayout layout) {
    constexpr uint8_t kChannels[] = {1, 1, 2, 3, 4};
    return kChannels[static_cast<int>(layout)];
}

}  // namespace

void WritePngChunk(runtime::TStream& stream, const char* type, uint32_t length, const void* data) {
    uint8_t header[8];
    PutBigEndian32(header, length);
    std::copy(type, type + 4, header + 4);
    stream.WriteBuffer(header, 8);
    uint32_t crc = BarXCrc32Update(0, header + 4, 4);
    if (length > 0) {
        stream.WriteBuffer(data, length);
        crc = BarXCrc32Update(crc, data, length);
    }
    uint8_t tail[4];
    PutBigEndian32(tail, crc);
    stream.WriteBuffer(tail, 4);
}

TPNGWriter::TPNGWriter(int32_t width, const uint32_t* pixels, int32_t rowStep, int32_t height)
    : width_(width), height_(height) {
    if (width <= 0 || height <= 0) throw runtime::Exception(SPngInvalidDimensions);
    pixels_.resize(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        std::copy_n(pixels + ptrdiff_t(y) * rowStep, width, &pixels_[size_t(y) * width]);
}

bool TPNGWriter::TryGray(bool anyPartial) {
    if (anyPartial) return false;
    int transparentCount = 0;
    uint32_t key = 0;
    for (uint32_t c : colors_)
        if (Alpha(c) == 0) {
            ++transparentCount;
            key = Blue(c);
        }
    if (transparentCount > 1) return false;
    for (uint32_t c : colors_) {
        if (Alpha(c) == 0) continue;
        // An opaque pixel of the key's level would read back transparent.
        if (transparentCount == 1 && Blue(c) == key) return false;
        // One bit per sample reads back as black or white only.
        if (depth_ == 1 && Blue(c) != 0 && Blue(c) != 0xFF) return false;
    }
    if (depth_ == 1 && transparentCount == 1 && key != 0 && key != 0xFF) return false;
    layout_ = TPngLayout::Gray;
    transparent_ = transparentCount == 1;
    keyColor_ = depth_ == 1 ? key / 0xFF : key;
    return true;
}

void TPNGWriter::ChooseFormat() {
    colors_.clear();
    transparent_ = false;
    keyColor_ = 0;
    std::unordered_set<uint32_t> seen;
    bool first = true;
    uint32_t previous = 0;
    for (uint32_t p : pixels_) {
        if (!first && p == previous) continue;
        first = false;
        previous = p;
        if (seen.insert(p).second) {
            colors_.push_back(p);
            if (colors_.size() == 257) break;
        }
    }

    if (colors_.size() <= 256) {
        size_t n = colors_.size();
        depth_ = n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
        bool allGray = std::all_of(colors_.begin(), colors_.end(), IsGray);
        bool anyPartial = std::any_of(colors_.begin(), colors_.end(), IsPartial);
        if ((depth_ == 1 || depth_ == 8) && allGray && TryGray(anyPartial)) return;
        layout_ = TPngLayout::Palette;
        transparent_ = std::any_of(colors_.begin(), colors_.end(),
                                   [](uint32_t c) { return Alpha(c) != 0xFF; });
        return;
    }

    depth_ = 8;
    bool anyPartial = false, gray = true, twoTransparent = false, haveKey = false;
    uint32_t key = 0;
    for (uint32_t p : pixels_) {
        if (IsPartial(p)) anyPartial = true;
        if (!IsGray(p)) gray = false;
        if (Alpha(p) == 0) {
            if (!haveKey) {
                haveKey = true;
                key = p;
            } else if (p != key) {
                twoTransparent = true;
            }
        }
    }
    bool alpha = anyPartial || twoTransparent;
    if (!alpha && haveKey) {
        // The key must not name the colour of an opaque pixel.
        uint32_t keyColour = gray ? Blue(key) : key & 0xFFFFFF;
        for (uint32_t p : pixels_)
            if (Alpha(p) != 0 && (gray ? Blue(p) : p & 0xFFFFFF) == keyColour) {
                alpha = true;
                break;
            }
    }
    if (alpha) {
        layout_ = gray ? TPngLayout::GrayAlpha : TPngLayout::RGBA;
        return;
    }
    layout_ = gray ? TPngLayout::Gray : TPngLayout::RGB;
    transparent_ = haveKey;
    keyColor_ = gray ? Blue(key) : key & 0xFFFFFF;
}

std::vector<uint32_t> TPNGWriter::MapToPalette() const {
    std::unordered_map<uint32_t, uint32_t> index;
    for (size_t i = 0; i < colors_.size(); ++i) index.emplace(colors_[i], uint32_t(i));
    std::vector<uint32_t> mapped(pixels_.size());
    for (size_t i = 0; i < pixels_.size(); ++i) mapped[i] = index.at(pixels_[i]);
    return mapped;
}

void TPNGWriter::WriteTransparency(runtime::TStream& stream) {
    if (!transparent_) return;
    switch (layout_) {
        case TPngLayout::Palette: {
            std::vector<uint8_t> alphas;
            for (uint32_t c : colors_) alphas.push_back(static_cast<uint8_t>(Alpha(c)));
            while (!alphas.empty() && alphas.back() == 0xFF) alphas.pop_back();
            if (!alphas.empty())
                WritePngChunk(stream, "tRNS", uint32_t(alphas.size()), alphas.data());
            break;
        }
        case TPngLayout::Gray: {
            uint8_t d[2] = {static_cast<uint8_t>(keyColor_ >> 8), static_cast<uint8_t>(keyColor_)};
            WritePngChunk(stream, "tRNS", 2, d);
            break;
        }
        case TPngLayout::RGB: {
            uint8_t d[6] = {0, static_cast<uint8_t>(Red(keyColor_)),
                            0, static_cast<uint8_t>(Green(keyColor_)),
                            0, static_cast<uint8_t>(Blue(keyColor_))};
            WritePngChunk(stream, "tRNS", 6, d);
            break;
        }
        default:
            break;
    }
}

void TPNGWriter::PackRow(const uint32_t* row, uint8_t* out) const {
    const size_t w = size_t(width_);
    switch (layout_) {
        case TPngLayout::Palette:
        case TPngLayout::Gray:
            if (depth_ == 8) {
                for (size_t x = 0; x < w; ++x)
                    out[x] = static_cast<uint8_t>(row[x]);  // index or blue
            } else {
                std::fill_n(out, (w * depth_ + 7) / 8, 0);
                for (size_t x = 0; x < w; ++x) {
                    uint32_t v = layout_ == TPngLayout::Gray ? Blue(row[x]) / 0xFF : row[x];
                    size_t bit = x * depth_;
                    out[bit / 8] |= static_cast<uint8_t>(v << (8 - depth_ - bit % 8));
                }
            }
            break;
        case TPngLayout::GrayAlpha:
            for (size_t x = 0; x < w; ++x) {
                out[2 * x] = static_cast<uint8_t>(Blue(row[x]));
                out[2 * x + 1] = static_cast<uint8_t>(Alpha(row[x]));
            }
            break;
        case TPngLayout::RGB:
            for (size_t x = 0; x < w; ++x) {
                out[3 * x] = static_cast<uint8_t>(Red(row[x]));
                out[3 * x + 1] = static_cast<uint8_t>(Green(row[x]));
                out[3 * x + 2] = static_cast<uint8_t>(Blue(row[x]));
            }
            break;
        case TPngLayout::RGBA:
            for (size_t x = 0; x < w; ++x) {
                out[4 * x] = static_cast<uint8_t>(Red(row[x]));
                out[4 * x + 1] = static_cast<uint8_t>(Green(row[x]));
                out[4 * x + 2] = static_cast<uint8_t>(Blue(row[x]));
                out[4 * x + 3] = static_cast<uint8_t>(Alpha(row[x]));
            }
            break;
    }
}

void TPNGWriter::WriteImageData(runtime::TStream& stream, const std::vector<uint32_t>& source) {
    const size_t rowBytes = (size_t(width_) * depth_ * Channels(layout_) + 7) / 8;
    const size_t bpp = std::max<size_t>(1, size_t(Channels(layout_)) * depth_ / 8);
    const bool adaptive = layout_ != TPngLayout::Palette && depth_ >= 5;

    std::vector<uint8_t> raw(rowBytes), previous(rowBytes, 0);
    // One buffer per filter; each starts with its filter byte.
    std::array<std::vector<uint8_t>, 5> filtered;
    for (size_t f = 0; f < 5; ++f) {
        filtered[f].assign(rowBytes + 1, 0);
        filtered[f][0] = static_cast<uint8_t>(f);
    }

    runtime::TMemoryStream compressed;
    {
        TCompressionStream z(compressed);
        for (int32_t y = 0; y < height_; ++y) {
            PackRow(&source[size_t(y) * width_], raw.data());
            size_t best = 0;
            if (!adaptive) {
                std::copy(raw.begin(), raw.end(), filtered[0].begin() + 1);
            } else {
                uint64_t bestSum = UINT64_MAX;
                for (size_t f = 0; f < 5; ++f) {
                    uint8_t* out = filtered[f].data() + 1;
                    uint64_t sum = 0;
                    for (size_t i = 0; i < rowBytes; ++i) {
                        int a = i >= bpp ? raw[i - bpp] : 0;
                        int b = previous[i];
                        int c = i >= bpp ? previous[i - bpp] : 0;
                        int predictor = 0;
                        switch (f) {
                            case 1:
                                predictor = a;
                                break;
                            case 2:
                                predictor = b;
                                break;
                            case 3:
                                predictor = (a + b) >> 1;
                                break;
                            case 4: {
                                int p = a + b - c;
                                int pa = std::abs(p - a), pb = std::abs(p - b),
                                    pc = std::abs(p - c);
                                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                                break;
                            }
                            default:
                                break;
                        }
                        out[i] = static_cast<uint8_t>(raw[i] - predictor);
                        sum += out[i];
                    }
                    if (sum < bestSum) {
                        bestSum = sum;
                        best = f;
                    }
                }
            }
            z.Write(filtered[best].data(), int64_t(rowBytes + 1));
            raw.swap(previous);
        }
        z.Finish();
    }

    // One IDAT chunk unless the data outgrows what a chunk can hold.
    const auto* data = static_cast<const uint8_t*>(compressed.Memory());
    int64_t left = compressed.Size();
    do {
        uint32_t piece = uint32_t(std::min<int64_t>(left, kMaxPngChunkLength));
        WritePngChunk(stream, "IDAT", piece, data);
        data += piece;
        left -= piece;
    } while (left > 0);
}

void TPNGWriter::WritePNG(runtime::TStream& stream) {
    stream.WriteBuffer(kSignature, 8);
    ChooseFormat();
    uint8_t header[13];
    PutBigEndian32(header, uint32_t(width_));
    PutBigEndian32(header + 4, uint32_t(height_));
    header[8] = depth_;
    header[9] = ColorType(layout_);
    header[10] = header[11] = header[12] = 0;
    WritePngChunk(stream, "IHDR", 13, header);
    std::vector<uint32_t> indices;
    if (layout_ == TPngLayout::Palette) {
        indices = MapToPalette();
        std::vector<uint8_t> entries;
        for (uint32_t c : colors_) {
            entries.push_back(static_cast<uint8_t>(Red(c)));
            entries.push_back(static_cast<uint8_t>(Green(c)));
            entries.push_back(static_cast<uint8_t>(Blue(c)));
        }
        WritePngChunk(stream, "PLTE", uint32_t(entries.size()), entries.data());
    }
    WriteTransparency(stream);
    WriteImageData(stream, layout_ == TPngLayout::Palette ? indices : pixels_);
    WritePngChunk(stream, "IEND", 0, nullptr);
}

}  // namespace toolbar
