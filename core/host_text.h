#pragma once

// The text routines that engine scripts call through the script host: tag
// removal, a backward search, and URL encoding of keywords. Positions are
// 1-based.

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Removes tags (from "<" to the next ">"; a "<" without one drops the rest
// of the text), decodes UTF-8 that came through the system code page
// (pages are fetched as bytes), decodes character references, turns line
// feeds into spaces and trims spaces and control characters at both ends.
// Text that already holds characters beyond the system code page is taken
// as decoded.
void ClearText(std::u16string& s);

// With `offset` 1, the position of the first occurrence of `sub` in `s`.
// Otherwise the position of the last character of the last occurrence
// that ends at or before `offset` (counted from the smaller of `offset` and
// the length of `s`). 0 when none and for an empty `sub`.
int64_t PosExBack(std::string_view sub, std::string_view s, int64_t offset);

// Every byte of the text's encoding as "%" and two upper-case hexadecimal
// digits: UTF-8 when a character lies above U+00FF or the text ends with
// U+0002 (which is dropped), else Latin-1.
std::string EncodeURL(std::u16string_view s);

}  // namespace core
