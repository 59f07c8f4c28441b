#pragma once

// The TCP socket of the HTTP client: routes all traffic through its TLS plug
// once a handshake succeeded, and reaches its target directly, through a
// SOCKS server or through an HTTP proxy's CONNECT tunnel.

#include <memory>
#include <string>

#include "net/socksblocksocket.h"
#include "net/ssl.h"

namespace net {

class TTCPBlockSocket : public TSocksBlockSocket {
  public:
    // With the process-wide default plug class.
    explicit TTCPBlockSocket(TSocketLibrary& library = SocketLibrary());
    explicit TTCPBlockSocket(TSSLClass plugClass, TSocketLibrary& library = SocketLibrary());
    ~TTCPBlockSocket() override;

    // The HTTP proxy of the tunnel; empty means no tunnel.
    std::string HTTPTunnelIP;
    std::string HTTPTunnelPort;
    std::string HTTPTunnelUser;
    std::string HTTPTunnelPass;
    // Bounds the whole CONNECT answer, ms.
    int HTTPTunnelTimeout = 30000;

    bool HTTPTunnel() const { return tunnelOpen_; }
    TCustomSSL& SSL() const { return *ssl_; }

    void CloseSocket() override;
    // Through SOCKS when SocksIP is set, else through the tunnel when
    // HTTPTunnelIP is set, else directly.
    void Connect(const std::string& host, const std::string& port) override;
    void ConnectThroughSocks(const std::string& host, const std::string& port);
    void ConnectThroughHTTPTunnel(const std::string& host, const std::string& port);
    // The TLS handshake on the connected handle (10091 when it fails).
    void SSLConnect();

    // Listens on the bound handle, or asks the SOCKS server to bind a port.
    void Listen();
    // Waits for and takes the next connection of a listening socket;
    // kInvalidSocket on an error or a stop request.
    TSocket Accept();

    int RecvBuffer(void* buffer, int length) override;
    int WaitingData() override;
    std::string LocalAddress() override;
    std::string RemoteAddress() override;
    int LocalPort() override;
    int RemotePort() override;
    int SocketType() const override { return kSockStream; }
    int SocketProtocol() const override { return kIpProtoTcp; }

  protected:
    int SendPiece(const char* data, int length) override;
    // The connection to the target, the SOCKS server or the proxy itself:
    // the base's Connect. A test's fake socket stands in for the network
    // here and keeps the SOCKS and tunnel dialogues on top.
    virtual void ConnectDirect(const std::string& host, const std::string& port) {
        TBlockSocket::Connect(host, port);
    }

  private:
    // The socket's error for a failed transfer of the plug: the plug's own
    // when a wait ended it (time-out, stop, peer closed), else 10091.
    int PlugError() const;

    std::unique_ptr<TCustomSSL> ssl_;
    bool tunnelOpen_ = false;
    std::string tunnelTargetHost_;
    std::string tunnelTargetPort_;
};

}  // namespace net
