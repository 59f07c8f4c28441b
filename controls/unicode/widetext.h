#pragma once

// Wide-text routines of the Unicode controls: zero-terminated copies,
// upper-casing, replacement with whole-word matching and line-break
// conversion. Every text is UTF-16 (std::u16string); nothing here goes
// through the 8-bit form.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/strings.h"

namespace controls::unicode {

// Length of a zero-terminated buffer (0 for nullptr).
size_t WideStrLen(const char16_t* text);
// A heap copy of a zero-terminated buffer, terminator included; nullptr in
// gives nullptr out.
std::unique_ptr<char16_t[]> WideStrNew(const char16_t* text);
// A heap copy of `text` with a terminator after it.
std::unique_ptr<char16_t[]> WideStrNew(std::u16string_view text);

// A copy upper-cased one code unit at a time by the system's mapping.
std::u16string UniWideUpperCase(std::u16string_view s);
// The last code unit, 0 for an empty string.
char16_t WideLastChar(std::u16string_view s);
// Swaps the two bytes of every code unit in place.
void WideSwapByteOrder(std::u16string& text);

using runtime::rfIgnoreCase;
using runtime::rfReplaceAll;
using runtime::TReplaceFlags;

// S with the first (rfReplaceAll: every) occurrence of oldPattern replaced
// by newPattern, searched left to right without overlap. rfIgnoreCase
// matches the upper-cased texts while copying from S itself, so the case of
// everything outside the replaced spans stays. With wholeWord an occurrence
// counts only between word boundaries (IsWideWordBoundary): the character
// before it is the result's last character when the occurrence directly
// follows the previous match or skip (0 at the start), the character after
// it is S's (0 at the end); an occurrence that does not count stays and the
// search goes on after it. An empty oldPattern replaces nothing.
std::u16string WideStringReplace(std::u16string_view s, std::u16string_view oldPattern,
                                 std::u16string_view newPattern, TReplaceFlags flags,
                                 bool wholeWord = false);

// Line breaks: LF, U+2028, a lone CR and the pair CR LF (one break).
enum class TTextLineBreakStyle { tlbsLF = 0, tlbsCRLF = 1, tlbsCR = 2 };
// Every line break written as the style's break; other characters copied.
std::u16string WideAdjustLineBreaks(std::u16string_view s, TTextLineBreakStyle style);

}  // namespace controls::unicode
