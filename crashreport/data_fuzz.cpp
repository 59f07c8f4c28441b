// Fuzz target: the reporter's binary data as a module carries it, the
// options stream of every version, the library data and its debug
// information, and the lookups made in it. The first two bytes choose the
// data version.
#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/debugdata.h"
#include "crashreport/debugformat.h"
#include "crashreport/options_stream.h"

namespace {

void lookups(const crashreport::TDebugInformation& info) {
    crashreport::TSourcePosition position;
    for (uint32_t offset : {0u, 1u, 0x10u, 0x100u, 0x1000u, 0x12345u, 0xFFFFFFFFu}) {
        (void)info.Lookup(offset, position);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const auto version = static_cast<uint16_t>(400 + (data[0] | data[1] << 8) % 110);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    const crashreport::TCipherKey key = crashreport::CipherKeyOf("");

    try {
        crashreport::TVvOptionsValues values;
        crashreport::TMemoryByteSource source(bytes);
        crashreport::LoadOptions(source, version, values);
    } catch (const crashreport::EOptionsStreamError&) {
    }
    try {
        const crashreport::TLibraryDataParts parts =
            crashreport::ParseLibraryData(bytes, key, true);
        lookups(crashreport::TDebugInformation(parts.DebugInformation, parts.Version, key));
    } catch (const crashreport::EDebugDataError&) {
    }
    lookups(crashreport::TDebugInformation(std::string(bytes), version, key));
    lookups(crashreport::TDebugInformation(std::string(bytes), version, std::nullopt));
    return 0;
}
