#include "controls/xc/gif_lzw.h"

#include <algorithm>
#include <array>
#include <vector>

#include "controls/xc/limits.h"
#include "runtime/exceptions.h"

namespace xc {

namespace {

constexpr uint32_t kHashSize = 17777;

size_t RowBytes(int32_t width, int32_t bitsPerPixel) {
    return ((size_t(width) * size_t(bitsPerPixel) + 31) / 32) * 4;
}

// Reads codes from data sub-blocks, least significant bit first.
class CodeReader {
  public:
    explicit CodeReader(runtime::TStream& stream) : stream_(stream) {}

    // False once the data are exhausted (the end of the stream, or the 0
    // sub-block) before the code is complete.
    bool Fetch(int size, uint32_t& code) {
        while (count_ < size) {
            if (at_ == length_ && !NextBlock()) return false;
            bits_ |= uint64_t(block_[at_++]) << count_;
            count_ += 8;
        }
        code = uint32_t(bits_ & ((uint64_t{1} << size) - 1));
        bits_ >>= size;
        count_ -= size;
        return true;
    }

    [[nodiscard]] int64_t Position() { return stream_.Position(); }

  private:
    bool NextBlock() {
        if (ended_) return false;
        uint8_t n = 0;
        if (stream_.Read(&n, 1) != 1 || n == 0) {
            ended_ = true;
            return false;
        }
        length_ = size_t(stream_.Read(block_.data(), n));
        at_ = 0;
        if (length_ < n) ended_ = true;
        return length_ > 0;
    }

    runtime::TStream& stream_;
    std::array<uint8_t, 255> block_{};
    size_t length_ = 0, at_ = 0;
    bool ended_ = false;
    uint64_t bits_ = 0;
    int count_ = 0;
};

// Writes pixels into a bottom-up DIB buffer row by row, in plain or GIF
// interlaced order.
class PixelWriter {
  public:
    PixelWriter(uint8_t* pixels, int32_t width, int32_t height, int32_t bitsPerPixel,
                bool interlaced)
        : pixels_(pixels),
          width_(width),
          height_(height),
          bits_(bitsPerPixel),
          interlaced_(interlaced),
          rowBytes_(RowBytes(width, bitsPerPixel)),
          valueMask_(uint8_t((1u << bitsPerPixel) - 1)) {
        SetRow();
    }

    [[nodiscard]] bool Done() const { return row_ >= height_; }

    void Put(uint8_t value) {
        if (row_ >= height_) return;
        value &= valueMask_;
        switch (bits_) {
            case 1:
                if (column_ % 8 == 0)
                    line_[column_ / 8] = uint8_t(value << 7);
                else
                    line_[column_ / 8] |= uint8_t(value << (7 - column_ % 8));
                break;
            case 4:
                if (column_ % 2 == 0)
                    line_[column_ / 2] = uint8_t(value << 4);
                else
                    line_[column_ / 2] |= value;
                break;
            default:
                line_[column_] = value;
                break;
        }
        if (++column_ == width_) {
            column_ = 0;
            row_ = interlaced_ ? NextInterlacedRow(row_, height_, pass_) : row_ + 1;
            SetRow();
        }
    }

  private:
    void SetRow() {
        if (row_ < height_) line_ = pixels_ + rowBytes_ * size_t(height_ - 1 - row_);
    }

    uint8_t* pixels_;
    int32_t width_, height_, bits_;
    bool interlaced_;
    size_t rowBytes_;
    uint8_t valueMask_;
    uint8_t* line_ = nullptr;
    int32_t column_ = 0, row_ = 0, pass_ = 0;
};

class Decoder {
  public:
    Decoder(runtime::TStream& lzw, bool& damaged, bool tolerant, const TProgressEvent& progress)
        : lzw_(lzw), damaged_(damaged), tolerant_(tolerant), progress_(progress) {}

    void Run(PixelWriter& out, int32_t colorBits) {
        uint8_t minimum = 0;
        if (lzw_.Read(&minimum, 1) != 1) {
            Damage();
            return;
        }
        if (minimum < 2 || minimum > 9) {
            if (!tolerant_) throw runtime::EInvalidGraphicOperation(SGifCodeSize);
            damaged_ = true;
            minimum = std::clamp<uint8_t>(minimum, 2, 9);
        }
        const uint32_t clear = 1u << minimum, end = clear + 1, firstFree = clear + 2;
        const uint8_t pixelMask = uint8_t((1u << std::clamp(colorBits, 1, 8)) - 1);
        const int64_t size = lzw_.Size();
        CodeReader reader(lzw_);
        std::vector<uint16_t> prefix(kLzwTableSize, 0);
        std::vector<uint8_t> suffix(kLzwTableSize, 0);
        std::vector<uint8_t> stack(kLzwTableSize + 1);
        int codeSize = minimum + 1;
        uint32_t limit = 1u << codeSize, nextFree = firstFree;
        bool full = false;
        int64_t previous = -1;  // none until the first string
        uint8_t firstChar = 0;
        int lastPercent = -1;

        uint32_t code = 0;
        if (!reader.Fetch(codeSize, code)) return;
        while (code != end && !out.Done()) {
            if (code == clear) {
                codeSize = minimum + 1;
                limit = 1u << codeSize;
                nextFree = firstFree;
                full = false;
                if (!reader.Fetch(codeSize, code)) return;
                if (code == clear) continue;
                if (code == end) break;
                firstChar = uint8_t(code & pixelMask);
                out.Put(firstChar);
                previous = code;
            } else {
                if (damaged_) break;
                size_t pushed = 0;
                uint32_t walk = code;
                if (code >= nextFree) {
                    // The string being defined: the previous one and its
                    // own first character.
                    if (previous < 0) {
                        Damage();
                        break;
                    }
                    stack[pushed++] = firstChar;
                    walk = uint32_t(previous);
                }
                // Literals are the codes below the clear code, whatever the
                // colour table's size.
                while (walk >= firstFree) {
                    if (pushed >= size_t(kLzwTableSize)) break;
                    stack[pushed++] = suffix[walk];
                    walk = prefix[walk];
                }
                if (walk >= firstFree) {
                    Damage();
                    break;
                }
                firstChar = uint8_t(walk & pixelMask);
                stack[pushed++] = firstChar;
                while (pushed > 0) out.Put(stack[--pushed]);
                if (!full && previous >= 0) {
                    prefix[nextFree] = uint16_t(previous);
                    suffix[nextFree] = firstChar;
                    if (++nextFree >= limit) {
                        if (codeSize >= 12) {
                            full = true;
                        } else {
                            ++codeSize;
                            limit <<= 1;
                        }
                    }
                }
                previous = code;
            }
            if (!reader.Fetch(codeSize, code)) break;
            if (progress_ && size > 0) {
                int percent = int(std::min<int64_t>(100, reader.Position() * 100 / size));
                if (percent != lastPercent) {
                    lastPercent = percent;
                    progress_(TProgressStage::psRunning, uint8_t(percent), {});
                }
            }
        }
    }

  private:
    void Damage() {
        if (!tolerant_) throw runtime::EInvalidGraphicOperation(SGifCorrupt);
        damaged_ = true;
    }

    runtime::TStream& lzw_;
    bool& damaged_;
    bool tolerant_;
    const TProgressEvent& progress_;
};

// Packs codes least significant bit first into 255-byte sub-blocks.
class CodeWriter {
  public:
    explicit CodeWriter(runtime::TStream& out) : out_(out) {}

    void Emit(uint32_t code, int size) {
        bits_ |= uint64_t(code) << count_;
        count_ += size;
        while (count_ >= 8) {
            block_[length_++] = uint8_t(bits_);
            bits_ >>= 8;
            count_ -= 8;
            if (length_ == 255) WriteBlock();
        }
    }

    // The pending bits as a last sub-block, then the 0 terminator.
    void Flush() {
        if (count_ > 0) {
            block_[length_++] = uint8_t(bits_);
            bits_ = 0;
            count_ = 0;
            if (length_ == 255) WriteBlock();
        }
        if (length_ > 0) WriteBlock();
        uint8_t zero = 0;
        out_.WriteBuffer(&zero, 1);
    }

  private:
    void WriteBlock() {
        uint8_t n = uint8_t(length_);
        out_.WriteBuffer(&n, 1);
        out_.WriteBuffer(block_.data(), int64_t(length_));
        length_ = 0;
    }

    runtime::TStream& out_;
    std::array<uint8_t, 255> block_{};
    size_t length_ = 0;
    uint64_t bits_ = 0;
    int count_ = 0;
};

void Encode(runtime::TStream& out, int32_t width, int32_t height, int32_t bitsPerPixel,
            bool interlaced, const TProgressEvent& progress, const uint8_t* pixels) {
    const int initialSize = bitsPerPixel == 1 ? 3 : bitsPerPixel + 1;
    const uint8_t minimum = uint8_t(initialSize - 1);
    out.WriteBuffer(&minimum, 1);
    const uint32_t clear = 1u << minimum, end = clear + 1;
    uint32_t nextCode = end, limit = 1u << initialSize;
    int codeSize = initialSize;

    struct Entry {
        uint16_t prefix, code;
        uint8_t suffix;
    };
    std::vector<Entry> entries(kLzwTableSize);
    std::vector<int16_t> slots(kHashSize, -1);
    size_t used = 0;
    CodeWriter writer(out);
    writer.Emit(clear, codeSize);

    uint32_t stringCode = 0;
    uint64_t hash = 0, counter = 0;
    const size_t rowBytes = RowBytes(width, bitsPerPixel);
    int32_t pass = 0;
    int32_t done = 0;
    for (int32_t row = 0; row < height;
         row = interlaced ? NextInterlacedRow(row, height, pass) : row + 1) {
        const uint8_t* line = pixels + rowBytes * size_t(height - 1 - row);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t p = bitsPerPixel == 8   ? line[x]
                         : bitsPerPixel == 4 ? (line[x / 2] >> (x % 2 ? 0 : 4)) & 0xF
                                             : (line[x / 8] >> (7 - x % 8)) & 1;
            if (++counter == 1) {
                stringCode = p;
                hash = p * 301 + 903;
                continue;
            }
            hash = ((p + counter + 4) * hash) % kHashSize;
            uint32_t slot = uint32_t(hash);
            while (slots[slot] >= 0) {
                const Entry& e = entries[size_t(slots[slot])];
                if (e.prefix == stringCode && e.suffix == p) break;
                slot = slot + 1 == kHashSize ? 0 : slot + 1;
            }
            if (slots[slot] >= 0) {
                stringCode = entries[size_t(slots[slot])].code;
                continue;
            }
            writer.Emit(stringCode, codeSize);
            ++nextCode;
            entries[used] = {uint16_t(stringCode), uint16_t(nextCode), uint8_t(p)};
            slots[slot] = int16_t(used++);
            stringCode = p;
            hash = p * 301 + 903;
            counter = 1;
            if (nextCode >= limit) {
                limit <<= 1;
                ++codeSize;
            } else if (nextCode >= 4094) {
                writer.Emit(stringCode, codeSize);
                writer.Emit(clear, codeSize);
                counter = 0;
                nextCode = end;
                codeSize = initialSize;
                limit = 1u << initialSize;
                std::fill(slots.begin(), slots.end(), -1);
                used = 0;
            }
        }
        ++done;
        if (progress)
            progress(TProgressStage::psRunning, uint8_t(int64_t(done) * 100 / height), {});
    }
    if (counter > 0) writer.Emit(stringCode, codeSize);
    writer.Emit(end, codeSize);
    writer.Flush();
}

}  // namespace

int32_t NextInterlacedRow(int32_t row, int32_t height, int32_t& pass) {
    static constexpr int32_t kStep[4] = {8, 8, 4, 2};
    static constexpr int32_t kStart[4] = {0, 4, 2, 1};
    if (pass < 0 || pass > 3) return height;
    if (row + kStep[pass] < height) return row + kStep[pass];
    while (++pass <= 3)
        if (kStart[pass] < height) return kStart[pass];
    return height;
}

void DecodeGIFImageData(runtime::TStream& lzw, int32_t width, int32_t height, int32_t bitsPerPixel,
                        bool interlaced, const TProgressEvent& progress, bool& damaged,
                        uint8_t* pixels, int32_t colorBits, bool tolerant) {
    damaged = false;
    if (progress) progress(TProgressStage::psStarting, 0, {});
    try {
        if (width > 0 && height > 0) {
            if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8)
                throw runtime::EInvalidGraphicOperation(SGifCorrupt);
            PixelWriter out(pixels, width, height, bitsPerPixel, interlaced);
            Decoder(lzw, damaged, tolerant, progress).Run(out, colorBits);
        }
    } catch (const runtime::Exception& e) {
        if (progress) progress(TProgressStage::psEnding, 100, e.Message());
        throw;
    }
    if (progress) progress(TProgressStage::psEnding, 100, {});
}

void EncodeGIFImageData(runtime::TStream& out, int32_t width, int32_t height, int32_t bitsPerPixel,
                        bool interlaced, const TProgressEvent& progress, const uint8_t* pixels) {
    if (progress) progress(TProgressStage::psStarting, 0, {});
    try {
        if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8)
            throw runtime::EInvalidGraphicOperation("GIF image encoding error");
        Encode(out, std::max(width, 0), std::max(height, 0), bitsPerPixel, interlaced, progress,
               pixels);
    } catch (const runtime::Exception& e) {
        if (progress) progress(TProgressStage::psEnding, 100, e.Message());
        throw;
    }
    if (progress) progress(TProgressStage::psEnding, 100, {});
}

}  // namespace xc
