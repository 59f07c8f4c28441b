// Fuzzes the scripts' text routines: the input, read as UTF-16 code units
// (any of them, lone surrogates included) and as 8-bit text, goes through
// ClearText, the backward search and the URL encoding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/host_text.h"
#include "runtime/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string wide(size / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    }
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    std::u16string cleared = wide;
    core::ClearText(cleared);
    std::u16string fromBytes = runtime::AnsiToWide(bytes);
    core::ClearText(fromBytes);
    (void)core::EncodeURL(wide);

    if (size > 2) {
        const std::string sub = bytes.substr(1, data[0] % size);
        (void)core::PosExBack(sub, bytes, static_cast<int8_t>(data[1]));
        (void)core::PosExBack(sub, bytes, static_cast<int64_t>(size) + data[1]);
    }
    return 0;
}
