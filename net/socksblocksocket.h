#pragma once

// The SOCKS layer of the TCP socket: the dialogue with a SOCKS server,
// version 4 (with the 4a host-name form) or version 5 (with optional user
// and password). TTCPBlockSocket uses it to connect and to listen through
// the server.

#include <cstdint>
#include <string>

#include "net/blocksocket.h"

namespace net {

enum class TSocksType { ST_Socks5, ST_Socks4 };

class TSocksBlockSocket : public TBlockSocket {
  public:
    explicit TSocksBlockSocket(TSocketLibrary& library = SocketLibrary()) : TBlockSocket(library) {}

    // The SOCKS server; empty means no SOCKS.
    std::string SocksIP;
    std::string SocksPort = "1080";
    // Time-out of every read of the dialogue, ms.
    int SocksTimeout = 60000;
    // SOCKS5: user of the user/password method; SOCKS4: the user id.
    std::string SocksUsername;
    std::string SocksPassword;
    // True: the server resolves host names; false: the socket does first.
    bool SocksResolver = true;
    TSocksType SocksType = TSocksType::ST_Socks5;

    // The greeting succeeded on the current connection.
    bool UsingSocks() const { return usingSocks_; }
    // The server's reply code, -1 before a reply.
    int SocksLastError() const { return socksReplyCode_; }
    const std::string& SocksReplyIP() const { return socksReplyIP_; }
    const std::string& SocksReplyPort() const { return socksReplyPort_; }

  protected:
    [[nodiscard]] bool SocksGreeting();
    [[nodiscard]] bool SocksRequest(uint8_t command, const std::string& host,
                                    const std::string& port);
    // The address part of a request; false when the host cannot be put
    // into one (a name longer than 255 bytes, say).
    [[nodiscard]] bool SocksAddress(const std::string& host, const std::string& port,
                                    std::string& bytes);
    [[nodiscard]] bool SocksReply();
    void SocksDecode(const std::string& reply);

    bool usingSocks_ = false;
    int socksReplyCode_ = -1;
    std::string socksReplyIP_;
    std::string socksReplyPort_;
    std::string socksLocalIP_;
    std::string socksLocalPort_;
    std::string socksRemoteIP_;
    std::string socksRemotePort_;

  private:
    // IPv6 text <-> its 16 bytes.
    [[nodiscard]] bool IPv6ToBytes(const std::string& text, std::string& bytes);
    std::string IPv6FromBytes(const std::string& bytes);
};

}  // namespace net
