#pragma once

// Small text routines of the reporter.

#include <string>
#include <string_view>
#include <vector>

namespace crashreport {

inline constexpr std::string_view CrLf = "\r\n";

// The first 1-based position >= from where sub occurs in text (exact
// comparison); 0 when there is none.
size_t PosFrom(std::string_view sub, std::string_view text, size_t from);

// Every occurrence of oldText replaced by newText, case-sensitive, in one
// pass from the left. An empty oldText replaces nothing.
std::string ReplaceAll(std::string_view text, std::string_view oldText, std::string_view newText);

// Splits text at the characters of charSet after skipping leading ones:
// every later separator ends a part, which is trimmed and added (also when
// empty); the final part is trimmed and added only when not empty.
std::vector<std::string> SplitBySet(std::string_view charSet, std::string_view text);

// Every byte below 32 becomes a blank.
std::string ControlsToBlanks(std::string_view text);

// The text split at CR LF; a text that ends with CR LF ends with an empty
// piece, and an empty text is one empty piece.
std::vector<std::string_view> SplitCrLf(std::string_view text);

// Pieces joined with CR LF between them.
std::string JoinCrLf(const std::vector<std::string>& lines);

}  // namespace crashreport
