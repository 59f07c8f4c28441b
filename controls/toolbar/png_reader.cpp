#include "controls/toolbar/png_reader.h"

#include <algorithm>
#include <cstring>

#include "controls/toolbar/crc32.h"
#include "controls/toolbar/zlib_stream.h"
#include "runtime/exceptions.h"

namespace toolbar {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

[[noreturn]] void Fail(const char* message) {
    throw runtime::EStreamError(message);
}

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint16_t BigEndian16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

// The type as a number with every letter folded to lower case: chunk names
// compare without regard to case.
constexpr uint32_t FoldedType(const char* t) {
    return (uint32_t(uint8_t(t[0])) << 24 | uint32_t(uint8_t(t[1])) << 16 |
            uint32_t(uint8_t(t[2])) << 8 | uint32_t(uint8_t(t[3]))) |
           0x20202020u;
}

struct LayoutInfo {
    TPngLayout layout;
    uint8_t colorType;
    uint8_t channels;
    uint8_t depths;  // bit set of the allowed depths: 1 << log2(depth)
};

// One row per layout, indexed by TPngLayout.
constexpr LayoutInfo kLayouts[] = {
    {TPngLayout::Palette, 3, 1, 0b01111},   {TPngLayout::Gray, 0, 1, 0b11111},
    {TPngLayout::GrayAlpha, 4, 2, 0b11000}, {TPngLayout::RGB, 2, 3, 0b11000},
    {TPngLayout::RGBA, 6, 4, 0b11000},
};
static_assert(std::size(kLayouts) == 5);

uint64_t RowBytes(TPngLayout layout, uint8_t depth, uint64_t width) {
    return (width * depth * kLayouts[static_cast<int>(layout)].channels + 7) / 8;
}

// Adam7: start row, row step, start column, column step of each pass.
struct Pass {
    uint32_t row, rowStep, column, columnStep;
};
constexpr Pass kPasses[7] = {{0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
                             {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1}};

inline uint8_t Paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace

TPNGReader::TPNGReader() = default;

TPNGReader::~TPNGReader() {
    EndInflate();
}

void TPNGReader::EndInflate() {
    if (inflating_) {
        inflateEnd(&zstate_);
        inflating_ = false;
    }
}

bool TPNGReader::ChunkIs(const char* type) const {
    return chunkType_ == FoldedType(type);
}

void TPNGReader::ReadChunkHeader() {
    uint8_t header[8];
    stream_->ReadBuffer(header, 8);
    chunkLength_ = BigEndian32(header);
    if (chunkLength_ > kMaxPngChunkLength) Fail(SPngInvalidChunkLength);
    chunkRawType_ = BigEndian32(header + 4);
    chunkType_ = chunkRawType_ | 0x20202020u;
    chunkCrc_ = BarXCrc32Update(0, header + 4, 4);
}

void TPNGReader::ReadChunkData() {
    // The length is checked against what the stream holds before the
    // buffer grows, so a lying header cannot make us allocate.
    int64_t remaining = stream_->Size() - stream_->Position();
    if (int64_t{chunkLength_} + 4 > remaining) throw runtime::EReadError(runtime::SReadError);
    chunkData_.resize(chunkLength_);
    stream_->ReadBuffer(chunkData_.data(), chunkLength_);
    uint8_t crc[4];
    stream_->ReadBuffer(crc, 4);
    if (BarXCrc32Update(chunkCrc_, chunkData_.data(), chunkLength_) != BigEndian32(crc))
        Fail(SPngCrcError);
}

void TPNGReader::SkipChunk() {
    int64_t remaining = stream_->Size() - stream_->Position();
    if (int64_t{chunkLength_} + 4 > remaining) throw runtime::EReadError(runtime::SReadError);
    stream_->Seek(int64_t{chunkLength_} + 4, runtime::soFromCurrent);
}

void TPNGReader::CheckPixelFormat(uint8_t colorType) {
    for (const LayoutInfo& info : kLayouts) {
        if (info.colorType != colorType) continue;
        int log2 = depth_ == 1    ? 0
                   : depth_ == 2  ? 1
                   : depth_ == 4  ? 2
                   : depth_ == 8  ? 3
                   : depth_ == 16 ? 4
                                  : -1;
        if (log2 < 0 || !(info.depths & (1 << log2))) break;
        layout_ = info.layout;
        filterBytes_ = std::max<size_t>(1, size_t{info.channels} * depth_ / 8);
        return;
    }
    Fail(SPngInvalidColorFormat);
}

void TPNGReader::ReadHeader() {
    if (chunkLength_ != 13) Fail(SPngInvalidChunkLength);
    ReadChunkData();
    const uint8_t* d = chunkData_.data();
    width_ = BigEndian32(d);
    height_ = BigEndian32(d + 4);
    depth_ = d[8];
    uint8_t colorType = d[9];
    uint8_t compression = d[10];
    filterMethod_ = d[11];
    interlaced_ = d[12] != 0;
    if (width_ == 0 || height_ == 0) return;
    if (compression != 0) Fail(SPngUnsupportedCompression);
    CheckPixelFormat(colorType);
    // The pixels and the two rows of samples, in 64 bits. Nothing is
    // allocated until image data arrive.
    const uint64_t pixels = uint64_t{width_} * height_;
    const uint64_t rows = 2 * (RowBytes(layout_, depth_, width_) + 1);
    if (pixels > PixelLimit || pixels * 4 + rows > PixelLimit * kPngBytesPerAllowedPixel)
        Fail(SPngImageTooLarge);
}

uint64_t TPNGReader::FilteredSize() const {
    if (!interlaced_) return uint64_t{height_} * (RowBytes(layout_, depth_, width_) + 1);
    uint64_t total = 0;
    for (const Pass& pass : kPasses) {
        if (pass.column >= width_ || pass.row >= height_) continue;
        const uint64_t passWidth = (width_ - pass.column + pass.columnStep - 1) / pass.columnStep;
        const uint64_t passRows = (height_ - pass.row + pass.rowStep - 1) / pass.rowStep;
        total += passRows * (RowBytes(layout_, depth_, passWidth) + 1);
    }
    return total;
}

void TPNGReader::ReadPalette() {
    if (chunkLength_ % 3 != 0 || chunkLength_ == 0 || chunkLength_ > kMaxPngPaletteBytes)
        Fail(SPngInvalidPalette);
    ReadChunkData();
    if (layout_ != TPngLayout::Palette) return;
    palette_.resize(chunkLength_ / 3);
    for (size_t i = 0; i < palette_.size(); ++i) {
        const uint8_t* e = &chunkData_[i * 3];
        palette_[i] = Argb(0xFF, e[0], e[1], e[2]);
    }
}

void TPNGReader::ReadTransparency() {
    switch (layout_) {
        case TPngLayout::Gray:
            if (chunkLength_ != 2) Fail(SPngInvalidChunkLength);
            break;
        case TPngLayout::RGB:
            if (chunkLength_ != 6) Fail(SPngInvalidChunkLength);
            break;
        case TPngLayout::Palette:
            if (chunkLength_ > 256) Fail(SPngInvalidChunkLength);
            break;
        default:
            break;
    }
    ReadChunkData();
    const uint8_t* d = chunkData_.data();
    switch (layout_) {
        case TPngLayout::Gray:
            // The full 16-bit value: a key beyond the depth's range matches
            // no sample (masking it would make it match an opaque level).
            keyGray_ = BigEndian16(d);
            transparent_ = true;
            break;
        case TPngLayout::RGB:
            keyRed_ = BigEndian16(d);
            keyGreen_ = BigEndian16(d + 2);
            keyBlue_ = BigEndian16(d + 4);
            transparent_ = true;
            break;
        case TPngLayout::Palette: {
            size_t n = std::min<size_t>(chunkLength_, palette_.size());
            for (size_t i = 0; i < n; ++i)
                palette_[i] = (palette_[i] & 0xFFFFFF) | uint32_t{d[i]} << 24;
            break;
        }
        default:
            break;
    }
}

void TPNGReader::InflateRow(uint8_t* buffer, size_t count) {
    zstate_.next_out = buffer;
    zstate_.avail_out = static_cast<uInt>(count);
    while (zstate_.avail_out > 0) {
        if (streamEnded_) Fail(SPngExtraData);
        if (zstate_.avail_in == 0) {
            // The next non-empty IDAT chunk becomes the input.
            for (;;) {
                if (!ChunkIs("idat")) Fail(SPngTruncated);
                ReadChunkData();
                ReadChunkHeader();
                if (!chunkData_.empty()) break;
            }
            zstate_.next_in = chunkData_.data();
            zstate_.avail_in = static_cast<uInt>(chunkData_.size());
        }
        int result = inflate(&zstate_, Z_PARTIAL_FLUSH);
        ZlibCheck(result);
        if (result == Z_STREAM_END) {
            streamEnded_ = true;
            if (zstate_.avail_in > 0 || zstate_.avail_out > 0) Fail(SPngExtraData);
        } else if (result != Z_OK) {
            Fail(SPngCompressionError);
        }
    }
}

void TPNGReader::UnfilterRow(uint8_t* row, const uint8_t* previous, size_t count) const {
    uint8_t filter = row[0];
    uint8_t* r = row + 1;
    const uint8_t* p = previous + 1;
    const size_t bpp = filterBytes_;
    switch (filter) {
        case 1:
            for (size_t i = bpp; i < count; ++i) r[i] = static_cast<uint8_t>(r[i] + r[i - bpp]);
            break;
        case 2:
            for (size_t i = 0; i < count; ++i) r[i] = static_cast<uint8_t>(r[i] + p[i]);
            break;
        case 3: {
            size_t head = std::min(bpp, count);
            for (size_t i = 0; i < head; ++i) r[i] = static_cast<uint8_t>(r[i] + (p[i] >> 1));
            for (size_t i = bpp; i < count; ++i)
                r[i] = static_cast<uint8_t>(r[i] + ((r[i - bpp] + p[i]) >> 1));
            break;
        }
        case 4: {
            size_t head = std::min(bpp, count);
            for (size_t i = 0; i < head; ++i) r[i] = static_cast<uint8_t>(r[i] + p[i]);
            for (size_t i = bpp; i < count; ++i)
                r[i] = static_cast<uint8_t>(r[i] + Paeth(r[i - bpp], p[i], p[i - bpp]));
            break;
        }
        default:
            break;
    }
}

void TPNGReader::ConvertRow(const uint8_t* row, uint32_t* out, uint32_t count,
                            uint32_t step) const {
    const uint8_t* s = row + 1;
    switch (layout_) {
        case TPngLayout::Palette: {
            const bool checked = palette_.size() < (size_t{1} << depth_);
            const uint32_t mask = (1u << depth_) - 1;
            for (uint32_t x = 0; x < count; ++x) {
                uint32_t index;
                if (depth_ == 8) {
                    index = s[x];
                } else {
                    size_t bit = size_t{x} * depth_;
                    index = (s[bit / 8] >> (8 - depth_ - bit % 8)) & mask;
                }
                if (checked && index >= palette_.size()) Fail(SPngInvalidPaletteIndex);
                out[size_t{x} * step] = palette_[index];
            }
            break;
        }
        case TPngLayout::Gray: {
            const uint32_t mask = depth_ >= 8 ? 0xFFFF : (1u << depth_) - 1;
            const uint32_t scale = depth_ == 1 ? 255 : depth_ == 2 ? 85 : depth_ == 4 ? 17 : 1;
            for (uint32_t x = 0; x < count; ++x) {
                uint32_t sample, level;
                if (depth_ == 16) {
                    sample = BigEndian16(s + size_t{x} * 2);
                    level = sample >> 8;
                } else if (depth_ == 8) {
                    sample = level = s[x];
                } else {
                    size_t bit = size_t{x} * depth_;
                    sample = (s[bit / 8] >> (8 - depth_ - bit % 8)) & mask;
                    level = sample * scale;
                }
                uint32_t alpha = transparent_ && sample == keyGray_ ? 0 : 0xFF;
                out[size_t{x} * step] = Argb(alpha, level, level, level);
            }
            break;
        }
        case TPngLayout::GrayAlpha:
            for (uint32_t x = 0; x < count; ++x) {
                const uint8_t* p = s + size_t{x} * (depth_ / 4);
                uint32_t g = p[0], a = depth_ == 16 ? p[2] : p[1];
                out[size_t{x} * step] = Argb(a, g, g, g);
            }
            break;
        case TPngLayout::RGB:
            if (depth_ == 8) {
                for (uint32_t x = 0; x < count; ++x) {
                    const uint8_t* p = s + size_t{x} * 3;
                    uint32_t alpha = 0xFF;
                    if (transparent_ && p[0] == keyRed_ && p[1] == keyGreen_ && p[2] == keyBlue_)
                        alpha = 0;
                    out[size_t{x} * step] = Argb(alpha, p[0], p[1], p[2]);
                }
            } else {
                for (uint32_t x = 0; x < count; ++x) {
                    const uint8_t* p = s + size_t{x} * 6;
                    uint32_t alpha = 0xFF;
                    if (transparent_ && BigEndian16(p) == keyRed_ &&
                        BigEndian16(p + 2) == keyGreen_ && BigEndian16(p + 4) == keyBlue_)
                        alpha = 0;
                    out[size_t{x} * step] = Argb(alpha, p[0], p[2], p[4]);
                }
            }
            break;
        case TPngLayout::RGBA:
            if (depth_ == 8) {
                for (uint32_t x = 0; x < count; ++x) {
                    const uint8_t* p = s + size_t{x} * 4;
                    out[size_t{x} * step] = Argb(p[3], p[0], p[1], p[2]);
                }
            } else {
                for (uint32_t x = 0; x < count; ++x) {
                    const uint8_t* p = s + size_t{x} * 8;
                    out[size_t{x} * step] = Argb(p[6], p[0], p[2], p[4]);
                }
            }
            break;
    }
}

void TPNGReader::ReadImageData() {
    // What is left of the stream must be able to hold the image: a header
    // of a few bytes cannot make us allocate the image it promises.
    const int64_t remaining = stream_->Size() - stream_->Position();
    if (uint64_t(std::max<int64_t>(remaining, 0)) * kMaxDeflateRatio < FilteredSize())
        Fail(SPngTruncated);
    pixels_.assign(size_t{width_} * height_, 0);
    const size_t maxRow = static_cast<size_t>(RowBytes(layout_, depth_, width_)) + 1;
    std::vector<uint8_t> current(maxRow, 0), previous(maxRow, 0);
    if (!interlaced_) {
        for (uint32_t y = 0; y < height_; ++y) {
            InflateRow(current.data(), maxRow);
            UnfilterRow(current.data(), previous.data(), maxRow - 1);
            ConvertRow(current.data(), &pixels_[size_t{y} * width_], width_, 1);
            current.swap(previous);
        }
    } else {
        for (const Pass& pass : kPasses) {
            if (pass.column >= width_ || pass.row >= height_) continue;
            uint32_t passWidth = (width_ - pass.column + pass.columnStep - 1) / pass.columnStep;
            size_t rowBytes = static_cast<size_t>(RowBytes(layout_, depth_, passWidth)) + 1;
            std::fill(previous.begin(), previous.end(), 0);
            for (uint32_t y = pass.row; y < height_; y += pass.rowStep) {
                InflateRow(current.data(), rowBytes);
                UnfilterRow(current.data(), previous.data(), rowBytes - 1);
                ConvertRow(current.data(), &pixels_[size_t{y} * width_ + pass.column], passWidth,
                           pass.columnStep);
                current.swap(previous);
            }
        }
    }
    // Whatever IDAT data follows the image is read, checked and dropped.
    while (ChunkIs("idat")) {
        ReadChunkData();
        ReadChunkHeader();
    }
}

void TPNGReader::ReadPNG(runtime::TStream& stream) {
    stream_ = &stream;
    width_ = height_ = 0;
    pixels_.clear();
    palette_.clear();
    transparent_ = false;
    gamma_ = 0;
    background_.clear();
    streamEnded_ = false;
    try {
        uint8_t signature[8];
        stream.ReadBuffer(signature, 8);
        if (std::memcmp(signature, kSignature, 8) != 0) Fail(SPngInvalidFormat);
        ReadChunkHeader();
        if (!ChunkIs("ihdr")) Fail(SPngInvalidFormat);
        ReadHeader();
        if (width_ == 0 || height_ == 0) {
            stream_ = nullptr;
            return;
        }
        zstate_ = z_stream{};
        ZlibCheck(inflateInit(&zstate_));
        inflating_ = true;
        bool imageRead = false;
        ReadChunkHeader();
        for (;;) {
            if (ChunkIs("idat") && !imageRead) {
                ReadImageData();
                imageRead = true;
                // The chunk after the image data falls through to the
                // handling of unknown chunks below.
            } else if (ChunkIs("plte")) {
                ReadPalette();
                ReadChunkHeader();
                continue;
            } else if (ChunkIs("gama")) {
                if (chunkLength_ != 4) Fail(SPngInvalidChunkLength);
                ReadChunkData();
                gamma_ = BigEndian32(chunkData_.data());
                ReadChunkHeader();
                continue;
            } else if (ChunkIs("bkgd")) {
                size_t expected = layout_ == TPngLayout::Palette ? 1
                                  : layout_ == TPngLayout::Gray || layout_ == TPngLayout::GrayAlpha
                                      ? 2
                                      : 6;
                if (chunkLength_ != expected) Fail(SPngInvalidChunkLength);
                ReadChunkData();
                background_ = chunkData_;
                ReadChunkHeader();
                continue;
            } else if (ChunkIs("trns")) {
                ReadTransparency();
                ReadChunkHeader();
                continue;
            }
            // Anything else is skipped unread; so is image data after the
            // image has been read.
            bool end = ChunkIs("iend");
            bool critical = (chunkRawType_ & 0x20000000u) == 0;
            if (end) {
                // The image is complete: a file cut inside IEND still reads.
                int64_t remaining = stream.Size() - stream.Position();
                stream.Seek(std::min<int64_t>(remaining, int64_t{chunkLength_} + 4),
                            runtime::soFromCurrent);
                break;
            }
            SkipChunk();
            if (critical && !ChunkIs("idat")) Fail(SPngCriticalChunk);
            ReadChunkHeader();
        }
        if (!imageRead) Fail(SPngTruncated);
        EndInflate();
    } catch (...) {
        EndInflate();
        pixels_.clear();
        pixels_.shrink_to_fit();
        chunkData_.clear();
        chunkData_.shrink_to_fit();
        stream_ = nullptr;
        throw;
    }
    chunkData_.clear();
    chunkData_.shrink_to_fit();
    stream_ = nullptr;
}

}  // namespace toolbar
