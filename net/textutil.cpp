#include "net/textutil.h"

#include <algorithm>

#include "runtime/streams.h"

namespace net {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One to four hexadecimal digits.
bool IsHexGroup(std::string_view s) {
    if (s.empty() || s.size() > 4) return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return HexValue(c) >= 0; });
}

// A decimal number of 0..255 written with one to three digits.
bool IsOctet(std::string_view s) {
    if (s.empty() || s.size() > 3) return false;
    int value = 0;
    for (char c : s) {
        if (!IsDigit(c)) return false;
        value = value * 10 + (c - '0');
    }
    return value <= 255;
}

}  // namespace

std::string TrimSpacesLeft(std::string_view s) {
    size_t first = s.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(s.substr(first));
}

std::string TrimSpacesRight(std::string_view s) {
    size_t last = s.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(s.substr(0, last + 1));
}

std::string TrimSpaces(std::string_view s) {
    size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

std::string TextBefore(std::string_view s, std::string_view delimiter) {
    size_t p = delimiter.empty() ? std::string_view::npos : s.find(delimiter);
    return std::string(p == std::string_view::npos ? s : s.substr(0, p));
}

std::string TextAfter(std::string_view s, std::string_view delimiter) {
    size_t p = delimiter.empty() ? std::string_view::npos : s.find(delimiter);
    return std::string(p == std::string_view::npos ? s : s.substr(p + delimiter.size()));
}

std::string ReplaceAll(std::string_view s, std::string_view search, std::string_view replacement) {
    if (s.empty() || search.empty()) return std::string(s);
    std::string out;
    size_t from = 0;
    for (size_t p = s.find(search); p != std::string_view::npos; p = s.find(search, from)) {
        out.append(s.substr(from, p - from));
        out.append(replacement);
        from = p + search.size();
    }
    out.append(s.substr(from));
    return out;
}

std::string CutField(std::string& s, std::string_view delimiter) {
    size_t p = delimiter.empty() ? std::string::npos : s.find(delimiter);
    if (p == std::string::npos) {
        std::string field = std::move(s);
        s.clear();
        return field;
    }
    std::string field = s.substr(0, p);
    s.erase(0, p + delimiter.size());
    return field;
}

std::string CutTrimmedField(std::string& s, std::string_view delimiter) {
    std::string field = TrimSpaces(CutField(s, delimiter));
    s = TrimSpaces(s);
    return field;
}

int64_t FindLineEnd(std::string_view s, std::string& terminator) {
    size_t p = s.find_first_of("\r\n");
    if (p == std::string_view::npos) {
        terminator.clear();
        return -1;
    }
    terminator.assign(1, s[p]);
    if (p + 1 < s.size() && (s[p + 1] == '\r' || s[p + 1] == '\n') && s[p + 1] != s[p])
        terminator.push_back(s[p + 1]);
    return static_cast<int64_t>(p) + 1;
}

std::string TextBetween(std::string_view open, std::string_view close, std::string_view s) {
    if (s.size() == open.size() + close.size() && s.substr(0, open.size()) == open &&
        s.substr(open.size()) == close)
        return {};
    if (s.size() < open.size() + close.size() || open.empty() || close.empty())
        return std::string(s);
    size_t p = s.find(open);
    if (p == std::string_view::npos) return std::string(s);
    std::string_view part = s.substr(p + open.size());
    if (part.find(close) == std::string_view::npos) return std::string(s);
    std::string result;
    int level = 1;
    for (size_t i = 0; i + close.size() <= part.size(); ++i) {
        if (part.substr(i, close.size()) == close && --level == 0) break;
        if (part.substr(i, open.size()) == open) ++level;
        result.push_back(part[i]);
    }
    return result;
}

std::string Int16ToBytes(uint16_t value) {
    return std::string{static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

uint16_t BytesToInt16(std::string_view s, int64_t position) {
    auto byteAt = [&](int64_t pos) -> unsigned {
        return pos >= 1 && pos <= static_cast<int64_t>(s.size())
                   ? static_cast<unsigned char>(s[static_cast<size_t>(pos - 1)])
                   : 0u;
    };
    return static_cast<uint16_t>(byteAt(position) << 8 | byteAt(position + 1));
}

bool IsIPv4Address(std::string_view s) {
    for (int field = 0; field < 4; ++field) {
        size_t dot = field < 3 ? s.find('.') : s.size();
        if (dot == std::string_view::npos || !IsOctet(s.substr(0, dot))) return false;
        s.remove_prefix(field < 3 ? dot + 1 : dot);
    }
    return true;
}

bool IsIPv6Address(std::string_view s) {
    size_t percent = s.find('%');
    if (percent != std::string_view::npos) {
        std::string_view zone = s.substr(percent + 1);
        if (zone.empty() || zone.size() > 8 ||
            !std::all_of(zone.begin(), zone.end(), [](char c) { return HexValue(c) >= 0; }))
            return false;
        s = s.substr(0, percent);
    }
    if (std::count(s.begin(), s.end(), ':') < 2) return false;
    size_t gap = s.find("::");
    if (gap != std::string_view::npos && s.find("::", gap + 1) != std::string_view::npos)
        return false;

    // Counts the groups of one side of the gap (or of the whole text);
    // a dotted IPv4 address may stand last and counts as two groups.
    auto countGroups = [](std::string_view side, bool mayEndInIPv4, int& groups) {
        groups = 0;
        if (side.empty()) return true;
        while (true) {
            size_t colon = side.find(':');
            std::string_view group = side.substr(0, colon);
            if (colon == std::string_view::npos) {
                if (mayEndInIPv4 && group.find('.') != std::string_view::npos) {
                    groups += 2;
                    return IsIPv4Address(group);
                }
                ++groups;
                return IsHexGroup(group);
            }
            if (!IsHexGroup(group)) return false;
            ++groups;
            side.remove_prefix(colon + 1);
        }
    };
    int before = 0;
    int after = 0;
    if (gap == std::string_view::npos) return countGroups(s, true, before) && before == 8;
    return countGroups(s.substr(0, gap), false, before) &&
           countGroups(s.substr(gap + 2), true, after) && before + after <= 7;
}

std::string IPv4ToBytes(std::string_view s) {
    std::string out;
    std::string rest(s);
    for (int field = 0; field < 4; ++field) {
        std::string text = field < 3 ? CutField(rest, ".") : rest;
        unsigned value = 0;
        bool number =
            !text.empty() && text.size() <= 9 && std::all_of(text.begin(), text.end(), IsDigit);
        if (number)
            for (char c : text) value = value * 10 + static_cast<unsigned>(c - '0');
        out.push_back(static_cast<char>(value & 0xFF));
    }
    return out;
}

std::string ReadStreamBytes(runtime::TStream& stream, int64_t count) {
    std::string bytes;
    if (count <= 0) return bytes;
    // Bounded by what the stream still holds, not by the count asked for.
    int64_t left = stream.Size() - stream.Position();
    bytes.resize(static_cast<size_t>(std::max<int64_t>(0, std::min(count, left))));
    int64_t read = stream.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
    bytes.resize(static_cast<size_t>(std::max<int64_t>(0, read)));
    return bytes;
}

void WriteStreamBytes(runtime::TStream& stream, std::string_view bytes) {
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace net
