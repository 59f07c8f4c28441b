#include "core/host_text.h"

#include <algorithm>

#include "core/text_helpers.h"
#include "runtime/strings.h"

namespace core {

namespace {

// The text without its tags: what lies outside "<" ... ">"; a "<" that no
// ">" closes drops the rest.
std::u16string WithoutTags(std::u16string_view s) {
    std::u16string r;
    r.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const size_t open = s.find(u'<', i);
        if (open == std::u16string_view::npos) {
            r.append(s.substr(i));
            break;
        }
        r.append(s.substr(i, open - i));
        const size_t close = s.find(u'>', open);
        if (close == std::u16string_view::npos) break;
        i = close + 1;
    }
    return r;
}

// Whether every character survives the trip through the system code page:
// then the text may be bytes of another encoding read as that page.
bool FitsSystemCodePage(const std::u16string& s) {
    return runtime::AnsiToWide(runtime::WideToAnsi(s)) == s;
}

}  // namespace

void ClearText(std::u16string& s) {
    std::u16string r = WithoutTags(s);
    if (FitsSystemCodePage(r)) r = DecodeUtf8OrAnsi(runtime::WideToAnsi(r));
    ReplaceISOSymbols(r);
    std::replace(r.begin(), r.end(), u'\n', u' ');
    s = runtime::WideTrim(r);
}

int64_t PosExBack(std::string_view sub, std::string_view s, int64_t offset) {
    if (sub.empty()) return 0;
    if (offset == 1) {
        const size_t at = s.find(sub);
        return at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1;
    }
    const auto length = static_cast<int64_t>(sub.size());
    for (int64_t c = std::min<int64_t>(offset, static_cast<int64_t>(s.size())); c >= length; --c) {
        if (s.substr(static_cast<size_t>(c - length), sub.size()) == sub) return c;
    }
    return 0;
}

std::string EncodeURL(std::u16string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string bytes;
    if (!s.empty() && s.back() == u'\x0002') {
        bytes = runtime::WideToUtf8(s.substr(0, s.size() - 1));
    } else if (std::any_of(s.begin(), s.end(), [](char16_t c) { return c > 0xFF; })) {
        bytes = runtime::WideToUtf8(s);
    } else {
        bytes.reserve(s.size());
        for (char16_t c : s) bytes += static_cast<char>(c);
    }
    std::string encoded;
    encoded.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        encoded += '%';
        encoded += kHex[c >> 4];
        encoded += kHex[c & 15];
    }
    return encoded;
}

}  // namespace core
