#pragma once

// TGif reads a GIF87a or GIF89a file: header, logical screen, colour
// tables, extensions and images; LZW-decodes every image into 8-bit
// indices, and composes the images into frames of the logical screen's
// size, each as it shows in an animation (with a transparency mask when
// any image is transparent). Errors raise runtime::EInvalidGraphicOperation
// "TGif: <text>".

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "controls/html/limits.h"
#include "runtime/object.h"
#include "runtime/streams.h"

namespace html {

enum TGifError : uint8_t {
    geNone,
    geInvalidSignature,
    geNoColorTable,
    geUnknownExtensionType,
    geUnknownOperationCode,
    geInvalidExtensionSize,
    geSpecialMessage,
    geInvalidExtensionTerminator,
    geInvalidIntegerSize,
    geNoTerminator,
    geExtensionOutOfOrder,
    geInvalidImageIndex,
    geInvalidLzwCodeSize,
    geInvalidLzwData,
    geLzwOverflow,
    geValueOutOfRange,
    geNilPointer,
    geInvalidColorTableSize,
    geNoImageDescription,
    geInvalidBitmapImage,
    geInvalidColorTableIndex,
    geInvalidInterlacePass,
    geInvalidBitmap,
    geTooManyColors,
    geUnexpectedEnd,
    geNextMessage,
    geImageTooLarge,
    geCount
};

inline constexpr std::array<const char*, geCount> kGifErrorTexts = {
    "no error",
    "Invalid GIF Signature Code",
    "No Local or Global Color Table for Image",
    "Unknown Graphics Extension Type",
    "Unknown Graphics Operation Code",
    "Invalid Extension Block Size",
    "[special message]",
    "Invalid Extension Block Terminator",
    "Invalid Integer Size",
    "No GIF Terminator Found",
    "Extension Block Out-Of-Order With Image Data",
    "Invalid Image Descriptor Index",
    "Invalid LZW Code Size",
    "Invalid LZW Data Format",
    "LZW Code Overflow",
    "Value Out Of Range",
    "NIL Pointer assigned",
    "Invalid Color Table Size",
    "No Image Description",
    "Invalid Bitmap Image",
    "Invalid Color Table Index",
    "Invalid Interlace Pass",
    "Invalid Bitmap",
    "Too Many Colors In Bitmap",
    "Unexpected end of file",
    "next message",
    "Image too large",
};
static_assert(kGifErrorTexts.size() == geCount);

// Raises runtime::EInvalidGraphicOperation "TGif: <text of error>".
[[noreturn]] void RaiseGifError(TGifError error);

// A colour table: colours with red in the low byte, green in the second,
// blue in the third.
struct TGifColorTable {
    int32_t Count = 0;
    std::array<uint32_t, 256> Colors{};
};

struct TGifScreenDescriptor {
    uint16_t Width = 0, Height = 0;
    bool GlobalTable = false;
    uint8_t ColorResolution = 0;
    bool Sorted = false;
    int32_t GlobalTableSize = 0;
    uint8_t BackgroundIndex = 0;
    uint8_t Aspect = 0;
    int32_t GlobalTableIndex = -1;  // in the table list
};

struct TGifExtension {
    uint8_t Label = 0;  // 249 graphic control, 254 comment, 1 plain text, 255 application
    uint8_t BlockSize = 0;
    // Graphic control.
    uint8_t Disposal = 0;
    bool UserInput = false;
    bool Transparent = false;
    uint16_t Delay = 0;  // hundredths of a second
    uint8_t TransparentIndex = 0;
    // Plain text header.
    std::array<uint16_t, 4> TextGrid{};
    std::array<uint8_t, 4> TextCells{};
    // Application.
    std::string Identifier;      // 8 characters
    std::string Authentication;  // 3 bytes
    std::vector<std::string> SubBlocks;
};

struct TGifImage {
    int32_t Index = 0;
    uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool LocalTable = false, Interlaced = false, Sorted = false;
    int32_t LocalTableSize = 0;
    int32_t TableIndex = -1;
    uint8_t CodeSize = 0;
    std::vector<TGifExtension> Extensions;
    std::vector<uint8_t> Pixels;  // Width x Height indices, top-left first
};

// One composed frame: the logical screen as it shows, pixels 0x00RRGGBB
// top row first, and a mask (1 = transparent) when the GIF has any
// transparency.
struct TGifCell {
    std::vector<uint32_t> Pixels;
    std::vector<uint8_t> Mask;
};

class TGif : public runtime::TObject {
  public:
    TGif() { Reset(); }

    // Reads the whole stream from position 0.
    void Decode(runtime::TStream& stream);
    void Reset();

    [[nodiscard]] int32_t ImageCount() const { return int32_t(images_.size()); }
    [[nodiscard]] int32_t ScreenWidth() const { return screen_.Width; }
    [[nodiscard]] int32_t ScreenHeight() const { return screen_.Height; }
    [[nodiscard]] const TGifScreenDescriptor& Screen() const { return screen_; }
    [[nodiscard]] const std::string& Signature() const { return signature_; }

    // Per image; an index outside the list raises "Value Out Of Range".
    [[nodiscard]] const TGifImage& Image(int32_t i) const;
    [[nodiscard]] int32_t LeftOf(int32_t i) const { return Image(i).Left; }
    [[nodiscard]] int32_t TopOf(int32_t i) const { return Image(i).Top; }
    [[nodiscard]] int32_t WidthOf(int32_t i) const { return Image(i).Width; }
    [[nodiscard]] int32_t HeightOf(int32_t i) const { return Image(i).Height; }
    // The graphic control's delay, 1 when there is none or it is 0.
    [[nodiscard]] int32_t DelayOf(int32_t i) const;
    // The disposal method AND 3; 0 without a graphic control.
    [[nodiscard]] int32_t DisposalOf(int32_t i) const;
    // -1 unless the graphic control's transparency flag is set.
    [[nodiscard]] int32_t TransparentIndexOf(int32_t i) const;
    // The first graphic control extension of the image, or null.
    [[nodiscard]] const TGifExtension* GraphicControlOf(int32_t i) const;
    [[nodiscard]] bool AnyTransparency() const;
    [[nodiscard]] const TGifColorTable& ColorTableOf(int32_t i) const;
    // Null without a global colour table.
    [[nodiscard]] const TGifColorTable* GlobalColorTable() const;

    // -1 without a NETSCAPE block.
    int32_t LoopCount = -1;

    // Index pixels of all images together; images beyond end the decoding
    // (a first image beyond is "Image too large").
    uint64_t PixelLimit = kMaxGifDecodedPixels;
    // Pixels of the logical screen; a larger one is "Image too large" as
    // soon as it is read.
    uint64_t ScreenPixelLimit = kMaxGifScreenPixels;
    // Pixels of all frames together that BuildFrames makes at once.
    uint64_t FramePixelLimit = kMaxGifFramePixels;

    // Every frame at once, as an animation shows them (gif_frames.h); more
    // than FramePixelLimit pixels together raise "Image too large". An
    // animation of any length is shown frame by frame with TGifComposer.
    [[nodiscard]] std::vector<TGifCell> BuildFrames() const;

  private:
    void ParseExtension();
    void ParseImage();
    void ReadSubBlocks(std::vector<std::string>* blocks, std::vector<uint8_t>* data);
    void ReadColorTable(int32_t size);
    void DecodePixels(TGifImage& image, const std::vector<uint8_t>& data);
    uint32_t ReadInteger(int size);
    void ReadBytes(void* buffer, size_t count);

    std::vector<uint8_t> source_;  // the whole file while decoding
    size_t at_ = 0;
    std::string signature_;
    TGifScreenDescriptor screen_;
    std::vector<TGifExtension> pending_;
    std::vector<TGifImage> images_;
    std::vector<TGifColorTable> tables_;
    uint64_t decodedPixels_ = 0;
};

}  // namespace html
