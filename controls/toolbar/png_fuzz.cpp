// Feeds arbitrary bytes to the PNG reader; on success the pixel count must
// match the header's size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "controls/toolbar/png_reader.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runtime::TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    toolbar::TPNGReader reader;
    reader.PixelLimit = 1 << 20;  // keeps each run small
    try {
        reader.ReadPNG(stream);
        if (reader.Pixels().size() != size_t{reader.Width()} * reader.Height() &&
            !reader.Pixels().empty())
            __builtin_trap();
    } catch (const runtime::Exception&) {
    }
    return 0;
}
