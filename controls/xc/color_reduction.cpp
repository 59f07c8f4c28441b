#include "controls/xc/color_reduction.h"

#include <algorithm>
#include <array>
#include <span>

#include "controls/xc/xc_memory.h"
#include "runtime/exceptions.h"

namespace xc {

namespace {

constexpr std::array<uint8_t, 4> kLevels4 = {0, 85, 170, 255};
constexpr std::array<uint8_t, 6> kLevels6 = {0, 51, 102, 153, 204, 255};
constexpr std::array<uint8_t, 7> kLevels7 = {0, 43, 85, 128, 170, 213, 255};
constexpr std::array<uint8_t, 8> kLevels8 = {0, 36, 73, 109, 146, 182, 219, 255};

template <size_t N>
constexpr std::array<uint8_t, 256> NearestTable(const std::array<uint8_t, N>& levels) {
    std::array<uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v) {
        size_t best = 0;
        for (size_t i = 1; i < N; ++i) {
            int d = v > levels[i] ? v - levels[i] : levels[i] - v;
            int b = v > levels[best] ? v - levels[best] : levels[best] - v;
            if (d < b) best = i;
        }
        table[size_t(v)] = uint8_t(best);
    }
    return table;
}

constexpr auto kNearest4 = NearestTable(kLevels4);
constexpr auto kNearest6 = NearestTable(kLevels6);
constexpr auto kNearest7 = NearestTable(kLevels7);
constexpr auto kNearest8 = NearestTable(kLevels8);

constexpr TRGBQuad kGray128{128, 128, 128, 0};
constexpr TRGBQuad kGray128Reserved{128, 128, 128, 128};

// The standard 16 colours, as the system's 4-bit palette orders them.
constexpr std::array<TRGBQuad, 16> kVga16 = {{
    {0, 0, 0, 0},
    {0, 0, 128, 0},
    {0, 128, 0, 0},
    {0, 128, 128, 0},
    {128, 0, 0, 0},
    {128, 0, 128, 0},
    {128, 128, 0, 0},
    {192, 192, 192, 0},
    {128, 128, 128, 0},
    {0, 0, 255, 0},
    {0, 255, 0, 0},
    {0, 255, 255, 0},
    {255, 0, 0, 0},
    {255, 0, 255, 0},
    {255, 255, 0, 0},
    {255, 255, 255, 0},
}};

struct Rgb {
    uint8_t r, g, b;
};

// The picture's pixels from the top row, left to right.
std::vector<Rgb> ReadPixels(const TDibBitmap& bitmap) {
    std::vector<Rgb> out;
    out.reserve(size_t(bitmap.Width) * size_t(bitmap.Height));
    for (int32_t y = 0; y < bitmap.Height; ++y)
        for (int32_t x = 0; x < bitmap.Width; ++x) {
            TRGBQuad q = bitmap.PixelColor(x, y);
            out.push_back({q.Red, q.Green, q.Blue});
        }
    return out;
}

TDibBitmap Copy24(const TDibBitmap& bitmap) {
    TDibBitmap out(bitmap.Width, bitmap.Height, 24);
    for (int32_t y = 0; y < bitmap.Height; ++y) {
        uint8_t* row = out.Row(y);
        for (int32_t x = 0; x < bitmap.Width; ++x) {
            TRGBQuad q = bitmap.PixelColor(x, y);
            row[3 * x] = q.Blue;
            row[3 * x + 1] = q.Green;
            row[3 * x + 2] = q.Red;
        }
    }
    return out;
}

int Distance2(const Rgb& a, const TRGBQuad& b) {
    int dr = a.r - b.Red, dg = a.g - b.Green, db = a.b - b.Blue;
    return dr * dr + dg * dg + db * db;
}

// Maps every pixel to the nearest entry of a small palette.
TDibBitmap ToIndexed(const TDibBitmap& bitmap, uint16_t bits) {
    TDibBitmap out(bitmap.Width, bitmap.Height, bits);
    const size_t entries = size_t(1) << bits;
    if (bitmap.BitCount <= bits && !bitmap.Colors.empty()) {
        std::copy(bitmap.Colors.begin(), bitmap.Colors.end(), out.Colors.begin());
    } else if (bits == 1) {
        out.Colors[0] = {0, 0, 0, 0};
        out.Colors[1] = {255, 255, 255, 0};
    } else {
        std::copy(kVga16.begin(), kVga16.end(), out.Colors.begin());
    }
    for (int32_t y = 0; y < bitmap.Height; ++y) {
        uint8_t* row = out.Row(y);
        for (int32_t x = 0; x < bitmap.Width; ++x) {
            TRGBQuad q = bitmap.PixelColor(x, y);
            Rgb p{q.Red, q.Green, q.Blue};
            size_t best = 0;
            for (size_t i = 1; i < entries; ++i)
                if (Distance2(p, out.Colors[i]) < Distance2(p, out.Colors[best])) best = i;
            if (bits == 1)
                row[x / 8] |= uint8_t(best << (7 - x % 8));
            else
                row[x / 2] |= uint8_t(best << (x % 2 ? 0 : 4));
        }
    }
    return out;
}

class Popularity {
  public:
    static constexpr size_t kMaxColours = 2049;
    static constexpr uint32_t kSlots = 5191;
    static constexpr uint16_t kEmpty = 0xFFFF;

    void Run(std::span<const Rgb> pixels, std::vector<uint8_t>& indices,
             std::vector<TRGBQuad>& table) {
        while (!Count(pixels)) Coarsen();
        ChoosePalette(table);
        for (size_t i = 0; i < pixels.size(); ++i)
            indices[i] = entries_[Find(Mask(pixels[i]))].index;
    }

  private:
    struct Entry {
        Rgb colour;
        uint32_t count;
        uint8_t index;
        bool taken;
    };

    Rgb Mask(const Rgb& p) const {
        return {uint8_t(p.r & red_), uint8_t(p.g & green_), uint8_t(p.b & blue_)};
    }

    // The entry of a masked colour; a new one when absent (kEmpty slots
    // are filled by the caller's count).
    uint32_t Slot(const Rgb& c) const {
        uint32_t h = uint32_t((c.r + c.g) * (c.b + c.g) * (c.r + c.b)) % kSlots;
        for (;;) {
            uint16_t e = slots_[h];
            if (e == kEmpty) return h;
            const Rgb& k = entries_[e].colour;
            if (k.r == c.r && k.g == c.g && k.b == c.b) return h;
            h = h + 1 == kSlots ? 0 : h + 1;
        }
    }

    size_t Find(const Rgb& c) const { return slots_[Slot(c)]; }

    bool Count(std::span<const Rgb> pixels) {
        entries_.clear();
        slots_.assign(kSlots, kEmpty);
        for (const Rgb& p : pixels) {
            Rgb c = Mask(p);
            uint32_t slot = Slot(c);
            if (slots_[slot] == kEmpty) {
                if (entries_.size() == kMaxColours) return false;
                slots_[slot] = uint16_t(entries_.size());
                entries_.push_back({c, 0, 0, false});
            }
            ++entries_[slots_[slot]].count;
        }
        return true;
    }

    void Coarsen() {
        uint8_t& mask = red_ < green_ ? green_ : red_ > blue_ ? red_ : blue_;
        mask = uint8_t(mask << 1);
    }

    void ChoosePalette(std::vector<TRGBQuad>& table) {
        table.assign(256, kGray128);
        std::vector<size_t> taken;
        while (taken.size() < 256 && taken.size() < entries_.size()) {
            size_t best = SIZE_MAX;
            for (size_t i = 0; i < entries_.size(); ++i)
                if (!entries_[i].taken &&
                    (best == SIZE_MAX || entries_[i].count > entries_[best].count))
                    best = i;
            Entry& e = entries_[best];
            e.taken = true;
            e.index = uint8_t(taken.size());
            table[taken.size()] = {e.colour.b, e.colour.g, e.colour.r, 0};
            taken.push_back(best);
        }
        for (Entry& e : entries_) {
            if (e.taken) continue;
            int bound = 196608;
            for (size_t t = 0; t < taken.size(); ++t) {
                int d = Distance2(e.colour, table[t]);
                if (d < bound) {
                    bound = d;
                    e.index = uint8_t(t);
                }
            }
        }
    }

    uint8_t red_ = 255, green_ = 255, blue_ = 255;
    std::vector<Entry> entries_;
    std::vector<uint16_t> slots_;
};

// Returns the number of boxes.
uint32_t MedianCut(std::span<const Rgb> pixels, std::vector<uint8_t>& indices,
                   std::vector<TRGBQuad>& table) {
    struct Cell {
        uint8_t v[3];
        uint64_t count = 0;
    };
    struct Box {
        int lower[3] = {0, 0, 0}, extent[3] = {255, 255, 255};
        std::vector<uint16_t> cells;
        uint64_t total = 0;
    };
    std::vector<Cell> cells(4096);
    for (size_t i = 0; i < 4096; ++i)
        cells[i].v[0] = uint8_t(i >> 8), cells[i].v[1] = uint8_t((i >> 4) & 15),
        cells[i].v[2] = uint8_t(i & 15);
    auto cellOf = [](const Rgb& p) {
        return size_t(p.r / 16) * 256 + size_t(p.g / 16) * 16 + p.b / 16;
    };
    for (const Rgb& p : pixels) ++cells[cellOf(p)].count;

    std::vector<Box> boxes(1);
    for (size_t i = 0; i < 4096; ++i)
        if (cells[i].count > 0) boxes[0].cells.push_back(uint16_t(i));
    boxes[0].total = pixels.size();
    while (boxes.size() < 256) {
        int best = -1, channel = 0, widest = -1;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].cells.size() < 2) continue;
            for (int c = 0; c < 3; ++c)
                if (boxes[b].extent[c] > widest) {
                    widest = boxes[b].extent[c];
                    best = int(b);
                    channel = c;
                }
        }
        if (best < 0) break;
        Box& box = boxes[size_t(best)];
        std::stable_sort(box.cells.begin(), box.cells.end(), [&](uint16_t a, uint16_t b) {
            return cells[a].v[channel] < cells[b].v[channel];
        });
        size_t keep = 1;
        uint64_t running = cells[box.cells[0]].count;
        while (keep < box.cells.size() - 1 &&
               2 * (running + cells[box.cells[keep]].count) <= box.total) {
            running += cells[box.cells[keep]].count;
            ++keep;
        }
        Box split;
        std::copy(std::begin(box.lower), std::end(box.lower), split.lower);
        std::copy(std::begin(box.extent), std::end(box.extent), split.extent);
        split.cells.assign(box.cells.begin() + ptrdiff_t(keep), box.cells.end());
        box.cells.resize(keep);
        int upper = box.lower[channel] + box.extent[channel];
        split.lower[channel] = 16 * cells[split.cells.front()].v[channel];
        split.extent[channel] = upper - split.lower[channel];
        box.extent[channel] = 16 * cells[box.cells.back()].v[channel] - box.lower[channel];
        box.total = running;
        for (uint16_t c : split.cells) split.total += cells[c].count;
        boxes.push_back(std::move(split));
    }

    table.assign(256, TRGBQuad{});
    std::vector<uint8_t> cellBox(4096, 0);
    for (size_t b = 0; b < boxes.size(); ++b) {
        uint32_t sum[3] = {0, 0, 0};
        for (uint16_t c : boxes[b].cells) {
            cellBox[c] = uint8_t(b);
            for (int k = 0; k < 3; ++k) sum[k] += cells[c].v[k];
        }
        size_t n = std::max<size_t>(1, boxes[b].cells.size());
        uint8_t ch[3];
        for (int k = 0; k < 3; ++k) ch[k] = uint8_t((16 * sum[k] + 15) / n);
        if (ch[0] <= 16 && ch[1] <= 16 && ch[2] <= 16) ch[0] = ch[1] = ch[2] = 0;
        table[b] = {ch[2], ch[1], ch[0], 0};
    }
    for (size_t i = 0; i < pixels.size(); ++i) indices[i] = cellBox[cellOf(pixels[i])];
    return uint32_t(boxes.size());
}

void Truncate(std::span<const Rgb> pixels, std::vector<uint8_t>& indices,
              std::vector<TRGBQuad>& table, bool cube216) {
    table.assign(256, kGray128Reserved);
    if (cube216) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    table[size_t(36 * r + 6 * g + b)] = {kLevels6[b], kLevels6[g], kLevels6[r], 0};
        for (size_t i = 0; i < pixels.size(); ++i)
            indices[i] = uint8_t(36 * kNearest6[pixels[i].r] + 6 * kNearest6[pixels[i].g] +
                                 kNearest6[pixels[i].b]);
    } else {
        for (int r = 0; r < 7; ++r)
            for (int g = 0; g < 8; ++g)
                for (int b = 0; b < 4; ++b)
                    table[size_t(32 * r + 4 * g + b)] = {kLevels4[b], kLevels8[g], kLevels7[r], 0};
        for (size_t i = 0; i < pixels.size(); ++i)
            indices[i] = uint8_t(32 * kNearest7[pixels[i].r] + 4 * kNearest8[pixels[i].g] +
                                 kNearest4[pixels[i].b]);
    }
}

void Tripel(std::span<const Rgb> pixels, int32_t width, int32_t height,
            std::vector<uint8_t>& indices, std::vector<TRGBQuad>& table) {
    table.assign(256, TRGBQuad{});
    for (int i = 0; i < 64; ++i) {
        table[size_t(i)] = {0, 0, uint8_t(4 * i), 0};
        table[size_t(64 + i)] = {0, uint8_t(4 * i), 0, 0};
        table[size_t(128 + i)] = {uint8_t(4 * i), 0, 0, 0};
    }
    for (int32_t y = 0; y < height; ++y) {
        int32_t bufferRow = height - 1 - y;  // rows count from the bottom
        for (int32_t x = 0; x < width; ++x) {
            size_t i = size_t(y) * size_t(width) + size_t(x);
            const Rgb& p = pixels[i];
            switch ((bufferRow + x) % 3) {
                case 0:
                    indices[i] = uint8_t(p.r / 4);
                    break;
                case 1:
                    indices[i] = uint8_t(p.g / 4 + 64);
                    break;
                default:
                    indices[i] = uint8_t(p.b / 4 + 128);
                    break;
            }
        }
    }
}

void Grayscale(std::span<const Rgb> pixels, std::vector<uint8_t>& indices,
               std::vector<TRGBQuad>& table) {
    table.resize(256);
    for (int i = 0; i < 256; ++i) table[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    for (size_t i = 0; i < pixels.size(); ++i)
        indices[i] = uint8_t((77 * pixels[i].r + 150 * pixels[i].g + 29 * pixels[i].b) >> 8);
}

}  // namespace

uint8_t NearestLevel(int levels, uint8_t value) {
    switch (levels) {
        case 4:
            return kNearest4[value];
        case 6:
            return kNearest6[value];
        case 7:
            return kNearest7[value];
        case 8:
            return kNearest8[value];
        default:
            return 0;
    }
}

TDibBitmap ReduceTo8Bits(const TDibBitmap& source, uint8_t method, uint32_t& colorsUsed) {
    source.Validate();
    const std::vector<Rgb> pixels = ReadPixels(source);
    std::vector<uint8_t> indices(pixels.size());
    TDibBitmap out(source.Width, source.Height, 8);
    colorsUsed = 0;
    switch (method) {
        case rmPopularity:
            Popularity().Run(pixels, indices, out.Colors);
            break;
        case rmMedianCut:
            colorsUsed = MedianCut(pixels, indices, out.Colors);
            break;
        case rmCube224:
            Truncate(pixels, indices, out.Colors, false);
            colorsUsed = 224;
            break;
        case rmCube216:
            Truncate(pixels, indices, out.Colors, true);
            colorsUsed = 216;
            break;
        case rmTripel:
            Tripel(pixels, source.Width, source.Height, indices, out.Colors);
            break;
        case rmGrayscale:
            Grayscale(pixels, indices, out.Colors);
            break;
        default:
            NotImplementedAbort();
    }
    for (int32_t y = 0; y < out.Height; ++y)
        std::copy_n(&indices[size_t(y) * size_t(out.Width)], out.Width, out.Row(y));
    return out;
}

std::unique_ptr<runtime::TMemoryStream> ConvertBitmapPixelFormat(const TDibBitmap& bitmap,
                                                                 TPixelFormat target,
                                                                 uint8_t method) {
    bitmap.Validate();
    auto stream = std::make_unique<runtime::TMemoryStream>();
    if (bitmap.PixelFormat() == target && method != rmGrayscale) {
        SaveDibAsBmp(bitmap, *stream);
    } else {
        switch (target) {
            case pf1bit:
                SaveDibAsBmp(ToIndexed(bitmap, 1), *stream);
                break;
            case pf4bit:
                SaveDibAsBmp(ToIndexed(bitmap, 4), *stream);
                break;
            case pf8bit: {
                uint32_t colorsUsed = 0;
                TDibBitmap reduced = ReduceTo8Bits(bitmap, method, colorsUsed);
                SaveDibAsBmp(reduced, *stream, colorsUsed);
                break;
            }
            case pf24bit:
                SaveDibAsBmp(Copy24(bitmap), *stream);
                break;
            default:
                NotImplementedAbort();
        }
    }
    stream->SetPosition(0);
    return stream;
}

}  // namespace xc
