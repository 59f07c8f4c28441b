#include "core/text_helpers.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/entity_table.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace core {

namespace {

// A reference's name has at most this many characters between "&" and ";".
constexpr size_t MaxReferenceName = 7;

constexpr char32_t MaxCodePoint = 0x10FFFF;

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// The class library's text-to-integer rule: leading spaces, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "x", "X", "0x"
// or "0X"; the whole text. (A reference's number has at most six
// characters, so the 32-bit range needs no finer check.)
std::optional<int64_t> parseReferenceNumber(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int base = 10;
    if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = base == 16 ? hexDigit(text[i])
                                     : (text[i] >= u'0' && text[i] <= u'9' ? text[i] - u'0' : -1);
        if (digit < 0) return std::nullopt;
        value = value * base + digit;
        if (value > UINT32_MAX) return std::nullopt;
    }
    return negative ? -value : value;
}

// The text a reference's name stands for, if any.
std::optional<std::u16string> decodeReference(std::u16string_view name) {
    if (name.empty()) return std::nullopt;
    if (name.front() != u'#') {
        const std::optional<char16_t> code = FindXhtmlEntity(name);
        if (!code) return std::nullopt;
        return std::u16string(1, *code);
    }
    const std::optional<int64_t> number = parseReferenceNumber(name.substr(1));
    if (!number || *number <= 0 || *number > MaxCodePoint) return std::nullopt;
    const auto code = static_cast<char32_t>(*number);
    if (code <= 0xFFFF) return std::u16string(1, static_cast<char16_t>(code));
    const char32_t offset = code - 0x10000;
    return std::u16string{static_cast<char16_t>(0xD800 + (offset >> 10)),
                          static_cast<char16_t>(0xDC00 + (offset & 0x3FF))};
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The reference starting at s[amp] ("&"): its text, and in `end` the index
// just after its ";". Only a ";" close enough can end a reference; a stray
// "&" further back must not hide the references after it.
std::optional<std::u16string> referenceAt(std::u16string_view s, size_t amp, size_t& end) {
    const std::u16string_view candidate = s.substr(amp + 1, MaxReferenceName + 1);
    const size_t semi = candidate.find(u';');
    if (semi == std::u16string_view::npos) return std::nullopt;
    end = amp + 1 + semi + 1;
    return decodeReference(candidate.substr(0, semi));
}

// One surrogate half decoded alone.
bool isHalf(const std::u16string& text) {
    return text.size() == 1 && (isHighSurrogate(text[0]) || isLowSurrogate(text[0]));
}

}  // namespace

void WideCopy(std::u16string& dest, std::u16string_view source, int index, int count) {
    if (index <= 0) throw runtime::Exception("Invalid parameters in WideCopy.");
    const int64_t available = static_cast<int64_t>(source.size()) - (index - 1);
    const int64_t length = std::max<int64_t>(0, std::min<int64_t>(count, available));
    if (static_cast<int64_t>(dest.size()) < length) {
        throw runtime::Exception(
            "Destination string is not initialized or has not enough space to receive the data "
            "in WideCopy.");
    }
    std::copy_n(source.begin() + (index - 1), length, dest.begin());
}

std::u16string WideReplaceAll(std::u16string_view s, std::u16string_view oldText,
                              std::u16string_view newText) {
    if (oldText.empty()) return std::u16string(s);
    std::u16string result;
    size_t from = 0;
    for (size_t found = s.find(oldText); found != std::u16string_view::npos;
         found = s.find(oldText, from)) {
        result.append(s.substr(from, found - from)).append(newText);
        from = found + oldText.size();
    }
    result.append(s.substr(from));
    return result;
}

void ReplaceISOSymbols(std::u16string& s) {
    if (s.find(u'&') == std::u16string::npos) return;
    std::u16string result;
    result.reserve(s.size());
    size_t from = 0;
    while (from < s.size()) {
        const size_t amp = s.find(u'&', from);
        if (amp == std::u16string::npos) break;
        result.append(s, from, amp - from);
        size_t end = 0;
        std::optional<std::u16string> decoded = referenceAt(s, amp, end);
        if (!decoded) {
            result += u'&';
            from = amp + 1;
            continue;
        }
        if (isHalf(*decoded)) {
            // A character beyond U+FFFF written as its two halves joins up;
            // a half alone is no character.
            size_t next = 0;
            std::optional<std::u16string> low;
            if (isHighSurrogate((*decoded)[0]) && end < s.size() && s[end] == u'&')
                low = referenceAt(s, end, next);
            if (low && isHalf(*low) && isLowSurrogate((*low)[0])) {
                *decoded += *low;
                end = next;
            } else {
                *decoded = u"\uFFFD";
            }
        }
        result += *decoded;
        from = end;
    }
    result.append(s, std::min(from, s.size()));
    s = std::move(result);
}

void EncodeNumericEntities(std::u16string& s) {
    std::u16string result;
    result.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c < 128) {
            result += c;
            continue;
        }
        char32_t code = c;
        if (isHighSurrogate(c) && i + 1 < s.size() && isLowSurrogate(s[i + 1])) {
            code = 0x10000 + ((char32_t{c} - 0xD800) << 10) + (char32_t{s[i + 1]} - 0xDC00);
            ++i;
        }
        result += u"&#";
        for (const char digit : runtime::UIntToStr(code)) result += static_cast<char16_t>(digit);
        result += u';';
    }
    s = std::move(result);
}

std::u16string DecodeUtf8OrAnsi(std::string_view a) {
    if (a.empty()) return std::u16string();
    if (runtime::IsValidUtf8(a)) return runtime::Utf8ToWide(a);
    return runtime::AnsiToWide(a);
}

}  // namespace core
