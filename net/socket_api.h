#pragma once

// The socket interface of the network client: the Windows Sockets names,
// records, constants and error numbers on every platform, and the table of
// socket functions the blocking socket calls through.
//
// On Windows the table is filled from "ws2_32.dll" (lookups from
// "wship6.dll" when ws2_32 lacks them). Natively it is filled from the C
// library through adapters that speak the Windows records and constants
// and map errno and resolver errors to the Windows error numbers, so the
// layers above see one interface.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace net {

// ---- records ----------------------------------------------------------------
// Laid out as their Windows x64 counterparts; the Windows build checks this.

using TSocket = uintptr_t;
inline constexpr TSocket kInvalidSocket = ~TSocket{0};
inline constexpr int kSocketError = -1;

struct TInAddr {
    uint32_t value;  // network byte order
};

struct TSockAddrIn {
    uint16_t sin_family;
    uint16_t sin_port;  // network byte order
    TInAddr sin_addr;
    uint8_t sin_zero[8];
};

struct TSockAddrIn6 {
    uint16_t sin6_family;
    uint16_t sin6_port;  // network byte order
    uint32_t sin6_flowinfo;
    uint8_t sin6_addr[16];
    uint32_t sin6_scope_id;
};

// A socket address: 28 bytes whose first field is the 16-bit family.
union TSockAddr {
    TSockAddrIn in4;
    TSockAddrIn6 in6;
};
static_assert(sizeof(TSockAddr) == 28);

inline uint16_t Family(const TSockAddr& a) {
    return a.in4.sin_family;
}

struct TTimeVal {
    int32_t tv_sec;
    int32_t tv_usec;
};

inline constexpr int kFDSetSize = 64;
struct TFDSet {
    uint32_t fd_count;
    TSocket fd_array[kFDSetSize];
};

struct TLinger {
    uint16_t l_onoff;
    uint16_t l_linger;
};

struct THostEnt {
    char* h_name;
    char** h_aliases;
    int16_t h_addrtype;
    int16_t h_length;
    char** h_addr_list;
};

struct TServEnt {
    char* s_name;
    char** s_aliases;
    char* s_proto;
    int16_t s_port;  // network byte order
};

struct TProtoEnt {
    char* p_name;
    char** p_aliases;
    int16_t p_proto;
};

struct TAddrInfo {
    int ai_flags;
    int ai_family;
    int ai_socktype;
    int ai_protocol;
    size_t ai_addrlen;
    char* ai_canonname;
    TSockAddr* ai_addr;  // ai_addrlen bytes are valid, not always 28
    TAddrInfo* ai_next;
};

struct alignas(8) TWSAData {
    unsigned char raw[512];
};

// ---- constants ----------------------------------------------------------------

inline constexpr int kAfUnspecified = 0;
inline constexpr int kAfInet = 2;
inline constexpr int kAfInet6 = 23;
inline constexpr int kSockStream = 1;
inline constexpr int kSockDgram = 2;
inline constexpr int kIpProtoIp = 0;
inline constexpr int kIpProtoTcp = 6;
inline constexpr int kIpProtoUdp = 17;
inline constexpr int kIpProtoIpv6 = 41;

inline constexpr int kSolSocket = 0xFFFF;
inline constexpr int kSoReuseAddr = 4;
inline constexpr int kSoKeepAlive = 8;
inline constexpr int kSoBroadcast = 32;
inline constexpr int kSoLinger = 128;
inline constexpr int kSoSndBuf = 0x1001;
inline constexpr int kSoRcvBuf = 0x1002;
inline constexpr int kSoSndTimeo = 0x1005;
inline constexpr int kSoRcvTimeo = 0x1006;
inline constexpr int kSoError = 0x1007;
inline constexpr int kSoType = 0x1008;
inline constexpr int kIpTtl = 4;  // level kIpProtoIp
inline constexpr int kIpMulticastTtl = 10;
inline constexpr int kIpMulticastLoop = 11;
inline constexpr int kIpv6UnicastHops = 4;  // level kIpProtoIpv6
inline constexpr int kIpv6MulticastHops = 10;
inline constexpr int kIpv6MulticastLoop = 11;
inline constexpr int kTcpNoDelay = 1;  // level kIpProtoTcp

inline constexpr int32_t kFionRead = static_cast<int32_t>(0x4004667Fu);
inline constexpr int32_t kFionBio = static_cast<int32_t>(0x8004667Eu);
inline constexpr int kMsgPeek = 2;
inline constexpr int kSdReceive = 0;
inline constexpr int kSdSend = 1;
inline constexpr int kSdBoth = 2;
inline constexpr int kSoMaxConn = 0x7FFFFFFF;
inline constexpr uint32_t kInAddrNone = 0xFFFFFFFFu;
inline constexpr uint32_t kInAddrBroadcast = 0xFFFFFFFFu;

inline constexpr int kAiPassive = 1;
inline constexpr int kAiCanonName = 2;
inline constexpr int kAiNumericHost = 4;
inline constexpr int kAiNumericServ = 8;
inline constexpr int kNiNoFqdn = 1;
inline constexpr int kNiNumericHost = 2;
inline constexpr int kNiNameReqd = 4;
inline constexpr int kNiNumericServ = 8;
inline constexpr int kNiDgram = 16;
inline constexpr int kNiMaxHost = 1025;

// Error numbers of the socket interface.
enum : int {
    kWsaEIntr = 10004,
    kWsaEBadF = 10009,
    kWsaEAcces = 10013,
    kWsaEFault = 10014,
    kWsaEInval = 10022,
    kWsaEMFile = 10024,
    kWsaEWouldBlock = 10035,
    kWsaEInProgress = 10036,
    kWsaEAlready = 10037,
    kWsaENotSock = 10038,
    kWsaEDestAddrReq = 10039,
    kWsaEMsgSize = 10040,
    kWsaEProtoType = 10041,
    kWsaENoProtoOpt = 10042,
    kWsaEProtoNoSupport = 10043,
    kWsaESocktNoSupport = 10044,
    kWsaEOpNotSupp = 10045,
    kWsaEPfNoSupport = 10046,
    kWsaEAfNoSupport = 10047,
    kWsaEAddrInUse = 10048,
    kWsaEAddrNotAvail = 10049,
    kWsaENetDown = 10050,
    kWsaENetUnreach = 10051,
    kWsaENetReset = 10052,
    kWsaEConnAborted = 10053,
    kWsaEConnReset = 10054,
    kWsaENoBufs = 10055,
    kWsaEIsConn = 10056,
    kWsaENotConn = 10057,
    kWsaEShutdown = 10058,
    kWsaETooManyRefs = 10059,
    kWsaETimedOut = 10060,
    kWsaEConnRefused = 10061,
    kWsaELoop = 10062,
    kWsaENameTooLong = 10063,
    kWsaEHostDown = 10064,
    kWsaEHostUnreach = 10065,
    kWsaENotEmpty = 10066,
    kWsaEProcLim = 10067,
    kWsaEUsers = 10068,
    kWsaEDQuot = 10069,
    kWsaEStale = 10070,
    kWsaERemote = 10071,
    kWsaSysNotReady = 10091,
    kWsaVerNotSupported = 10092,
    kWsaNotInitialised = 10093,
    kWsaEDiscon = 10101,
    kWsaTypeNotFound = 10109,
    kWsaHostNotFound = 11001,
    kWsaTryAgain = 11002,
    kWsaNoRecovery = 11003,
    kWsaNoData = 11004,
    kWsaNotEnoughMemory = 8,
};

// The unspecified (::) and loopback (::1) IPv6 addresses.
inline constexpr std::array<uint8_t, 16> kIn6AddrAny{};
inline constexpr std::array<uint8_t, 16> kIn6AddrLoopback{0, 0, 0, 0, 0, 0, 0, 0,
                                                          0, 0, 0, 0, 0, 0, 0, 1};

// ---- the function table ---------------------------------------------------------

#if defined(_WIN32) && !defined(_WIN64)
#define NET_WSAAPI __stdcall
#else
#define NET_WSAAPI
#endif

// One entry per function of the socket interface, in the order in which
// they are looked up; each is null when the library lacks it.
struct TSocketApi {
    int(NET_WSAAPI* WSAIoctl)(TSocket, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*, void*,
                              void*) = nullptr;
    int(NET_WSAAPI* WSAFDIsSet)(TSocket, TFDSet*) = nullptr;
    int(NET_WSAAPI* closesocket)(TSocket) = nullptr;
    int(NET_WSAAPI* ioctlsocket)(TSocket, int32_t, uint32_t*) = nullptr;
    int(NET_WSAAPI* WSAGetLastError)() = nullptr;
    int(NET_WSAAPI* WSAStartup)(uint16_t, TWSAData*) = nullptr;
    int(NET_WSAAPI* WSACleanup)() = nullptr;
    TSocket(NET_WSAAPI* accept)(TSocket, TSockAddr*, int*) = nullptr;
    int(NET_WSAAPI* bind)(TSocket, const TSockAddr*, int) = nullptr;
    int(NET_WSAAPI* connect)(TSocket, const TSockAddr*, int) = nullptr;
    int(NET_WSAAPI* getpeername)(TSocket, TSockAddr*, int*) = nullptr;
    int(NET_WSAAPI* getsockname)(TSocket, TSockAddr*, int*) = nullptr;
    int(NET_WSAAPI* getsockopt)(TSocket, int, int, char*, int*) = nullptr;
    uint32_t(NET_WSAAPI* htonl)(uint32_t) = nullptr;
    uint16_t(NET_WSAAPI* htons)(uint16_t) = nullptr;
    uint32_t(NET_WSAAPI* inet_addr)(const char*) = nullptr;
    char*(NET_WSAAPI* inet_ntoa)(TInAddr) = nullptr;
    int(NET_WSAAPI* listen)(TSocket, int) = nullptr;
    uint32_t(NET_WSAAPI* ntohl)(uint32_t) = nullptr;
    uint16_t(NET_WSAAPI* ntohs)(uint16_t) = nullptr;
    int(NET_WSAAPI* recv)(TSocket, char*, int, int) = nullptr;
    int(NET_WSAAPI* recvfrom)(TSocket, char*, int, int, TSockAddr*, int*) = nullptr;
    int(NET_WSAAPI* select)(int, TFDSet*, TFDSet*, TFDSet*, const TTimeVal*) = nullptr;
    int(NET_WSAAPI* send)(TSocket, const char*, int, int) = nullptr;
    int(NET_WSAAPI* sendto)(TSocket, const char*, int, int, const TSockAddr*, int) = nullptr;
    int(NET_WSAAPI* setsockopt)(TSocket, int, int, const char*, int) = nullptr;
    int(NET_WSAAPI* shutdown)(TSocket, int) = nullptr;
    TSocket(NET_WSAAPI* socket)(int, int, int) = nullptr;
    THostEnt*(NET_WSAAPI* gethostbyaddr)(const char*, int, int) = nullptr;
    THostEnt*(NET_WSAAPI* gethostbyname)(const char*) = nullptr;
    TProtoEnt*(NET_WSAAPI* getprotobyname)(const char*) = nullptr;
    TProtoEnt*(NET_WSAAPI* getprotobynumber)(int) = nullptr;
    TServEnt*(NET_WSAAPI* getservbyname)(const char*, const char*) = nullptr;
    TServEnt*(NET_WSAAPI* getservbyport)(int, const char*) = nullptr;
    int(NET_WSAAPI* gethostname)(char*, int) = nullptr;
    int(NET_WSAAPI* getaddrinfo)(const char*, const char*, const TAddrInfo*, TAddrInfo**) = nullptr;
    void(NET_WSAAPI* freeaddrinfo)(TAddrInfo*) = nullptr;
    int(NET_WSAAPI* getnameinfo)(const TSockAddr*, int, char*, uint32_t, char*, uint32_t,
                                 int) = nullptr;
};

// How libraries are opened and their functions found. The system's
// provider opens "ws2_32.dll" and "wship6.dll" on Windows; natively it
// offers the C library's adapters under the name "ws2_32.dll" and has no
// add-on library. Tests bring their own.
class TLibraryProvider {
  public:
    virtual ~TLibraryProvider() = default;
    // The library's handle, or null when it does not load.
    virtual void* Open(const std::string& name) = 0;
    // The function's address, or null when the library lacks it.
    virtual void* Symbol(void* library, const char* name) = 0;
    virtual void Close(void* library) = 0;
};

std::unique_ptr<TLibraryProvider> SystemLibraryProvider();

enum class TSocketFamily { SF_Any, SF_IP4, SF_IP6 };

// The loaded socket library: its function table and which lookup road it
// offers. One process-wide instance serves the sockets (SocketLibrary());
// tests make their own over a provider of their own.
class TSocketLibrary {
  public:
    explicit TSocketLibrary(std::unique_ptr<TLibraryProvider> provider);
    // Waits for the lookups still running on their threads.
    ~TSocketLibrary();
    TSocketLibrary(const TSocketLibrary&) = delete;
    TSocketLibrary& operator=(const TSocketLibrary&) = delete;

    // Loads the library (an empty name means "ws2_32.dll") unless it is in
    // use already, and counts one more use. False when it does not load or
    // lacks a function the sockets call unchecked (every function but the
    // three of the lookup road).
    [[nodiscard]] bool Load(std::string_view name);
    // Counts one use less (never below 0) and frees the libraries at 0,
    // or when the last lookup still running on its thread ends.
    bool Unload();

    // A host-name lookup on a thread of its own (net/blocksocket_resolve.cpp)
    // holds the libraries loaded while it runs, whatever the program's
    // uses do meanwhile. BeginLookup waits up to `waitMs` for room among
    // kMaxLookupThreads (false: none came); each true is followed by one
    // EndLookup once the lookup is done with the functions.
    [[nodiscard]] bool BeginLookup(int waitMs);
    void EndLookup();
    int RunningLookups() const;

    bool Loaded() const;
    int UseCount() const;
    // The library itself has getaddrinfo, freeaddrinfo and getnameinfo.
    bool FullLookup() const { return fullLookup_; }
    // Those three came from the add-on library "wship6.dll".
    bool AddOnLookup() const { return addOnLookup_; }
    // Whether a socket of `family` resolves through getaddrinfo (else
    // through the IPv4-only functions).
    bool UsesLookupRoad(TSocketFamily family) const {
        return fullLookup_ || (addOnLookup_ && family == TSocketFamily::SF_IP6);
    }

    const TSocketApi& Api() const { return api_; }

    // The lock of the IPv4-only lookups, whose answers live in storage
    // shared by the process.
    std::mutex& Lock() const { return lock_; }

    // Call wrappers that handle the address sizes.
    int Bind(TSocket s, const TSockAddr& address) const;
    int Connect(TSocket s, const TSockAddr& address) const;
    int GetSockName(TSocket s, TSockAddr& address) const;
    int GetPeerName(TSocket s, TSockAddr& address) const;
    int SendTo(TSocket s, const void* buffer, int length, int flags, const TSockAddr& to) const;
    int RecvFrom(TSocket s, void* buffer, int length, int flags, TSockAddr& from) const;
    std::string GetHostName() const;

  private:
    // Frees the libraries once neither a use nor a lookup holds them.
    void CloseUnused();

    std::unique_ptr<TLibraryProvider> provider_;
    mutable std::mutex lock_;
    // Guards loading and the counts of uses and lookups.
    mutable std::mutex useLock_;
    std::condition_variable lookupEnded_;
    void* library_ = nullptr;
    void* addOn_ = nullptr;
    int useCount_ = 0;
    int lookups_ = 0;
    bool fullLookup_ = false;
    bool addOnLookup_ = false;
    TSocketApi api_;
};

// The process-wide socket library.
TSocketLibrary& SocketLibrary();
[[nodiscard]] bool LoadSocketLibrary(std::string_view name);
bool UnloadSocketLibrary();

// Start and end of the socket layer, called once from the program's start
// (before any socket exists) and end. Start raises ESocketError "Error
// loading Socket interface (ws2_32.dll)!" when the library does not load.
void InitSocketInterface(TSocketLibrary& library = SocketLibrary());
void DoneSocketInterface(TSocketLibrary& library = SocketLibrary());

// The significant size of a socket address: 16 for IPv4, 28 for IPv6, 0 else.
int SockAddrSize(const TSockAddr& address);

// Adds a handle while the set has room for it (a 65th is ignored).
void FDSetAdd(TFDSet& set, TSocket s);
void FDSetClear(TFDSet& set);

}  // namespace net
