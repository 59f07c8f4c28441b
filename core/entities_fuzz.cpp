// Fuzzes the reference decoder and encoder on UTF-16 text made of the
// input's byte pairs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/text_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    std::u16string decoded = text;
    core::ReplaceISOSymbols(decoded);
    // Decoding never lengthens: a reference is longer than what it stands for.
    if (decoded.size() > text.size()) std::abort();

    // Encoded text holds only ASCII and decodes back.
    std::u16string encoded = decoded;
    core::EncodeNumericEntities(encoded);
    for (const char16_t c : encoded) {
        if (c >= 128) std::abort();
    }
    (void)core::WideReplaceAll(text, decoded.substr(0, 3), u"&amp;");
    (void)core::DecodeUtf8OrAnsi(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
