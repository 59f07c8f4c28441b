// Feeds arbitrary bytes to the LZW decoder: the first three bytes choose
// the size, depth and interlacing, the rest is the LZW data.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "controls/xc/gif_lzw.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int32_t width = 1 + data[0] % 64, height = 1 + data[1] % 64;
    const int32_t bits = data[2] & 1 ? 1 : data[2] & 2 ? 4 : 8;
    const int32_t colorBits = 1 + (data[2] >> 2) % 8;
    const bool interlaced = data[2] & 0x80;
    const bool tolerant = data[2] & 0x40;
    runtime::TStringStream lzw(std::string(reinterpret_cast<const char*>(data) + 3, size - 3));
    std::vector<uint8_t> pixels(((size_t(width) * bits + 31) / 32) * 4 * height, 0);
    bool damaged = false;
    try {
        xc::DecodeGIFImageData(lzw, width, height, bits, interlaced, nullptr, damaged,
                               pixels.data(), colorBits, tolerant);
    } catch (const runtime::Exception&) {
    }
    return 0;
}
