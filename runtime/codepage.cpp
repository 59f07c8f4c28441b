// UTF-8 <-> UTF-16, done here on every platform so both builds treat
// malformed input the same way.

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/strings.h"

namespace runtime {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one well-formed UTF-8 sequence starting at s[i]. Returns the code
// point and sets `length`; on a malformed sequence returns -1 and sets
// `length` to the bytes of its maximal valid prefix (at least 1), so each
// malformed piece becomes exactly one U+FFFD.
int32_t decodeUtf8(std::string_view s, size_t i, size_t& length) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    length = 1;
    if (lead < 0x80) return lead;
    int needed;
    int32_t cp;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return -1;
    }
    for (int k = 1; k <= needed; ++k) {
        if (i + k >= s.size()) return -1;
        const unsigned char c = byte(i + k);
        const unsigned char lo = k == 1 ? low : 0x80;
        const unsigned char hi = k == 1 ? high : 0xBF;
        if (c < lo || c > hi) return -1;
        cp = (cp << 6) | (c & 0x3F);
        length = k + 1;
    }
    return cp;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::u16string Utf8ToWide(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char16_t>(c);
            ++i;
            continue;
        }
        size_t length;
        const int32_t cp = decodeUtf8(s, i, length);
        i += length;
        if (cp < 0) {
            out += kReplacement;
        } else if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string WideToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
                   s[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((uint32_t{c} - 0xD800) << 10) + (s[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        if (decodeUtf8(s, i, length) < 0) return false;
        i += length;
    }
    return true;
}

std::string AnsiToUtf8(std::string_view s) {
    if (isAscii(s)) return std::string(s);
    return WideToUtf8(AnsiToWide(s));
}

std::string Utf8ToAnsi(std::string_view s) {
    if (isAscii(s)) return std::string(s);
    return WideToAnsi(Utf8ToWide(s));
}

}  // namespace runtime
