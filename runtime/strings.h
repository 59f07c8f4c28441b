#pragma once

// 8-bit and wide strings and the routines of the class library on them.
//
// The 8-bit string is std::string holding bytes in the system code page
// (CP_ACP on Windows; Windows-1252 natively). The wide string is
// std::u16string holding UTF-16 on every platform. Positions are 1-based, as
// the class library and the script language count them.
//
// Case rules:
//   UpperCase/LowerCase/CompareText/SameText   ASCII letters only
//   Ansi*                                      letters of the system code page
//   Wide*                                      every UTF-16 code unit that has a
//                                              simple upper/lower mapping
//
// Locale order (Ansi*/Wide* comparisons) is CompareString in the user's
// locale on Windows; natively a fixed order: letters after other
// characters, by base letter with accents and case close to it
// ("a" < "A" < "á" < "b"); see strings_case_posix.cpp.

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

// ---- code pages -----------------------------------------------------------

// System code page <-> UTF-16. Unmappable characters become "?".
std::u16string AnsiToWide(std::string_view s);
std::string WideToAnsi(std::u16string_view s);

// UTF-8 <-> UTF-16. Characters above U+FFFF travel as surrogate pairs; a
// malformed UTF-8 sequence becomes U+FFFD; an unpaired surrogate is written
// as the three-byte form of U+FFFD.
std::u16string Utf8ToWide(std::string_view s);
std::string WideToUtf8(std::u16string_view s);
// True when `s` is well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(std::string_view s);

std::string AnsiToUtf8(std::string_view s);
std::string Utf8ToAnsi(std::string_view s);

// A specific code page <-> UTF-16 (1252, 65001 and, on Windows, every code
// page the platform knows). Natively only 1252, 28591 (Latin-1), 20127
// (ASCII) and 65001 (UTF-8) are known; others raise EConvertError.
std::u16string CodePageToWide(std::string_view s, unsigned codePage);
std::string WideToCodePage(std::u16string_view s, unsigned codePage);

// The code page of the 8-bit string (1252 natively).
unsigned SystemCodePage();
// Whether every character of that code page is one byte: a text may then be
// cut anywhere without splitting a character.
bool SystemCodePageIsSingleByte();

// ---- case -----------------------------------------------------------------

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
std::u16string WideUpperCase(std::u16string_view s);
std::u16string WideLowerCase(std::u16string_view s);
char16_t WideUpChar(char16_t c);
char16_t WideLowChar(char16_t c);

// Comparisons return <0, 0 or >0.
int CompareStr(std::string_view a, std::string_view b);       // byte order
int CompareText(std::string_view a, std::string_view b);      // ASCII case folded
int AnsiCompareStr(std::string_view a, std::string_view b);   // locale order
int AnsiCompareText(std::string_view a, std::string_view b);  // locale order, case folded
int WideCompareStr(std::u16string_view a, std::u16string_view b);
int WideCompareText(std::u16string_view a, std::u16string_view b);
bool SameText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
bool WideSameText(std::u16string_view a, std::u16string_view b);

// ---- pieces ---------------------------------------------------------------

// Removes characters <= ' ' from the ends.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::u16string WideTrim(std::u16string_view s);

// 1-based position of `sub` in `s`, 0 when absent (or `sub` is empty).
int Pos(std::string_view sub, std::string_view s);
int Pos(std::u16string_view sub, std::u16string_view s);
// Same, starting the search at 1-based `offset`.
int PosEx(std::string_view sub, std::string_view s, int offset = 1);

// Up to `count` characters from 1-based `index`; indexes and counts out of
// range are clipped (index < 1 counts as 1), never an error.
std::string Copy(std::string_view s, int64_t index, int64_t count);
std::u16string Copy(std::u16string_view s, int64_t index, int64_t count);
// Removes up to `count` characters at 1-based `index` (nothing when out of range).
void Delete(std::string& s, int64_t index, int64_t count);
void Delete(std::u16string& s, int64_t index, int64_t count);
// Inserts `sub` before 1-based `index` (clipped to 1..length+1).
void Insert(std::string_view sub, std::string& s, int64_t index);
void Insert(std::u16string_view sub, std::u16string& s, int64_t index);

using TReplaceFlags = unsigned;
inline constexpr TReplaceFlags rfReplaceAll = 1;
inline constexpr TReplaceFlags rfIgnoreCase = 2;

// Replaces the first (or with rfReplaceAll every) occurrence, left to right
// without overlap; rfIgnoreCase compares with AnsiUpperCase. An empty
// pattern replaces nothing.
std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags);

std::string StringOfChar(char c, int64_t count);
std::string QuotedStr(std::string_view s);  // 'it''s'
// Reads a quoted string starting at s[pos] (0-based) and returns it without
// its quotes, doubled quotes made single; pos is left after the closing
// quote. When s[pos] is not `quote`, returns the rest unchanged and leaves
// pos at the end.
std::string AnsiExtractQuotedStr(std::string_view s, size_t& pos, char quote);

// ---- integers -------------------------------------------------------------

std::string IntToStr(int64_t value);
std::string UIntToStr(uint64_t value);
// Upper-case hex, at least `digits` digits.
std::string IntToHex(int64_t value, int digits);

// Decimal, or hexadecimal after "$" or "0x"/"0X", an optional sign first and
// blanks before (not after: "7 " is no number). Out of range or malformed:
// EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t def);
int64_t StrToInt64Def(std::string_view s, int64_t def);
[[nodiscard]] bool TryStrToInt(std::string_view s, int32_t& value);
[[nodiscard]] bool TryStrToInt64(std::string_view s, int64_t& value);

// "True"/"False" (BoolToStr with useBoolStrs) or "-1"/"0".
std::string BoolToStr(bool value, bool useBoolStrs = false);
// Accepts "True"/"False" (any case) and numbers (0 is false).
// Otherwise EConvertError "'<text>' is not a valid boolean value".
bool StrToBool(std::string_view s);
[[nodiscard]] bool TryStrToBool(std::string_view s, bool& value);

}  // namespace runtime
