// Feeds arbitrary bytes to the socket as the answers of a SOCKS 4 or 5
// server (greeting, authentication, connect or bind reply) and of an HTTP
// proxy's CONNECT, split into packets of a size the input chooses.

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/testing/input_socket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    net::testing::TFuzzInput input;
    if (!net::testing::TInputSocket::ReadFuzzInput(data, size, input)) return 0;
    const uint8_t mode = input.mode;
    net::testing::TInputSocket socket(input.connections, input.packet);
    socket.SocksTimeout = 1000;
    socket.HTTPTunnelTimeout = 1000;
    static const char* const kHosts[] = {"fuzz.test", "10.1.2.3", "::1", "2001:db8::7"};
    const std::string host = kHosts[(mode >> 2) % 4];
    const bool withUser = mode & 0x10;
    switch (mode & 3) {
        case 0:
        case 1:
            socket.SocksIP = "127.0.0.1";
            socket.SocksType = (mode & 1) ? net::TSocksType::ST_Socks4 : net::TSocksType::ST_Socks5;
            if (withUser) {
                socket.SocksUsername = "user";
                socket.SocksPassword = "secret";
            }
            if (mode & 0x20) {
                socket.Listen();
            } else {
                socket.Connect(host, "443");
            }
            break;
        default:
            socket.HTTPTunnelIP = "127.0.0.1";
            socket.HTTPTunnelPort = "8080";
            if (withUser) {
                socket.HTTPTunnelUser = "user";
                socket.HTTPTunnelPass = "secret";
            }
            socket.Connect(host, "443");
            break;
    }
    // What the replies left behind.
    (void)socket.LocalAddress();
    (void)socket.LocalPort();
    (void)socket.RemoteAddress();
    (void)socket.RemotePort();
    return 0;
}
