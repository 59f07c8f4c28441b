#include "ui/keyword_file.h"

#include <algorithm>

#include "core/text_helpers.h"
#include "runtime/strings.h"

namespace ui {

namespace {

enum class TEncoding { Bytes, Utf8, Utf16LE, Utf16BE };

// What a line ends before, and the line itself.
constexpr std::u16string_view kCutters = u".,;\t";

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' ||
           c == 0x00A0 || c == 0x3000 || c == 0xFEFF;
}

// The keyword a decoded line holds; empty for none.
std::u16string KeywordOfLine(std::u16string_view line) {
    line = line.substr(0, std::min(line.size(), line.find_first_of(kCutters)));
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    return std::u16string(line);
}

TEncoding EncodingOf(std::string_view& bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        return TEncoding::Utf8;
    }
    if (bytes.starts_with("\xFF\xFE")) {
        bytes.remove_prefix(2);
        return TEncoding::Utf16LE;
    }
    if (bytes.starts_with("\xFE\xFF")) {
        bytes.remove_prefix(2);
        return TEncoding::Utf16BE;
    }
    return TEncoding::Bytes;
}

std::u16string Utf16Units(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    // An odd last byte is half a character: it is dropped.
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return units;
}

// Calls `each` with every line of `text` (CR LF, LF and CR all end one).
template <class Char, class Each>
void ForEachLine(std::basic_string_view<Char> text, Each each) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != Char('\r') && text[end] != Char('\n')) ++end;
        each(text.substr(start, end - start));
        if (end < text.size() && text[end] == Char('\r') && end + 1 < text.size() &&
            text[end + 1] == Char('\n'))
            ++end;
        start = end + 1;
    }
}

}  // namespace

std::vector<std::u16string> ReadKeywordLines(std::string_view bytes) {
    std::vector<std::u16string> keywords;
    auto take = [&](std::u16string_view line) {
        std::u16string keyword = KeywordOfLine(line);
        if (!keyword.empty()) keywords.push_back(std::move(keyword));
    };
    const TEncoding encoding = EncodingOf(bytes);
    switch (encoding) {
        case TEncoding::Utf16LE:
        case TEncoding::Utf16BE: {
            const std::u16string text = Utf16Units(bytes, encoding == TEncoding::Utf16BE);
            ForEachLine(std::u16string_view(text), take);
            break;
        }
        case TEncoding::Utf8:
        case TEncoding::Bytes:
            ForEachLine(bytes, [&](std::string_view line) { take(core::DecodeUtf8OrAnsi(line)); });
            break;
    }
    return keywords;
}

std::string KeywordFileBytes(const std::vector<std::u16string>& keywords) {
    std::string bytes;
    for (const std::u16string& keyword : keywords) bytes += runtime::WideToUtf8(keyword) + "\r\n";
    return bytes;
}

std::u16string ExportFileName(const std::u16string& chosen) {
    const size_t nameStart = chosen.find_last_of(u"\\/:");
    const size_t dot = chosen.rfind(u'.');
    const bool hasDot =
        dot != std::u16string::npos && (nameStart == std::u16string::npos || dot > nameStart);
    if (!hasDot) return chosen + u".txt";
    // "list." has no extension either.
    return dot + 1 == chosen.size() ? chosen + u"txt" : chosen;
}

}  // namespace ui
