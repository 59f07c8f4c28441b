#pragma once

// Conversions between UTF-16 and code pages, UTF-8 and UTF-7, and the
// platform facts they depend on.
//
// UTF-8 here is the Unicode controls' rule: a character above U+FFFF (a
// surrogate pair) is one four-byte sequence; decoding takes one- to
// four-byte sequences, and a malformed or truncated sequence makes the
// whole result empty (callers fall back to ANSI on an empty result). An
// unpaired surrogate is written as the three bytes of U+FFFD.
//
// UTF-7 follows RFC 2152: the optional direct characters are written
// directly, and a shift ends with "-" only where the next character needs
// it (a Base64 letter or "-"), never at the end. Decoding raises
// EConvertError "Invalid UTF7" for a byte above 127 outside a shift, a
// shift that ends without a character (but "+-", which is "+") and
// leftover bits that are not zero.

#include <string>
#include <string_view>

namespace controls::unicode {

inline constexpr unsigned kCodePageAnsi = 0;
inline constexpr unsigned kCodePageThreadAnsi = 3;
inline constexpr unsigned kCodePageUTF7 = 65000;
inline constexpr unsigned kCodePageUTF8 = 65001;

inline constexpr const char* SInvalidUTF7 = "Invalid UTF7";

// Process-wide facts, the same for the whole run: whether the system's
// wide calls are native (always, on the systems this program runs on),
// whether it is Windows XP or later, and the code page of 8-bit text that
// the controls exchange with the system (kCodePageThreadAnsi on Windows; the
// system code page natively).
bool PlatformIsUnicode();
bool PlatformIsXPOrLater();
unsigned DefaultCodePage();

// Whether the character has a character of its own in DefaultCodePage.
bool WideCharFitsAnsi(char16_t ch);

std::string WideStringToUTF8(std::u16string_view text);
std::u16string UTF8ToWideString(std::string_view text);

std::string WideStringToUTF7(std::u16string_view text);
std::u16string UTF7ToWideString(std::string_view text);

// kCodePageUTF7 and kCodePageUTF8 by the rules above; other code pages through the
// system's conversion (characters without a mapping become the default
// character). An unknown code page raises EConvertError.
std::u16string CodePageToWide(std::string_view text, unsigned codePage);
std::string WideToCodePage(std::u16string_view text, unsigned codePage);

// A message kept as 8-bit text: longer than three bytes and starting with
// the UTF-8 mark EF BB BF, the rest is UTF-8; otherwise it is ANSI.
std::u16string WideResString(std::string_view text);

}  // namespace controls::unicode
