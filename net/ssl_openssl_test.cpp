#include "net/ssl_openssl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "net/tcpblocksocket.h"
#include "net/testing/peers.h"
#include "net/testing/scripted_peer.h"
#include "net/testing/stopper.h"
#include "net/testing/system_roots.h"
#include "net/testing/tls_peers.h"

namespace net {
namespace {

using testing::Hex;
using testing::TlsFile;
using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Seconds since 1970 of a printed certificate date ("Jan  2 03:04:05 2026
// GMT"), or -1.
int64_t PrintedDate(const std::string& text) {
    static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    char month[4] = {};
    int day = 0, hour = 0, minute = 0, second = 0, year = 0;
    if (std::sscanf(text.c_str(), "%3s %d %d:%d:%d %d", month, &day, &hour, &minute, &second,
                    &year) != 6)
        return -1;
    size_t index = months.find(month);
    if (index == std::string::npos) return -1;
    // Days from the civil date (proleptic Gregorian).
    int m = static_cast<int>(index / 3) + 1;
    int y = year - (m <= 2);
    int era = (y >= 0 ? y : y - 399) / 400;
    int yoe = y - era * 400;
    int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t days = int64_t{era} * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string LineAfter(const std::string& text, const std::string& label) {
    size_t at = text.find(label);
    if (at == std::string::npos) return {};
    at += label.size();
    return text.substr(at, text.find('\r', at) - at);
}

class TlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::EnsureSocketInterface();
        ASSERT_TRUE(LoadOpenSSL()) << OpenSSLLibrary().LoadError();
    }

    // A socket with an OpenSSL plug, connected to 127.0.0.1:port.
    static std::unique_ptr<TTCPBlockSocket> Connected(const std::string& port) {
        auto socket = std::make_unique<TTCPBlockSocket>(&CreateSSLOpenSSL);
        socket->ConnectTimeout = 10000;
        socket->Connect("127.0.0.1", port);
        EXPECT_EQ(socket->LastError(), 0) << port;
        return socket;
    }

    static std::string Describe(const TTCPBlockSocket& socket) {
        return std::to_string(socket.LastError()) + " / " +
               std::to_string(socket.SSL().LastError()) + " " + socket.SSL().LastErrorDesc();
    }
};

TEST_F(TlsTest, ClientHandshakeAndPeerInformation) {
    NET_REQUIRE_PEER(tls12, "SERPLOW_TEST_TLS12_PORT", "openssl");
    NET_REQUIRE_PEER(tls13, "SERPLOW_TEST_TLS13_PORT", "openssl");
    NET_REQUIRE_PEER(python, "SERPLOW_TEST_PYTLS_PORT", "tls_server.py");
    struct Row {
        std::string port;
        const char* version;
        const char* request;
        const char* statusLine;
    } rows[] = {
        {tls12, "TLSv1.2", "GET /sized.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK"},
        {tls13, "TLSv1.3", "GET /toclose.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK"},
        {python, "TLSv1.3", "GET /sized HTTP/1.1\r\n\r\n", "HTTP/1.1 200 OK"},
    };
    const std::string md5 = testing::ReadTlsFile("localhost.md5");
    for (const Row& row : rows) {
        auto socket = Connected(row.port);
        TCustomSSL& ssl = socket->SSL();
        EXPECT_EQ(ssl.ProtocolVersion(), "");
        EXPECT_EQ(ssl.PeerSubject(), "");
        ssl.SNIHost = "localhost";
        socket->SSLConnect();
        ASSERT_EQ(socket->LastError(), 0) << row.version << ": " << Describe(*socket);
        EXPECT_TRUE(ssl.SSLEnabled());
        EXPECT_EQ(ssl.LibraryName(), "ssl_openssl");
        EXPECT_TRUE(ssl.LibraryVersion().starts_with("OpenSSL 3.")) << ssl.LibraryVersion();
        EXPECT_EQ(ssl.ProtocolVersion(), row.version);
        EXPECT_EQ(ssl.PeerSubject(), testing::kLocalhostSubject) << row.version;
        EXPECT_EQ(ssl.PeerIssuer(), testing::kCASubject);
        EXPECT_EQ(ssl.PeerName(), "localhost");
        EXPECT_EQ(Hex(ssl.PeerFingerprint()), md5);
        std::string info = ssl.CertificateInfo();
        EXPECT_NE(info.find("Issuer: CN=Serplow Test CA\r\n"), std::string::npos) << info;
        EXPECT_EQ(info.find_first_of('\n'), info.find("\r\n") + 1) << "LF without CR";
        EXPECT_FALSE(ssl.CipherName().empty());
        EXPECT_GE(ssl.CipherBits(), 128);
        EXPECT_GE(ssl.CipherAlgorithmBits(), ssl.CipherBits());

        socket->SendString(row.request);
        EXPECT_EQ(socket->RecvString(5000), row.statusLine)
            << row.version << ": " << Describe(*socket);
        socket->CloseSocket();
        EXPECT_FALSE(ssl.SSLEnabled());
        EXPECT_EQ(ssl.ProtocolVersion(), "");
    }
}

TEST_F(TlsTest, ServerNameIsSentUnlessItIsAnAddress) {
    NET_REQUIRE_PEER(tls13, "SERPLOW_TEST_TLS13_PORT", "openssl");
    NET_REQUIRE_PEER(python, "SERPLOW_TEST_PYTLS_PORT", "tls_server.py");
    struct Row {
        const char* host;
        const char* subject;  // that s_server chooses by the name
        const char* name;     // PeerName
        const char* sent;     // the name the python server saw
    } rows[] = {
        {"localhost", testing::kLocalhostSubject, "localhost", "localhost"},
        {"127.0.0.1", testing::kOtherSubject, "", ""},
        {"", testing::kOtherSubject, "", ""},
    };
    for (const Row& row : rows) {
        auto socket = Connected(tls13);
        socket->SSL().SNIHost = row.host;
        socket->SSLConnect();
        ASSERT_EQ(socket->LastError(), 0) << row.host << ": " << Describe(*socket);
        EXPECT_EQ(socket->SSL().PeerSubject(), row.subject) << row.host;
        // A subject without a common name has no peer name.
        EXPECT_EQ(socket->SSL().PeerName(), row.name) << row.host;
        socket->CloseSocket();

        socket = Connected(python);
        socket->SSL().SNIHost = row.host;
        socket->SSLConnect();
        ASSERT_EQ(socket->LastError(), 0) << row.host << ": " << Describe(*socket);
        socket->SendString("GET /sni HTTP/1.0\r\n\r\n");
        std::string line;
        do {
            line = socket->RecvString(5000);
        } while (!line.empty() && socket->LastError() == 0);
        EXPECT_EQ(socket->RecvPacket(5000), row.sent) << row.host;
    }
}

TEST_F(TlsTest, VerificationChecksChainAndName) {
    NET_REQUIRE_PEER(python, "SERPLOW_TEST_PYTLS_PORT", "tls_server.py");
    enum class CA { None, File, System };
    struct Row {
        const char* what;
        bool verify;
        CA ca;
        const char* host;
        bool ok;
    } rows[] = {
        {"off by default", false, CA::None, "other.test", true},
        {"trusted, right name", true, CA::File, "localhost", true},
        {"trusted, right address", true, CA::File, "127.0.0.1", true},
        {"trusted, another name", true, CA::File, "other.test", false},
        {"no trusted CA", true, CA::None, "localhost", false},
        // Without a CA file the system's roots are the trusted ones.
        {"trusted by the system, right name", true, CA::System, "localhost", true},
        {"trusted by the system, another name", true, CA::System, "other.test", false},
    };
    for (const Row& row : rows) {
        std::unique_ptr<testing::TSystemTrustedRoot> systemRoot;
        if (row.ca == CA::System) {
            systemRoot = std::make_unique<testing::TSystemTrustedRoot>(TlsFile("ca.pem"));
            ASSERT_EQ(systemRoot->Error(), "");
        }
        auto socket = Connected(python);
        TCustomSSL& ssl = socket->SSL();
        ssl.VerifyCert = row.verify;
        if (row.ca == CA::File) ssl.CertCAFile = TlsFile("ca.pem");
        ssl.SNIHost = row.host;
        socket->SSLConnect();
        EXPECT_EQ(ssl.SSLEnabled(), row.ok) << row.what << ": " << Describe(*socket);
        if (row.ok) {
            EXPECT_EQ(socket->LastError(), 0) << row.what;
            if (row.verify) {
                EXPECT_EQ(ssl.VerifyResult(), 0) << row.what;
            }
        } else {
            EXPECT_EQ(socket->LastError(), kWsaSysNotReady) << row.what;
            EXPECT_NE(ssl.LastErrorDesc().find("certificate verify failed"), std::string::npos)
                << row.what << ": " << ssl.LastErrorDesc();
            EXPECT_NE(ssl.VerifyResult(), 0) << row.what;
        }
    }
}

TEST_F(TlsTest, HandshakeRefusals) {
    NET_REQUIRE_PEER(tls12, "SERPLOW_TEST_TLS12_PORT", "openssl");
    // No handle: false, and nothing to report.
    TTCPBlockSocket idle(&CreateSSLOpenSSL);
    EXPECT_FALSE(idle.SSL().Connect());
    EXPECT_EQ(idle.SSL().LastError(), 0);

    struct Row {
        TSSLType type;
        bool withText;
    } rows[] = {
        // Types OpenSSL 3 cannot speak fail before a word is sent.
        {TSSLType::LT_SSLv2, false},
        {TSSLType::LT_TLSv1_1, false},
        {TSSLType::LT_SSHv2, false},
        // TLS 1.0 alone is refused by a TLS 1.2 server, with OpenSSL's reason.
        {TSSLType::LT_TLSv1, true},
    };
    for (const Row& row : rows) {
        auto socket = Connected(tls12);
        socket->SSL().SSLType = row.type;
        socket->SSLConnect();
        EXPECT_EQ(socket->LastError(), kWsaSysNotReady) << static_cast<int>(row.type);
        EXPECT_FALSE(socket->SSL().SSLEnabled());
        EXPECT_EQ(socket->SSL().LastErrorDesc().empty(), !row.withText)
            << static_cast<int>(row.type) << ": " << socket->SSL().LastErrorDesc();
    }
}

TEST_F(TlsTest, HandshakeEndsOnTimeoutAndStop) {
    // A server that accepts and never answers.
    testing::TScriptedPeer peer;
    for (int i = 0; i < 3; ++i) peer.Connection().Pause(60000);
    peer.Start();
    struct Row {
        const char* what;
        int connectTimeout;
        int deadline;  // -1: none
        bool stop;
        int error;
    } rows[] = {
        {"the socket's connect time-out", 1000, -1, false, kWsaETimedOut},
        {"the deadline", -1, 1000, false, kWsaETimedOut},
        // Set as the handshake begins, or while it waits.
        {"a stop request", -1, -1, true, kWsaEConnAborted},
    };
    for (const Row& row : rows) {
        auto socket = Connected(peer.Port());
        socket->ConnectTimeout = row.connectTimeout;
        socket->SSL().SetDeadline(row.deadline);
        std::atomic<bool> started{false};
        std::optional<testing::TStopper> stopper;
        if (row.stop) stopper.emplace(socket->StopFlag, [&] { return started.load(); });
        started = true;
        auto start = Clock::now();
        socket->SSLConnect();
        int64_t elapsed = MsSince(start);
        if (stopper) stopper->Join();
        EXPECT_EQ(socket->LastError(), kWsaSysNotReady) << row.what;
        EXPECT_EQ(socket->SSL().LastError(), row.error) << row.what;
        if (!row.stop) {
            EXPECT_GE(elapsed, 950) << row.what;
        }
        // Far below the peer's stall, however loaded the machine.
        EXPECT_LT(elapsed, 30000) << row.what;
        EXPECT_FALSE(socket->StopFlag) << row.what;
    }
}

TEST_F(TlsTest, ReadsEndOnTheirTimeOutAndStop) {
    NET_REQUIRE_PEER(python, "SERPLOW_TEST_PYTLS_PORT", "tls_server.py");
    // The server announces a body, sends half a record of it and stalls; no
    // deadline is set, so only the read's own time-out (for a RecvBuffer
    // called directly, the socket's receive time-out) or a stop ends the
    // plug's wait for the rest of the record.
    struct Row {
        const char* what;
        int timeout;
        bool direct;
        bool stop;
        int error;
    } rows[] = {
        {"time-out", 1000, false, false, kWsaETimedOut},
        {"stop", -1, false, true, kWsaEConnAborted},
        {"direct read, receive time-out", 1000, true, false, kWsaETimedOut},
        {"direct read, stop", -1, true, true, kWsaEConnAborted},
    };
    for (const Row& row : rows) {
        auto socket = Connected(python);
        socket->ConvertLineEnd = true;
        if (row.direct) socket->QueueOption({TSynaOptionType::SOT_RecvTimeout, true, row.timeout});
        socket->SSLConnect();
        ASSERT_EQ(socket->LastError(), 0) << Describe(*socket);
        socket->SendString("GET /stall?n=100000 HTTP/1.0\r\n\r\n");
        while (!socket->RecvString(10000).empty() && socket->LastError() == 0) {
        }
        ASSERT_EQ(socket->LastError(), 0) << Describe(*socket);
        // The half record is there once the handle is readable; once the
        // plug has taken it from the handle, the plug waits for the rest.
        ASSERT_TRUE(socket->CanRead(10000));
        const TSocketApi& api = socket->Library().Api();
        const TSocket handle = socket->Socket();
        std::atomic<bool> reading{false};
        std::optional<testing::TStopper> stopper;
        if (row.stop)
            stopper.emplace(socket->StopFlag, [&] {
                uint32_t pending = 1;
                return reading && api.ioctlsocket(handle, kFionRead, &pending) == 0 && pending == 0;
            });
        reading = true;
        auto start = Clock::now();
        std::string body;
        if (row.direct) {
            // The head's lines left nothing read ahead.
            body = std::string(socket->ReadAheadBuffer());
            char buffer[4096];
            EXPECT_LE(socket->RecvBuffer(buffer, sizeof buffer), 0) << row.what;
        } else {
            body = socket->RecvBufferStr(100000, row.timeout);
        }
        int64_t elapsed = MsSince(start);
        if (stopper) stopper->Join();
        EXPECT_EQ(body, "") << row.what;
        EXPECT_EQ(socket->LastError(), row.error) << row.what << ": " << Describe(*socket);
        EXPECT_EQ(socket->SSL().LastError(), row.error) << row.what << ": " << Describe(*socket);
        if (!row.stop) {
            EXPECT_GE(elapsed, 950) << row.what;
        }
        // Below the server's stall of 30 s, however loaded the machine.
        EXPECT_LT(elapsed, 20000) << row.what;
    }
}

// A client and a server plug over a connection of this process: the server
// side is set up by `configure` and accepts; the client handshakes, reads
// "ping" and answers "pong".
struct Exchange {
    bool accepted = false;
    std::string serverError;
    bool clientConnected = false;
    std::string clientSubject;
    std::string clientInfo;
    std::string certificate;  // the server plug's own afterwards
    std::string reply;
};

Exchange RunPair(
    const std::function<void(TCustomSSL&)>& configure,
    const std::function<void(TTCPBlockSocket& client, TTCPBlockSocket& server)>& after = nullptr) {
    Exchange result;
    TTCPBlockSocket listener;
    listener.Bind("127.0.0.1", "0");
    listener.Listen();
    std::string port = std::to_string(listener.LocalPort());
    TTCPBlockSocket client(&CreateSSLOpenSSL);
    std::thread clientThread([&] {
        client.ConnectTimeout = 10000;
        client.Connect("127.0.0.1", port);
        client.SSLConnect();
        result.clientConnected = client.LastError() == 0;
        if (!result.clientConnected) return;
        result.clientSubject = client.SSL().PeerSubject();
        result.clientInfo = client.SSL().CertificateInfo();
        if (client.RecvString(10000) == "ping") client.SendString("pong\r\n");
    });
    TTCPBlockSocket server(&CreateSSLOpenSSL);
    server.AttachHandle(listener.Accept());
    server.ConnectTimeout = 10000;
    configure(server.SSL());
    result.accepted = server.SSL().Accept();
    result.serverError = server.SSL().LastErrorDesc();
    result.certificate = server.SSL().Certificate;
    if (result.accepted) {
        server.SendString("ping\r\n");
        result.reply = server.RecvString(10000);
    } else {
        server.CloseSocket();
    }
    clientThread.join();
    if (after && result.accepted) after(client, server);
    return result;
}

TEST_F(TlsTest, AcceptWithASelfSignedCertificate) {
    auto start = std::chrono::system_clock::now();
    Exchange exchange = RunPair([](TCustomSSL&) {});
    ASSERT_TRUE(exchange.accepted) << exchange.serverError;
    ASSERT_TRUE(exchange.clientConnected);
    EXPECT_EQ(exchange.reply, "pong");
    EXPECT_FALSE(exchange.certificate.empty());

    // Made for the name of the client's address.
    TTCPBlockSocket resolver;
    std::string name = resolver.ResolveAddressToName("127.0.0.1");
    EXPECT_EQ(exchange.clientSubject, "/C=CZ/CN=" + name);
    const std::string& info = exchange.clientInfo;
    EXPECT_NE(info.find("Issuer: C=CZ, CN=" + name + "\r\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Signature Algorithm: sha256WithRSAEncryption"), std::string::npos);
    EXPECT_NE(info.find("Public-Key: (2048 bit)"), std::string::npos);
    EXPECT_NE(info.find("Version: 3 (0x2)"), std::string::npos);
    // From a day ago for 60 days.
    int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(start.time_since_epoch()).count();
    int64_t notBefore = PrintedDate(LineAfter(info, "Not Before: "));
    int64_t notAfter = PrintedDate(LineAfter(info, "Not After : "));
    EXPECT_NEAR(static_cast<double>(notBefore), static_cast<double>(now - 86400), 300) << info;
    EXPECT_NEAR(static_cast<double>(notAfter), static_cast<double>(now + 60 * 86400), 300);
}

TEST_F(TlsTest, AcceptWithCertificatesAndKeys) {
    // DER forms of a self-signed certificate and its key.
    TTCPBlockSocket maker(&CreateSSLOpenSSL);
    ASSERT_TRUE(maker.SSL().MakeSelfSignedCert("example.test"));
    const std::string der = maker.SSL().Certificate;
    const std::string keyDer = maker.SSL().PrivateKey;
    const std::string p12 = testing::ReadTlsFile("localhost.p12");
    ASSERT_FALSE(p12.empty());

    struct Row {
        const char* what;
        std::function<void(TCustomSSL&)> configure;
        bool ok;
        const char* subject;
    } rows[] = {
        {"PEM files",
         [](TCustomSSL& s) {
             s.CertificateFile = TlsFile("localhost.pem");
             s.PrivateKeyFile = TlsFile("localhost.key");
         },
         true, testing::kLocalhostSubject},
        {"DER certificate file",
         [](TCustomSSL& s) {
             s.CertificateFile = TlsFile("localhost.der");
             s.PrivateKeyFile = TlsFile("localhost.key");
         },
         true, testing::kLocalhostSubject},
        {"encrypted key with its pass phrase",
         [](TCustomSSL& s) {
             s.CertificateFile = TlsFile("localhost.pem");
             s.PrivateKeyFile = TlsFile("localhost-encrypted.key");
             s.KeyPassword = testing::kKeyPassword;
         },
         true, testing::kLocalhostSubject},
        {"encrypted key with a wrong pass phrase",
         [](TCustomSSL& s) {
             s.CertificateFile = TlsFile("localhost.pem");
             s.PrivateKeyFile = TlsFile("localhost-encrypted.key");
             s.KeyPassword = "wrong";
         },
         false, ""},
        {"PKCS#12 file",
         [](TCustomSSL& s) {
             s.PFXfile = TlsFile("localhost.p12");
             s.KeyPassword = testing::kP12Password;
         },
         true, testing::kLocalhostSubject},
        {"PKCS#12 bytes",
         [&](TCustomSSL& s) {
             s.PFX = p12;
             s.KeyPassword = testing::kP12Password;
         },
         true, testing::kLocalhostSubject},
        {"PKCS#12 with a wrong password",
         [&](TCustomSSL& s) {
             s.PFX = p12;
             s.KeyPassword = "wrong";
         },
         false, ""},
        {"missing PKCS#12 file", [](TCustomSSL& s) { s.PFXfile = TlsFile("no-such.p12"); }, false,
         ""},
        {"DER certificate and key",
         [&](TCustomSSL& s) {
             s.Certificate = der;
             s.PrivateKey = keyDer;
         },
         true, "/C=CZ/CN=example.test"},
    };
    for (const Row& row : rows) {
        Exchange exchange = RunPair(row.configure);
        EXPECT_EQ(exchange.accepted, row.ok) << row.what << ": " << exchange.serverError;
        EXPECT_EQ(exchange.clientConnected, row.ok) << row.what;
        if (row.ok) {
            EXPECT_EQ(exchange.clientSubject, row.subject) << row.what;
            EXPECT_EQ(exchange.reply, "pong") << row.what;
        } else {
            EXPECT_FALSE(exchange.serverError.empty()) << row.what;
        }
    }
}

TEST_F(TlsTest, PeerClosingEndsTheStream) {
    // With a close_notify or without one, the peer's close reads as the end
    // (10054), and nothing more is sent after a close_notify.
    for (bool notify : {true, false}) {
        RunPair(
            [](TCustomSSL& s) {
                s.CertificateFile = TlsFile("localhost.pem");
                s.PrivateKeyFile = TlsFile("localhost.key");
            },
            [&](TTCPBlockSocket& client, TTCPBlockSocket& server) {
                client.SendString("last\r\n");
                if (notify)
                    client.CloseSocket();
                else
                    client.AbortSocket();
                EXPECT_EQ(server.RecvString(5000), "last") << notify;
                EXPECT_EQ(server.RecvPacket(5000), "") << notify;
                EXPECT_EQ(server.LastError(), kWsaEConnReset)
                    << notify << ": " << server.SSL().LastErrorDesc();
                if (notify) {
                    EXPECT_EQ(server.SSL().SendBuffer("x", 1), 0);
                    EXPECT_EQ(server.SSL().LastError(), 0);
                }
            });
    }
}

}  // namespace
}  // namespace net
