#include <gtest/gtest.h>

#include <string>

#include "net/base64.h"
#include "net/tcpblocksocket.h"
#include "net/testing/peers.h"
#include "net/testing/scripted_peer.h"

namespace net {
namespace {

using testing::TScriptedPeer;

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) bytes.push_back(static_cast<char>(v));
    return bytes;
}

class SocksTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::EnsureSocketInterface(); }

    // Fetches /small.txt from nginx over a connected socket.
    static std::string FetchSmall(TTCPBlockSocket& socket) {
        socket.SendString("GET /small.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
        std::string answer;
        while (true) {
            std::string packet = socket.RecvPacket(5000);
            if (socket.LastError() != 0) break;
            answer += packet;
        }
        return answer;
    }
};

TEST_F(SocksTest, Socks5HostNameWithoutUser) {
    const std::string name = "target.example";
    std::string request =
        Bytes({5, 1, 0, 3}) + static_cast<char>(name.size()) + name + Bytes({0x1F, 0x90});
    TScriptedPeer peer;
    peer.Connection()
        .ReadBytes(3)
        .Send(Bytes({5, 0}))
        .ReadBytes(request.size())
        .Send(Bytes({5, 0, 0, 1, 10, 1, 2, 3, 0x04, 0xD2}))
        .Send("through")
        .Pause(500);
    peer.Start();
    TTCPBlockSocket socket;
    socket.SocksIP = "127.0.0.1";
    socket.SocksPort = peer.Port();
    socket.Connect(name, "8080");
    ASSERT_EQ(socket.LastError(), 0) << socket.LastErrorDesc();
    EXPECT_EQ(socket.RecvPacket(3000), "through");
    EXPECT_EQ(peer.Received(0), Bytes({5, 1, 0}) + request);
    EXPECT_TRUE(socket.UsingSocks());
    EXPECT_EQ(socket.RemoteAddress(), name);
    EXPECT_EQ(socket.RemotePort(), 8080);
    EXPECT_EQ(socket.LocalAddress(), "10.1.2.3");  // where the server bound
    EXPECT_EQ(socket.LocalPort(), 1234);
}

TEST_F(SocksTest, RequestForms) {
    struct Row {
        const char* what;
        TSocksType type;
        const char* user;
        bool serverResolves;
        const char* host;
        std::string request;  // after the greeting
    } rows[] = {
        {"SOCKS4a name", TSocksType::ST_Socks4, "bob", true, "target.example",
         Bytes({4, 1, 0x00, 0x50, 0, 0, 0, 1}) + "bob" + Bytes({0}) + "target.example" +
             Bytes({0})},
        {"SOCKS4 address", TSocksType::ST_Socks4, "", true, "10.0.0.7",
         Bytes({4, 1, 0x00, 0x50, 10, 0, 0, 7, 0})},
        {"SOCKS5 IPv6", TSocksType::ST_Socks5, "", true, "::1",
         Bytes({5, 1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x00, 0x50})},
        {"SOCKS5 resolved here", TSocksType::ST_Socks5, "", false, "localhost",
         Bytes({5, 1, 0, 1, 127, 0, 0, 1, 0x00, 0x50})},
    };
    for (const Row& row : rows) {
        bool socks5 = row.type == TSocksType::ST_Socks5;
        TScriptedPeer peer;
        auto& script = peer.Connection();
        if (socks5) script.ReadBytes(3).Send(Bytes({5, 0}));
        script.ReadBytes(row.request.size());
        if (socks5)
            script.Send(Bytes({5, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
        else
            script.Send(Bytes({0, 90, 0, 0, 0, 0, 0, 0}));
        script.Pause(300);
        peer.Start();
        TTCPBlockSocket socket;
        socket.SetFamily(TSocketFamily::SF_IP4);
        socket.SocksIP = "127.0.0.1";
        socket.SocksPort = peer.Port();
        socket.SocksType = row.type;
        socket.SocksUsername = row.user;
        socket.SocksResolver = row.serverResolves;
        socket.Connect(row.host, "80");
        EXPECT_EQ(socket.LastError(), 0) << row.what << ": " << socket.LastErrorDesc();
        peer.Wait();
        EXPECT_EQ(peer.Received(0), (socks5 ? Bytes({5, 1, 0}) : "") + row.request) << row.what;
    }
}

TEST_F(SocksTest, Socks5UserAndPasswordExchange) {
    TScriptedPeer peer;
    std::string auth = Bytes({1, 3}) + "bob" + Bytes({6}) + "s3cret";
    std::string request = Bytes({5, 1, 0, 1, 127, 0, 0, 1, 0x01, 0xBB});
    peer.Connection()
        .ReadBytes(4)
        .Send(Bytes({5, 2}))
        .ReadBytes(auth.size())
        .Send(Bytes({1, 0}))
        .ReadBytes(request.size())
        .Send(Bytes({5, 0, 0, 3, 4}) + "host" + Bytes({0, 7}))
        .Pause(300);
    peer.Start();
    TTCPBlockSocket socket;
    socket.SocksIP = "127.0.0.1";
    socket.SocksPort = peer.Port();
    socket.SocksUsername = "bob";
    socket.SocksPassword = "s3cret";
    socket.Connect("127.0.0.1", "443");
    ASSERT_EQ(socket.LastError(), 0) << socket.LastErrorDesc();
    EXPECT_EQ(peer.Received(0), Bytes({5, 2, 2, 0}) + auth + request);
    EXPECT_EQ(socket.SocksReplyIP(), "host");
    EXPECT_EQ(socket.SocksReplyPort(), "7");
}

TEST_F(SocksTest, RefusedDialogues) {
    struct Row {
        const char* what;
        std::string answer;  // to the greeting
        const char* user;
    } rows[] = {
        {"no acceptable method", Bytes({5, 0xFF}), ""},
        {"wrong version", Bytes({4, 0}), ""},
        {"password refused", Bytes({5, 2}), "bob"},
    };
    for (const Row& row : rows) {
        TScriptedPeer peer;
        peer.Connection()
            .ReadBytes(row.user[0] ? 4 : 3)
            .Send(row.answer)
            .Send(Bytes({1, 1}))
            .Pause(300);
        peer.Start();
        TTCPBlockSocket socket;
        socket.SocksIP = "127.0.0.1";
        socket.SocksPort = peer.Port();
        socket.SocksUsername = row.user;
        socket.Connect("target.example", "80");
        EXPECT_EQ(socket.LastError(), kWsaSysNotReady) << row.what;
    }
    // A request refused by the server.
    TScriptedPeer peer;
    peer.Connection()
        .ReadBytes(3)
        .Send(Bytes({5, 0}))
        .ReadBytes(10)
        .Send(Bytes({5, 5, 0, 1, 0, 0, 0, 0, 0, 0}));
    peer.Start();
    TTCPBlockSocket socket;
    socket.SocksIP = "127.0.0.1";
    socket.SocksPort = peer.Port();
    socket.Connect("10.0.0.1", "80");
    EXPECT_EQ(socket.LastError(), kWsaSysNotReady);
    EXPECT_EQ(socket.SocksLastError(), 5);
}

TEST_F(SocksTest, RealSocks5Server) {
    NET_REQUIRE_PEER(socks, "SERPLOW_TEST_SOCKS_PORT", "microsocks");
    NET_REQUIRE_PEER(socksAuth, "SERPLOW_TEST_SOCKS_AUTH_PORT", "microsocks");
    NET_REQUIRE_PEER(nginx, "SERPLOW_TEST_NGINX_PORT", "nginx");
    struct Row {
        const std::string& port;
        const char* user;
        const char* password;
        bool opens;
    } rows[] = {
        {socks, "", "", true},
        {socksAuth, testing::kSocksUser, testing::kSocksPassword, true},
        {socksAuth, testing::kSocksUser, "wrong", false},
        {socksAuth, "", "", false},
    };
    for (const Row& row : rows) {
        TTCPBlockSocket socket;
        socket.SocksIP = "127.0.0.1";
        socket.SocksPort = row.port;
        socket.SocksUsername = row.user;
        socket.SocksPassword = row.password;
        socket.Connect("127.0.0.1", nginx);
        if (!row.opens) {
            EXPECT_EQ(socket.LastError(), kWsaSysNotReady) << row.user << " " << row.password;
            continue;
        }
        ASSERT_EQ(socket.LastError(), 0) << socket.LastErrorDesc();
        std::string answer = FetchSmall(socket);
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK")) << answer;
        EXPECT_TRUE(answer.ends_with("\r\n\r\nhello\n")) << answer;
    }
}

TEST_F(SocksTest, ConnectTunnel) {
    struct Row {
        const char* what;
        const char* host;
        const char* user;
        std::string answer;
        int error;
        std::string request;
    } rows[] = {
        {"open", "target.example", "bob",
         "HTTP/1.0 200 Connection established\r\nProxy-agent: test\r\n\r\n", 0,
         "CONNECT target.example:443 HTTP/1.0\r\nProxy-Authorization: Basic " +
             EncodeToBase64("bob:pw") + "\r\n\r\n"},
        {"IPv6 target", "::1", "", "HTTP/1.1 200 OK\n\n", 0, "CONNECT [::1]:443 HTTP/1.0\r\n\r\n"},
        {"proxy wants credentials", "target.example", "",
         "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", kWsaSysNotReady,
         "CONNECT target.example:443 HTTP/1.0\r\n\r\n"},
    };
    for (const Row& row : rows) {
        TScriptedPeer peer;
        // The bytes after the empty line belong to what runs in the tunnel.
        peer.Connection().ReadRequest().Send(row.answer + "TLS-BYTES").Pause(500);
        peer.Start();
        TTCPBlockSocket socket;
        socket.HTTPTunnelIP = "127.0.0.1";
        socket.HTTPTunnelPort = peer.Port();
        socket.HTTPTunnelUser = row.user;
        socket.HTTPTunnelPass = "pw";
        socket.Connect(row.host, "443");
        EXPECT_EQ(socket.LastError(), row.error) << row.what;
        EXPECT_EQ(socket.HTTPTunnel(), row.error == 0) << row.what;
        EXPECT_EQ(peer.Received(0), row.request) << row.what;
        if (row.error == 0) {
            EXPECT_EQ(socket.RecvPacket(3000), "TLS-BYTES") << row.what;
            std::string target = std::string(row.host) == "::1" ? "[::1]" : row.host;
            EXPECT_EQ(socket.RemoteAddress(), target);
            EXPECT_EQ(socket.RemotePort(), 443);
        }
    }
}

TEST_F(SocksTest, RealProxyTunnel) {
    NET_REQUIRE_PEER(proxy, "SERPLOW_TEST_PROXY_PORT", "tinyproxy");
    NET_REQUIRE_PEER(nginx, "SERPLOW_TEST_NGINX_PORT", "nginx");
    for (bool credentials : {true, false}) {
        TTCPBlockSocket socket;
        socket.HTTPTunnelIP = "127.0.0.1";
        socket.HTTPTunnelPort = proxy;
        if (credentials) {
            socket.HTTPTunnelUser = testing::kProxyUser;
            socket.HTTPTunnelPass = testing::kProxyPassword;
        }
        socket.Connect("127.0.0.1", nginx);
        if (!credentials) {
            EXPECT_EQ(socket.LastError(), kWsaSysNotReady);
            EXPECT_FALSE(socket.HTTPTunnel());
            continue;
        }
        ASSERT_EQ(socket.LastError(), 0) << socket.LastErrorDesc();
        std::string answer = FetchSmall(socket);
        EXPECT_TRUE(answer.ends_with("\r\n\r\nhello\n")) << answer;
    }
}

}  // namespace
}  // namespace net
