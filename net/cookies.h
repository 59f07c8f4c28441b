#pragma once

// The HTTP client's cookie jar: a list of "name=value" lines, oldest first,
// that a client sends with every request and updates from the Set-Cookie
// lines of every response. The jar serves one host (the caller keeps one
// per host) and is bounded (net/limits.h): in cookies and in the bytes of
// the Cookie line it makes, the oldest cookies giving way.

#include <cstdint>
#include <string_view>

namespace runtime {
class TStrings;
}

namespace net {

// Applies the Set-Cookie lines among `headers` to `cookies`, in one pass
// over both: a cookie goes to the end (the newest) spelt as the line has it,
// replacing the one of its name (without regard to case); an empty value, a
// Max-Age of 0 or less and an Expires date before `now` remove it; a cookie
// longer than kMaxCookieSize is ignored. Other attributes are dropped. Then
// the oldest cookies go until the jar is within its bounds. `now`: seconds
// since 1970-01-01 UTC.
void ApplySetCookies(runtime::TStrings& cookies, const runtime::TStrings& headers, int64_t now);

// Seconds since 1970-01-01 UTC of a cookie date (the forms servers use:
// "Wed, 21 Oct 2015 07:28:00 GMT", "Wednesday, 21-Oct-15 07:28:00 GMT",
// "Wed Oct 21 07:28:00 2015" and their looser kin); false when the text is
// no date.
[[nodiscard]] bool ParseCookieDate(std::string_view text, int64_t& seconds);

// The current time as seconds since 1970-01-01 UTC.
int64_t UnixNow();

}  // namespace net
