// Fuzzes the engine-file reader and the header constants: the input is an
// engine file (a 4-byte length and a zlib stream).
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/engines.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runtime::TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        const std::string text = core::ReadEngineText(stream);
        const core::TSE engine(u"fuzz.se", text);
        (void)core::ReadScriptConstant("Name", text);
    } catch (const core::EEngineFileError&) {
        // Short, oversized, corrupt or truncated.
    }
    return 0;
}
