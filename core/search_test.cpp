// The search driver end to end: sites checked through the "Local" engine
// against tests/servers/serp, directly and through tinyproxy.
#include "core/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "core/host_text.h"
#include "core/keyword.h"
#include "core/search_test_support.h"
#include "core/site.h"
#include "net/testing/peers.h"
#include "runtime/datetime.h"
#include "runtime/strings.h"

namespace core {
namespace {

using Clock = std::chrono::steady_clock;
using testing::ScopedCallbacks;
using testing::ScopedSearchProgram;

constexpr const char* kSite = "www.example-site.test";
// Short, so that the page that never comes fails fast.
constexpr int kFetchTimeout = 700;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// What one keyword is expected to come to.
struct Expected {
    std::u16string keyword;
    int position;         // after the check; -1: the check fails
    std::string failure;  // the log line's reason when it fails
    bool active = true;
};

class SearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        bool absent = false;
        port_ = net::testing::PeerPort("SERPLOW_TEST_SERP_PORT", "serp_server.py", why, absent);
        ASSERT_FALSE(port_.empty()) << why;
        program_ = std::make_unique<ScopedSearchProgram>(port_);
        Options->SearchResults = 30;
    }

    // The address the Local engine asks first for a keyword.
    std::string FirstPage(const std::u16string& keyword) const {
        return "http://127.0.0.1:" + port_ + "/search?q=" + EncodeURL(keyword + u'\x0002') +
               "&start=0";
    }

    // Checks the site, collecting the log lines.
    bool Check(TSite& site, std::vector<std::u16string>& lines,
               std::function<void(const std::u16string&)> onLine = {}) {
        CoreCallbacks callbacks;
        callbacks.KeywordDone = [&](const std::u16string& line) {
            lines.push_back(line);
            if (onLine) onLine(line);
        };
        callbacks.ShowMessage = [this](const std::string& text, const std::string&, MessageKind,
                                       MessageOwner) { messages_.push_back(text); };
        ScopedCallbacks scoped(std::move(callbacks));
        TCheckLimits limits;
        limits.FetchTimeout = kFetchTimeout;
        return CheckSite(site, limits);
    }

    std::string port_;
    std::unique_ptr<ScopedSearchProgram> program_;
    std::vector<std::string> messages_;
};

std::string show(const std::u16string& s) {
    return runtime::WideToUtf8(s);
}

std::multiset<std::string> shown(const std::vector<std::u16string>& lines) {
    std::multiset<std::string> set;
    for (const auto& line : lines) set.insert(show(line));
    return set;
}

// Twenty keywords: found on the first page and on the third, not found,
// beyond the depth, three kinds of redirect, cookies that must come back,
// cookies per host, HTTPS, a page that never comes, a server error, a
// Content-Location header, the other page layouts, keywords beyond the
// system code page, an inactive keyword, fewer results than the depth, NUL
// bytes in the page, and a result only a proxy sees. The check runs
// directly, then through tinyproxy.
TEST_F(SearchTest, ChecksASiteEndToEnd) {
    NET_REQUIRE_PEER(tlsPort, "SERPLOW_TEST_SERP_TLS_PORT", "openssl");
    NET_REQUIRE_PEER(proxyPort, "SERPLOW_TEST_PROXY_PORT", "tinyproxy");
    const std::string timeout = "Connection timed out";
    std::vector<Expected> expected{
        {u"alpha at:3", 3, ""},
        {u"beta at:25", 25, ""},
        {u"gamma", 0, ""},
        {u"delta at:45", 0, ""},
        {u"absolute redirect:abs at:2", 2, ""},
        {u"relative redirect:rel at:4", 4, ""},
        {u"port redirect:port at:6", 6, ""},
        {u"biscuit cookie at:7", 7, ""},
        {u"jars hosts at:8", 8, ""},
        {u"secure https at:9", 9, ""},
        {u"never slow:3 at:1", -1, ""},
        {u"broken error:500 at:1", -1, ""},
        {u"header contentloc at:5", 5, ""},
        {u"cards layout:cards at:11", 11, ""},
        {u"table layout:table at:21", 21, ""},
        {u"\u041F\u0440\u0438\u0432\u0435\u0442 at:12", 12, ""},
        {u"inactive at:1", 0, "", false},
        {u"short total:5", 0, ""},
        {u"zeros nul at:10", 10, ""},
        {u"proxied via-proxy at:14", 0, ""},
    };
    ASSERT_EQ(expected.size(), 20u);
    expected[10].failure = "Unable to download " + FirstPage(expected[10].keyword) + ": " + timeout;
    expected[11].failure = "Unable to download " + FirstPage(expected[11].keyword) +
                           ": HTTP 500 Internal Server Error";

    TSite site(kSite);
    for (const Expected& row : expected) {
        TKeyword& keyword = site.AddKeyword(row.keyword);
        keyword.Active = row.active;
        // A history: position 5 before, best 2, checked on day 100.
        keyword.Position = 5;
        keyword.LastPosition = 7;
        keyword.Best = 2;
        keyword.Date = 100;
        keyword.Links.Add(std::make_unique<TLink>(u"http://old.test/", u"old", u"", 1, 1, 0.0));
    }
    const runtime::TDateTime today = runtime::Date();

    for (const bool proxied : {false, true}) {
        if (proxied) {
            Options->ProxyHost = "127.0.0.1";
            Options->ProxyPort = proxyPort;
            Options->ProxyUser = net::testing::kProxyUser;
            Options->ProxyPass = net::testing::kProxyPassword;
            expected[19].position = 14;
        }
        std::vector<std::u16string> lines;
        ASSERT_TRUE(Check(site, lines)) << (messages_.empty() ? "" : messages_.front());

        std::multiset<std::string> wantedLines;
        for (const Expected& row : expected) {
            if (!row.active) continue;
            wantedLines.insert(show(row.keyword) +
                               (row.position < 0 ? " - Failed: " + row.failure : " - OK"));
        }
        EXPECT_EQ(shown(lines), wantedLines) << (proxied ? "through the proxy" : "directly");

        for (int i = 0; i < site.Keywords.Count(); ++i) {
            const TKeyword& keyword = *site.Keywords.Items(i);
            const Expected& row = expected[static_cast<size_t>(i)];
            SCOPED_TRACE(show(row.keyword) + (proxied ? " through the proxy" : " directly"));
            if (row.position < 0 || !row.active) {
                // Failed or not checked: nothing changed.
                EXPECT_EQ(keyword.Position, 5);
                EXPECT_EQ(keyword.LastPosition, 7);
                EXPECT_EQ(keyword.Best, 2);
                EXPECT_EQ(keyword.Date, 100);
                ASSERT_EQ(keyword.Links.Count(), 1);
                EXPECT_EQ(keyword.Links.Links(0)->Name(), "http://old.test/");
                continue;
            }
            EXPECT_EQ(keyword.Position, row.position);
            EXPECT_EQ(keyword.Date, today);
            if (!proxied) {
                EXPECT_EQ(keyword.LastPosition, 5);
                EXPECT_EQ(keyword.Best, row.position > 0 ? std::min(2, row.position) : 2);
            }
            const int results = row.keyword == u"short total:5" ? 5 : 30;
            ASSERT_EQ(keyword.Links.Count(), results);
            if (row.position > 0) {
                const TLink& found = *keyword.Links.Links(row.position - 1);
                EXPECT_EQ(found.Name(), std::string("http://") + kSite + "/home.html");
                EXPECT_EQ(found.Position, row.position);
                EXPECT_EQ(found.Page, (row.position + 9) / 10);
                EXPECT_EQ(found.Title().substr(0, 15), u"Example site & ");
            }
        }
    }
    // The keyword beyond the code page keeps its letters in the results.
    const TKeyword& cyrillic = *site.Keywords.Items(15);
    EXPECT_EQ(cyrillic.Links.Links(0)->Title(),
              u"Result 1 for \u041F\u0440\u0438\u0432\u0435\u0442 & more");
    // Through the proxy the proxied keyword went from 0 to 14.
    const TKeyword& proxiedKeyword = *site.Keywords.Items(19);
    EXPECT_EQ(proxiedKeyword.LastPosition, 14);
    EXPECT_EQ(proxiedKeyword.Best, 2);
}

TEST_F(SearchTest, RefusesToCheckWithoutAnEngine) {
    CurrentEngine = nullptr;
    TSite site(kSite);
    site.AddKeyword(u"alpha at:1");
    std::vector<std::u16string> lines;
    EXPECT_FALSE(Check(site, lines));
    EXPECT_TRUE(lines.empty());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find("No search engine"), std::string::npos);
}

TEST_F(SearchTest, ReportsACompileErrorPerKeyword) {
    program_->WriteEngine("broken.se",
                          "const\r\n  Name = 'Broken';\r\nbegin\r\n  Nowhere;\r\nend.\r\n");
    TSE broken(EnginesDir() + u"broken.se");
    CurrentEngine = &broken;
    TSite site(kSite);
    site.AddKeyword(u"one");
    site.AddKeyword(u"two");
    std::vector<std::u16string> lines;
    ASSERT_TRUE(Check(site, lines));
    const std::string reason =
        "Unable to compile search engine script: " + runtime::WideToAnsi(EnginesDir()) +
        "broken.se Undeclared identifier: 'Nowhere' at 4:10";
    EXPECT_EQ(shown(lines),
              (std::multiset<std::string>{"one - Failed: " + reason, "two - Failed: " + reason}));
}

// At most six workers run; a Stop in the middle starts no more, ends the
// ones in progress, and the check returns when they have ended.
TEST_F(SearchTest, StopsInTheMiddle) {
    TSite site(kSite);
    for (int i = 0; i < 20; ++i) {
        TKeyword& keyword =
            site.AddKeyword(u"slow" + runtime::AnsiToWide(std::to_string(i)) + u" slow:0.3 at:1");
        keyword.Position = 9;
    }
    Options->SearchResults = 10;
    int most = 0;
    Clock::time_point stopped;
    std::vector<std::u16string> lines;
    const auto start = Clock::now();
    const bool checked = Check(site, lines, [&](const std::u16string&) {
        most = std::max(most, RunningThreads.load());
        if (lines.size() == 3) {
            stopped = Clock::now();
            StopCheck();
        }
    });
    EXPECT_TRUE(checked);
    EXPECT_LT(secondsSince(stopped), 1.0);
    EXPECT_LT(secondsSince(start), 5.0);
    EXPECT_LE(most, kMaxSearchWorkers);
    EXPECT_EQ(RunningThreads, 0);
    EXPECT_FALSE(CheckRunning());

    // Three found it; every later report says it stopped; the rest never
    // started, and none of those changed.
    int ok = 0;
    int stoppedLines = 0;
    for (const std::u16string& line : lines) {
        if (line.ends_with(u" - OK")) ++ok;
        if (line.ends_with(u" - Failed: Stopped")) ++stoppedLines;
    }
    EXPECT_EQ(ok, 3);
    EXPECT_EQ(ok + stoppedLines, static_cast<int>(lines.size()));
    EXPECT_LT(lines.size(), 20u);
    int found = 0;
    for (int i = 0; i < site.Keywords.Count(); ++i) {
        const int position = site.Keywords.Items(i)->Position;
        EXPECT_TRUE(position == 1 || position == 9) << i;
        if (position == 1) ++found;
    }
    EXPECT_EQ(found, 3);
}

// A close or a project load while the check runs (here: from a report)
// stops and joins the workers before the site goes; the check below then
// returns without touching it.
TEST_F(SearchTest, AbortJoinsTheWorkersBeforeTheSiteGoes) {
    auto site = std::make_unique<TSite>(kSite);
    for (int i = 0; i < 12; ++i) {
        site->AddKeyword(u"abort" + runtime::AnsiToWide(std::to_string(i)) + u" slow:0.1 at:2");
    }
    Options->SearchResults = 10;
    std::vector<std::u16string> lines;
    size_t linesAtAbort = 0;
    const bool checked = Check(*site, lines, [&](const std::u16string&) {
        if (lines.size() == 2 && site) {
            AbortCheck();
            EXPECT_EQ(RunningThreads, 0);
            EXPECT_FALSE(CheckRunning());
            linesAtAbort = lines.size();
            site.reset();
        }
    });
    EXPECT_FALSE(checked);
    EXPECT_EQ(site, nullptr);
    // Reports that came while AbortCheck waited are the last ones.
    EXPECT_GE(lines.size(), 2u);
    EXPECT_LT(lines.size(), 12u);
    (void)linesAtAbort;
}

// A close that comes as soon as the workers start finds some threads that
// have not begun their search; they are stopped and joined without a
// report, and the check must not count them as running afterwards (the
// next project load would be refused for ever).
TEST_F(SearchTest, AbortRightAfterTheWorkersStartLeavesNoneCounted) {
    for (int round = 0; round < 20; ++round) {
        TSite site(kSite);
        for (int i = 0; i < 4; ++i) {
            site.AddKeyword(u"early" + runtime::AnsiToWide(std::to_string(i)) + u" slow:0.1");
        }
        CoreCallbacks callbacks;
        callbacks.ProcessPending = [] {
            if (RunningThreads > 0) AbortCheck();
        };
        ScopedCallbacks scoped(std::move(callbacks));
        TCheckLimits limits;
        limits.FetchTimeout = kFetchTimeout;
        EXPECT_FALSE(CheckSite(site, limits)) << round;
        EXPECT_EQ(RunningThreads, 0) << round;
        EXPECT_FALSE(CheckRunning()) << round;
    }
}

}  // namespace
}  // namespace core
