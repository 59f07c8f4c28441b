#pragma once

// A TTCPBlockSocket whose peers are byte strings, for fuzz targets: each
// connection it makes (to a target, a SOCKS server or a proxy) takes the
// next string; what it reads comes from that string in packets of a given
// size and the string's end is the peer closing; what it sends is dropped.
// A connection that gave all its bytes looks idle until the socket sends on
// it again, and closed after that: a kept connection that the server closed
// meanwhile. Nothing waits, so a target runs at memory speed.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/socket_api.h"
#include "net/tcpblocksocket.h"

namespace net::testing {

// A fuzz target's input: a mode byte, a packet-size byte, then the
// connections' bytes.
struct TFuzzInput {
    uint8_t mode = 0;
    size_t packet = 1;
    std::vector<std::string> connections;
};

class TInputSocket : public TTCPBlockSocket {
  public:
    TInputSocket(std::vector<std::string> connections, size_t packet)
        : connections_(std::move(connections)), packet_(std::max<size_t>(packet, 1)) {}

    // Splits a fuzz target's input (false when it is too short) and makes
    // sure the socket interface is loaded.
    static bool ReadFuzzInput(const uint8_t* data, size_t size, TFuzzInput& input) {
        static const bool ready = (InitSocketInterface(), true);
        (void)ready;
        if (size < 2) return false;
        input.mode = data[0];
        input.packet = data[1] % 64 + 1;
        input.connections =
            Split(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));
        return true;
    }

    // The connections split out of `input` at each "\xFE\xFF".
    static std::vector<std::string> Split(std::string_view input) {
        std::vector<std::string> parts;
        for (size_t at; (at = input.find("\xFE\xFF")) != std::string_view::npos;) {
            parts.emplace_back(input.substr(0, at));
            input.remove_prefix(at + 2);
        }
        parts.emplace_back(input);
        return parts;
    }

    int SendBuffer(const void*, int length) override {
        SetLastError(0);
        if (open_ && at_ >= Current().size()) sentAfterEnd_ = true;
        return length;
    }
    int RecvBuffer(void* buffer, int length) override {
        SetLastError(0);
        if (!open_) return 0;
        const std::string& bytes = Current();
        size_t count =
            std::min({static_cast<size_t>(std::max(length, 0)), packet_, bytes.size() - at_});
        bytes.copy(static_cast<char*>(buffer), count, at_);
        at_ += count;
        return static_cast<int>(count);  // 0 at the end: the peer closed
    }
    // Never 0, so that no read waits on the handle.
    int WaitingData() override { return 1; }
    bool CanRead(int) override { return open_ && (at_ < Current().size() || sentAfterEnd_); }
    void CloseSocket() override {
        TTCPBlockSocket::CloseSocket();
        open_ = false;
    }

  protected:
    void ConnectDirect(const std::string&, const std::string&) override {
        if (next_ >= connections_.size()) {
            SetLastError(kWsaEConnRefused);
            ReportError();
            return;
        }
        // A handle of the system's, never used for traffic, so that the
        // socket counts as connected.
        if (Socket() == kInvalidSocket) {
            TSockAddr any{};
            any.in4.sin_family = kAfInet;
            CreateSocketHandle(any);
        }
        open_ = true;
        at_ = 0;
        sentAfterEnd_ = false;
        ++next_;
        SetLastError(0);
    }

  private:
    const std::string& Current() const { return connections_[next_ - 1]; }

    std::vector<std::string> connections_;
    size_t packet_;
    size_t next_ = 0;
    size_t at_ = 0;
    bool open_ = false;
    bool sentAfterEnd_ = false;
};

}  // namespace net::testing
