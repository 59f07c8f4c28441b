#pragma once

// The simple uppercase mapping of the Basic Multilingual Plane, generated
// from the Unicode data by tools/gen-unicode-upper.py (ascending code order).

namespace controls::tree::detail {

struct UpperPair {
    char16_t code;
    char16_t upper;
};

extern const UpperPair kUpperPairs[];
extern const int kUpperPairCount;

}  // namespace controls::tree::detail
