#pragma once

// Small routines on 8-bit strings shared by the network client and its
// users: field splitting, address-text tests and byte packing. Positions are
// 1-based, as in the rest of the class library; comparisons are byte-exact.

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {
class TStream;
}

namespace net {

// Without leading, trailing or both kinds of spaces; only the character 32
// counts as a space here.
std::string TrimSpacesLeft(std::string_view s);
std::string TrimSpacesRight(std::string_view s);
std::string TrimSpaces(std::string_view s);

// The text before (after) the first `delimiter`, or the whole text when it
// has none.
std::string TextBefore(std::string_view s, std::string_view delimiter);
std::string TextAfter(std::string_view s, std::string_view delimiter);

// Every non-overlapping occurrence, left to right. An empty text or search
// string gives the text unchanged.
std::string ReplaceAll(std::string_view s, std::string_view search, std::string_view replacement);

// Returns the field before the first `delimiter` and leaves in `s` what
// follows it (empty when there is no delimiter).
std::string CutField(std::string& s, std::string_view delimiter);
// Same, with TrimSpaces applied to the field and to the rest.
std::string CutTrimmedField(std::string& s, std::string_view delimiter);

// Finds the first CR or LF. `terminator` becomes that character, or the pair
// CR LF / LF CR when the next character completes one. Returns the 1-based
// position of the terminator, or -1 (and an empty terminator).
int64_t FindLineEnd(std::string_view s, std::string& terminator);

// The text between the first `open` and its matching `close`, nested pairs
// kept inside; see the tests for the corner rules. The whole text when
// there is no such pair.
std::string TextBetween(std::string_view open, std::string_view close, std::string_view s);

// Two bytes, high byte first.
std::string Int16ToBytes(uint16_t value);
// The 16-bit value from the byte at 1-based `position` (high) and the next
// (low); a byte beyond the end counts as 0.
uint16_t BytesToInt16(std::string_view s, int64_t position);

// Four dot-separated decimal fields of 0..255, digits only.
bool IsIPv4Address(std::string_view s);
// The textual forms of an IPv6 address: eight hexadecimal groups, or fewer
// around one "::", optionally ending in a dotted IPv4 address, optionally
// followed by "%" and a numeric zone. A host name never passes ("cafe").
bool IsIPv6Address(std::string_view s);
// Four dot-separated decimal fields as four bytes (0 for a field that is not
// a number).
std::string IPv4ToBytes(std::string_view s);

// Up to `count` bytes from the stream's position.
std::string ReadStreamBytes(runtime::TStream& stream, int64_t count);
void WriteStreamBytes(runtime::TStream& stream, std::string_view bytes);

}  // namespace net
