#pragma once

// Wide-string routines shared by the tree family: comparison, upper-casing,
// searching, zero-terminated UTF-16 buffers, and the tolerant currency
// parser used for sorting.
//
// A wide string is std::u16string (an absent string and the empty string are
// the same value); a buffer is a zero-terminated array of char16_t, and a
// null buffer pointer stands for an absent buffer.

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/locale.h"

namespace controls::tree {

// Equal when the user's locale comparison, ignoring case, says so.
bool SameTextLocale(std::string_view a, std::string_view b);

// A currency amount (scaled by 10,000) read from any text: the locale's
// currency symbol, blanks and the separator that is not the decimal one are
// skipped; "(" or "-" make it negative; the first other character ends the
// scan. Never fails: text without digits gives 0.
int64_t ParseCurrencyText(std::string_view text);
int64_t ParseCurrencyText(std::string_view text, const runtime::TFormatSettings& settings);

// Each code unit replaced by its Unicode simple uppercase mapping (one unit
// to one unit; full mappings such as the sharp s are not applied).
std::u16string UpperCaseWide(std::u16string_view s);
// UpperCaseWide in place.
void UpperCaseWideInPlace(std::u16string& s);
void UpperCaseWideInPlace(char16_t* text, size_t length);
char16_t UpperCaseWideChar(char16_t c);
// True when both strings are equal after UpperCaseWide.
bool SameTextWide(std::u16string_view a, std::u16string_view b);

// Ordinal comparison by code unit: -1, 0 or 1; a string that is a prefix of
// the other is less.
int CompareStrWide(std::u16string_view a, std::u16string_view b);
// Like WStrComp on the two strings as buffers (the first zero unit ends
// either): the difference of the first differing units, 0 when equal.
int CompareWide(std::u16string_view a, std::u16string_view b);
// 1-based position of sub in s; 0 when absent, when sub is empty or longer.
int PosWide(std::u16string_view sub, std::u16string_view s);
// The usual 1-based substring, clipped.
std::u16string CopyWide(std::u16string_view s, int index, int count);
std::u16string StringOfCharWide(char16_t unit, int count);
// The first `length` units of the buffer; `length` zero units for no buffer.
std::u16string SetStringWide(const char16_t* buffer, int length);
// The buffer's text, empty for no buffer.
std::u16string BufferToWide(const char16_t* buffer);

// ---- zero-terminated buffers ----------------------------------------------------

int WStrLen(const char16_t* s);
char16_t* WStrEnd(char16_t* s);
const char16_t* WStrEnd(const char16_t* s);
char16_t* WStrCopy(char16_t* dest, const char16_t* source);
// At most maxLen units, stopping at a terminator; always terminates.
char16_t* WStrLCopy(char16_t* dest, const char16_t* source, int maxLen);
char16_t* WStrPLCopy(char16_t* dest, std::u16string_view source);
char16_t* WStrCat(char16_t* dest, const char16_t* source);
// a - b at the first differing unit, 0 when equal.
int WStrComp(const char16_t* a, const char16_t* b);
// First occurrence of sub in s; null when either is null, sub is empty or
// longer than s.
const char16_t* WStrPos(const char16_t* s, const char16_t* sub);
// Last occurrence of the unit, null when none.
const char16_t* WStrRScan(const char16_t* s, char16_t unit);
// Copies count units; overlapping areas are handled.
void WStrMove(const char16_t* source, char16_t* dest, int count);
// count copies of the unit (nothing for count <= 0).
void WStrFill(char16_t* dest, int count, char16_t unit);

}  // namespace controls::tree
