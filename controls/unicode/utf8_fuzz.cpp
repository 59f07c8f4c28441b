// Feeds arbitrary bytes to the UTF-8 decoder, and the same bytes taken as
// UTF-16 units to the encoder. Bytes that decode encode back to themselves,
// bytes that do not leave nothing; the encoder writes text that decodes to
// its input, unpaired surrogates becoming U+FFFD.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "controls/unicode/conversions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace controls::unicode;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string text = UTF8ToWideString(bytes);
    if (!text.empty() && WideStringToUTF8(text) != bytes) std::abort();

    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    std::u16string expected = units;
    for (size_t i = 0; i < expected.size(); ++i) {
        const bool high = expected[i] >= 0xD800 && expected[i] <= 0xDBFF;
        const bool low = expected[i] >= 0xDC00 && expected[i] <= 0xDFFF;
        if (high && i + 1 < expected.size() && expected[i + 1] >= 0xDC00 &&
            expected[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            expected[i] = 0xFFFD;
        }
    }
    if (UTF8ToWideString(WideStringToUTF8(units)) != expected) std::abort();
    return 0;
}
