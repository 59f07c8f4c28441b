// Decoding pictures, beside Debian's libraries in the same run:
//   - a 4,000 x 3,000 RGBA PNG (written by libpng), ours against libpng;
//   - a 200-frame 320 x 240 GIF animation (written by giflib), ours
//     against giflib's DGifSlurp (both read every frame's indices), and
//     our composition of the frames one after another, as an animation
//     shows them;
//
//   image_codecs_bench [runs]
//
// Prints the median time of each and the ratio ours / peer.
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "controls/html/gif_decoder.h"
#include "controls/html/gif_frames.h"
#include "controls/toolbar/png_libpng_support.h"
#include "controls/toolbar/png_reader.h"
#include "runtime/streams.h"
#include "tests/oracles/giflib_support.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const char* what, double ours, const char* peer, double theirs) {
    std::printf("%-34s ours %8.1f ms   %-7s %8.1f ms   ratio %.2f\n", what, ours * 1000, peer,
                theirs * 1000, ours / theirs);
}

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

// A photo-like picture: smooth gradients, soft shapes, a little noise, and
// an alpha channel that fades across it.
std::string MakeRgbaPng(uint32_t w, uint32_t h) {
    std::mt19937 rng(1);
    std::vector<png_byte> data(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            png_byte* p = &data[(size_t(y) * w + x) * 4];
            double s = std::sin(x * 0.004) * std::cos(y * 0.006);
            p[0] = png_byte(128 + 100 * s + (rng() & 7));
            p[1] = png_byte((x * 255) / w + (rng() & 3));
            p[2] = png_byte((y * 255) / h);
            p[3] = png_byte(255 - (x + y) * 128 / (w + h));
        }
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) std::abort();
    png_set_write_fn(png, &out, AppendBytes, nullptr);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < h; ++y) png_write_row(png, &data[size_t(y) * w * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

void BenchPng(int runs) {
    std::string file = MakeRgbaPng(4000, 3000);
    std::printf("PNG: 4000 x 3000 RGBA, %.1f MB\n", file.size() / 1e6);
    uint32_t w = 0, h = 0;
    std::vector<uint32_t> expected = toolbar::testing::LibpngReadArgb(file, w, h);
    toolbar::TPNGReader check;
    runtime::TStringStream checkStream(file);
    check.ReadPNG(checkStream);
    if (check.Pixels() != expected) {
        std::fprintf(stderr, "PNG: our pixels differ from libpng's\n");
        std::exit(1);
    }
    double ours = Median(runs, [&] {
        runtime::TStringStream s(file);
        toolbar::TPNGReader reader;
        reader.ReadPNG(s);
    });
    double theirs = Median(runs, [&] { toolbar::testing::LibpngReadArgb(file, w, h); });
    Report("decode 4000x3000 RGBA PNG", ours, "libpng", theirs);
}

// Moving shapes over a gradient: each frame redraws a band of the screen,
// every tenth frame the whole of it.
std::string MakeAnimation(int frames) {
    oracles::GifFile file;
    file.width = 320;
    file.height = 240;
    file.loopCount = 0;
    for (int i = 0; i < 256; ++i)
        file.globalColours.insert(file.globalColours.end(),
                                  {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    std::mt19937 rng(3);
    for (int f = 0; f < frames; ++f) {
        oracles::GifFrame frame;
        bool whole = f % 10 == 0;
        frame.width = 320;
        frame.height = whole ? 240 : 80;
        frame.top = whole ? 0 : (f * 7) % 160;
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                int cx = (f * 5) % 320, cy = (f * 3) % 240;
                int d = (x - cx) * (x - cx) + (frame.top + y - cy) * (frame.top + y - cy);
                uint8_t v =
                    d < 1600 ? uint8_t(200 + (rng() & 7)) : uint8_t((x + frame.top + y) / 3);
                frame.pixels.push_back(v);
            }
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_DO_NOT;
        gcb.DelayTime = 4;
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        frame.control = gcb;
        file.frames.push_back(std::move(frame));
    }
    return oracles::GiflibWrite(file);
}

void BenchGif(int runs) {
    std::string file = MakeAnimation(200);
    std::printf("GIF: 200 frames of 320 x 240, %.1f MB\n", file.size() / 1e6);
    auto theirs = oracles::GiflibRead(file);
    html::TGif check;
    runtime::TStringStream checkStream(file);
    check.Decode(checkStream);
    for (int i = 0; i < check.ImageCount(); ++i)
        if (!theirs || check.Image(i).Pixels != theirs->frames[size_t(i)].pixels) {
            std::fprintf(stderr, "GIF: our pixels differ from giflib's\n");
            std::exit(1);
        }
    double ours = Median(runs, [&] {
        runtime::TStringStream s(file);
        html::TGif gif;
        gif.Decode(s);
    });
    double peer = Median(runs, [&] { (void)oracles::GiflibRead(file); });
    Report("decode 200-frame GIF", ours, "giflib", peer);
    double compose = Median(runs, [&] {
        html::TGifComposer composer(check);
        for (int32_t i = 0; i < composer.Count(); ++i) (void)composer.Frame(i);
    });
    std::printf("%-34s ours %8.1f ms   (no peer: giflib does not compose)\n",
                "compose its 200 frames in turn", compose * 1000);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    BenchPng(runs);
    BenchGif(runs);
    return 0;
}
