#include "controls/html/gif_decoder.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "controls/html/limits.h"
#include "runtime/exceptions.h"

namespace html {

namespace {

[[noreturn]] void Fail(TGifError error) {
    RaiseGifError(error);
}

// Thrown inside the decoder when a comment is cut short after an image:
// decoding ends there and the images read stand.
struct EndOfUsableData {};

constexpr int kMaxCodeSize = 12;
constexpr int kTableSize = 1 << kMaxCodeSize;

// Interlaced row order: start row and step of passes 1 to 4.
constexpr int32_t kPassStart[4] = {0, 4, 2, 1};
constexpr int32_t kPassStep[4] = {8, 8, 4, 2};

// Places the decoded index bytes in image order, plain or interlaced;
// anything beyond the image is dropped.
class PixelSink {
  public:
    PixelSink(TGifImage& image)
        : out_(image.Pixels.data()),
          width_(image.Width),
          height_(image.Height),
          interlaced_(image.Interlaced),
          size_(image.Pixels.size()) {}

    [[nodiscard]] bool Full() const { return done_; }

    void Put(const uint8_t* bytes, size_t count) {
        if (!interlaced_) {
            size_t n = std::min(count, size_ - at_);
            std::memcpy(out_ + at_, bytes, n);
            at_ += n;
            done_ = at_ >= size_;
            return;
        }
        for (size_t i = 0; i < count && !done_; ++i) {
            out_[size_t(row_) * width_ + column_] = bytes[i];
            if (++column_ == width_) {
                column_ = 0;
                row_ += kPassStep[pass_];
                while (row_ >= height_) {
                    if (++pass_ == 4) {
                        done_ = true;
                        break;
                    }
                    row_ = kPassStart[pass_];
                }
            }
        }
    }

  private:
    uint8_t* out_;
    int32_t width_, height_;
    bool interlaced_;
    size_t size_;
    size_t at_ = 0;
    int32_t row_ = 0, column_ = 0, pass_ = 0;
    bool done_ = false;
};

}  // namespace

void RaiseGifError(TGifError error) {
    throw runtime::EInvalidGraphicOperation(std::string("TGif: ") + kGifErrorTexts[error]);
}

void TGif::Reset() {
    source_.clear();
    at_ = 0;
    signature_ = "------";
    screen_ = TGifScreenDescriptor{};
    pending_.clear();
    images_.clear();
    tables_.clear();
    LoopCount = -1;
    decodedPixels_ = 0;
}

void TGif::ReadBytes(void* buffer, size_t count) {
    if (count > source_.size() - at_) Fail(geUnexpectedEnd);
    std::memcpy(buffer, source_.data() + at_, count);
    at_ += count;
}

uint32_t TGif::ReadInteger(int size) {
    uint8_t b[2] = {0, 0};
    if (size != 1 && size != 2) Fail(geInvalidIntegerSize);
    ReadBytes(b, size_t(size));
    return size == 1 ? b[0] : uint32_t(b[0]) | uint32_t(b[1]) << 8;
}

void TGif::ReadColorTable(int32_t size) {
    TGifColorTable table;
    table.Count = size;
    uint8_t rgb[768];
    ReadBytes(rgb, size_t(size) * 3);
    for (int32_t i = 0; i < size; ++i)
        table.Colors[size_t(i)] =
            uint32_t(rgb[3 * i]) | uint32_t(rgb[3 * i + 1]) << 8 | uint32_t(rgb[3 * i + 2]) << 16;
    tables_.push_back(table);
}

void TGif::ReadSubBlocks(std::vector<std::string>* blocks, std::vector<uint8_t>* data) {
    for (;;) {
        uint32_t n = ReadInteger(1);
        if (n == 0) return;
        if (n > source_.size() - at_) Fail(geUnexpectedEnd);
        const uint8_t* p = source_.data() + at_;
        if (blocks) blocks->emplace_back(reinterpret_cast<const char*>(p), n);
        if (data) data->insert(data->end(), p, p + n);
        at_ += n;
    }
}

void TGif::ParseExtension() {
    TGifExtension ext;
    ext.Label = uint8_t(ReadInteger(1));
    switch (ext.Label) {
        case 249: {
            ext.BlockSize = uint8_t(ReadInteger(1));
            if (ext.BlockSize != 4) Fail(geInvalidExtensionSize);
            uint8_t packed = uint8_t(ReadInteger(1));
            ext.Disposal = (packed >> 2) & 7;
            ext.UserInput = packed & 2;
            ext.Transparent = packed & 1;
            ext.Delay = uint16_t(ReadInteger(2));
            ext.TransparentIndex = uint8_t(ReadInteger(1));
            if (ReadInteger(1) != 0) Fail(geInvalidExtensionTerminator);
            break;
        }
        case 254:
            try {
                ReadSubBlocks(&ext.SubBlocks, nullptr);
            } catch (const runtime::EInvalidGraphicOperation&) {
                if (!images_.empty()) throw EndOfUsableData{};
                throw;
            }
            break;
        case 1:
            ext.BlockSize = uint8_t(ReadInteger(1));
            if (ext.BlockSize != 12) Fail(geInvalidExtensionSize);
            for (uint16_t& v : ext.TextGrid) v = uint16_t(ReadInteger(2));
            for (uint8_t& v : ext.TextCells) v = uint8_t(ReadInteger(1));
            ReadSubBlocks(&ext.SubBlocks, nullptr);
            break;
        case 255: {
            ext.BlockSize = uint8_t(ReadInteger(1));
            if (ext.BlockSize != 11) Fail(geInvalidExtensionSize);
            char id[11];
            ReadBytes(id, 11);
            ext.Identifier.assign(id, 8);
            ext.Authentication.assign(id + 8, 3);
            ReadSubBlocks(&ext.SubBlocks, nullptr);
            if (ext.Identifier == "NETSCAPE" && !ext.SubBlocks.empty() &&
                ext.SubBlocks[0].size() == 3)
                LoopCount = uint8_t(ext.SubBlocks[0][1]) | uint8_t(ext.SubBlocks[0][2]) << 8;
            break;
        }
        default:
            // Extensions of kinds we do not know carry nothing for us: their
            // data are skipped.
            ReadSubBlocks(nullptr, nullptr);
            return;
    }
    pending_.push_back(std::move(ext));
}

void TGif::ParseImage() {
    TGifImage image;
    image.Index = int32_t(images_.size());
    image.Extensions = std::move(pending_);
    pending_.clear();
    image.Left = uint16_t(ReadInteger(2));
    image.Top = uint16_t(ReadInteger(2));
    image.Width = uint16_t(ReadInteger(2));
    image.Height = uint16_t(ReadInteger(2));
    uint8_t packed = uint8_t(ReadInteger(1));
    image.LocalTable = packed & 0x80;
    image.Interlaced = packed & 0x40;
    image.Sorted = packed & 0x20;
    image.LocalTableSize = 2 << (packed & 7);
    if (image.LocalTable) {
        ReadColorTable(image.LocalTableSize);
        image.TableIndex = int32_t(tables_.size()) - 1;
    } else if (screen_.GlobalTableIndex >= 0) {
        image.TableIndex = screen_.GlobalTableIndex;
    } else {
        Fail(geNoColorTable);
    }
    image.CodeSize = uint8_t(ReadInteger(1));
    std::vector<uint8_t> data;
    ReadSubBlocks(nullptr, &data);
    const uint64_t pixels = uint64_t(image.Width) * image.Height;
    if (decodedPixels_ + pixels > PixelLimit) {
        if (images_.empty()) Fail(geImageTooLarge);
        throw EndOfUsableData{};
    }
    decodedPixels_ += pixels;
    image.Pixels.assign(size_t(pixels), 0);
    DecodePixels(image, data);
    images_.push_back(std::move(image));
}

void TGif::DecodePixels(TGifImage& image, const std::vector<uint8_t>& data) {
    if (image.Pixels.empty()) return;
    const int minimum = image.CodeSize;
    if (minimum + 1 > kMaxCodeSize) Fail(geInvalidLzwCodeSize);
    const uint32_t clear = 1u << minimum, end = clear + 1;
    // prefix, suffix and the first byte of each string; literals are their
    // own first byte.
    std::vector<uint16_t> prefix(kTableSize);
    std::vector<uint8_t> suffix(kTableSize), first(kTableSize);
    for (uint32_t c = 0; c < clear; ++c) suffix[c] = first[c] = uint8_t(c);
    std::vector<uint8_t> stack(kTableSize);
    PixelSink sink(image);

    int codeSize = minimum + 1;
    uint32_t limit = 1u << codeSize, nextFree = end + 1;
    int64_t previous = -1;
    uint64_t bits = 0;
    int held = 0;
    size_t at = 0;
    // Every code the data hold completely is decoded, the last ones too.
    auto fetch = [&](uint32_t& code) {
        while (held < codeSize) {
            if (at == data.size()) return false;
            bits |= uint64_t(data[at++]) << held;
            held += 8;
        }
        code = uint32_t(bits) & ((1u << codeSize) - 1);
        bits >>= codeSize;
        held -= codeSize;
        return true;
    };
    auto emit = [&](uint32_t code) {
        size_t n = 0;
        while (code > end) {
            stack[kTableSize - 1 - n++] = suffix[code];
            code = prefix[code];
            if (n >= size_t(kTableSize) - 1) Fail(geInvalidLzwData);
        }
        stack[kTableSize - 1 - n++] = uint8_t(code);
        sink.Put(&stack[kTableSize - n], n);
    };
    // A new string: the previous one and one more byte; nothing once the
    // table is full (until a clear code).
    auto add = [&](uint8_t lastByte) {
        if (nextFree < uint32_t(kTableSize) && nextFree <= limit) {
            prefix[nextFree] = uint16_t(previous);
            suffix[nextFree] = lastByte;
            first[nextFree] = first[uint32_t(previous)];
            ++nextFree;
        }
        if (nextFree >= limit && codeSize < kMaxCodeSize) {
            ++codeSize;
            limit <<= 1;
        }
    };

    uint32_t code = 0;
    while (!sink.Full() && fetch(code)) {
        if (code == clear) {
            codeSize = minimum + 1;
            limit = 1u << codeSize;
            nextFree = end + 1;
            bool got;
            while ((got = fetch(code)) && code == clear) {
            }
            if (!got) break;
            if (code == end) Fail(geInvalidLzwData);
            if (code >= nextFree) code = 0;
            emit(code);
        } else if (code == end) {
            break;
        } else if (code < nextFree) {
            emit(code);
            if (previous >= 0) add(first[code]);
        } else if (code == nextFree && previous >= 0) {
            add(first[uint32_t(previous)]);
            emit(code);
        } else {
            Fail(geInvalidLzwData);
        }
        previous = code;
    }
}

void TGif::Decode(runtime::TStream& stream) {
    Reset();
    stream.SetPosition(0);
    const int64_t size = stream.Size();
    source_.resize(size_t(std::max<int64_t>(size, 0)));
    if (!source_.empty()) stream.ReadBuffer(source_.data(), int64_t(source_.size()));
    try {
        char sig[6];
        ReadBytes(sig, 6);
        signature_.assign(sig, 6);
        std::string upper = signature_;
        for (char& c : upper) c = char(std::toupper(uint8_t(c)));
        if (upper != "GIF87A" && upper != "GIF89A") Fail(geInvalidSignature);
        screen_.Width = uint16_t(ReadInteger(2));
        screen_.Height = uint16_t(ReadInteger(2));
        // Every frame is composed on a canvas of the screen's size.
        if (uint64_t{screen_.Width} * screen_.Height > ScreenPixelLimit) Fail(geImageTooLarge);
        uint8_t packed = uint8_t(ReadInteger(1));
        screen_.BackgroundIndex = uint8_t(ReadInteger(1));
        screen_.Aspect = uint8_t(ReadInteger(1));
        screen_.GlobalTable = packed & 0x80;
        screen_.ColorResolution = uint8_t(((packed >> 4) & 7) + 1);
        screen_.Sorted = packed & 8;
        screen_.GlobalTableSize = 2 << (packed & 7);
        if (screen_.GlobalTable) {
            ReadColorTable(screen_.GlobalTableSize);
            screen_.GlobalTableIndex = int32_t(tables_.size()) - 1;
        }
        for (;;) {
            uint8_t block = at_ < source_.size() ? source_[at_++] : 0;
            if (block == 0 || block == ';') break;
            if (block == ',') {
                ParseImage();
            } else if (block == '!') {
                ParseExtension();
            } else {
                // Whatever follows the last image is not ours to judge.
                if (!images_.empty()) break;
                Fail(geUnknownOperationCode);
            }
        }
    } catch (const EndOfUsableData&) {
    }
    if (images_.empty()) {
        source_.clear();
        Fail(geNoImageDescription);
    }
    pending_.clear();
    source_.clear();
    source_.shrink_to_fit();
}

const TGifImage& TGif::Image(int32_t i) const {
    if (i < 0 || i >= ImageCount()) Fail(geValueOutOfRange);
    return images_[size_t(i)];
}

const TGifExtension* TGif::GraphicControlOf(int32_t i) const {
    for (const TGifExtension& e : Image(i).Extensions)
        if (e.Label == 249) return &e;
    return nullptr;
}

int32_t TGif::DelayOf(int32_t i) const {
    const TGifExtension* gc = GraphicControlOf(i);
    return gc == nullptr || gc->Delay == 0 ? 1 : gc->Delay;
}

int32_t TGif::DisposalOf(int32_t i) const {
    const TGifExtension* gc = GraphicControlOf(i);
    return gc == nullptr ? 0 : gc->Disposal & 3;
}

int32_t TGif::TransparentIndexOf(int32_t i) const {
    const TGifExtension* gc = GraphicControlOf(i);
    return gc != nullptr && gc->Transparent ? gc->TransparentIndex : -1;
}

bool TGif::AnyTransparency() const {
    for (int32_t i = 0; i < ImageCount(); ++i)
        if (TransparentIndexOf(i) >= 0) return true;
    return false;
}

const TGifColorTable& TGif::ColorTableOf(int32_t i) const {
    return tables_[size_t(Image(i).TableIndex)];
}

const TGifColorTable* TGif::GlobalColorTable() const {
    return screen_.GlobalTableIndex >= 0 ? &tables_[size_t(screen_.GlobalTableIndex)] : nullptr;
}

}  // namespace html
