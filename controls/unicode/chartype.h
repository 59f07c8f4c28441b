#pragma once

// Character types of UTF-16 code units, as the system's string-type query
// gives them in the user's locale (on Windows the system answers; natively a
// table generated from the Unicode data answers for kCType1).

#include <cstdint>

namespace controls::unicode {

// Information types and the kCType1 flags.
inline constexpr uint32_t kCType1 = 0x0001;
inline constexpr uint32_t kCType2 = 0x0002;
inline constexpr uint32_t kCType3 = 0x0004;

inline constexpr uint16_t kC1Upper = 0x0001;
inline constexpr uint16_t kC1Lower = 0x0002;
inline constexpr uint16_t kC1Digit = 0x0004;
inline constexpr uint16_t kC1Space = 0x0008;
inline constexpr uint16_t kC1Punct = 0x0010;
inline constexpr uint16_t kC1Cntrl = 0x0020;
inline constexpr uint16_t kC1Blank = 0x0040;
inline constexpr uint16_t kC1XDigit = 0x0080;
inline constexpr uint16_t kC1Alpha = 0x0100;
inline constexpr uint16_t kC1Defined = 0x0200;

// The type word of one character. A failing system call raises the OS
// error (EOSError); natively an information type other than kCType1
// raises EConvertError.
uint16_t GetWideCharType(char16_t ch, uint32_t infoType);

// True for 0 and for characters whose kCType1 word has kC1Space or
// kC1Punct: what may stand next to a whole word.
bool IsWideWordBoundary(char16_t ch);

namespace detail {
// The kCType1 word from the generated table (both builds have it).
uint16_t TableCharType1(char16_t ch);
}  // namespace detail

}  // namespace controls::unicode
