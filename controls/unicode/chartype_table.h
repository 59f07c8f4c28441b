#pragma once

// The character-type words (kCType1) of the Basic Multilingual Plane as
// ranges of equal words, generated from the Unicode data by
// tools/gen-unicode-chartype.py (ascending, gap-free, ending at U+FFFF).

#include <cstdint>

namespace controls::unicode::detail {

struct CharTypeRange {
    char16_t first;
    char16_t last;
    uint16_t type;
};

extern const CharTypeRange kCharTypeRanges[];
extern const int kCharTypeRangeCount;

}  // namespace controls::unicode::detail
