#include "net/socket_api.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "net/socket_error.h"

namespace net {
namespace {

const char* const kLookupNames[] = {"getaddrinfo", "freeaddrinfo", "getnameinfo"};

std::set<std::string> AllButLookup() {
    return {
        "WSAIoctl",       "__WSAFDIsSet",     "closesocket",   "ioctlsocket",   "WSAGetLastError",
        "WSAStartup",     "WSACleanup",       "accept",        "bind",          "connect",
        "getpeername",    "getsockname",      "getsockopt",    "htonl",         "htons",
        "inet_addr",      "inet_ntoa",        "listen",        "ntohl",         "ntohs",
        "recv",           "recvfrom",         "select",        "send",          "sendto",
        "setsockopt",     "shutdown",         "socket",        "gethostbyaddr", "gethostbyname",
        "getprotobyname", "getprotobynumber", "getservbyname", "getservbyport", "gethostname"};
}

std::set<std::string> Everything() {
    std::set<std::string> names = AllButLookup();
    names.insert(std::begin(kLookupNames), std::end(kLookupNames));
    return names;
}

int FakeStartup(uint16_t, TWSAData*) {
    return 0;
}
int FakeCleanup() {
    return 0;
}

// Libraries by name, each with the functions it exports; records which
// libraries were opened. The addresses are placeholders except the two
// that start and end the interface.
class TFakeProvider : public TLibraryProvider {
  public:
    TFakeProvider(std::map<std::string, std::set<std::string>> libraries,
                  std::vector<std::string>* opened)
        : libraries_(std::move(libraries)), opened_(opened) {}
    void* Open(const std::string& name) override {
        opened_->push_back(name);
        auto it = libraries_.find(name);
        return it == libraries_.end() ? nullptr : &it->second;
    }
    void* Symbol(void* library, const char* name) override {
        auto* names = static_cast<std::set<std::string>*>(library);
        if (!names->count(name)) return nullptr;
        if (std::string(name) == "WSAStartup") return reinterpret_cast<void*>(&FakeStartup);
        if (std::string(name) == "WSACleanup") return reinterpret_cast<void*>(&FakeCleanup);
        return names;
    }
    void Close(void*) override { ++closed; }
    int closed = 0;

  private:
    std::map<std::string, std::set<std::string>> libraries_;
    std::vector<std::string>* opened_;
};

TEST(SocketLibrary, LookupRoadChoice) {
    struct Row {
        const char* what;
        std::map<std::string, std::set<std::string>> libraries;
        bool loads;
        bool full;
        bool addOn;
        bool opensAddOn;
    } rows[] = {
        {"full library", {{"ws2_32.dll", Everything()}}, true, true, false, false},
        {"no lookups, no add-on", {{"ws2_32.dll", AllButLookup()}}, true, false, false, true},
        {"lookups from the add-on",
         {{"ws2_32.dll", AllButLookup()},
          {"wship6.dll", {"getaddrinfo", "freeaddrinfo", "getnameinfo"}}},
         true,
         false,
         true,
         true},
        {"add-on without all three",
         {{"ws2_32.dll", AllButLookup()}, {"wship6.dll", {"getaddrinfo", "freeaddrinfo"}}},
         true,
         false,
         false,
         true},
        {"missing library", {}, false, false, false, false},
        {"library lacking send",
         {{"ws2_32.dll",
           [] {
               auto names = Everything();
               names.erase("send");
               return names;
           }()}},
         false,
         false,
         false,
         false},
    };
    for (Row& row : rows) {
        std::vector<std::string> opened;
        TSocketLibrary library(std::make_unique<TFakeProvider>(row.libraries, &opened));
        EXPECT_EQ(library.Load(""), row.loads) << row.what;
        EXPECT_EQ(library.Loaded(), row.loads) << row.what;
        EXPECT_EQ(library.FullLookup(), row.full) << row.what;
        EXPECT_EQ(library.AddOnLookup(), row.addOn) << row.what;
        bool openedAddOn = std::find(opened.begin(), opened.end(), "wship6.dll") != opened.end();
        EXPECT_EQ(openedAddOn, row.opensAddOn) << row.what;
        ASSERT_FALSE(opened.empty());
        EXPECT_EQ(opened.front(), "ws2_32.dll") << row.what;
        // The road: the lookup functions serve every family when the library
        // has them, and only IPv6 sockets when they came from the add-on.
        EXPECT_EQ(library.UsesLookupRoad(TSocketFamily::SF_Any), row.full) << row.what;
        EXPECT_EQ(library.UsesLookupRoad(TSocketFamily::SF_IP4), row.full) << row.what;
        EXPECT_EQ(library.UsesLookupRoad(TSocketFamily::SF_IP6), row.full || row.addOn) << row.what;
    }
}

TEST(SocketLibrary, UseCount) {
    std::vector<std::string> opened;
    auto provider = std::make_unique<TFakeProvider>(
        std::map<std::string, std::set<std::string>>{{"ws2_32.dll", Everything()}}, &opened);
    TFakeProvider* fake = provider.get();
    TSocketLibrary library(std::move(provider));
    ASSERT_TRUE(library.Load("ws2_32.dll"));
    ASSERT_TRUE(library.Load("ws2_32.dll"));
    EXPECT_EQ(opened.size(), 1u);  // in use: not loaded again
    EXPECT_EQ(library.UseCount(), 2);
    EXPECT_TRUE(library.Unload());
    EXPECT_TRUE(library.Loaded());
    EXPECT_EQ(fake->closed, 0);
    EXPECT_TRUE(library.Unload());
    EXPECT_EQ(fake->closed, 1);
    EXPECT_TRUE(library.Unload());
    EXPECT_EQ(library.UseCount(), 0);
    EXPECT_FALSE(library.Loaded());
}

TEST(SocketLibrary, StartFailsWhenTheLibraryIsMissing) {
    std::vector<std::string> opened;
    TSocketLibrary missing(
        std::make_unique<TFakeProvider>(std::map<std::string, std::set<std::string>>{}, &opened));
    try {
        InitSocketInterface(missing);
        FAIL() << "no exception";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.Message(), "Error loading Socket interface (ws2_32.dll)!");
        EXPECT_EQ(e.ErrorCode, 0);
        EXPECT_STREQ(e.ClassName(), "ESocketError");
    }
    TSocketLibrary present(std::make_unique<TFakeProvider>(
        std::map<std::string, std::set<std::string>>{{"ws2_32.dll", Everything()}}, &opened));
    EXPECT_NO_THROW(InitSocketInterface(present));
    DoneSocketInterface(present);
    EXPECT_FALSE(present.Loaded());
}

TEST(SocketRecords, DescriptorSetAndAddressSize) {
    TFDSet set{};
    for (TSocket s = 1; s <= 65; ++s) FDSetAdd(set, s);
    EXPECT_EQ(set.fd_count, 64u);
    EXPECT_EQ(set.fd_array[63], 64u);
    FDSetClear(set);
    EXPECT_EQ(set.fd_count, 0u);

    TSockAddr address{};
    EXPECT_EQ(SockAddrSize(address), 0);
    address.in4.sin_family = kAfInet;
    EXPECT_EQ(SockAddrSize(address), 16);
    address.in6.sin6_family = kAfInet6;
    EXPECT_EQ(SockAddrSize(address), 28);
}

TEST(SocketErrors, Texts) {
    struct Row {
        int code;
        const char* text;
    } rows[] = {
        {0, ""},
        {10035, "Operation would block"},
        {10054, "Connection reset by peer"},
        {10055, "No Buffer space available"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10091, "Network subsystem is unusable"},
        {11001, "Host not found"},
        {11004, "Valid name, no data record of requested type"},
        {12345, "Other Winsock error (12345)"},
    };
    for (const Row& row : rows) EXPECT_EQ(GetErrorDesc(row.code), row.text) << row.code;
}

}  // namespace
}  // namespace net
