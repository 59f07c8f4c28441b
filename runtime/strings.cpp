// Pieces of strings, integers and Booleans as text.

#include "runtime/strings.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "runtime/exceptions.h"
#include "runtime/format.h"

namespace runtime {

namespace {

template <typename Char>
bool isBlank(Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c) <= ' ';
}

template <typename Char>
std::basic_string_view<Char> trimmedView(std::basic_string_view<Char> s, bool left, bool right) {
    size_t begin = 0, end = s.size();
    if (left)
        while (begin < end && isBlank(s[begin])) ++begin;
    if (right)
        while (end > begin && isBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

template <typename Char>
int posIn(std::basic_string_view<Char> sub, std::basic_string_view<Char> s, size_t from) {
    if (sub.empty()) return 0;
    const size_t found = s.find(sub, from);
    return found == s.npos ? 0 : static_cast<int>(found + 1);
}

template <typename Char>
std::basic_string<Char> copyOf(std::basic_string_view<Char> s, int64_t index, int64_t count) {
    if (index < 1) index = 1;
    const auto length = static_cast<int64_t>(s.size());
    if (index > length || count <= 0) return {};
    const int64_t start = index - 1;
    return std::basic_string<Char>(s.substr(start, std::min(count, length - start)));
}

template <typename Char>
void deleteFrom(std::basic_string<Char>& s, int64_t index, int64_t count) {
    const auto length = static_cast<int64_t>(s.size());
    if (index < 1 || index > length || count <= 0) return;
    const int64_t start = index - 1;
    s.erase(start, std::min(count, length - start));
}

template <typename Char>
void insertInto(std::basic_string_view<Char> sub, std::basic_string<Char>& s, int64_t index) {
    index = std::clamp<int64_t>(index, 1, static_cast<int64_t>(s.size()) + 1);
    s.insert(static_cast<size_t>(index - 1), sub);
}

// Parses the text StrToInt accepts into `value`, wrapping hexadecimal
// values of up to `bits` bits as two's complement (so "$FFFFFFFF" is -1 as
// a 32-bit integer) and range-checking decimal ones.
bool parseInteger(std::string_view text, int bits, int64_t& value) {
    // Blanks before the number are allowed, blanks after it are not ("7 ").
    std::string_view s = trimmedView(text, true, false);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size()) return false;
    const uint64_t hexLimit =
        bits == 64 ? std::numeric_limits<uint64_t>::max() : (uint64_t{1} << bits) - 1;
    const uint64_t decLimit = (uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
    const uint64_t limit = base == 16 ? hexLimit : decLimit;
    uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (magnitude > (limit - digit) / base) return false;
        magnitude = magnitude * base + digit;
    }
    value = static_cast<int64_t>(negative ? 0 - magnitude : magnitude);
    return true;
}

[[noreturn]] void notAnInteger(std::string_view s) {
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

}  // namespace

// ---- pieces -------------------------------------------------------------------

std::string Trim(std::string_view s) {
    return std::string(trimmedView(s, true, true));
}

std::string TrimLeft(std::string_view s) {
    return std::string(trimmedView(s, true, false));
}

std::string TrimRight(std::string_view s) {
    return std::string(trimmedView(s, false, true));
}

std::u16string WideTrim(std::u16string_view s) {
    return std::u16string(trimmedView(s, true, true));
}

int Pos(std::string_view sub, std::string_view s) {
    return posIn(sub, s, 0);
}

int Pos(std::u16string_view sub, std::u16string_view s) {
    return posIn(sub, s, 0);
}

int PosEx(std::string_view sub, std::string_view s, int offset) {
    if (offset < 1 || static_cast<size_t>(offset) > s.size()) return 0;
    return posIn(sub, s, static_cast<size_t>(offset - 1));
}

std::string Copy(std::string_view s, int64_t index, int64_t count) {
    return copyOf(s, index, count);
}

std::u16string Copy(std::u16string_view s, int64_t index, int64_t count) {
    return copyOf(s, index, count);
}

void Delete(std::string& s, int64_t index, int64_t count) {
    deleteFrom(s, index, count);
}

void Delete(std::u16string& s, int64_t index, int64_t count) {
    deleteFrom(s, index, count);
}

void Insert(std::string_view sub, std::string& s, int64_t index) {
    insertInto(sub, s, index);
}

void Insert(std::u16string_view sub, std::u16string& s, int64_t index) {
    insertInto(sub, s, index);
}

std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags) {
    if (oldPattern.empty()) return std::string(s);
    // Case-blind search runs on upper-cased copies; positions carry over to
    // `s` because the mapping keeps every byte in place.
    std::string upperText, upperPattern;
    std::string_view haystack = s, pattern = oldPattern;
    if (flags & rfIgnoreCase) {
        upperText = AnsiUpperCase(s);
        upperPattern = AnsiUpperCase(oldPattern);
        if (upperText.size() == s.size() && upperPattern.size() == oldPattern.size()) {
            haystack = upperText;
            pattern = upperPattern;
        }
    }
    std::string out;
    size_t from = 0;
    for (size_t found; (found = haystack.find(pattern, from)) != haystack.npos;) {
        out.append(s.substr(from, found - from));
        out.append(newPattern);
        from = found + pattern.size();
        if (!(flags & rfReplaceAll)) break;
    }
    out.append(s.substr(from));
    return out;
}

std::string StringOfChar(char c, int64_t count) {
    return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string();
}

std::string QuotedStr(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '\'';
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    out += '\'';
    return out;
}

std::string AnsiExtractQuotedStr(std::string_view s, size_t& pos, char quote) {
    if (pos >= s.size()) return {};
    if (s[pos] != quote) {
        // The rest is the value; consuming it keeps a caller's loop moving.
        const std::string_view rest = s.substr(pos);
        pos = s.size();
        return std::string(rest);
    }
    std::string out;
    size_t i = pos + 1;
    while (i < s.size()) {
        if (s[i] == quote) {
            if (i + 1 < s.size() && s[i + 1] == quote) {
                out += quote;
                i += 2;
                continue;
            }
            ++i;  // the closing quote
            break;
        }
        out += s[i++];
    }
    pos = i;
    return out;
}

// ---- integers -----------------------------------------------------------------

std::string IntToStr(int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string UIntToStr(uint64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string IntToHex(int64_t value, int digits) {
    char buffer[20];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<uint64_t>(value), 16);
    std::string hex(buffer, result.ptr);
    for (char& c : hex) c = c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
    digits = std::min(digits, 32);
    if (static_cast<int>(hex.size()) < digits) hex.insert(0, digits - hex.size(), '0');
    return hex;
}

int32_t StrToInt(std::string_view s) {
    int32_t value;
    if (!TryStrToInt(s, value)) notAnInteger(s);
    return value;
}

int64_t StrToInt64(std::string_view s) {
    int64_t value;
    if (!TryStrToInt64(s, value)) notAnInteger(s);
    return value;
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
    int32_t value;
    return TryStrToInt(s, value) ? value : def;
}

int64_t StrToInt64Def(std::string_view s, int64_t def) {
    int64_t value;
    return TryStrToInt64(s, value) ? value : def;
}

bool TryStrToInt(std::string_view s, int32_t& value) {
    int64_t wide;
    if (!parseInteger(s, 32, wide)) return false;
    value = static_cast<int32_t>(wide);
    return true;
}

bool TryStrToInt64(std::string_view s, int64_t& value) {
    return parseInteger(s, 64, value);
}

// ---- Booleans -----------------------------------------------------------------

std::string BoolToStr(bool value, bool useBoolStrs) {
    if (useBoolStrs) return value ? "True" : "False";
    return value ? "-1" : "0";
}

bool StrToBool(std::string_view s) {
    bool value;
    if (!TryStrToBool(s, value))
        throw EConvertError("'" + std::string(s) + "' is not a valid boolean value");
    return value;
}

bool TryStrToBool(std::string_view s, bool& value) {
    if (SameText(s, "True") || SameText(s, "False")) {
        value = SameText(s, "True");
        return true;
    }
    double number;
    if (!TryStrToFloat(s, number)) return false;
    value = number != 0;
    return true;
}

}  // namespace runtime
