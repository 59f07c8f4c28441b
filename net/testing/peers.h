#pragma once

// The local peers that tests/servers/peers.py starts around a test program:
// their ports, and a skip when one is not there.

#include <string>
#include <string_view>

namespace net::testing {

// Port of a peer started by peers.py ("SERPLOW_TEST_NGINX_PORT", ...), or
// empty with `why` set to the reason it is not there; `absent` tells that
// its program is not installed.
std::string PeerPort(const char* variable, const char* program, std::string& why, bool& absent);

inline constexpr const char* kProxyUser = "proxyuser";
inline constexpr const char* kProxyPassword = "proxypass";
inline constexpr const char* kSocksUser = "socksuser";
inline constexpr const char* kSocksPassword = "sockspass";
inline constexpr const char* kWebUser = "user";
inline constexpr const char* kWebPassword = "secret";

// The bytes of a pattern file nginx serves (byte i is i % 251).
std::string PatternBytes(size_t size);

// Bytes as lower-case hexadecimal digits, two per byte.
inline std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

}  // namespace net::testing

// Sets `port` to the peer's port. Skips the test when the peer's program is
// not installed, and fails it when the peers were not started at all.
#define NET_REQUIRE_PEER(port, variable, program)                          \
    std::string port;                                                      \
    do {                                                                   \
        std::string why_;                                                  \
        bool absent_ = false;                                              \
        port = ::net::testing::PeerPort(variable, program, why_, absent_); \
        if (port.empty() && absent_) GTEST_SKIP() << why_;                 \
        if (port.empty()) FAIL() << why_;                                  \
    } while (0)
