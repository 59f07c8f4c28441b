#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "net/httpsend.h"
#include "net/ssl_openssl.h"
#include "net/testing/peers.h"
#include "net/testing/scripted_peer.h"
#include "net/testing/stopper.h"
#include "net/testing/tls_peers.h"

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Body(const THTTPSend& http) {
    return std::string(static_cast<const char*>(http.Document().Memory()),
                       static_cast<size_t>(http.Document().Size()));
}

std::string Describe(const THTTPSend& http) {
    return "status " + std::to_string(http.ResultCode()) + ", socket error " +
           std::to_string(http.Sock().LastError()) + ", TLS error " +
           std::to_string(http.Sock().SSL().LastError()) + " " + http.Sock().SSL().LastErrorDesc();
}

class HttpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::EnsureSocketInterface();
        ASSERT_TRUE(InitSSLInterface()) << OpenSSLLibrary().LoadError();
    }
};

TEST_F(HttpsTest, BodiesOverTls) {
    NET_REQUIRE_PEER(tls12, "SERPLOW_TEST_TLS12_PORT", "openssl");
    NET_REQUIRE_PEER(tls13, "SERPLOW_TEST_TLS13_PORT", "openssl");
    NET_REQUIRE_PEER(python, "SERPLOW_TEST_PYTLS_PORT", "tls_server.py");
    struct Row {
        const char* what;
        std::string port;
        const char* path;
        const char* protocol;
        size_t size;
    } rows[] = {
        {"TLS 1.2, sized", tls12, "/sized.txt", "1.0", testing::kTlsSized},
        {"TLS 1.2, chunked", tls12, "/chunked.txt", "1.0", testing::kTlsChunked},
        {"TLS 1.3, to the close_notify", tls13, "/toclose.txt", "1.0", testing::kTlsToClose},
        {"sized, split records", python, "/sized?n=300000&split=1", "1.1", 300000},
        {"chunked, split records", python, "/chunked?n=60000&split=1", "1.1", 60000},
        {"to the close_notify", python, "/toclose?n=70000", "1.0", 70000},
        // The whole body came before the server closed: no failure.
        {"to a close without close_notify", python, "/toclose-abrupt?n=70000", "1.0", 70000},
        {"to a close without close_notify, split", python, "/toclose-abrupt?n=70000&split=1", "1.0",
         70000},
    };
    for (const Row& row : rows) {
        THTTPSend http;
        http.Protocol = row.protocol;
        http.Timeout = 20000;
        ASSERT_TRUE(http.ExecuteRequest("GET", "https://127.0.0.1:" + row.port + row.path))
            << row.what << ": " << Describe(http);
        EXPECT_EQ(http.ResultCode(), 200) << row.what;
        EXPECT_EQ(http.Document().Size(), static_cast<int64_t>(row.size)) << row.what;
        EXPECT_TRUE(Body(http) == testing::PatternBytes(row.size)) << row.what;
    }
}

TEST_F(HttpsTest, KeptConnectionAndTunnel) {
    NET_REQUIRE_PEER(python, "SERPLOW_TEST_PYTLS_PORT", "tls_server.py");
    NET_REQUIRE_PEER(proxy, "SERPLOW_TEST_PROXY_PORT", "tinyproxy");
    // The sockets of new clients take the OpenSSL plug.
    EXPECT_EQ(DefaultSSLClass(), &CreateSSLOpenSSL);

    THTTPSend http;
    http.Protocol = "1.1";
    ASSERT_TRUE(http.ExecuteRequest("GET", "https://127.0.0.1:" + python + "/sized?n=10"));
    std::string first = http.Headers().Values("X-Connection");
    http.Clear();
    ASSERT_TRUE(http.ExecuteRequest("GET", "https://127.0.0.1:" + python + "/chunked?n=2500"))
        << Describe(http);
    EXPECT_EQ(http.Headers().Values("X-Connection"), first);
    EXPECT_TRUE(Body(http) == testing::PatternBytes(2500));

    // Through tinyproxy's CONNECT tunnel, the server name still reaches the
    // server.
    THTTPSend tunnelled;
    tunnelled.ProxyHost = "127.0.0.1";
    tunnelled.ProxyPort = proxy;
    tunnelled.ProxyUser = testing::kProxyUser;
    tunnelled.ProxyPass = testing::kProxyPassword;
    ASSERT_TRUE(tunnelled.ExecuteRequest("GET", "https://localhost:" + python + "/sni"))
        << Describe(tunnelled);
    EXPECT_EQ(Body(tunnelled), "localhost");
    tunnelled.Clear();
    ASSERT_TRUE(tunnelled.ExecuteRequest("GET", "https://127.0.0.1:" + python + "/sized?n=150000"))
        << Describe(tunnelled);
    EXPECT_TRUE(Body(tunnelled) == testing::PatternBytes(150000));
}

TEST_F(HttpsTest, StalledServersEndOnTimeoutAndStop) {
    NET_REQUIRE_PEER(python, "SERPLOW_TEST_PYTLS_PORT", "tls_server.py");
    // A server that accepts and never answers the handshake.
    testing::TScriptedPeer silent;
    silent.Connection().Pause(60000);
    silent.Connection().Pause(60000);
    silent.Start();
    const std::string stalled = "https://127.0.0.1:" + python + "/stall?n=100000";
    const std::string handshake = "https://127.0.0.1:" + silent.Port() + "/";
    struct Row {
        const char* what;
        std::string url;
        int timeout;
        // The stop comes once the socket reports this (the connection made,
        // the first bytes of the answer read); none for the time-outs.
        std::optional<THookSocketReason> stopAfter;
        int error;
        // Whose error: the plug's where the plug is the one that waits (the
        // handshake, the rest of a record on a readable socket); the
        // socket's for a stop while reading, which the socket or the plug
        // may see first.
        bool ofPlug;
    } rows[] = {
        // Half a record of the body, then nothing.
        {"read, time-out", stalled, 1000, std::nullopt, kWsaETimedOut, true},
        {"read, stop", stalled, -1, THookSocketReason::HR_ReadCount, kWsaEConnAborted, false},
        {"handshake, time-out", handshake, 1000, std::nullopt, kWsaETimedOut, true},
        {"handshake, stop", handshake, -1, THookSocketReason::HR_Connect, kWsaEConnAborted, true},
    };
    for (const Row& row : rows) {
        THTTPSend http;
        http.Timeout = row.timeout;
        std::atomic<bool> reached{false};
        http.Sock().OnStatus = [&](TBlockSocket*, THookSocketReason reason, const std::string&) {
            if (reason == row.stopAfter) reached = true;
        };
        std::optional<testing::TStopper> stopper;
        if (row.stopAfter) stopper.emplace(http.Sock().StopFlag, [&] { return reached.load(); });
        auto start = Clock::now();
        EXPECT_FALSE(http.ExecuteRequest("GET", row.url)) << row.what;
        int64_t elapsed = MsSince(start);
        if (stopper) stopper->Join();
        EXPECT_EQ(row.ofPlug ? http.Sock().SSL().LastError() : http.Sock().LastError(), row.error)
            << row.what << ": " << Describe(http);
        if (!row.stopAfter) {
            EXPECT_GE(elapsed, 950) << row.what;
        }
        // Below the peers' stall (30 s for the TLS server), however loaded
        // the machine.
        EXPECT_LT(elapsed, 20000) << row.what;
    }
}

// The library the plugs of WithoutOpenSSL use.
TOpenSSLLibrary* gFakeOpenSSL = nullptr;

std::unique_ptr<TCustomSSL> CreateFakePlug(TTCPBlockSocket* socket) {
    return std::make_unique<TSSLOpenSSL>(socket, *gFakeOpenSSL);
}

TEST_F(HttpsTest, WithoutOpenSSL) {
    NET_REQUIRE_PEER(python, "SERPLOW_TEST_PYTLS_PORT", "tls_server.py");
    struct Row {
        const char* what;
        bool ssl;
        bool crypto;
        const char* reason;
    } rows[] = {
        {"absent", false, false,
         "OpenSSL is not available: \"libssl-fake\" and \"libcrypto-fake\" could not be loaded"},
        {"crypto library absent", true, false,
         "OpenSSL is not available: \"libcrypto-fake\" could not be loaded"},
        {"entry points absent", true, true,
         "The OpenSSL library lacks TLS_client_method, SSL_CTX_new"},
    };
    for (const Row& row : rows) {
        auto provider = std::make_unique<testing::TFakeLibraryProvider>();
        if (row.ssl) provider->Add("libssl-fake");
        if (row.crypto) provider->Add("libcrypto-fake");
        TOpenSSLLibrary fake(std::move(provider));
        fake.SetFileNames("libssl-fake", "", "libcrypto-fake");
        gFakeOpenSSL = &fake;

        auto socket = std::make_unique<TTCPBlockSocket>(&CreateFakePlug);
        THTTPSend http(std::move(socket));
        EXPECT_FALSE(http.ExecuteRequest("GET", "https://127.0.0.1:" + python + "/sized"))
            << row.what;
        EXPECT_EQ(http.ResultCode(), 500) << row.what;
        EXPECT_EQ(http.Sock().LastError(), kWsaSysNotReady) << row.what;
        EXPECT_TRUE(http.Sock().SSL().LastErrorDesc().starts_with(row.reason))
            << row.what << ": " << http.Sock().SSL().LastErrorDesc();

        // Plain HTTP goes on working.
        testing::TScriptedPeer peer;
        peer.Connection().ReadRequest().Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
        peer.Start();
        http.Clear();
        EXPECT_TRUE(http.ExecuteRequest("GET", "http://127.0.0.1:" + peer.Port() + "/"))
            << row.what;
        EXPECT_EQ(Body(http), "ok") << row.what;
        peer.Wait();
        gFakeOpenSSL = nullptr;
    }
}

}  // namespace
}  // namespace net
