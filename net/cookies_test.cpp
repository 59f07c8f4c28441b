#include "net/cookies.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/limits.h"
#include "runtime/stringlist.h"
#include "tests/support/linear_time.h"

namespace net {
namespace {

// 2025-06-01 12:00:00 UTC.
constexpr int64_t kNow = 1748779200;

std::string Applied(const std::vector<std::string>& jar, const std::vector<std::string>& lines) {
    runtime::TStringList cookies;
    for (const std::string& line : jar) cookies.Add(line);
    runtime::TStringList headers;
    headers.Add("HTTP/1.1 200 OK");
    for (const std::string& line : lines) headers.Add(line);
    ApplySetCookies(cookies, headers, kNow);
    std::string text;
    for (int i = 0; i < cookies.Count(); ++i) text += (i ? "; " : "") + cookies.Strings(i);
    return text;
}

TEST(CookiesTest, SetCookieLinesUpdateTheJar) {
    struct Row {
        const char* what;
        std::vector<std::string> jar;
        std::vector<std::string> lines;
        std::string expected;
    } rows[] = {
        {"appended, attributes dropped",
         {"a=1"},
         {"Set-Cookie: b=2; Path=/; HttpOnly"},
         "a=1; b=2"},
        {"replaced, name in any case, and now the newest",
         {"A=1", "b=2"},
         {"set-cookie: a = 9 "},
         "b=2; a=9"},
        {"empty value removes", {"a=1", "b=2"}, {"Set-Cookie: a="}, "b=2"},
        {"no equals sign: the text is name and value", {}, {"Set-Cookie: flag"}, "flag=flag"},
        {"Max-Age 0 removes", {"a=1"}, {"Set-Cookie: a=1; Max-Age=0"}, ""},
        {"negative Max-Age removes", {"a=1"}, {"Set-Cookie: a=2; max-age=-5"}, ""},
        {"positive Max-Age keeps", {}, {"Set-Cookie: a=1; Max-Age=3600"}, "a=1"},
        {"Expires in the past removes",
         {"a=1"},
         {"Set-Cookie: a=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT"},
         ""},
        {"expired and never held: not added",
         {},
         {"Set-Cookie: a=1; expires=Wednesday, 21-Oct-15 07:28:00 GMT"},
         ""},
        {"Expires in the future keeps",
         {},
         {"Set-Cookie: a=1; Expires=Fri, 01 Jan 2100 00:00:00 GMT"},
         "a=1"},
        {"Max-Age wins over Expires",
         {},
         {"Set-Cookie: a=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT; Max-Age=60"},
         "a=1"},
        {"an unreadable date is no date", {}, {"Set-Cookie: a=1; Expires=soon"}, "a=1"},
        {"an unreadable Max-Age is none", {}, {"Set-Cookie: a=1; Max-Age=never"}, "a=1"},
        {"a cookie too long is ignored",
         {"a=1"},
         {"Set-Cookie: a=" + std::string(kMaxCookieSize, 'x')},
         "a=1"},
        {"later lines see earlier ones",
         {},
         {"Set-Cookie: a=1", "Set-Cookie: b=2", "Set-Cookie: a=", "Set-Cookie: a=3"},
         "b=2; a=3"},
        {"other header lines are not cookies",
         {"a=1"},
         {"X-Set-Cookie: b=2", "Set-Cookie2: c=3"},
         "a=1"},
    };
    for (const Row& row : rows) EXPECT_EQ(Applied(row.jar, row.lines), row.expected) << row.what;
}

TEST(CookiesTest, CookieDates) {
    struct Row {
        const char* text;
        bool ok;
        int64_t seconds;
    } rows[] = {
        {"Wed, 21 Oct 2015 07:28:00 GMT", true, 1445412480},
        {"Wednesday, 21-Oct-15 07:28:00 GMT", true, 1445412480},
        {"Wed Oct 21 07:28:00 2015", true, 1445412480},
        {"21 oct 2015 7:28:0", true, 1445412480},
        {"Thu, 01 Jan 1970 00:00:00 GMT", true, 0},
        {"Sat, 29 Feb 2020 23:59:59 GMT", true, 1583020799},
        {"Sun, 01 Jan 69 00:00:00 GMT", true, 3124224000},
        {"Fri, 30 Feb 2018 00:00:00 GMT", false, 0},
        {"Wed, 21 Oct 2015 24:00:00 GMT", false, 0},
        {"Wed, 21 Oct 2015 GMT", false, 0},
        {"Wed, 21 Foo 2015 07:28:00 GMT", false, 0},
        {"Mon, 01 Jan 1600 00:00:00 GMT", false, 0},
        {"", false, 0},
    };
    for (const Row& row : rows) {
        int64_t seconds = -1;
        EXPECT_EQ(ParseCookieDate(row.text, seconds), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(seconds, row.seconds) << row.text;
        }
    }
}

// "Set-Cookie: c<first>=v" .. for `count` names.
void ManyCookies(runtime::TStringList& headers, int first, int count) {
    headers.Clear();
    for (int i = first; i < first + count; ++i)
        headers.Add("Set-Cookie: c" + std::to_string(i) + "=value" + std::to_string(i) +
                    "; Path=/");
}

TEST(CookiesTest, TheJarIsBoundedTheOldestGoing) {
    runtime::TStringList cookies;
    cookies.Add("caller=1");
    // Six answers of 12,000 new cookies each.
    runtime::TStringList headers;
    for (int answer = 0; answer < 6; ++answer) {
        ManyCookies(headers, answer * 12000, 12000);
        ApplySetCookies(cookies, headers, kNow);
    }
    EXPECT_LE(cookies.Count(), kMaxCookies);
    int64_t line = 0;
    for (int i = 0; i < cookies.Count(); ++i)
        line += static_cast<int64_t>(cookies.Strings(i).size()) + (i ? 2 : 0);
    EXPECT_LE(line, kMaxCookieBytes);
    // The newest stay, in order.
    EXPECT_EQ(cookies.Strings(cookies.Count() - 1), "c71999=value71999");
    EXPECT_EQ(cookies.IndexOf("caller=1"), -1);
    EXPECT_EQ(cookies.IndexOf("c0=value0"), -1);
}

TEST(CookiesTest, ACookieSetAgainIsTheLastToGo) {
    // A full jar; the server refreshes its oldest cookie, then sets a new one.
    runtime::TStringList cookies;
    runtime::TStringList headers;
    ManyCookies(headers, 0, kMaxCookies);
    ApplySetCookies(cookies, headers, kNow);
    ASSERT_EQ(cookies.Count(), kMaxCookies);
    ASSERT_EQ(cookies.Strings(0), "c0=value0");
    headers.Clear();
    headers.Add("Set-Cookie: c0=fresh");
    headers.Add("Set-Cookie: new=1");
    ApplySetCookies(cookies, headers, kNow);
    EXPECT_EQ(cookies.Count(), kMaxCookies);
    EXPECT_EQ(cookies.IndexOf("c1=value1"), -1);
    EXPECT_EQ(cookies.Strings(cookies.Count() - 2), "c0=fresh");
    EXPECT_EQ(cookies.Strings(cookies.Count() - 1), "new=1");
}

TEST(CookiesTest, SetCookieLinesCostLinearTime) {
    serplow::testing::ExpectLinearTime("Set-Cookie lines", 3000, [](int count) {
        auto headers = std::make_shared<runtime::TStringList>();
        ManyCookies(*headers, 0, count);
        return [headers] {
            runtime::TStringList cookies;
            ApplySetCookies(cookies, *headers, kNow);
        };
    });
}

}  // namespace
}  // namespace net
