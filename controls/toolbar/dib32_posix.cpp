#include <vector>

#include "controls/toolbar/dib32.h"

namespace toolbar::detail {

// Without a windowing system the pixels are a plain buffer.
struct TDib32Surface {
    std::vector<uint32_t> pixels;
};

TDib32Surface* NewDib32Surface(int32_t width, int32_t height, uint32_t*& pixels) {
    auto* surface = new TDib32Surface{std::vector<uint32_t>(size_t(width) * size_t(height), 0)};
    pixels = surface->pixels.data();
    return surface;
}

void TDib32SurfaceDeleter::operator()(TDib32Surface* surface) const noexcept {
    delete surface;
}

}  // namespace toolbar::detail
