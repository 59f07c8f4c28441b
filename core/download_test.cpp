// DownloadURL against tests/servers/serp (peers.py --serp --tls --proxy).
#include "core/download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/fetch_test_support.h"
#include "net/ssl_openssl.h"
#include "net/testing/peers.h"
#include "net/testing/scripted_peer.h"
#include "runtime/container_test_support.h"
#include "runtime/os/files.h"

namespace core {
namespace {

using Clock = std::chrono::steady_clock;
using testing::ScopedFetchOptions;
using testing::SerpRequests;
using testing::SerpSearchURL;

constexpr const char* kSite = "www.example-site.test";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(CookieFileNameTest, IsASafeFileName) {
    struct Row {
        const char* protocol;
        const char* host;
        const char* port;
        const char* expected;
    };
    const Row rows[] = {
        {"http", "www.google.com", "80", "www.google.com.txt"},
        {"https", "WWW.Google.COM", "443", "www.google.com.txt"},
        {"http", "127.0.0.1", "8080", "127.0.0.1_8080.txt"},
        {"https", "localhost", "80", "localhost_80.txt"},
        {"http", "::1", "80", "__1.txt"},
        {"http", "a/b\\c:d*e?f", "80", "a_b_c_d_e_f.txt"},
        {"http", "..", "80", "_...txt"},
        {"http", "", "80", "_.txt"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CookieFileName(row.protocol, row.host, row.port), row.expected) << row.host;
    }
}

class DownloadTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        net::testing::EnsureSocketInterface();
        (void)net::InitSSLInterface();
    }

    std::string Fetch(const std::string& keyword, TFetchContext& context) {
        return DownloadURL(SerpSearchURL(port_, keyword), context);
    }
    int Requests(const std::string& path) { return SerpRequests(port_)[path]; }

    void SetUp() override {
        std::string why;
        bool absent = false;
        port_ = net::testing::PeerPort("SERPLOW_TEST_SERP_PORT", "serp_server.py", why, absent);
        if (port_.empty()) GTEST_FAIL() << why;
        testing::ResetSerpRequests(port_);
    }

    std::string port_;
    ScopedFetchOptions options_;
};

TEST_F(DownloadTest, FetchesAPageWithOneRequest) {
    TFetchContext context;
    const std::string page = Fetch("alpha at:3", context);
    EXPECT_TRUE(contains(page, kSite));
    EXPECT_TRUE(contains(page, "Result 1 for alpha"));
    EXPECT_EQ(Requests("/search"), 1);
    EXPECT_FALSE(context.AnyFailed());
}

TEST_F(DownloadTest, FollowsRedirects) {
    struct Row {
        const char* keyword;
        const char* target;  // the path the page came from
    };
    // Absolute; relative, whose path must keep its case; to another host
    // with a port; and cookies held per host across two redirects.
    const Row rows[] = {{"r redirect:abs at:2", "/found"},
                        {"r redirect:rel at:2", "/Found"},
                        {"r redirect:port at:2", "/found"},
                        {"r cookie at:2", "/search"},
                        {"r hosts at:2", "/search"}};
    for (const Row& row : rows) {
        testing::ResetSerpRequests(port_);
        TFetchContext context;
        const std::string page = Fetch(row.keyword, context);
        EXPECT_TRUE(contains(page, kSite)) << row.keyword << ": " << context.LastError();
        EXPECT_GE(Requests(row.target), 1) << row.keyword;
    }
    // The cookies went to files named after their hosts.
    EXPECT_TRUE(runtime::os::FileExists(options_.CookieFile("127.0.0.1_" + port_ + ".txt")));
    EXPECT_TRUE(runtime::os::FileExists(options_.CookieFile("localhost_" + port_ + ".txt")));
    const std::string jar =
        testing::ReadWideFile(options_.CookieFile("127.0.0.1_" + port_ + ".txt"));
    EXPECT_TRUE(contains(jar, "serp_session=r")) << jar;
    EXPECT_TRUE(contains(jar, "first_host=1")) << jar;
    EXPECT_FALSE(contains(jar, "second_host")) << jar;
}

TEST_F(DownloadTest, ContentLocationIsNoRedirect) {
    TFetchContext context;
    EXPECT_TRUE(contains(Fetch("c contentloc at:1", context), kSite));
    EXPECT_EQ(Requests("/search"), 1);
    EXPECT_EQ(Requests("/elsewhere.html"), 0);
}

TEST_F(DownloadTest, GivesUpAfterFourRequests) {
    TFetchContext context;
    EXPECT_EQ(Fetch("e error:500", context), "");
    EXPECT_EQ(Requests("/search"), kMaxFetchRequests);
    EXPECT_TRUE(context.AnyFailed());
    EXPECT_TRUE(contains(context.LastError(), "HTTP 500")) << context.LastError();
}

TEST_F(DownloadTest, ReportsATimeout) {
    TFetchContext context(nullptr, 300);
    const auto start = Clock::now();
    EXPECT_EQ(Fetch("t slow:2", context), "");
    EXPECT_LT(secondsSince(start), 1.5);
    EXPECT_TRUE(contains(context.LastError(), "Unable to download")) << context.LastError();
}

TEST_F(DownloadTest, DropsNulBytes) {
    TFetchContext context;
    const std::string page = Fetch("n nul at:1", context);
    EXPECT_TRUE(contains(page, kSite));
    EXPECT_EQ(page.find('\0'), std::string::npos);
}

TEST_F(DownloadTest, FetchesOverHttps) {
    NET_REQUIRE_PEER(tlsPort, "SERPLOW_TEST_SERP_TLS_PORT", "openssl");
    TFetchContext context;
    EXPECT_TRUE(contains(Fetch("s https at:4", context), kSite)) << context.LastError();
}

TEST_F(DownloadTest, GoesThroughTheProxy) {
    NET_REQUIRE_PEER(proxyPort, "SERPLOW_TEST_PROXY_PORT", "tinyproxy");
    TFetchContext direct;
    EXPECT_FALSE(contains(Fetch("p via-proxy at:1", direct), kSite));
    Options->ProxyHost = "127.0.0.1";
    Options->ProxyPort = proxyPort;
    Options->ProxyUser = net::testing::kProxyUser;
    Options->ProxyPass = net::testing::kProxyPassword;
    TFetchContext proxied;
    EXPECT_TRUE(contains(Fetch("p via-proxy at:1", proxied), kSite)) << proxied.LastError();
}

TEST_F(DownloadTest, StopEndsTheFriendlyWait) {
    Options->HumanActivitySimulation = 3;  // 3 to 12 seconds
    TFetchContext context;
    std::thread stopper([&context] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        context.Stop();
    });
    const auto start = Clock::now();
    EXPECT_EQ(Fetch("w at:1", context), "");
    stopper.join();
    EXPECT_LT(secondsSince(start), 2.0);
    EXPECT_EQ(context.LastError(), "Stopped");
    EXPECT_EQ(Requests("/search"), 0);
}

TEST_F(DownloadTest, StopEndsTheRequestInProgress) {
    TFetchContext context;
    std::thread stopper([&context] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        context.Stop();
    });
    const auto start = Clock::now();
    EXPECT_EQ(Fetch("w slow:5 at:1", context), "");
    stopper.join();
    EXPECT_LT(secondsSince(start), 2.0);
    EXPECT_EQ(context.LastError(), "Stopped");
}

TEST_F(DownloadTest, ASiteStopComesBeforeAnyRequest) {
    std::atomic<bool> siteStop{true};
    TFetchContext context(&siteStop);
    EXPECT_EQ(Fetch("w at:1", context), "");
    EXPECT_EQ(Requests("/search"), 0);
    // A site stop set during the wait ends it too.
    siteStop = false;
    Options->HumanActivitySimulation = 2;
    std::thread stopper([&siteStop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        siteStop = true;
    });
    const auto start = Clock::now();
    EXPECT_EQ(Fetch("w at:1", context), "");
    stopper.join();
    EXPECT_LT(secondsSince(start), 1.5);
}

TEST_F(DownloadTest, ClampsTheFriendlyMode) {
    // Below Off waits nothing.
    Options->HumanActivitySimulation = -7;
    TFetchContext context;
    const auto start = Clock::now();
    EXPECT_TRUE(contains(Fetch("f at:1", context), kSite));
    EXPECT_LT(secondsSince(start), 0.9);
}

}  // namespace
}  // namespace core
