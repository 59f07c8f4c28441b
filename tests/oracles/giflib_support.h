#pragma once

// Debian's giflib as a peer for the GIF oracle tests and the benchmark:
// writes GIF files frame by frame and reads them back into raw frames.

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oracles {

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlace = false;
    std::vector<uint8_t> pixels;        // width x height indices, top row first
    std::vector<uint8_t> localColours;  // RGB triples; empty: use the global table
    std::optional<GraphicsControlBlock> control;
};

struct GifFile {
    int width = 0, height = 0, background = 0;
    std::vector<uint8_t> globalColours;  // RGB triples
    int loopCount = -1;                  // NETSCAPE block when >= 0
    std::vector<GifFrame> frames;
};

namespace giflib_detail {
inline ColorMapObject* MakeMap(const std::vector<uint8_t>& rgb) {
    int count = int(rgb.size() / 3), size = 2;
    while (size < count) size *= 2;
    std::vector<GifColorType> colours(size_t(size), GifColorType{0, 0, 0});
    for (int i = 0; i < count; ++i)
        colours[size_t(i)] = {rgb[size_t(3 * i)], rgb[size_t(3 * i + 1)], rgb[size_t(3 * i + 2)]};
    return GifMakeMapObject(size, colours.data());
}

inline int Append(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), size_t(length));
    return length;
}

struct Source {
    const std::string* bytes;
    size_t at;
};

inline int Take(GifFileType* gif, GifByteType* data, int length) {
    auto* s = static_cast<Source*>(gif->UserData);
    size_t n = std::min(size_t(length), s->bytes->size() - s->at);
    std::copy_n(s->bytes->data() + s->at, n, data);
    s->at += n;
    return int(n);
}
}  // namespace giflib_detail

// Empty on a giflib error.
inline std::string GiflibWrite(const GifFile& file) {
    using namespace giflib_detail;
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, Append, &error);
    if (gif == nullptr) return {};
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = file.globalColours.empty() ? nullptr : MakeMap(file.globalColours);
    bool ok = EGifPutScreenDesc(gif, file.width, file.height, 8, file.background, global) == GIF_OK;
    if (file.loopCount >= 0 && ok) {
        unsigned char loop[3] = {1, uint8_t(file.loopCount), uint8_t(file.loopCount >> 8)};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
             EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
             EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    for (const GifFrame& f : file.frames) {
        if (!ok) break;
        if (f.control) {
            GifByteType bytes[4];
            EGifGCBToExtension(&*f.control, bytes);
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, bytes) == GIF_OK;
        }
        // giflib keeps a copy of each local table and loses it when the next
        // image has none; free it here.
        if (gif->Image.ColorMap) {
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
        ColorMapObject* local = f.localColours.empty() ? nullptr : MakeMap(f.localColours);
        ok = ok &&
             EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local) == GIF_OK;
        if (local) GifFreeMapObject(local);
        // Interlaced images take their rows in the file's order.
        std::vector<int> rows;
        if (f.interlace) {
            for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < f.height; y += step) rows.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y) rows.push_back(y);
        }
        for (int y : rows) {
            if (!ok) break;
            std::vector<GifPixelType> line(f.pixels.begin() + ptrdiff_t(y) * f.width,
                                           f.pixels.begin() + ptrdiff_t(y + 1) * f.width);
            ok = EGifPutLine(gif, line.data(), f.width) == GIF_OK;
        }
    }
    if (global) GifFreeMapObject(global);
    if (gif->Image.ColorMap) {
        GifFreeMapObject(gif->Image.ColorMap);
        gif->Image.ColorMap = nullptr;
    }
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    return ok ? out : std::string();
}

// Every frame as giflib reads it (interlaced frames put in order); nullopt
// on a giflib error.
inline std::optional<GifFile> GiflibRead(const std::string& bytes) {
    using namespace giflib_detail;
    Source source{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, Take, &error);
    if (gif == nullptr) return std::nullopt;
    if (DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &error);
        return std::nullopt;
    }
    GifFile file;
    file.width = gif->SWidth;
    file.height = gif->SHeight;
    file.background = gif->SBackGroundColor;
    if (gif->SColorMap)
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
            const GifColorType& c = gif->SColorMap->Colors[i];
            file.globalColours.insert(file.globalColours.end(), {c.Red, c.Green, c.Blue});
        }
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        GifFrame f;
        f.left = image.ImageDesc.Left;
        f.top = image.ImageDesc.Top;
        f.width = image.ImageDesc.Width;
        f.height = image.ImageDesc.Height;
        f.interlace = image.ImageDesc.Interlace;
        f.pixels.assign(image.RasterBits, image.RasterBits + size_t(f.width) * size_t(f.height));
        if (image.ImageDesc.ColorMap)
            for (int k = 0; k < image.ImageDesc.ColorMap->ColorCount; ++k) {
                const GifColorType& c = image.ImageDesc.ColorMap->Colors[k];
                f.localColours.insert(f.localColours.end(), {c.Red, c.Green, c.Blue});
            }
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
            bool present = false;
            for (int e = 0; e < image.ExtensionBlockCount; ++e)
                present |= image.ExtensionBlocks[e].Function == GRAPHICS_EXT_FUNC_CODE;
            if (present) f.control = gcb;
        }
        file.frames.push_back(std::move(f));
    }
    DGifCloseFile(gif, &error);
    return file;
}

}  // namespace oracles
