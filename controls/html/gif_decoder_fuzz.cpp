// Feeds arbitrary bytes to the GIF decoder and composes the frames of what
// it accepts, one after another and back to the first.
#include <cstddef>
#include <cstdint>
#include <string>

#include "controls/html/gif_decoder.h"
#include "controls/html/gif_frames.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runtime::TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    html::TGif gif;
    // Keep each run small.
    gif.PixelLimit = 1 << 20;
    gif.ScreenPixelLimit = 1 << 16;
    try {
        gif.Decode(stream);
        // Compose every frame, then go back to the first, while the work
        // stays modest.
        if (uint64_t(gif.ScreenWidth()) * gif.ScreenHeight() * uint64_t(gif.ImageCount()) <=
            (1u << 22)) {
            html::TGifComposer composer(gif);
            for (int32_t i = 0; i < composer.Count(); ++i) (void)composer.Frame(i);
            (void)composer.Frame(0);
        }
    } catch (const runtime::Exception&) {
    }
    return 0;
}
