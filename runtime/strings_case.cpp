// Case mapping and the byte-order comparisons; the locale-order ones live in
// the platform halves (strings_case_posix.cpp, strings_case_win.cpp).

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "runtime/strings.h"
#include "runtime/strings_platform.h"

namespace runtime {

namespace {

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

using ByteTable = std::array<char, 256>;

// The 8-bit mapping of a single-byte code page: each byte through UTF-16
// and back, kept only where the mapped character exists in the page (so
// "ÿ" becomes "Ÿ" in 1252 while "µ" stays, its capital being Greek).
ByteTable buildAnsiTable(const char16_t* wideTable) {
    ByteTable t{};
    for (int b = 0; b < 256; ++b) {
        t[b] = static_cast<char>(b);
        const std::u16string wide = AnsiToWide(std::string(1, static_cast<char>(b)));
        if (wide.size() != 1) continue;
        const char16_t mapped = wideTable[wide[0]];
        if (mapped == wide[0]) continue;
        const std::string back = WideToAnsi(std::u16string(1, mapped));
        if (back.size() == 1 && AnsiToWide(back) == std::u16string(1, mapped)) t[b] = back[0];
    }
    return t;
}

const ByteTable& ansiUpperTable() {
    static const ByteTable table = buildAnsiTable(detail::WideUpperTable());
    return table;
}

const ByteTable& ansiLowerTable() {
    static const ByteTable table = buildAnsiTable(detail::WideLowerTable());
    return table;
}

std::u16string mapWide(std::u16string_view s, const char16_t* table) {
    std::u16string out(s);
    for (char16_t& c : out) c = table[c];
    return out;
}

std::string mapAnsi(std::string_view s, const ByteTable& byteTable, const char16_t* wideTable) {
    if (!detail::SystemCodePageIsSingleByte()) return WideToAnsi(mapWide(AnsiToWide(s), wideTable));
    std::string out(s);
    for (char& c : out) c = byteTable[static_cast<unsigned char>(c)];
    return out;
}

}  // namespace

bool SystemCodePageIsSingleByte() {
    return detail::SystemCodePageIsSingleByte();
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = asciiUpper(c);
    return out;
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = asciiLower(c);
    return out;
}

std::string AnsiUpperCase(std::string_view s) {
    return mapAnsi(s, ansiUpperTable(), detail::WideUpperTable());
}

std::string AnsiLowerCase(std::string_view s) {
    return mapAnsi(s, ansiLowerTable(), detail::WideLowerTable());
}

std::u16string WideUpperCase(std::u16string_view s) {
    return mapWide(s, detail::WideUpperTable());
}

std::u16string WideLowerCase(std::u16string_view s) {
    return mapWide(s, detail::WideLowerTable());
}

char16_t WideUpChar(char16_t c) {
    return detail::WideUpperTable()[c];
}

char16_t WideLowChar(char16_t c) {
    return detail::WideLowerTable()[c];
}

int CompareStr(std::string_view a, std::string_view b) {
    return a.compare(b);
}

int CompareText(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(asciiUpper(a[i]));
        const auto cb = static_cast<unsigned char>(asciiUpper(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    return AnsiCompareText(a, b) == 0;
}

bool WideSameText(std::u16string_view a, std::u16string_view b) {
    return WideCompareText(a, b) == 0;
}

}  // namespace runtime
