#pragma once

// Character types of UTF-16 code units, as the system's string-type query
// gives them in the user's locale (on Windows the system answers; natively a
// table generated from the Unicode data answers for CT_CTYPE1).

#include <cstdint>

namespace controls::unicode {

// Information types and the CT_CTYPE1 flags.
inline constexpr uint32_t CT_CTYPE1 = 0x0001;
inline constexpr uint32_t CT_CTYPE2 = 0x0002;
inline constexpr uint32_t CT_CTYPE3 = 0x0004;

inline constexpr uint16_t C1_UPPER = 0x0001;
inline constexpr uint16_t C1_LOWER = 0x0002;
inline constexpr uint16_t C1_DIGIT = 0x0004;
inline constexpr uint16_t C1_SPACE = 0x0008;
inline constexpr uint16_t C1_PUNCT = 0x0010;
inline constexpr uint16_t C1_CNTRL = 0x0020;
inline constexpr uint16_t C1_BLANK = 0x0040;
inline constexpr uint16_t C1_XDIGIT = 0x0080;
inline constexpr uint16_t C1_ALPHA = 0x0100;
inline constexpr uint16_t C1_DEFINED = 0x0200;

// The type word of one character. A failing system call raises the OS
// error (EOSError); natively an information type other than CT_CTYPE1
// raises EConvertError.
uint16_t GetWideCharType(char16_t ch, uint32_t infoType);

// True for 0 and for characters whose CT_CTYPE1 word has C1_SPACE or
// C1_PUNCT: what may stand next to a whole word.
bool IsWideWordBoundary(char16_t ch);

namespace detail {
// The CT_CTYPE1 word from the generated table (both builds have it).
uint16_t TableCharType1(char16_t ch);
}  // namespace detail

}  // namespace controls::unicode
