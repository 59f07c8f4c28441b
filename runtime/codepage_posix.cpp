// Native code pages: the 8-bit string is Windows-1252. The tables give what
// MultiByteToWideChar gives on Windows, including the five bytes 1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D), which map to the C1 controls of
// the same value and back.

#include <array>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "runtime/strings_platform.h"

namespace runtime {

namespace {

using DecodeTable = std::array<char16_t, 256>;

// 0x80..0x9F of Windows-1252; the rest of the page is Latin-1.
constexpr std::array<char16_t, 32> k1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

enum class Page { cp1252, latin1, ascii };

constexpr DecodeTable makeTable(Page page) {
    DecodeTable t{};
    for (int b = 0; b < 256; ++b) {
        char16_t c = static_cast<char16_t>(b);
        if (page == Page::cp1252 && b >= 0x80 && b < 0xA0) c = k1252High[b - 0x80];
        if (page == Page::ascii && b >= 0x80) c = u'?';
        t[b] = c;
    }
    return t;
}

constexpr DecodeTable kTable1252 = makeTable(Page::cp1252);
constexpr DecodeTable kTableLatin1 = makeTable(Page::latin1);
constexpr DecodeTable kTableAscii = makeTable(Page::ascii);
static_assert(kTable1252[0x80] == 0x20AC && kTable1252[0x9F] == 0x0178 && kTable1252[0xA0] == 0xA0);

constexpr unsigned kSystemCodePage = 1252;

const DecodeTable* tableFor(unsigned codePage) {
    switch (codePage) {
        case 0:  // CP_ACP
        case 1252:
            return &kTable1252;
        case 28591:
            return &kTableLatin1;
        case 20127:
            return &kTableAscii;
        default:
            return nullptr;
    }
}

[[noreturn]] void unknownCodePage(unsigned codePage) {
    throw EConvertError("Code page " + std::to_string(codePage) + " is not supported");
}

std::u16string decode(std::string_view s, const DecodeTable& table) {
    std::u16string out(s.size(), u'\0');
    for (size_t i = 0; i < s.size(); ++i) out[i] = table[static_cast<unsigned char>(s[i])];
    return out;
}

char encodeChar(char16_t c, const DecodeTable& table) {
    if (c < 0x100 && table[c] == c) return static_cast<char>(c);
    // Only 0x80..0x9F of these pages holds characters off their own value.
    for (int b = 0x80; b < 0xA0; ++b)
        if (table[b] == c) return static_cast<char>(b);
    return '?';
}

std::string encode(std::u16string_view s, const DecodeTable& table) {
    std::string out;
    out.reserve(s.size());
    // One byte per UTF-16 unit: a character above U+FFFF becomes "??", as
    // WideCharToMultiByte writes it.
    for (char16_t c : s) out += encodeChar(c, table);
    return out;
}

}  // namespace

unsigned SystemCodePage() {
    return kSystemCodePage;
}

std::u16string AnsiToWide(std::string_view s) {
    return decode(s, kTable1252);
}

std::string WideToAnsi(std::u16string_view s) {
    return encode(s, kTable1252);
}

std::u16string CodePageToWide(std::string_view s, unsigned codePage) {
    if (codePage == 65001) return Utf8ToWide(s);
    const DecodeTable* table = tableFor(codePage);
    if (!table) unknownCodePage(codePage);
    return decode(s, *table);
}

std::string WideToCodePage(std::u16string_view s, unsigned codePage) {
    if (codePage == 65001) return WideToUtf8(s);
    const DecodeTable* table = tableFor(codePage);
    if (!table) unknownCodePage(codePage);
    return encode(s, *table);
}

bool detail::SystemCodePageIsSingleByte() {
    return true;
}

}  // namespace runtime
