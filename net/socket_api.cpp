#include "net/socket_api.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "net/limits.h"
#include "net/socket_error.h"

namespace net {

namespace {

// One entry of the function table: its name in the library and where the
// address goes.
struct TEntry {
    const char* name;
    void (*store)(TSocketApi& api, void* address);
};

#define NET_ENTRY(field, symbol)                                        \
    TEntry {                                                            \
        symbol, [](TSocketApi& api, void* address) {                    \
            api.field = reinterpret_cast<decltype(api.field)>(address); \
        }                                                               \
    }

constexpr TEntry kEntries[] = {
    NET_ENTRY(WSAIoctl, "WSAIoctl"),
    NET_ENTRY(WSAFDIsSet, "__WSAFDIsSet"),
    NET_ENTRY(closesocket, "closesocket"),
    NET_ENTRY(ioctlsocket, "ioctlsocket"),
    NET_ENTRY(WSAGetLastError, "WSAGetLastError"),
    NET_ENTRY(WSAStartup, "WSAStartup"),
    NET_ENTRY(WSACleanup, "WSACleanup"),
    NET_ENTRY(accept, "accept"),
    NET_ENTRY(bind, "bind"),
    NET_ENTRY(connect, "connect"),
    NET_ENTRY(getpeername, "getpeername"),
    NET_ENTRY(getsockname, "getsockname"),
    NET_ENTRY(getsockopt, "getsockopt"),
    NET_ENTRY(htonl, "htonl"),
    NET_ENTRY(htons, "htons"),
    NET_ENTRY(inet_addr, "inet_addr"),
    NET_ENTRY(inet_ntoa, "inet_ntoa"),
    NET_ENTRY(listen, "listen"),
    NET_ENTRY(ntohl, "ntohl"),
    NET_ENTRY(ntohs, "ntohs"),
    NET_ENTRY(recv, "recv"),
    NET_ENTRY(recvfrom, "recvfrom"),
    NET_ENTRY(select, "select"),
    NET_ENTRY(send, "send"),
    NET_ENTRY(sendto, "sendto"),
    NET_ENTRY(setsockopt, "setsockopt"),
    NET_ENTRY(shutdown, "shutdown"),
    NET_ENTRY(socket, "socket"),
    NET_ENTRY(gethostbyaddr, "gethostbyaddr"),
    NET_ENTRY(gethostbyname, "gethostbyname"),
    NET_ENTRY(getprotobyname, "getprotobyname"),
    NET_ENTRY(getprotobynumber, "getprotobynumber"),
    NET_ENTRY(getservbyname, "getservbyname"),
    NET_ENTRY(getservbyport, "getservbyport"),
    NET_ENTRY(gethostname, "gethostname"),
    NET_ENTRY(getaddrinfo, "getaddrinfo"),
    NET_ENTRY(freeaddrinfo, "freeaddrinfo"),
    NET_ENTRY(getnameinfo, "getnameinfo"),
};
#undef NET_ENTRY
static_assert(std::size(kEntries) == 38);
// The last three are the lookup road; the sockets call every other entry
// without checking it.
constexpr size_t kLookupEntries = 3;
constexpr size_t kRequiredEntries = std::size(kEntries) - kLookupEntries;

constexpr const char* kDefaultLibrary = "ws2_32.dll";
constexpr const char* kAddOnLibrary = "wship6.dll";

bool HasLookupFunctions(const TSocketApi& api) {
    return api.getaddrinfo && api.freeaddrinfo && api.getnameinfo;
}

}  // namespace

TSocketLibrary::TSocketLibrary(std::unique_ptr<TLibraryProvider> provider)
    : provider_(std::move(provider)) {}

TSocketLibrary::~TSocketLibrary() {
    std::unique_lock guard(useLock_);
    lookupEnded_.wait(guard, [this] { return lookups_ == 0; });
    useCount_ = 0;
    CloseUnused();
}

void TSocketLibrary::CloseUnused() {
    if (useCount_ > 0 || lookups_ > 0) return;
    if (addOn_) provider_->Close(addOn_);
    if (library_) provider_->Close(library_);
    addOn_ = nullptr;
    library_ = nullptr;
}

bool TSocketLibrary::Load(std::string_view name) {
    std::lock_guard guard(useLock_);
    // Loaded still, or kept for lookups that outlived the last use.
    if (useCount_ > 0 || library_) {
        ++useCount_;
        return true;
    }
    fullLookup_ = false;
    addOnLookup_ = false;
    void* library = provider_->Open(name.empty() ? kDefaultLibrary : std::string(name));
    if (!library) return false;

    TSocketApi api;
    for (const TEntry& entry : kEntries) entry.store(api, provider_->Symbol(library, entry.name));
    for (size_t i = 0; i < kRequiredEntries; ++i) {
        if (!provider_->Symbol(library, kEntries[i].name)) {
            provider_->Close(library);
            return false;
        }
    }

    bool full = HasLookupFunctions(api);
    void* addOn = nullptr;
    bool addOnLookup = false;
    if (!full) {
        addOn = provider_->Open(kAddOnLibrary);
        if (addOn) {
            for (size_t i = kRequiredEntries; i < std::size(kEntries); ++i)
                kEntries[i].store(api, provider_->Symbol(addOn, kEntries[i].name));
            addOnLookup = HasLookupFunctions(api);
        }
    }
    library_ = library;
    addOn_ = addOn;
    api_ = api;
    fullLookup_ = full;
    addOnLookup_ = addOnLookup;
    useCount_ = 1;
    return true;
}

bool TSocketLibrary::Unload() {
    std::lock_guard guard(useLock_);
    useCount_ = useCount_ > 0 ? useCount_ - 1 : 0;
    CloseUnused();
    return true;
}

bool TSocketLibrary::Loaded() const {
    std::lock_guard guard(useLock_);
    return useCount_ > 0;
}

int TSocketLibrary::UseCount() const {
    std::lock_guard guard(useLock_);
    return useCount_;
}

bool TSocketLibrary::BeginLookup(int waitMs) {
    std::unique_lock guard(useLock_);
    if (!lookupEnded_.wait_for(guard, std::chrono::milliseconds(std::max(waitMs, 0)),
                               [this] { return lookups_ < kMaxLookupThreads; }))
        return false;
    ++lookups_;
    return true;
}

void TSocketLibrary::EndLookup() {
    std::lock_guard guard(useLock_);
    if (lookups_ > 0) --lookups_;
    CloseUnused();
    lookupEnded_.notify_all();
}

int TSocketLibrary::RunningLookups() const {
    std::lock_guard guard(useLock_);
    return lookups_;
}

int TSocketLibrary::Bind(TSocket s, const TSockAddr& address) const {
    return api_.bind(s, &address, SockAddrSize(address));
}

int TSocketLibrary::Connect(TSocket s, const TSockAddr& address) const {
    return api_.connect(s, &address, SockAddrSize(address));
}

int TSocketLibrary::GetSockName(TSocket s, TSockAddr& address) const {
    std::memset(&address, 0, sizeof address);
    int length = sizeof address;
    return api_.getsockname(s, &address, &length);
}

int TSocketLibrary::GetPeerName(TSocket s, TSockAddr& address) const {
    std::memset(&address, 0, sizeof address);
    int length = sizeof address;
    return api_.getpeername(s, &address, &length);
}

int TSocketLibrary::SendTo(TSocket s, const void* buffer, int length, int flags,
                           const TSockAddr& to) const {
    TSockAddr copy = to;
    return api_.sendto(s, static_cast<const char*>(buffer), length, flags, &copy,
                       SockAddrSize(copy));
}

int TSocketLibrary::RecvFrom(TSocket s, void* buffer, int length, int flags,
                             TSockAddr& from) const {
    int size = sizeof from;
    return api_.recvfrom(s, static_cast<char*>(buffer), length, flags, &from, &size);
}

std::string TSocketLibrary::GetHostName() const {
    char name[255] = {};
    if (api_.gethostname(name, 254) != 0) return {};
    return std::string(name);
}

TSocketLibrary& SocketLibrary() {
    // Never destroyed: the end of the program must not wait for a resolver
    // that does not answer.
    static TSocketLibrary* library = new TSocketLibrary(SystemLibraryProvider());
    return *library;
}

bool LoadSocketLibrary(std::string_view name) {
    return SocketLibrary().Load(name);
}

bool UnloadSocketLibrary() {
    return SocketLibrary().Unload();
}

void InitSocketInterface(TSocketLibrary& library) {
    if (!library.Load(kDefaultLibrary))
        throw ESocketError("Error loading Socket interface (ws2_32.dll)!", 0, "");
    static TWSAData data;
    library.Api().WSAStartup(0x0202, &data);
}

void DoneSocketInterface(TSocketLibrary& library) {
    if (library.Loaded()) library.Api().WSACleanup();
    library.Unload();
}

int SockAddrSize(const TSockAddr& address) {
    switch (Family(address)) {
        case kAfInet:
            return sizeof(TSockAddrIn);
        case kAfInet6:
            return sizeof(TSockAddrIn6);
        default:
            return 0;
    }
}

void FDSetAdd(TFDSet& set, TSocket s) {
    if (set.fd_count < kFDSetSize) set.fd_array[set.fd_count++] = s;
}

void FDSetClear(TFDSet& set) {
    set.fd_count = 0;
}

}  // namespace net
