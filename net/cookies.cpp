#include "net/cookies.h"

#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/limits.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace net {

namespace {

struct TCookie {
    std::string name;
    std::string value;
    bool kept = true;
    size_t Bytes() const { return name.size() + 1 + value.size(); }
};

// A Set-Cookie line's pair and what its attributes say of its life.
struct TSetCookie {
    std::string name;
    std::string value;
    bool expired = false;
};

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Max-Age: an optional "-" and digits; anything else is no value.
bool ParseMaxAge(std::string_view text, int64_t& seconds) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty()) return false;
    seconds = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        // Saturates: a lifetime of centuries is a long one.
        if (seconds < int64_t{1} << 40) seconds = seconds * 10 + (c - '0');
    }
    if (negative) seconds = -seconds;
    return true;
}

// The pair and the expiry of a Set-Cookie value (the text after "Set-Cookie:").
TSetCookie ParseSetCookie(std::string_view text, int64_t now) {
    TSetCookie cookie;
    size_t semicolon = text.find(';');
    std::string_view pair = TrimView(text.substr(0, semicolon));
    size_t equals = pair.find('=');
    cookie.name = TrimView(pair.substr(0, equals));
    cookie.value = equals == std::string_view::npos
                       ? cookie.name
                       : std::string(TrimView(pair.substr(equals + 1)));
    bool haveMaxAge = false;
    while (semicolon != std::string_view::npos) {
        text.remove_prefix(semicolon + 1);
        semicolon = text.find(';');
        std::string_view attribute = text.substr(0, semicolon);
        size_t split = attribute.find('=');
        std::string name = runtime::LowerCase(TrimView(attribute.substr(0, split)));
        std::string_view value = split == std::string_view::npos
                                     ? std::string_view()
                                     : TrimView(attribute.substr(split + 1));
        int64_t seconds = 0;
        // Max-Age wins over Expires, whatever their order.
        if (name == "max-age" && ParseMaxAge(value, seconds)) {
            haveMaxAge = true;
            cookie.expired = seconds <= 0;
        } else if (name == "expires" && !haveMaxAge && ParseCookieDate(value, seconds)) {
            cookie.expired = seconds < now;
        }
    }
    return cookie;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int DaysInMonth(int64_t year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// The characters that separate the tokens of a cookie date.
bool IsDateDelimiter(char c) {
    auto u = static_cast<unsigned char>(c);
    return u == 0x09 || (u >= 0x20 && u <= 0x2F) || (u >= 0x3B && u <= 0x40) ||
           (u >= 0x5B && u <= 0x60) || (u >= 0x7B && u <= 0x7E);
}

// `count` digits (min..max of them) at the start of `token`, followed by
// nothing or by a non-digit; their value.
bool LeadingDigits(std::string_view token, size_t min, size_t max, int& value, size_t& used) {
    used = 0;
    value = 0;
    while (used < token.size() && IsDigit(token[used])) {
        if (++used > max) return false;
        value = value * 10 + (token[used - 1] - '0');
    }
    return used >= min;
}

// hh:mm:ss, each one or two digits, then nothing or a non-digit.
bool ParseTime(std::string_view token, int& hour, int& minute, int& second) {
    int* parts[] = {&hour, &minute, &second};
    for (size_t i = 0; i < 3; ++i) {
        size_t used = 0;
        if (!LeadingDigits(token, 1, 2, *parts[i], used)) return false;
        token.remove_prefix(used);
        if (i < 2) {
            if (token.empty() || token.front() != ':') return false;
            token.remove_prefix(1);
        }
    }
    return true;
}

// A month by the first three letters of its English name, any case.
bool ParseMonth(std::string_view token, int& month) {
    static constexpr std::string_view kMonths = "janfebmaraprmayjunjulaugsepoctnovdec";
    if (token.size() < 3) return false;
    size_t at = kMonths.find(runtime::LowerCase(token.substr(0, 3)));
    if (at == std::string_view::npos || at % 3 != 0) return false;
    month = static_cast<int>(at / 3) + 1;
    return true;
}

}  // namespace

bool ParseCookieDate(std::string_view text, int64_t& seconds) {
    bool haveTime = false, haveDay = false, haveMonth = false, haveYear = false;
    int hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsDateDelimiter(text[at])) ++at;
        size_t end = at;
        while (end < text.size() && !IsDateDelimiter(text[end])) ++end;
        std::string_view token = text.substr(at, end - at);
        at = end;
        if (token.empty()) continue;
        size_t used = 0;
        int value = 0;
        if (!haveTime && ParseTime(token, hour, minute, second)) {
            haveTime = true;
        } else if (!haveDay && LeadingDigits(token, 1, 2, value, used)) {
            haveDay = true;
            day = value;
        } else if (!haveMonth && ParseMonth(token, month)) {
            haveMonth = true;
        } else if (!haveYear && LeadingDigits(token, 2, 4, value, used)) {
            haveYear = true;
            year = value;
        }
    }
    if (!haveTime || !haveDay || !haveMonth || !haveYear) return false;
    if (year >= 70 && year <= 99) year += 1900;
    if (year >= 0 && year <= 69) year += 2000;
    if (year < 1601 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return false;
    seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

int64_t UnixNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void ApplySetCookies(runtime::TStrings& cookies, const runtime::TStrings& headers, int64_t now) {
    // The jar as pairs, with the position of each name (lower-cased).
    std::vector<TCookie> jar;
    std::unordered_map<std::string, size_t> positions;
    jar.reserve(static_cast<size_t>(cookies.Count()));
    for (int i = 0; i < cookies.Count(); ++i) {
        std::string line = cookies.Strings(i);
        size_t equals = line.find('=');
        TCookie cookie{line.substr(0, equals),
                       equals == std::string::npos ? std::string() : line.substr(equals + 1)};
        positions.emplace(runtime::LowerCase(cookie.name), jar.size());
        jar.push_back(std::move(cookie));
    }
    bool changed = false;
    for (int i = 0; i < headers.Count(); ++i) {
        std::string line = headers.Strings(i);
        if (line.size() < 11 ||
            runtime::LowerCase(std::string_view(line).substr(0, 11)) != "set-cookie:")
            continue;
        TSetCookie set = ParseSetCookie(std::string_view(line).substr(11), now);
        if (set.name.empty()) continue;
        changed = true;
        std::string key = runtime::LowerCase(set.name);
        auto found = positions.find(key);
        if (set.value.empty() || set.expired) {
            if (found != positions.end()) {
                jar[found->second].kept = false;
                positions.erase(found);
            }
        } else if (set.name.size() + 1 + set.value.size() > static_cast<size_t>(kMaxCookieSize)) {
            continue;
        } else {
            // A cookie set again is the newest, spelt as the server last
            // sent it: the last to go when the jar is full.
            if (found != positions.end()) {
                jar[found->second].kept = false;
                found->second = jar.size();
            } else {
                positions.emplace(std::move(key), jar.size());
            }
            jar.push_back(TCookie{std::move(set.name), std::move(set.value)});
        }
    }

    // Within the bounds, the oldest giving way. Each cookie after the first
    // costs its separator in the Cookie line too.
    size_t count = 0;
    int64_t bytes = 0;
    for (const TCookie& cookie : jar) {
        if (!cookie.kept) continue;
        ++count;
        bytes += static_cast<int64_t>(cookie.Bytes()) + 2;
    }
    for (TCookie& cookie : jar) {
        if (count <= static_cast<size_t>(kMaxCookies) && bytes <= kMaxCookieBytes) break;
        if (!cookie.kept) continue;
        cookie.kept = false;
        changed = true;
        --count;
        bytes -= static_cast<int64_t>(cookie.Bytes()) + 2;
    }
    if (!changed) return;
    cookies.WithUpdate([&] {
        cookies.Clear();
        for (const TCookie& cookie : jar)
            if (cookie.kept) cookies.Add(cookie.name + "=" + cookie.value);
    });
}

}  // namespace net
