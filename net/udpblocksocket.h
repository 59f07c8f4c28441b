#pragma once

// The UDP socket beside the TCP one: datagrams to the remote address that
// Connect or SetRemoteSin set, and datagrams received within a time-out.
// What a DNS query needs: connect to the server's port 53, SendString the
// query, RecvPacket the answer (10060 when none came in time).

#include <string>

#include "net/blocksocket.h"

namespace net {

class TUDPBlockSocket : public TBlockSocket {
  public:
    using TBlockSocket::TBlockSocket;

    // Sends the bytes as one datagram to the remote address, waiting up to
    // SendTimeout for room; the bytes sent (all or none).
    int SendBuffer(const void* buffer, int length) override;
    // One receive call: a datagram's bytes (0 for an empty datagram, which
    // is no error), or -1 on an error; the sender becomes the remote
    // address.
    int RecvBuffer(void* buffer, int length) override;
    // The next datagram (up to 65536 bytes, the rest dropped), waiting up to
    // `timeout` ms; empty with 10060 when none came, 10053 on a stop.
    std::string RecvPacket(int timeout) override;

    int SocketType() const override { return kSockDgram; }
    int SocketProtocol() const override { return kIpProtoUdp; }
};

}  // namespace net
