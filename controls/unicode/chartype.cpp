#include "controls/unicode/chartype.h"

#include <algorithm>

#include "controls/unicode/chartype_table.h"

namespace controls::unicode {

uint16_t detail::TableCharType1(char16_t ch) {
    const CharTypeRange* end = kCharTypeRanges + kCharTypeRangeCount;
    const CharTypeRange* range = std::upper_bound(
        kCharTypeRanges, end, ch, [](char16_t c, const CharTypeRange& r) { return c < r.first; });
    // The ranges start at 0 and leave no gap, so one always holds ch.
    return (range - 1)->type;
}

bool IsWideWordBoundary(char16_t ch) {
    return ch == 0 || (GetWideCharType(ch, kCType1) & (kC1Space | kC1Punct)) != 0;
}

}  // namespace controls::unicode
