#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "net/httpsend.h"
#include "net/limits.h"
#include "net/tcpblocksocket.h"
#include "net/testing/scripted_peer.h"
#include "net/testing/stopper.h"

namespace net {
namespace {

// Libraries closed by every TAlteredProvider.
std::atomic<int> gLibrariesClosed{0};

// The system's socket library with some functions hidden or replaced.
class TAlteredProvider : public TLibraryProvider {
  public:
    TAlteredProvider(std::set<std::string> hidden, std::map<std::string, void*> replaced)
        : system_(SystemLibraryProvider()),
          hidden_(std::move(hidden)),
          replaced_(std::move(replaced)) {}
    void* Open(const std::string& name) override {
        return name == "wship6.dll" ? nullptr : system_->Open(name);
    }
    void* Symbol(void* library, const char* name) override {
        if (hidden_.count(name)) return nullptr;
        if (auto it = replaced_.find(name); it != replaced_.end()) return it->second;
        return system_->Symbol(library, name);
    }
    void Close(void* library) override {
        ++gLibrariesClosed;
        system_->Close(library);
    }

  private:
    std::unique_ptr<TLibraryProvider> system_;
    std::set<std::string> hidden_;
    std::map<std::string, void*> replaced_;
};

std::unique_ptr<TSocketLibrary> AlteredLibrary(std::set<std::string> hidden,
                                               std::map<std::string, void*> replaced = {}) {
    auto library = std::make_unique<TSocketLibrary>(
        std::make_unique<TAlteredProvider>(std::move(hidden), std::move(replaced)));
    EXPECT_NO_THROW(InitSocketInterface(*library));
    return library;
}

const std::set<std::string> kLookupRoad = {"getaddrinfo", "freeaddrinfo", "getnameinfo"};

// A resolver that knows "v6only.test" only as an IPv6 address.
decltype(TSocketApi::getaddrinfo) gRealGetAddrInfo = nullptr;
std::vector<int> gFamiliesAsked;

int NET_WSAAPI V6OnlyGetAddrInfo(const char* node, const char* service, const TAddrInfo* hints,
                                 TAddrInfo** answers) {
    gFamiliesAsked.push_back(hints ? hints->ai_family : -1);
    if (node && std::string(node) == "v6only.test") {
        if (!hints || hints->ai_family != kAfInet6) {
            *answers = nullptr;
            return kWsaHostNotFound;
        }
        return gRealGetAddrInfo("::1", service, hints, answers);
    }
    return gRealGetAddrInfo(node, service, hints, answers);
}

// A resolver that does not answer for "stall.test" until released (or half
// a minute passed).
std::atomic<bool> gReleaseLookups{false};
std::atomic<int> gLookupsRunning{0};
std::atomic<int> gLookupsStarted{0};

int NET_WSAAPI StallingGetAddrInfo(const char* node, const char* service, const TAddrInfo* hints,
                                   TAddrInfo** answers) {
    if (node && std::string(node) == "stall.test") {
        ++gLookupsRunning;
        ++gLookupsStarted;
        auto start = std::chrono::steady_clock::now();
        while (!gReleaseLookups &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        *answers = nullptr;
        --gLookupsRunning;
        return kWsaHostNotFound;
    }
    return gRealGetAddrInfo(node, service, hints, answers);
}

int NET_WSAAPI NoHostName(char* name, int length) {
    if (length > 0) name[0] = '\0';
    return 0;
}

class ResolveTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::EnsureSocketInterface(); }
};

TEST_F(ResolveTest, AddressesOnTheLookupRoad) {
    TTCPBlockSocket socket;
    struct Row {
        const char* host;
        const char* port;
        TSocketFamily family;
        int addressFamily;
        const char* text;
        int portNumber;
    } rows[] = {
        {"0.0.0.0", "0", TSocketFamily::SF_Any, kAfInet, "0.0.0.0", 0},
        {"127.0.0.1", "8080", TSocketFamily::SF_Any, kAfInet, "127.0.0.1", 8080},
        {"::1", "80", TSocketFamily::SF_Any, kAfInet6, "::1", 80},
        {"::", "21", TSocketFamily::SF_Any, kAfInet6, "::", 21},
        {"localhost", "80", TSocketFamily::SF_IP4, kAfInet, "127.0.0.1", 80},
        {"127.0.0.1", "80", TSocketFamily::SF_IP6, kAfInet6, "::1", 80},
    };
    for (const Row& row : rows) {
        socket.SetFamily(row.family);
        TSockAddr address = socket.ResolveAddress(row.host, row.port);
        EXPECT_EQ(socket.LastError(), 0) << row.host;
        EXPECT_EQ(Family(address), row.addressFamily) << row.host;
        EXPECT_EQ(socket.AddressText(address), row.text) << row.host;
        EXPECT_EQ(socket.AddressPort(address), row.portNumber) << row.host;
    }
}

TEST_F(ResolveTest, NamesAndPortsOnBothRoads) {
    auto ipv4Only = AlteredLibrary(kLookupRoad);
    ASSERT_FALSE(ipv4Only->FullLookup());
    TTCPBlockSocket lookupRoad;
    TTCPBlockSocket olderRoad(*ipv4Only);
    for (TTCPBlockSocket* socket : {&lookupRoad, &olderRoad}) {
        const char* road = socket == &lookupRoad ? "getaddrinfo road" : "IPv4-only road";
        EXPECT_EQ(socket->ResolvePort("8080"), 8080) << road;
        EXPECT_EQ(socket->ResolvePort("nosuchservice"), 0) << road;
        std::vector<std::string> list;
        socket->ResolveNameToList("nonexistent.invalid", list);
        EXPECT_EQ(list, std::vector<std::string>{"0.0.0.0"}) << road;
        EXPECT_EQ(socket->ResolveName("127.0.0.1"), "127.0.0.1") << road;
        TSockAddr address = socket->ResolveAddress("127.0.0.1", "4321");
        EXPECT_EQ(socket->LastError(), 0) << road;
        EXPECT_EQ(socket->AddressText(address), "127.0.0.1") << road;
        EXPECT_EQ(socket->AddressPort(address), 4321) << road;
        socket->ResolveAddress("nonexistent.invalid", "80");
        EXPECT_NE(socket->LastError(), 0) << road;
        EXPECT_FALSE(socket->LocalHostName().empty()) << road;
    }

    // A connection over the older road.
    testing::TScriptedPeer peer;
    peer.Connection().Send("hi\r\n").Pause(300);
    peer.Start();
    olderRoad.Connect("127.0.0.1", peer.Port());
    ASSERT_EQ(olderRoad.LastError(), 0) << olderRoad.LastErrorDesc();
    EXPECT_EQ(olderRoad.RecvString(3000), "hi");
    EXPECT_EQ(olderRoad.RemoteAddress(), "127.0.0.1");
}

TEST_F(ResolveTest, NameWithOnlyAnIPv6Address) {
    gRealGetAddrInfo = SocketLibrary().Api().getaddrinfo;
    auto library =
        AlteredLibrary({}, {{"getaddrinfo", reinterpret_cast<void*>(&V6OnlyGetAddrInfo)}});
    for (bool preferIPv4 : {true, false}) {
        TTCPBlockSocket socket(*library);
        socket.PreferIP4 = preferIPv4;
        gFamiliesAsked.clear();
        TSockAddr address = socket.ResolveAddress("v6only.test", "80");
        EXPECT_EQ(socket.LastError(), 0);
        EXPECT_EQ(Family(address), kAfInet6);
        EXPECT_EQ(socket.AddressText(address), "::1");
        std::vector<int> expected =
            preferIPv4 ? std::vector<int>{kAfInet, kAfInet6} : std::vector<int>{kAfInet6};
        EXPECT_EQ(gFamiliesAsked, expected);
    }
}

TEST_F(ResolveTest, LookupsOfNamesEndOnTimeOutAndStop) {
    gRealGetAddrInfo = SocketLibrary().Api().getaddrinfo;
    gReleaseLookups = false;
    auto library =
        AlteredLibrary({}, {{"getaddrinfo", reinterpret_cast<void*>(&StallingGetAddrInfo)}});
    struct Row {
        const char* what;
        bool http;
        int timeout;
        bool stop;  // once the lookup runs
        int error;
    } rows[] = {
        {"socket, connect time-out", false, 1000, false, kWsaETimedOut},
        {"socket, stop", false, -1, true, kWsaEConnAborted},
        {"HTTP, time-out", true, 1000, false, kWsaETimedOut},
        {"HTTP, stop", true, -1, true, kWsaEConnAborted},
    };
    for (const Row& row : rows) {
        auto socket = std::make_unique<TTCPBlockSocket>(*library);
        TTCPBlockSocket* probe = socket.get();
        THTTPSend http(std::move(socket));
        const int started = gLookupsStarted;
        std::optional<testing::TStopper> stopper;
        if (row.stop) stopper.emplace(probe->StopFlag, [&] { return gLookupsStarted > started; });
        auto start = std::chrono::steady_clock::now();
        if (row.http) {
            http.Timeout = row.timeout;
            EXPECT_FALSE(http.ExecuteRequest("GET", "http://stall.test/")) << row.what;
            EXPECT_EQ(http.LastError(), row.error) << row.what;
        } else {
            probe->ConnectTimeout = row.timeout;
            probe->Connect("stall.test", "80");
            EXPECT_EQ(probe->LastError(), row.error) << row.what;
        }
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (stopper) stopper->Join();
        if (!row.stop) {
            EXPECT_GE(elapsed, std::chrono::milliseconds(950)) << row.what;
        }
        // Below the resolver's stall, however loaded the machine.
        EXPECT_LT(elapsed, std::chrono::milliseconds(20000)) << row.what;
        EXPECT_FALSE(probe->StopFlag) << row.what;
    }
    // The lookups left behind finish before their library goes.
    gReleaseLookups = true;
    while (gLookupsRunning > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Polls for up to 20 s; the state reached.
bool Eventually(const std::function<bool()>& state) {
    auto start = std::chrono::steady_clock::now();
    while (!state() && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return state();
}

TEST_F(ResolveTest, LookupThreadsAreFewAndKeepTheLibraryLoaded) {
    gRealGetAddrInfo = SocketLibrary().Api().getaddrinfo;
    gReleaseLookups = false;
    auto library =
        AlteredLibrary({}, {{"getaddrinfo", reinterpret_cast<void*>(&StallingGetAddrInfo)}});
    // Sockets that give up on lookups which do not answer leave them
    // running, up to the cap.
    for (int i = 0; i < 10 * kMaxLookupThreads && library->RunningLookups() < kMaxLookupThreads;
         ++i) {
        TTCPBlockSocket socket(*library);
        socket.ConnectTimeout = 50;
        socket.Connect("stall.test", "80");
        EXPECT_EQ(socket.LastError(), kWsaETimedOut);
    }
    ASSERT_EQ(library->RunningLookups(), kMaxLookupThreads);
    // Each of them in the resolver by now.
    ASSERT_TRUE(Eventually([] { return gLookupsRunning == kMaxLookupThreads; }));
    const int started = gLookupsStarted;

    // No room: the next lookup waits for some within its time-out and does
    // not start.
    TTCPBlockSocket late(*library);
    late.ConnectTimeout = 300;
    late.Connect("stall.test", "80");
    EXPECT_EQ(late.LastError(), kWsaETimedOut);
    EXPECT_EQ(gLookupsStarted, started);

    // The end of the socket layer leaves the library loaded under them...
    const int closed = gLibrariesClosed;
    DoneSocketInterface(*library);
    EXPECT_FALSE(library->Loaded());
    EXPECT_EQ(gLibrariesClosed, closed);
    // ...until they end.
    gReleaseLookups = true;
    EXPECT_TRUE(Eventually([&] { return library->RunningLookups() == 0; }));
    EXPECT_EQ(gLibrariesClosed, closed + 1);
}

TEST_F(ResolveTest, EmptyHostNameGivesLoopback) {
    auto library = AlteredLibrary({}, {{"gethostname", reinterpret_cast<void*>(&NoHostName)}});
    TTCPBlockSocket socket(*library);
    EXPECT_EQ(socket.LocalHostName(), "127.0.0.1");
}

TEST_F(ResolveTest, CallsWithoutTheLibraryAreRefused) {
    // The socket layer not started yet, and started and ended again: the
    // library's functions are not there to call.
    TSocketLibrary notStarted(SystemLibraryProvider());
    TSocketLibrary ended(SystemLibraryProvider());
    InitSocketInterface(ended);
    DoneSocketInterface(ended);
    ASSERT_FALSE(ended.Loaded());
    struct Row {
        const char* what;
        std::function<void(TTCPBlockSocket&)> call;
    } rows[] = {
        {"connect to a name", [](TTCPBlockSocket& s) { s.Connect("localhost", "80"); }},
        {"connect to an address", [](TTCPBlockSocket& s) { s.Connect("127.0.0.1", "80"); }},
        {"bind", [](TTCPBlockSocket& s) { s.Bind("127.0.0.1", "0"); }},
        {"address of a name", [](TTCPBlockSocket& s) { s.ResolveAddress("localhost", "80"); }},
        {"names of a name",
         [](TTCPBlockSocket& s) { EXPECT_EQ(s.ResolveName("localhost"), "0.0.0.0"); }},
        {"name of an address",
         [](TTCPBlockSocket& s) { EXPECT_EQ(s.ResolveAddressToName("127.0.0.1"), "127.0.0.1"); }},
        {"port", [](TTCPBlockSocket& s) { EXPECT_EQ(s.ResolvePort("http"), 0); }},
        // A socket never connected: its data and address calls too.
        {"send", [](TTCPBlockSocket& s) { s.SendString("x"); }},
        {"receive",
         [](TTCPBlockSocket& s) {
             char c;
             EXPECT_EQ(s.RecvBuffer(&c, 1), 0);
         }},
        {"receive a packet", [](TTCPBlockSocket& s) { EXPECT_EQ(s.RecvPacket(0), ""); }},
        {"peek",
         [](TTCPBlockSocket& s) {
             char c;
             EXPECT_EQ(s.PeekBuffer(&c, 1), 0);
         }},
        {"send to", [](TTCPBlockSocket& s) { EXPECT_EQ(s.SendBufferTo("x", 1), 0); }},
        {"receive from",
         [](TTCPBlockSocket& s) {
             char c;
             EXPECT_EQ(s.RecvBufferFrom(&c, 1), 0);
         }},
        {"waiting data", [](TTCPBlockSocket& s) { EXPECT_EQ(s.WaitingData(), 0); }},
        {"can read", [](TTCPBlockSocket& s) { EXPECT_FALSE(s.CanRead(0)); }},
        {"local address", [](TTCPBlockSocket& s) { EXPECT_EQ(s.LocalAddress(), ""); }},
        {"remote address", [](TTCPBlockSocket& s) { EXPECT_EQ(s.RemoteAddress(), ""); }},
        {"remote port", [](TTCPBlockSocket& s) { EXPECT_EQ(s.RemotePort(), 0); }},
        {"local host name", [](TTCPBlockSocket& s) { EXPECT_EQ(s.LocalHostName(), "127.0.0.1"); }},
    };
    for (TSocketLibrary* library : {&notStarted, &ended}) {
        const char* state = library == &notStarted ? "not started" : "ended";
        for (const Row& row : rows) {
            TTCPBlockSocket socket(*library);
            row.call(socket);
            EXPECT_EQ(socket.LastError(), kWsaNotInitialised) << state << ", " << row.what;
            EXPECT_EQ(socket.Socket(), kInvalidSocket) << state << ", " << row.what;
        }
        // A request over such a socket fails as a request, with the reason.
        THTTPSend http(std::make_unique<TTCPBlockSocket>(*library));
        EXPECT_FALSE(http.ExecuteRequest("GET", "http://localhost:1/")) << state;
        EXPECT_EQ(http.Sock().LastError(), kWsaNotInitialised) << state;
        EXPECT_EQ(http.Sock().LastErrorDesc(), "Winsock not initialized") << state;
    }
}

}  // namespace
}  // namespace net
