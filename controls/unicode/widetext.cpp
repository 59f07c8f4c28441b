#include "controls/unicode/widetext.h"

#include <algorithm>

#include "controls/unicode/chartype.h"

namespace controls::unicode {

size_t WideStrLen(const char16_t* text) {
    if (text == nullptr) return 0;
    return std::char_traits<char16_t>::length(text);
}

std::unique_ptr<char16_t[]> WideStrNew(const char16_t* text) {
    if (text == nullptr) return nullptr;
    return WideStrNew(std::u16string_view(text, WideStrLen(text)));
}

std::unique_ptr<char16_t[]> WideStrNew(std::u16string_view text) {
    auto copy = std::make_unique<char16_t[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), copy.get());
    copy[text.size()] = 0;
    return copy;
}

std::u16string UniWideUpperCase(std::u16string_view s) {
    return runtime::WideUpperCase(s);
}

char16_t WideLastChar(std::u16string_view s) {
    return s.empty() ? char16_t{0} : s.back();
}

void WideSwapByteOrder(std::u16string& text) {
    for (char16_t& c : text) c = static_cast<char16_t>((c >> 8) | (c << 8));
}

std::u16string WideStringReplace(std::u16string_view s, std::u16string_view oldPattern,
                                 std::u16string_view newPattern, TReplaceFlags flags,
                                 bool wholeWord) {
    const bool ignoreCase = (flags & rfIgnoreCase) != 0;
    // Upper-casing maps one unit to one unit, so positions in the search
    // copy are positions in S.
    const std::u16string upperText = ignoreCase ? UniWideUpperCase(s) : std::u16string();
    const std::u16string upperPattern =
        ignoreCase ? UniWideUpperCase(oldPattern) : std::u16string();
    const std::u16string_view search = ignoreCase ? std::u16string_view(upperText) : s;
    const std::u16string_view pattern = ignoreCase ? std::u16string_view(upperPattern) : oldPattern;

    std::u16string result;
    size_t rest = 0;  // start of the remainder in S
    while (rest < s.size()) {
        const size_t found =
            pattern.empty() ? std::u16string_view::npos : search.find(pattern, rest);
        if (found == std::u16string_view::npos) break;
        const size_t end = found + pattern.size();
        if (wholeWord) {
            const char16_t before = found == rest ? WideLastChar(result) : s[found - 1];
            const char16_t after = end < s.size() ? s[end] : char16_t{0};
            if (!IsWideWordBoundary(before) || !IsWideWordBoundary(after)) {
                result.append(s.substr(rest, end - rest));
                rest = end;
                continue;
            }
        }
        result.append(s.substr(rest, found - rest));
        result.append(newPattern);
        rest = end;
        if ((flags & rfReplaceAll) == 0) break;
    }
    result.append(s.substr(std::min(rest, s.size())));
    return result;
}

std::u16string WideAdjustLineBreaks(std::u16string_view s, TTextLineBreakStyle style) {
    std::u16string_view lineBreak;
    switch (style) {
        case TTextLineBreakStyle::tlbsLF:
            lineBreak = u"\n";
            break;
        case TTextLineBreakStyle::tlbsCRLF:
            lineBreak = u"\r\n";
            break;
        case TTextLineBreakStyle::tlbsCR:
            lineBreak = u"\r";
            break;
    }
    std::u16string out;
    out.reserve(style == TTextLineBreakStyle::tlbsCRLF ? s.size() + s.size() / 8 : s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'\r') {
            if (i + 1 < s.size() && s[i + 1] == u'\n') ++i;
            out.append(lineBreak);
        } else if (c == u'\n' || c == u'\u2028') {
            out.append(lineBreak);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace controls::unicode
