// Native case mapping and locale order.
//
// Case mapping is the Unicode simple mapping for Latin-1, Latin Extended-A,
// the regular parts of Latin Extended-B and Latin Extended Additional,
// Greek, Cyrillic, Armenian, Glagolitic, Roman numerals, circled and
// full-width letters; every other code unit maps to itself.
//
// Locale order natively (Windows asks CompareString instead) is a fixed
// three-level order, the same whatever the environment:
//   1. letters after every other character; non-letters by code unit;
//      letters by their case-folded base letter, so "e", "é" and "E" sort
//      together and "é" sorts before "f"; Greek and Cyrillic after Latin;
//   2. among equal bases, the case-folded letter (accents after the plain
//      letter, by code unit);
//   3. (AnsiCompareStr/WideCompareStr only) lower case before upper case,
//      then code unit order as the last tie-break.
// It does not expand ligatures ("ß" sorts as one "s", "æ" as "a") nor skip
// hyphens and apostrophes as Windows' word sort does.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "runtime/strings.h"
#include "runtime/strings_platform.h"

namespace runtime {

namespace {

// `count` upper/lower pairs starting at `upper` and `lower`, `step` apart
// (1: runs of capitals then runs of small letters; 2: alternating pairs).
struct CasePairs {
    char16_t upper;
    char16_t lower;
    uint16_t count;
    uint16_t step;
};

constexpr CasePairs kPairs[] = {
    {0x0041, 0x0061, 26, 1},
    {0x00C0, 0x00E0, 23, 1},
    {0x00D8, 0x00F8, 7, 1},
    {0x0100, 0x0101, 24, 2},
    {0x0132, 0x0133, 3, 2},
    {0x0139, 0x013A, 8, 2},
    {0x014A, 0x014B, 23, 2},
    {0x0178, 0x00FF, 1, 1},
    {0x0179, 0x017A, 3, 2},
    // Latin Extended-B.
    {0x0181, 0x0253, 1, 1},
    {0x0182, 0x0183, 2, 2},
    {0x0186, 0x0254, 1, 1},
    {0x0187, 0x0188, 1, 1},
    {0x0189, 0x0256, 2, 1},
    {0x018B, 0x018C, 1, 1},
    {0x018E, 0x01DD, 1, 1},
    {0x018F, 0x0259, 1, 1},
    {0x0190, 0x025B, 1, 1},
    {0x0191, 0x0192, 1, 1},
    {0x0193, 0x0260, 1, 1},
    {0x0194, 0x0263, 1, 1},
    {0x0196, 0x0269, 1, 1},
    {0x0197, 0x0268, 1, 1},
    {0x0198, 0x0199, 1, 1},
    {0x019C, 0x026F, 1, 1},
    {0x019D, 0x0272, 1, 1},
    {0x019F, 0x0275, 1, 1},
    {0x01A0, 0x01A1, 3, 2},
    {0x01A7, 0x01A8, 1, 1},
    {0x01A9, 0x0283, 1, 1},
    {0x01AC, 0x01AD, 1, 1},
    {0x01AE, 0x0288, 1, 1},
    {0x01AF, 0x01B0, 1, 1},
    {0x01B1, 0x028A, 2, 1},
    {0x01B3, 0x01B4, 2, 2},
    {0x01B7, 0x0292, 1, 1},
    {0x01B8, 0x01B9, 1, 1},
    {0x01BC, 0x01BD, 1, 1},
    {0x01CD, 0x01CE, 8, 2},
    {0x01DE, 0x01DF, 9, 2},
    {0x01F8, 0x01F9, 20, 2},
    {0x0222, 0x0223, 9, 2},
    {0x0246, 0x0247, 5, 2},
    // Greek.
    {0x0386, 0x03AC, 1, 1},
    {0x0388, 0x03AD, 3, 1},
    {0x038C, 0x03CC, 1, 1},
    {0x038E, 0x03CD, 2, 1},
    {0x0391, 0x03B1, 17, 1},
    {0x03A3, 0x03C3, 9, 1},
    {0x03D8, 0x03D9, 12, 2},
    {0x03F7, 0x03F8, 1, 1},
    {0x03FA, 0x03FB, 1, 1},
    // Cyrillic.
    {0x0400, 0x0450, 16, 1},
    {0x0410, 0x0430, 32, 1},
    {0x0460, 0x0461, 17, 2},
    {0x048A, 0x048B, 27, 2},
    {0x04C0, 0x04CF, 1, 1},
    {0x04C1, 0x04C2, 7, 2},
    {0x04D0, 0x04D1, 48, 2},
    // Armenian, Latin Extended Additional, number forms, enclosed letters,
    // Glagolitic, full-width forms.
    {0x0531, 0x0561, 38, 1},
    {0x1E00, 0x1E01, 75, 2},
    {0x1EA0, 0x1EA1, 48, 2},
    {0x2160, 0x2170, 16, 1},
    {0x24B6, 0x24D0, 26, 1},
    {0x2C00, 0x2C30, 47, 1},
    {0xFF21, 0xFF41, 26, 1},
};

// Letters whose mapping goes one way only.
struct OneWay {
    char16_t from;
    char16_t to;
};
constexpr OneWay kExtraUpper[] = {{0x0131, u'I'}, {0x017F, u'S'}, {0x03C2, 0x03A3}};
constexpr OneWay kExtraLower[] = {{0x0130, u'i'}};

struct CaseTables {
    std::array<char16_t, 65536> upper;
    std::array<char16_t, 65536> lower;
};

std::unique_ptr<CaseTables> buildCaseTables() {
    auto t = std::make_unique<CaseTables>();
    for (uint32_t c = 0; c < 65536; ++c) t->upper[c] = t->lower[c] = static_cast<char16_t>(c);
    for (const CasePairs& p : kPairs) {
        for (uint32_t i = 0; i < p.count; ++i) {
            const auto u = static_cast<char16_t>(p.upper + i * p.step);
            const auto l = static_cast<char16_t>(p.lower + i * p.step);
            t->upper[l] = u;
            t->lower[u] = l;
        }
    }
    for (const OneWay& m : kExtraUpper) t->upper[m.from] = m.to;
    for (const OneWay& m : kExtraLower) t->lower[m.from] = m.to;
    return t;
}

const CaseTables& caseTables() {
    static const std::unique_ptr<CaseTables> tables = buildCaseTables();
    return *tables;
}

// ---- locale order -----------------------------------------------------------

// Base letters of U+00C0..U+017F as small ASCII letters, 32 code units a
// line ('.': not a letter; '-': a letter that is its own base).
constexpr std::string_view kLatinBase =
    "aaaaaaaceeeeiiiidnooooo.ouuuuy-s"   // U+00C0
    "aaaaaaaceeeeiiiidnooooo.ouuuuy-y"   // U+00E0
    "aaaaaaccccccccddddeeeeeeeeeegggg"   // U+0100
    "gggghhhhiiiiiiiiiiiijjkkklllllll"   // U+0120
    "lllnnnnnnnnnoooooooorrrrrrssssss"   // U+0140
    "ssttttttuuuuuuuuuuuuwwyyyzzzzzzs";  // U+0160
static_assert(kLatinBase.size() == 0xC0, "kLatinBase must cover U+00C0..U+017F");

// U+00C0 + i -> its base letter; 0 for non-letters, 1 for letters that are
// their own base.
constexpr char16_t latinBase(char16_t folded) {
    const char ch = kLatinBase[folded - 0xC0];
    return ch == '.' ? 0 : ch == '-' ? 1 : static_cast<char16_t>(ch);
}

// Greek letters with tonos or dialytika and their plain letter (small forms).
constexpr OneWay kGreekBase[] = {{0x0390, 0x03B9}, {0x03AC, 0x03B1}, {0x03AD, 0x03B5},
                                 {0x03AE, 0x03B7}, {0x03AF, 0x03B9}, {0x03B0, 0x03C5},
                                 {0x03C2, 0x03C3}, {0x03CA, 0x03B9}, {0x03CB, 0x03C5},
                                 {0x03CC, 0x03BF}, {0x03CD, 0x03C5}, {0x03CE, 0x03C9}};

struct CollationKey {
    uint32_t primary;
    char16_t secondary;
    uint8_t tertiary;
};

bool isLetter(char16_t folded, const CaseTables& t) {
    if (t.upper[folded] != folded || t.lower[folded] != folded) return true;
    return folded == 0xDF || folded == 0x138 || folded == 0x149 || folded == 0xAA ||
           folded == 0xBA || (folded >= 0x250 && folded <= 0x2AF);
}

CollationKey keyOf(char16_t c, const CaseTables& t) {
    const char16_t folded = t.lower[c];
    CollationKey key{c, folded, static_cast<uint8_t>(folded != c)};
    if (!isLetter(folded, t)) return key;
    char16_t base = folded;
    if (folded >= 0xC0 && folded < 0x180) {
        const char16_t b = latinBase(folded);
        if (b > 1) base = b;
    } else {
        for (const OneWay& g : kGreekBase)
            if (g.from == folded) base = g.to;
        if (folded == 0x0451) base = 0x0435;  // ё sorts with е
    }
    key.primary = 0x10000u + base;
    return key;
}

// Compares two sequences of UTF-16 code units given by `at(i)`.
template <typename AtA, typename AtB>
int collate(size_t lengthA, AtA atA, size_t lengthB, AtB atB, bool caseSensitive) {
    const CaseTables& t = caseTables();
    const size_t n = std::min(lengthA, lengthB);
    int secondary = 0, tertiary = 0, raw = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t a = atA(i), b = atB(i);
        if (a == b) continue;
        const CollationKey ka = keyOf(a, t), kb = keyOf(b, t);
        if (ka.primary != kb.primary) return ka.primary < kb.primary ? -1 : 1;
        if (secondary == 0 && ka.secondary != kb.secondary)
            secondary = ka.secondary < kb.secondary ? -1 : 1;
        if (tertiary == 0 && ka.tertiary != kb.tertiary)
            tertiary = ka.tertiary < kb.tertiary ? -1 : 1;
        if (raw == 0) raw = a < b ? -1 : 1;
    }
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    if (secondary != 0) return secondary;
    if (!caseSensitive) return 0;
    return tertiary != 0 ? tertiary : raw;
}

int collateAnsi(std::string_view a, std::string_view b, bool caseSensitive) {
    // The 8-bit string is Windows-1252 here: one byte, one UTF-16 unit.
    static const std::u16string table = [] {
        std::string bytes(256, '\0');
        for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
        return AnsiToWide(bytes);
    }();
    return collate(
        a.size(), [&](size_t i) { return table[static_cast<unsigned char>(a[i])]; }, b.size(),
        [&](size_t i) { return table[static_cast<unsigned char>(b[i])]; }, caseSensitive);
}

int collateWide(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
    return collate(
        a.size(), [&](size_t i) { return a[i]; }, b.size(), [&](size_t i) { return b[i]; },
        caseSensitive);
}

}  // namespace

const char16_t* detail::WideUpperTable() {
    return caseTables().upper.data();
}

const char16_t* detail::WideLowerTable() {
    return caseTables().lower.data();
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
    return collateAnsi(a, b, true);
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    return collateAnsi(a, b, false);
}

int WideCompareStr(std::u16string_view a, std::u16string_view b) {
    return collateWide(a, b, true);
}

int WideCompareText(std::u16string_view a, std::u16string_view b) {
    return collateWide(a, b, false);
}

}  // namespace runtime
