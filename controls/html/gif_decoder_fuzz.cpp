// Feeds arbitrary bytes to the GIF decoder and composes the frames of what
// it accepts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "controls/html/gif_decoder.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runtime::TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    html::TGif gif;
    // Keep each run small.
    gif.PixelLimit = 1 << 20;
    gif.FramePixelLimit = 1 << 20;
    try {
        gif.Decode(stream);
        // Keep each run small: compose only modest screens.
        if (uint64_t(gif.ScreenWidth()) * gif.ScreenHeight() * uint64_t(gif.ImageCount()) <=
            (1u << 20))
            (void)gif.BuildFrames();
    } catch (const runtime::Exception&) {
    }
    return 0;
}
