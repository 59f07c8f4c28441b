// Fuzzes the inflating stream: the first byte picks the read sizes and a
// seek pattern, the rest is the compressed input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/zstream.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t control = data[0];
    runtime::TStringStream source(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    try {
        core::TZDecompressionStream z(source);
        const int64_t chunk = int64_t{1} << (control & 0x0F);  // 1 .. 32768
        char buffer[32768];
        int64_t total = 0;
        for (int round = 0; round < 2; ++round) {
            int64_t got = 0;
            while ((got = z.Read(buffer, chunk)) > 0) {
                total += got;
                // Bounded: a small input may inflate a lot.
                if (total > (int64_t{1} << 22)) break;
                if (control & 0x10) z.Seek(1, runtime::soFromCurrent);
                if (control & 0x20) source.SetPosition(0);
            }
            if (!(control & 0x40)) break;
            z.Seek(0, runtime::soFromBeginning);
            total = 0;
        }
    } catch (const runtime::Exception&) {
        // Corrupt, truncated or short input.
    }
    return 0;
}
