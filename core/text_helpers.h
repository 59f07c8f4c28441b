#pragma once

// Small routines on wide text for the script host functions, page fetching,
// the SOAP road and the keyword import. All of them work on UTF-16 code
// units; positions are 1-based.

#include <string>
#include <string_view>

namespace core {

// Copies `count` characters of `source`, from 1-based `index`, over the
// start of `dest`, which must already be long enough. `count` is first cut
// to what `source` holds from `index`. An `index` below 1 raises
// "Invalid parameters in WideCopy."; a `dest` shorter than the count raises
// "Destination string is not initialized or has not enough space to receive
// the data in WideCopy.".
void WideCopy(std::u16string& dest, std::u16string_view source, int index, int count);

// `s` with every occurrence of `oldText` replaced by `newText`, searched left
// to right without overlaps; an empty `oldText` replaces nothing.
std::u16string WideReplaceAll(std::u16string_view s, std::u16string_view oldText,
                              std::u16string_view newText);

// Decodes the character references in `s`: "&name;" by the entity table
// (case-sensitive) and "&#" + a number + ";" (decimal, or hexadecimal after
// "x", "X", "$", "0x" or "0X"), for names of at most seven characters.
// Numbers above U+FFFF give a surrogate pair; so do the two halves of one
// as two references in a row, while a surrogate half alone gives U+FFFD.
// 0, negative numbers and numbers beyond U+10FFFF, unknown names and
// malformed numbers stay as they are. Decoded text is not decoded again
// ("&amp;lt;" gives "&lt;").
void ReplaceISOSymbols(std::u16string& s);

// Replaces every character of code 128 or above by "&#" + its decimal code
// + ";"; a surrogate pair is one character.
void EncodeNumericEntities(std::u16string& s);

// The UTF-8 decoding of `a`; when `a` is not valid UTF-8, its conversion
// from the system code page.
std::u16string DecodeUtf8OrAnsi(std::string_view a);

}  // namespace core
