// Feeds arbitrary bytes to the UTF-7 decoder, and the same bytes taken as
// UTF-16 units to the encoder. What decodes must encode and decode back to
// itself; whatever the encoder writes must decode to its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "controls/unicode/conversions.h"
#include "runtime/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace controls::unicode;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const std::u16string text = UTF7ToWideString(bytes);
        if (UTF7ToWideString(WideStringToUTF7(text)) != text) std::abort();
    } catch (const runtime::EConvertError&) {
    }
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const std::string utf7 = WideStringToUTF7(units);
    for (unsigned char c : utf7)
        if (c > 127) std::abort();
    if (UTF7ToWideString(utf7) != units) std::abort();
    return 0;
}
