#include "net/blocksocket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "net/socket_error.h"
#include "net/tcpblocksocket.h"
#include "net/testing/scripted_peer.h"
#include "net/testing/stopper.h"

namespace net {
namespace {

using testing::TScriptedPeer;
using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class BlockSocketTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::EnsureSocketInterface(); }

    std::unique_ptr<TTCPBlockSocket> ConnectTo(TScriptedPeer& peer, bool convertLineEnd = false) {
        peer.Start();
        auto socket = std::make_unique<TTCPBlockSocket>();
        socket->ConvertLineEnd = convertLineEnd;
        socket->Connect("127.0.0.1", peer.Port());
        EXPECT_EQ(socket->LastError(), 0) << socket->LastErrorDesc();
        return socket;
    }

    // A port of 127.0.0.1 where nothing listens.
    static std::string ClosedPort() {
        TTCPBlockSocket probe;
        probe.Bind("127.0.0.1", "0");
        std::string port = std::to_string(probe.LocalPort());
        probe.CloseSocket();
        return port;
    }
};

TEST_F(BlockSocketTest, LineEndSplitAcrossPacketsIsOneLineEnd) {
    TScriptedPeer peer;
    peer.Connection().Send("a\r").Pause(150).Send("\nb\n").Pause(500);
    auto socket = ConnectTo(peer, true);
    EXPECT_EQ(socket->RecvString(10000), "a");
    EXPECT_EQ(socket->RecvString(10000), "b");
    EXPECT_EQ(socket->LastError(), 0);
}

TEST_F(BlockSocketTest, StrictLineEndsWaitForCrLfAndKeepTheBytes) {
    TScriptedPeer peer;
    peer.Connection().Send("a\nb").Pause(60000);
    auto socket = ConnectTo(peer, false);
    ASSERT_TRUE(socket->CanRead(10000));
    EXPECT_EQ(socket->RecvString(300), "");
    EXPECT_EQ(socket->LastError(), kWsaETimedOut);
    EXPECT_EQ(socket->ReadAheadBuffer(), "a\nb");
}

TEST_F(BlockSocketTest, LineLengthLimitCountsTheLineNotThePacket) {
    TScriptedPeer peer;
    // One packet: two short lines, then a long one.
    peer.Connection().Send("ab\r\ncd\r\n" + std::string(100, 'x') + "\r\n").Pause(500);
    auto socket = ConnectTo(peer, true);
    socket->MaxLineLength = 10;
    EXPECT_EQ(socket->RecvString(10000), "ab");
    EXPECT_EQ(socket->RecvString(10000), "cd");
    EXPECT_EQ(socket->RecvString(10000), "");
    EXPECT_EQ(socket->LastError(), kWsaENoBufs);
}

TEST_F(BlockSocketTest, LineLongerThanTheLimitWithoutLineEnd) {
    TScriptedPeer peer;
    peer.Connection().Send("01234567890").Pause(60000);
    auto socket = ConnectTo(peer);
    socket->MaxLineLength = 10;
    auto start = Clock::now();
    EXPECT_EQ(socket->RecvString(30000), "");
    EXPECT_EQ(socket->LastError(), kWsaENoBufs);
    // Not at the time-out.
    EXPECT_LT(MsSince(start), 20000);
}

TEST_F(BlockSocketTest, HugeLineSentSlowlyIsRefusedEarly) {
    TScriptedPeer peer;
    // 1 MiB in 4 KiB pieces every 50 ms would take 13 s or more; the limit
    // is passed after about 0.4 s.
    peer.Connection().SendSlowly(std::string(1 << 20, 'h'), 4096, 50).Pause(60000);
    auto socket = ConnectTo(peer);
    socket->MaxLineLength = 32 * 1024;
    auto start = Clock::now();
    EXPECT_EQ(socket->RecvString(60000), "");
    EXPECT_EQ(socket->LastError(), kWsaENoBufs);
    EXPECT_LT(MsSince(start), 8000);
}

TEST_F(BlockSocketTest, BufferedReadsKeepWhatDoesNotFit) {
    TScriptedPeer peer;
    peer.Connection().Send("0123456789abcde").Pause(1000);
    auto socket = ConnectTo(peer);
    char buffer[10];
    EXPECT_EQ(socket->RecvBufferEx(buffer, 10, 10000), 10);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(socket->RecvPacket(10000), "abcde");
}

TEST_F(BlockSocketTest, LineEndSplitBeforeBinaryDataIsNotData) {
    TScriptedPeer peer;
    peer.Connection()
        .Send("HEAD\r")
        .Pause(150)
        .Send("\nBODY")
        .Send("line\r")
        .Pause(150)
        .Send("\n\nrest")
        .Pause(500);
    auto socket = ConnectTo(peer, true);
    char buffer[4];
    EXPECT_EQ(socket->RecvString(10000), "HEAD");
    EXPECT_EQ(socket->RecvBufferEx(buffer, 4, 10000), 4);
    EXPECT_EQ(std::string(buffer, 4), "BODY");
    EXPECT_EQ(socket->RecvString(10000), "line");
    EXPECT_EQ(socket->RecvPacket(10000), "\nrest");  // only the LF of the CR LF goes
}

TEST_F(BlockSocketTest, PeerClosingIsResetNotTimeOut) {
    for (bool reset : {false, true}) {
        TScriptedPeer peer;
        if (reset)
            peer.Connection().Pause(100).Reset();
        else
            peer.Connection().Shutdown().Pause(60000);
        auto socket = ConnectTo(peer);
        auto start = Clock::now();
        EXPECT_EQ(socket->RecvPacket(60000), "");
        EXPECT_EQ(socket->LastError(), kWsaEConnReset) << (reset ? "reset" : "close");
        // Not at the time-out.
        EXPECT_LT(MsSince(start), 30000);
    }
}

TEST_F(BlockSocketTest, ReadTimeOut) {
    TScriptedPeer peer;
    peer.Connection().Pause(60000);
    auto socket = ConnectTo(peer);
    auto start = Clock::now();
    EXPECT_EQ(socket->RecvPacket(500), "");
    EXPECT_EQ(socket->LastError(), kWsaETimedOut);
    EXPECT_GE(MsSince(start), 450);
    EXPECT_LT(MsSince(start), 20000);
}

TEST_F(BlockSocketTest, StopFlagEndsAWaitFromAnotherThread) {
    TScriptedPeer peer;
    peer.Connection().Pause(60000);
    auto socket = ConnectTo(peer, true);
    // A stop that comes before the read begins ends it as well.
    std::atomic<bool> reading{false};
    testing::TStopper stopper(socket->StopFlag, [&] { return reading.load(); });
    reading = true;
    EXPECT_EQ(socket->RecvString(60000), "");
    auto ended = Clock::now();
    stopper.Join();
    EXPECT_EQ(socket->LastError(), kWsaEConnAborted);
    EXPECT_LT(stopper.MsUntil(ended), 10000);
    EXPECT_FALSE(socket->StopFlag);
}

TEST_F(BlockSocketTest, StopFlagStopsTheNextSend) {
    TScriptedPeer peer;
    peer.Connection().Pause(500);
    auto socket = ConnectTo(peer);
    socket->StopFlag = true;
    EXPECT_EQ(socket->SendBuffer("abc", 3), 0);
    EXPECT_EQ(socket->LastError(), kWsaEConnAborted);
    EXPECT_FALSE(socket->StopFlag);
}

TEST_F(BlockSocketTest, BindToAnyWithoutHandleDoesNothing) {
    TTCPBlockSocket socket;
    int events = 0;
    socket.OnStatus = [&](TBlockSocket*, THookSocketReason, const std::string&) { ++events; };
    socket.Bind("0.0.0.0", "0");
    EXPECT_EQ(socket.Socket(), kInvalidSocket);
    EXPECT_EQ(socket.LastError(), 0);
    EXPECT_EQ(events, 0);
}

TEST_F(BlockSocketTest, ConnectEventsAndRefusal) {
    TScriptedPeer peer;
    peer.Connection().Pause(100);
    peer.Start();
    TTCPBlockSocket socket;
    std::vector<std::pair<THookSocketReason, std::string>> events;
    socket.OnStatus = [&](TBlockSocket*, THookSocketReason reason, const std::string& value) {
        events.emplace_back(reason, value);
    };
    socket.Connect("127.0.0.1", peer.Port());
    std::string target = "127.0.0.1:" + peer.Port();
    std::vector<std::pair<THookSocketReason, std::string>> expected = {
        {THookSocketReason::HR_ResolvingBegin, target},
        {THookSocketReason::HR_ResolvingEnd, target},
        {THookSocketReason::HR_SocketCreate, "IPv4"},
        {THookSocketReason::HR_Connect, target},
    };
    EXPECT_EQ(events, expected);
    EXPECT_EQ(socket.RemoteAddress(), "127.0.0.1");
    EXPECT_EQ(socket.RemotePort(), std::stoi(peer.Port()));

    std::string closed = ClosedPort();
    TTCPBlockSocket refused;
    events.clear();
    refused.OnStatus = socket.OnStatus;
    refused.Connect("127.0.0.1", closed);
    EXPECT_EQ(refused.LastError(), kWsaEConnRefused);
    EXPECT_EQ(refused.LastErrorDesc(), "Connection refused");
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2].first, THookSocketReason::HR_Error);
    EXPECT_EQ(events[events.size() - 2].second, "10061,Connection refused");

    TTCPBlockSocket raising;
    raising.RaiseExcept = true;
    try {
        raising.Connect("127.0.0.1", closed);
        FAIL() << "no exception";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.Message(), "TCP/IP Socket error 10061: Connection refused");
        EXPECT_EQ(e.ErrorCode, 10061);
        EXPECT_EQ(e.ErrorMessage, "Connection refused");
    }
}

TEST_F(BlockSocketTest, ConnectTimeOutAndStop) {
    // A listener that never accepts and has room for one connection: later
    // connects stay unanswered.
    TTCPBlockSocket listener;
    listener.Bind("127.0.0.1", "0");
    ASSERT_EQ(listener.LastError(), 0);
    listener.Library().Api().listen(listener.Socket(), 0);
    std::string port = std::to_string(listener.LocalPort());
    std::vector<std::unique_ptr<TTCPBlockSocket>> clients;
    bool timedOut = false;
    for (int i = 0; i < 16 && !timedOut; ++i) {
        auto client = std::make_unique<TTCPBlockSocket>();
        client->ConnectTimeout = 1000;
        auto start = Clock::now();
        client->Connect("127.0.0.1", port);
        if (client->LastError() == kWsaETimedOut) {
            timedOut = true;
            // The system's own connect time-out is many seconds longer.
            EXPECT_LT(MsSince(start), 10000);
        } else {
            ASSERT_EQ(client->LastError(), 0) << client->LastErrorDesc();
        }
        clients.push_back(std::move(client));
    }
    EXPECT_TRUE(timedOut);

    // The stop comes once the handle is made (making one drops an earlier
    // stop, which belonged to no request).
    TTCPBlockSocket stopped;
    stopped.ConnectTimeout = 60000;
    std::atomic<bool> created{false};
    stopped.OnStatus = [&](TBlockSocket*, THookSocketReason reason, const std::string&) {
        if (reason == THookSocketReason::HR_SocketCreate) created = true;
    };
    testing::TStopper stopper(stopped.StopFlag, [&] { return created.load(); });
    stopped.Connect("127.0.0.1", port);
    auto ended = Clock::now();
    stopper.Join();
    EXPECT_EQ(stopped.LastError(), kWsaEConnAborted);
    EXPECT_LT(stopper.MsUntil(ended), 10000);
}

TEST_F(BlockSocketTest, ListenAcceptAndAttach) {
    for (const char* host : {"127.0.0.1", "::1"}) {
        TTCPBlockSocket server;
        server.Bind(host, "0");
        ASSERT_EQ(server.LastError(), 0) << host;
        server.Listen();
        ASSERT_EQ(server.LastError(), 0) << host;
        TTCPBlockSocket client;
        client.Connect(host, std::to_string(server.LocalPort()));
        ASSERT_EQ(client.LastError(), 0) << host;
        EXPECT_EQ(client.IP6Used(), std::string(host) == "::1");
        ASSERT_TRUE(server.CanRead(10000));
        TTCPBlockSocket connection;
        connection.AttachHandle(server.Accept());
        connection.ConvertLineEnd = true;
        EXPECT_EQ(connection.RemoteAddress(), host);
        EXPECT_EQ(connection.RemotePort(), client.LocalPort());
        client.SendString("ping\r\n");
        EXPECT_EQ(connection.RecvString(10000), "ping");
        connection.SendString("pong\n");
        client.ConvertLineEnd = true;
        EXPECT_EQ(client.RecvString(10000), "pong");
    }
}

TEST_F(BlockSocketTest, SendBandwidthLimit) {
    TScriptedPeer peer;
    peer.Connection().ReadBytes(3000);
    auto socket = ConnectTo(peer);
    int waits = 0;
    socket->OnStatus = [&](TBlockSocket*, THookSocketReason reason, const std::string&) {
        if (reason == THookSocketReason::HR_Wait) ++waits;
    };
    socket->SendMaxChunk = 1000;
    socket->MaxSendBandwidth = 10000;  // 100 ms per piece
    auto start = Clock::now();
    EXPECT_EQ(socket->SendBuffer(std::string(3000, 'z').data(), 3000), 3000);
    EXPECT_GE(MsSince(start), 180);
    EXPECT_EQ(waits, 2);
    peer.Wait();
    EXPECT_EQ(peer.Received(0), std::string(3000, 'z'));
}

TEST_F(BlockSocketTest, FilterAndMonitorSeeEveryBlock) {
    TScriptedPeer peer;
    peer.Connection().ReadBytes(4).Send("abcdef").Pause(500);
    auto socket = ConnectTo(peer);
    std::string written;
    socket->OnMonitor = [&](TBlockSocket*, bool writing, const void* buffer, int length) {
        if (writing) written.append(static_cast<const char*>(buffer), static_cast<size_t>(length));
    };
    // Keeps the first half of each block.
    socket->OnReadFilter = [](TBlockSocket*, std::string& block) {
        block = block.substr(0, block.size() / 2) + std::string(100, '!');
    };
    socket->SendString("ping");
    EXPECT_EQ(written, "ping");
    std::string got = socket->RecvPacket(10000);
    EXPECT_EQ(got.substr(0, 3), "abc");
    EXPECT_LE(got.size(), 6u);  // a filter cannot lengthen a block
}

TEST_F(BlockSocketTest, BlocksAndIntegers) {
    TScriptedPeer peer;
    peer.Connection()
        .Send(std::string("\x05\x00\x00\x00hello", 9))
        .Send(std::string("\x2A\x00\x00\x00", 4))
        .Send(std::string("\xFF\xFF\xFF\x7F", 4))  // a block far longer than what follows
        .Send("short")
        .Shutdown()
        .Pause(500);
    auto socket = ConnectTo(peer);
    EXPECT_EQ(socket->RecvBlock(3000), "hello");
    EXPECT_EQ(socket->RecvInteger(3000), 42);
    EXPECT_EQ(socket->RecvBlock(3000), "");
    EXPECT_EQ(socket->LastError(), kWsaEConnReset);
}

}  // namespace
}  // namespace net

namespace net {
namespace {

// A plug that "encrypts" by adding 1 to every byte, over the raw handle.
class TShiftPlug : public TCustomSSL {
  public:
    using TCustomSSL::TCustomSSL;
    bool Connect() override {
        enabled_ = true;
        return true;
    }
    bool Shutdown() override {
        ++shutdowns;
        enabled_ = false;
        return true;
    }
    int SendBuffer(const void* buffer, int length) override {
        std::string bytes(static_cast<const char*>(buffer), static_cast<size_t>(length));
        for (char& c : bytes) ++c;
        return Socket()->Library().Api().send(Socket()->Socket(), bytes.data(), length, 0);
    }
    int RecvBuffer(void* buffer, int length) override {
        int count = Socket()->Library().Api().recv(Socket()->Socket(), static_cast<char*>(buffer),
                                                   length, 0);
        for (int i = 0; i < count; ++i) --static_cast<char*>(buffer)[i];
        return count;
    }
    int WaitingData() override { return 0; }
    std::string LibraryName() override { return "shift"; }
    static inline int shutdowns = 0;
};

std::unique_ptr<TCustomSSL> CreateShiftPlug(TTCPBlockSocket* socket) {
    return std::make_unique<TShiftPlug>(socket);
}

TEST_F(BlockSocketTest, TlsPlugPoint) {
    // Without a TLS layer the plug is TSSLNone and a handshake fails.
    TScriptedPeer plain;
    plain.Connection().Pause(300);
    auto socket = ConnectTo(plain);
    EXPECT_EQ(socket->SSL().LibraryName(), "ssl_none");
    EXPECT_EQ(socket->SSL().LibraryVersion(), "Without SSL support");
    socket->SSLConnect();
    EXPECT_EQ(socket->LastError(), kWsaSysNotReady);
    EXPECT_EQ(socket->SSL().LastErrorDesc(), "SLL is not implemented!");
    EXPECT_FALSE(socket->SSL().SSLEnabled());

    // A plug class made the default routes the traffic once its handshake
    // succeeded, and is shut down before the socket closes.
    SetDefaultSSLClass(&CreateShiftPlug);
    TScriptedPeer peer;
    peer.Connection().ReadBytes(5).Send("jgmmp").Pause(300);
    peer.Start();
    {
        TTCPBlockSocket shifted;
        SetDefaultSSLClass(nullptr);
        EXPECT_EQ(shifted.SSL().LibraryName(), "shift");
        shifted.Connect("127.0.0.1", peer.Port());
        shifted.SSLConnect();
        ASSERT_EQ(shifted.LastError(), 0);
        shifted.SendString("hello");
        EXPECT_EQ(shifted.RecvPacket(10000), "ifllo");  // "jgmmp" shifted back
        TShiftPlug::shutdowns = 0;
        shifted.CloseSocket();
        EXPECT_EQ(TShiftPlug::shutdowns, 1);
    }
    peer.Wait();
    EXPECT_EQ(peer.Received(0), "ifmmp");
    EXPECT_EQ(TTCPBlockSocket().SSL().LibraryName(), "ssl_none");
}

}  // namespace
}  // namespace net
