#include "net/udpblocksocket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>

#include "net/testing/peers.h"
#include "net/testing/scripted_peer.h"
#include "net/testing/stopper.h"

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class UdpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::EnsureSocketInterface();
        server_.Bind("127.0.0.1", "0");
        ASSERT_EQ(server_.LastError(), 0) << server_.LastErrorDesc();
        port_ = std::to_string(server_.LocalPort());
    }

    TUDPBlockSocket server_;
    std::string port_;
};

TEST_F(UdpTest, QueryAndAnswer) {
    // As a DNS query goes: connect to the server's port, send, receive.
    TUDPBlockSocket client;
    client.Connect("127.0.0.1", port_);
    ASSERT_EQ(client.LastError(), 0) << client.LastErrorDesc();
    const std::string big = testing::PatternBytes(60000);
    for (const std::string& datagram : {std::string("query"), std::string(), big}) {
        client.SendString(datagram);
        ASSERT_EQ(client.LastError(), 0) << client.LastErrorDesc();
        std::string received = server_.RecvPacket(3000);
        ASSERT_EQ(server_.LastError(), 0) << server_.LastErrorDesc();
        EXPECT_TRUE(received == datagram) << received.size() << " of " << datagram.size();
    }
    // The sender became the server's remote address: the answer goes back.
    EXPECT_EQ(server_.RemotePort(), client.LocalPort());
    server_.SendString("answer");
    EXPECT_EQ(client.RecvPacket(3000), "answer");
    EXPECT_EQ(client.LastError(), 0);

    // Without connecting: the remote address set, then a send.
    TUDPBlockSocket other;
    other.SetRemoteSin("127.0.0.1", port_);
    ASSERT_EQ(other.LastError(), 0) << other.LastErrorDesc();
    other.SendString("unconnected");
    EXPECT_EQ(server_.RecvPacket(3000), "unconnected");
    EXPECT_EQ(server_.RemotePort(), other.LocalPort());
}

TEST_F(UdpTest, ReceiveEndsOnTimeOutAndStop) {
    auto start = Clock::now();
    EXPECT_EQ(server_.RecvPacket(300), "");
    EXPECT_EQ(server_.LastError(), kWsaETimedOut);
    EXPECT_GE(MsSince(start), 250);
    EXPECT_LT(MsSince(start), 20000);

    // A receive without a time-out; a stop that comes before it begins
    // ends it as well.
    std::atomic<bool> receiving{false};
    testing::TStopper stopper(server_.StopFlag, [&] { return receiving.load(); });
    receiving = true;
    EXPECT_EQ(server_.RecvPacket(-1), "");
    auto ended = Clock::now();
    stopper.Join();
    EXPECT_EQ(server_.LastError(), kWsaEConnAborted);
    EXPECT_LT(stopper.MsUntil(ended), 10000);
}

}  // namespace
}  // namespace net
