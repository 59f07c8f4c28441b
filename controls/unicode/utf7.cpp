// UTF-7 (RFC 2152) in both directions.

#include <array>
#include <cstdint>

#include "controls/unicode/conversions.h"
#include "runtime/exceptions.h"

namespace controls::unicode {

namespace {

enum CharClass : uint8_t {
    kShifted = 0,  // must be encoded in a shift
    kDirect = 1,   // Set D, blank, TAB, CR, LF and Set O: written as they are
};

constexpr std::string_view kBase64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct Tables {
    std::array<uint8_t, 128> charClass{};
    std::array<int8_t, 256> base64Value{};
};

constexpr Tables MakeTables() {
    Tables t{};
    constexpr std::string_view setD =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
    constexpr std::string_view setO = "!\"#$%&*;<=>@[]^_`{|}";
    constexpr std::string_view blanks = " \t\r\n";
    for (char c : setD) t.charClass[static_cast<unsigned char>(c)] = kDirect;
    for (char c : setO) t.charClass[static_cast<unsigned char>(c)] = kDirect;
    for (char c : blanks) t.charClass[static_cast<unsigned char>(c)] = kDirect;
    for (auto& v : t.base64Value) v = -1;
    for (size_t i = 0; i < kBase64.size(); ++i)
        t.base64Value[static_cast<unsigned char>(kBase64[i])] = static_cast<int8_t>(i);
    return t;
}

constexpr Tables kTables = MakeTables();
static_assert(kBase64.size() == 64);

bool IsDirect(char16_t c) {
    return c < 128 && kTables.charClass[c] == kDirect;
}

bool IsBase64Letter(char16_t c) {
    return c < 128 && kTables.base64Value[c] >= 0;
}

[[noreturn]] void InvalidUtf7() {
    throw runtime::EConvertError(SInvalidUTF7);
}

}  // namespace

std::string WideStringToUTF7(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    bool shifted = false;
    uint32_t bits = 0;  // pending bits, the newest in the low end
    int bitCount = 0;
    for (const char16_t c : text) {
        if (IsDirect(c)) {
            if (shifted) {
                if (bitCount > 0) out += kBase64[(bits << (6 - bitCount)) & 0x3F];
                bits = 0;
                bitCount = 0;
                shifted = false;
                if (IsBase64Letter(c) || c == u'-') out += '-';
            }
            out += static_cast<char>(c);
            continue;
        }
        if (!shifted) {
            out += '+';
            if (c == u'+') {
                out += '-';
                continue;
            }
            shifted = true;
        }
        bits = (bits << 16) | c;
        bitCount += 16;
        while (bitCount >= 6) {
            bitCount -= 6;
            out += kBase64[(bits >> bitCount) & 0x3F];
        }
        bits &= (1u << bitCount) - 1;
    }
    if (shifted && bitCount > 0) out += kBase64[(bits << (6 - bitCount)) & 0x3F];
    return out;
}

std::u16string UTF7ToWideString(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c > 127) InvalidUtf7();
        ++i;
        if (c != '+') {
            out += static_cast<char16_t>(c);
            continue;
        }
        // A shift: Base64 letters up to the first other byte or the end.
        uint32_t bits = 0;
        int bitCount = 0;
        bool produced = false;
        const size_t start = i;
        while (i < text.size()) {
            const int8_t value = kTables.base64Value[static_cast<unsigned char>(text[i])];
            if (value < 0) break;
            ++i;
            bits = (bits << 6) | static_cast<uint32_t>(value);
            bitCount += 6;
            if (bitCount >= 16) {
                bitCount -= 16;
                out += static_cast<char16_t>((bits >> bitCount) & 0xFFFF);
                bits &= (1u << bitCount) - 1;
                produced = true;
            }
        }
        const bool closedByDash = i < text.size() && text[i] == '-';
        if (!produced) {
            if (!(closedByDash && i == start)) InvalidUtf7();
            out += u'+';
        } else if (bits != 0) {
            InvalidUtf7();
        }
        if (closedByDash) ++i;  // any other closing byte is read as itself
    }
    return out;
}

}  // namespace controls::unicode
